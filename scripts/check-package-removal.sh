#!/usr/bin/env bash
# Installs the Debian package on a fresh Debian 12 (debootstrap into a scratch folder),
# checks that it works there, removes and purges it, and checks that the system is as it
# was before: no file added, removed or changed, and no file that names the package. The
# desktop's helpers are installed first, so their triggers refresh the menu, icon and
# manual caches as on a desktop. Needs root, debootstrap and the network to Debian's
# mirror; takes a few minutes. Usage: scripts/check-package-removal.sh [PACKAGE.deb]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
    echo "run as root: debootstrap and chroot need it" >&2
    exit 2
fi
if ! command -v debootstrap >/dev/null; then
    echo "needs debootstrap: apt-get install debootstrap" >&2
    exit 2
fi
packages=(build-release/valmor-editor_*.deb)
deb=$(realpath "${1:-${packages[-1]}}")
root=$(mktemp -d /tmp/valmor-removal.XXXXXX)
cleanup() {
    umount "$root/dev/pts" "$root/proc" 2>/dev/null || true
    rm -rf "$root"
}
trap cleanup EXIT

echo "== A fresh Debian 12 in $root"
debootstrap --variant=minbase bookworm "$root" "${DEBIAN_MIRROR:-http://deb.debian.org/debian}" \
    >"$root.log" 2>&1 || { tail -20 "$root.log"; exit 1; }
rm -f "$root.log"
chmod 755 "$root"
mount -t proc proc "$root/proc"
mount -t devpts devpts "$root/dev/pts"
cp "$deb" "$root/tmp/package.deb"
in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 "$@"; }

# The package's dependencies and the desktop's helpers, before the package itself.
depends=$(dpkg-deb -f "$deb" Depends | sed 's/([^)]*)//g; s/|[^,]*//g; s/,/ /g')
# shellcheck disable=SC2086 # one word per package
in_root apt-get install -y -qq --no-install-recommends $depends bash-completion man-db \
    desktop-file-utils hicolor-icon-theme gtk-update-icon-cache >/dev/null

# Every file of the system with its checksum, but for the package manager's own records
# and logs, which keep the package's history.
snapshot() {
    in_root find / -xdev \( -path /proc -o -path /tmp -o -path /var/log -o -path /var/lib/dpkg \
        -o -path /var/lib/apt -o -path /var/cache/apt -o -path /var/cache/debconf \) -prune \
        -o -type f -print0 | in_root xargs -0 sha256sum | sort -k 2
}
# Settle the manual's index as man-db's daily timer would, so only the package's changes
# show.
in_root mandb --quiet
snapshot >"$root/tmp/before.txt"

echo "== Install"
in_root apt-get install -y -qq --no-install-recommends /tmp/package.deb >/dev/null
in_root valmor-data --version
in_root valmor-demo-data /tmp/demo >/dev/null
in_root valmor-data -C /tmp/demo check
in_root valmor-editor --version
in_root man -w valmor-demo-data
# The menu entry and the icon are in the caches the triggers rebuilt.
in_root grep -q org.valmor.monstereditor /usr/share/applications/mimeinfo.cache
in_root grep -q org.valmor.monstereditor /usr/share/icons/hicolor/icon-theme.cache
# bash-completion loads the completion on the first Tab after valmor-data.
in_root bash -c 'source /usr/share/bash-completion/bash_completion
    _completion_loader valmor-data
    COMP_WORDS=(valmor-data ex) COMP_CWORD=1
    _valmor_data valmor-data ex valmor-data
    echo "valmor-data ex<Tab>: ${COMPREPLY[*]}"'

echo "== Remove and purge"
in_root dpkg --remove valmor-editor >/dev/null
# With no configuration files the removal leaves nothing for the purge.
in_root dpkg --purge valmor-editor >/dev/null 2>&1
# man-db's trigger adds pages to the index but drops none; its daily timer drops the pages
# that are gone.
in_root mandb --quiet
snapshot >"$root/tmp/after.txt"
status=0
if ! diff "$root/tmp/before.txt" "$root/tmp/after.txt"; then
    echo "the system differs after the purge" >&2
    status=1
fi
if in_root grep -rli -D skip --exclude-dir={proc,tmp,log,dpkg,apt} valmor /; then
    echo "files above still name the package" >&2
    status=1
fi
if [ "$status" -eq 0 ]; then
    echo "clean: the system is as before the install ($(wc -l <"$root/tmp/before.txt") files)"
fi
exit "$status"
