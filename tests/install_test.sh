#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop gets: the
# two programs, a valid menu entry, the icon it names and the file type of
# Voxtrace recordings.
#
#   install_test.sh CMAKE BUILD_DIR PREFIX SAMPLE_WAV DESKTOP_FILE_VALIDATE [XMLLINT]
#
# UPDATE_MIME_DATABASE and UPDATE_DESKTOP_DATABASE, when set, name those
# tools; the caches they build are then checked too.
set -euo pipefail
cmake="$1" build="$2" prefix="$3" sample="$4" validate="$5" xmllint="${6:-}"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

rm -rf "$prefix"
# DESTDIR from the caller's environment would move the whole tree elsewhere.
env -u DESTDIR "$cmake" --install "$build" --prefix "$prefix"

bin="$prefix/bin"
share="$prefix/share"
desktop="$share/applications/voxtrace.desktop"
icon="$share/icons/hicolor/scalable/apps/voxtrace.svg"
mime="$share/mime/packages/voxtrace-mime.xml"

for program in voxtrace voxtrace-cli; do
    [ -x "$bin/$program" ] || fail "$bin/$program is missing or not executable"
done
for file in "$desktop" "$icon" "$mime"; do
    [ -s "$file" ] || fail "$file is missing or empty"
done
[ "$failures" -eq 0 ] || exit 1

"$validate" "$desktop" || fail "desktop-file-validate rejects $desktop"
grep -qx 'Exec=voxtrace %F' "$desktop" || fail "$desktop does not start voxtrace with the files"
grep -qx 'Icon=voxtrace' "$desktop" || fail "$desktop does not name the installed icon"
grep -q '^MimeType=.*application/x-voxtrace;' "$desktop" || fail "$desktop does not list application/x-voxtrace"

if [ -n "$xmllint" ]; then
    "$xmllint" --noout "$mime" || fail "$mime is not well-formed XML"
    "$xmllint" --noout "$icon" || fail "$icon is not well-formed XML"
fi
grep -q 'type="application/x-voxtrace"' "$mime" || fail "$mime does not define application/x-voxtrace"
grep -q 'pattern="\*\.vxt"' "$mime" || fail "$mime does not claim *.vxt"

# The installed command line program runs, and what it saves starts with
# the bytes the MIME package recognises.
info="$("$bin/voxtrace-cli" info "$sample")" || fail "the installed voxtrace-cli cannot read $sample"
grep -q '^format	wave$' <<<"$info" || fail "the installed voxtrace-cli misreads $sample: $info"
saved="$prefix/sample.vxt"
if "$bin/voxtrace-cli" convert "$sample" "$saved"; then
    [ "$(head -c 7 "$saved")" = VXTMACX ] || fail "$saved does not start with VXTMACX"
    grep -q 'value="VXTMACX"' "$mime" || fail "$mime does not recognise VXTMACX files by content"
else
    fail "the installed voxtrace-cli cannot save $saved"
fi

# The tools note a folder missing from the search path; it is meant to be.
export XDG_DATA_DIRS="$share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"
if [ -n "${UPDATE_MIME_DATABASE:-}" ]; then
    "$UPDATE_MIME_DATABASE" "$share/mime" || fail "update-mime-database rejects $mime"
    grep -q '^50:application/x-voxtrace:\*\.vxt$' "$share/mime/globs2" ||
        fail "update-mime-database did not register *.vxt as application/x-voxtrace"
fi
if [ -n "${UPDATE_DESKTOP_DATABASE:-}" ]; then
    "$UPDATE_DESKTOP_DATABASE" "$share/applications" || fail "update-desktop-database rejects $desktop"
    for type in audio/x-wav audio/x-aiff application/x-voxtrace; do
        grep -q "^$type=.*voxtrace.desktop" "$share/applications/mimeinfo.cache" ||
            fail "update-desktop-database does not offer Voxtrace for $type"
    done
fi

[ "$failures" -eq 0 ] || exit 1
echo "installed into $prefix: programs, menu entry, icon and file type are in place"
