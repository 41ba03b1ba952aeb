#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/apt-packages.txt that are
# not installed yet: directly as root, through sudo otherwise.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
mapfile -t pkgs < <(grep -v '^\s*#' "$here/apt-packages.txt" | sed 's/\s*#.*//; /^\s*$/d')
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps: these packages are missing: ${missing[*]}" >&2
        echo "install-deps: installing them needs root, and sudo is not installed; as root, run" >&2
        echo "    $here/install-deps.sh" >&2
        echo "or: apt-get install ${missing[*]}" >&2
        exit 1
    fi
    as_root=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
# sudo drops the caller's environment, so the variable goes through env.
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
