#!/usr/bin/env bash
# Installs the Debian package that `make package` built with apt, checks the installed program as a
# user of the desktop meets it (both programs answer --help and --version, the desktop entry and the
# MIME type are registered, the manual pages are found), then removes it again. The machine is left as
# it was found: the package, and any package apt brought in for it, are purged even when a check
# fails. Needs root (or sudo). Usage: scripts/check-package.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

fail() {
    echo "check-package: $*" >&2
    exit 1
}

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

deb="$(ls -t "$build"/keyvane_*_"$(dpkg --print-architecture)".deb 2>/dev/null | head -n 1 || true)"
[ -n "$deb" ] || fail "no package in $build: run 'make package' first"
deb="$(realpath "$deb")"

installed() { dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null | grep -qx installed; }
# A Keyvane that someone installed is theirs: the check would replace it and then remove it.
if installed keyvane; then
    fail "a keyvane package is already installed here; the check installs and removes its own"
fi

# Whatever happens below, the package and what apt added for it go again.
home="$(mktemp -d)"
before="$home/packages-before"
dpkg-query -W -f='${Package}\n' | sort >"$before"
cleanup() {
    set +e
    if installed keyvane; then
        DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -qq keyvane >/dev/null
    fi
    added="$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' | awk '$2 == "installed" { print $1 }' | sort |
        comm -13 "$before" -)"
    if [ -n "$added" ]; then
        # shellcheck disable=SC2086
        DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -qq $added >/dev/null
    fi
    rm -rf "$home"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$deb" >"$home/apt.log" 2>&1 ||
    fail "apt could not install $(basename "$deb"): $(cat "$home/apt.log")"
installed keyvane || fail "the package is not installed after apt-get install"

# Every file the program needs, where the package manager put it.
files="$(dpkg -L keyvane)"
for path in /usr/bin/keyvane /usr/bin/keyvane-cli /usr/share/applications/keyvane.desktop \
    /usr/share/mime/packages/keyvane.xml /usr/share/icons/hicolor/scalable/apps/keyvane.svg \
    /usr/share/keyvane/help/index.html /usr/share/man/man1/keyvane.1 /usr/share/man/man1/keyvane-cli.1; do
    printf '%s\n' "$files" | grep -qx "$path" || fail "the package does not hold $path"
    [ -e "$path" ] || fail "$path is missing after installing"
done

# Both programs run from the package, without a display and without touching anyone's settings.
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home" \
        XDG_DATA_HOME="$home/data" "$@"
}
version="$(dpkg-query -W -f='${Version}' keyvane)"
expected="$(echo "$version" | sed -E 's/^([0-9]+\.[0-9]+\.[0-9]+)\.([0-9]+)$/\1 Build \2/')"
out="$(run keyvane --version)" || fail "keyvane --version failed"
[ "$out" = "Tessivo Keyvane $expected" ] || fail "keyvane --version says '$out', the package is $version"
out="$(run keyvane-cli --version)" || fail "keyvane-cli --version failed"
[ "$out" = "keyvane-cli (Tessivo Keyvane) $expected" ] || fail "keyvane-cli --version says '$out'"
out="$(run keyvane --help)" || fail "keyvane --help failed"
printf '%s\n' "$out" | grep -q '^Usage: keyvane ' || fail "keyvane --help shows no usage"
out="$(run keyvane-cli --help)" || fail "keyvane-cli --help failed"
printf '%s\n' "$out" | grep -q '^Usage: keyvane-cli ' || fail "keyvane-cli --help shows no usage"
[ "$(command -v keyvane)" = /usr/bin/keyvane ] || fail "keyvane on PATH is $(command -v keyvane), not the package's"

# The desktop entry as installed: valid, and registered by the desktop database for passwords files.
desktop=/usr/share/applications/keyvane.desktop
report="$(desktop-file-validate "$desktop" 2>&1)" || fail "the installed desktop entry does not validate: $report"
grep -qx 'Exec=keyvane /F:%f' "$desktop" || fail "the installed desktop entry does not open files"
if command -v update-desktop-database >/dev/null; then
    grep -q '^application/x-keyvane=.*keyvane\.desktop' /usr/share/applications/mimeinfo.cache ||
        fail "the desktop database does not offer Keyvane for application/x-keyvane"
fi

# The MIME type as installed: the shared MIME database maps *.kvf to it, and a desktop asking which
# program opens it hears Keyvane.
grep -q '^50:application/x-keyvane:\*\.kvf$' /usr/share/mime/globs2 || fail "*.kvf is not application/x-keyvane"
grep -q '^application/x-keyvane:keyvane$' /usr/share/mime/icons || fail "the MIME type has not the program's icon"
default="$(run env XDG_CURRENT_DESKTOP= XDG_DATA_DIRS=/usr/share xdg-mime query default application/x-keyvane)"
[ "$default" = keyvane.desktop ] || fail "xdg-mime opens passwords files with '$default'"

# The manual pages are found by name.
for page in keyvane keyvane-cli; do
    [ "$(man -w "$page")" = "/usr/share/man/man1/$page.1" ] || fail "man does not find $page(1) of the package"
done

# Removing leaves nothing behind: no file of the package, no registration of the type or the entry.
DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -qq keyvane >"$home/apt.log" 2>&1 ||
    fail "apt could not remove the package: $(cat "$home/apt.log")"
! installed keyvane || fail "the package is still installed after removing it"
for path in $files; do
    [ -d "$path" ] || [ ! -e "$path" ] || fail "$path is left after removing the package"
done
! grep -q 'application/x-keyvane' /usr/share/mime/globs2 || fail "the MIME type is left after removing the package"
if [ -e /usr/share/applications/mimeinfo.cache ]; then
    ! grep -q 'keyvane\.desktop' /usr/share/applications/mimeinfo.cache ||
        fail "the desktop database still names Keyvane after removing the package"
fi

echo "check-package: $(basename "$deb") installs, runs, registers its desktop entry and MIME type, and removes cleanly"
