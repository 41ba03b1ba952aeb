#!/usr/bin/env bash
# Plants the faults of a list (scripts/mutations.txt by default) one at a
# time in a copy of the tree, rebuilds that copy incrementally, runs the
# suite and prints which faults it caught and which it missed. The copy
# and its build stay in $VOXTRACE_MUTATE_DIR (default: a folder under
# /tmp) for the next run; the tree itself is never changed.
#
# usage: scripts/mutate.sh [LIST] [-k PATTERN]   (-k: only faults whose
# description contains PATTERN)
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
list="$top/scripts/mutations.txt"
only=""
while [ $# -gt 0 ]; do
    case "$1" in
        -k) only="$2"; shift 2 ;;
        *) list="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; shift ;;
    esac
done
work="${VOXTRACE_MUTATE_DIR:-${TMPDIR:-/tmp}/voxtrace-mutate}"
"$top/scripts/install-deps.sh"
mkdir -p "$work"
exec python3 - "$top" "$work/tree" "$work/build" "$list" "$only" <<'PY'
import filecmp, os, shutil, subprocess, sys, time

top, tree, build, listing, only = sys.argv[1:6]

# The copy follows the tree; files that did not change are not touched, so
# the build stays incremental.
def skipped(rel):
    first = rel.split(os.sep)[0]
    return first == ".git" or first.startswith("build")

seen = set()
for folder, dirs, files in os.walk(top):
    rel_folder = os.path.relpath(folder, top)
    dirs[:] = [d for d in dirs if not skipped(os.path.normpath(os.path.join(rel_folder, d)))]
    for name in files:
        rel = os.path.normpath(os.path.join(rel_folder, name))
        seen.add(rel)
        src, dst = os.path.join(top, rel), os.path.join(tree, rel)
        if not os.path.exists(dst) or not filecmp.cmp(src, dst, shallow=False):
            # A new time, not the tree's: the copy's objects may be newer
            # than the tree's file and would be taken as up to date.
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            shutil.copyfile(src, dst)
            shutil.copymode(src, dst)
for folder, dirs, files in os.walk(tree):
    for name in files:
        rel = os.path.relpath(os.path.join(folder, name), tree)
        if rel not in seen:
            os.remove(os.path.join(folder, name))
subprocess.run(["cmake", "-S", tree, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                "-DVOXTRACE_BUILD_BENCH=OFF"], check=True, stdout=subprocess.DEVNULL)
targets = ["voxtrace_core_tests", "voxtrace_gui_tests", "voxtrace_audio_tests", "voxtrace-cli", "voxtrace"]

def decode(s):
    out, i = [], 0
    while i < len(s):
        if s[i] == "\\" and i + 1 < len(s):
            out.append({"n": "\n", "t": "\t", "\\": "\\"}.get(s[i + 1], s[i + 1]))
            i += 2
        else:
            out.append(s[i])
            i += 1
    return "".join(out)

def build_ok():
    return subprocess.run(["ninja", "-C", build] + targets, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0

def suite_passes():
    r = subprocess.run(["ctest", "--test-dir", build, "-j2", "--timeout", "300", "-E", "install_layout"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return r.returncode == 0

faults = []
for line in open(listing, encoding="utf-8"):
    if not line.strip() or line.startswith("#"):
        continue
    path, old, new, what = line.rstrip("\n").split("\t")
    if only and only not in what:
        continue
    faults.append((path, decode(old), decode(new), what))

start = time.time()
if not build_ok():
    sys.exit("mutate: the tree itself does not build; nothing planted")
if not suite_passes():
    sys.exit("mutate: the suite does not pass on the tree itself; nothing planted")
caught, missed, broken = [], [], []
for n, (path, old, new, what) in enumerate(faults, 1):
    file = f"{tree}/{path}"
    text = open(file, encoding="utf-8").read()
    if text.count(old) != 1:
        broken.append(f"{what} ({path}: the text is not there once)")
        continue
    open(file, "w", encoding="utf-8").write(text.replace(old, new))
    try:
        if not build_ok():
            broken.append(f"{what} ({path}: does not build)")
        elif suite_passes():
            missed.append(f"{what} ({path})")
        else:
            caught.append(f"{what} ({path})")
    finally:
        open(file, "w", encoding="utf-8").write(text)
    print(f"[{n}/{len(faults)}] {what}: "
          + ("caught" if caught and caught[-1].startswith(what) else
             "missed" if missed and missed[-1].startswith(what) else "not planted"), flush=True)
build_ok()
print(f"\ncaught {len(caught)} of {len(caught) + len(missed)} planted faults"
      f" ({len(broken)} could not be planted) in {time.time() - start:.0f} s")
for c in caught:
    print("caught\t" + c)
for m in missed:
    print("missed\t" + m)
for b in broken:
    print("not planted\t" + b)
sys.exit(1 if broken else 0)
PY
