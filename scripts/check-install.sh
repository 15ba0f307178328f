#!/usr/bin/env bash
# Installs a built tree into a staging folder (DESTDIR) and checks that everything the installed
# program needs is there and well formed: binaries, help pages, icon, desktop entry, MIME type and
# manual pages. Usage: scripts/check-install.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
prefix=/usr
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT

fail() { echo "check-install: $*" >&2; exit 1; }
need() { [ -e "$stage$prefix/$1" ] || fail "missing $prefix/$1"; }

DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >/dev/null

need bin/keyvane
[ -x "$stage$prefix/bin/keyvane" ] || fail "bin/keyvane is not executable"
if [ -e "$build/src/cli/keyvane-cli" ]; then need bin/keyvane-cli; fi

# Every page of the help, and every page a help context opens.
for page in index.html account.html support.html options.html export.html merge.html report.html new.html; do
    need "share/keyvane/help/$page"
done
# No link of the help points at a page that is not installed.
for page in "$stage$prefix"/share/keyvane/help/*.html; do
    for target in $(grep -o 'href="[^"#:]*"' "$page" | sed 's/href="\(.*\)"/\1/'); do
        [ -e "$(dirname "$page")/$target" ] || fail "$(basename "$page") links to missing $target"
    done
done

need share/icons/hicolor/scalable/apps/keyvane.svg
grep -q '<svg' "$stage$prefix/share/icons/hicolor/scalable/apps/keyvane.svg" || fail "the icon is not an SVG"

desktop="$stage$prefix/share/applications/keyvane.desktop"
need share/applications/keyvane.desktop
report="$(desktop-file-validate "$desktop" 2>&1)" || fail "desktop entry does not validate: $report"
# Hints are suggestions; errors and warnings are not.
problems="$(printf '%s\n' "$report" | grep -v ': hint: ' || true)"
[ -z "$problems" ] || fail "desktop entry: $problems"
grep -qx 'Icon=keyvane' "$desktop" || fail "desktop entry does not name the icon"
grep -qx 'Exec=keyvane /F:%f' "$desktop" || fail "desktop entry does not open files with /F:"
grep -q '^MimeType=.*application/x-keyvane;' "$desktop" || fail "desktop entry does not take passwords files"

# The MIME type: the database built from the installed package maps *.kvf to it, with the icon.
need share/mime/packages/keyvane.xml
cp -r "$stage$prefix/share/mime" "$stage/mime"
update-mime-database "$stage/mime" >/dev/null 2>&1
grep -q '^50:application/x-keyvane:\*\.kvf$' "$stage/mime/globs2" || fail "*.kvf is not application/x-keyvane"
grep -q '^application/x-keyvane:keyvane$' "$stage/mime/icons" || fail "the MIME type has not the program's icon"

for page in keyvane keyvane-cli; do
    need "share/man/man1/$page.1"
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$stage$prefix/share/man/man1/$page.1" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || fail "$page.1: $warnings"
done

# The bash completion of keyvane-cli: it loads, and completes commands and options from the installed tool.
if [ -e "$build/src/cli/keyvane-cli" ]; then
    need share/bash-completion/completions/keyvane-cli
    completion="$(bash -c '
        source "$1"
        COMP_WORDS=("$2" se); COMP_CWORD=1; _keyvane_cli; echo "${COMPREPLY[*]}"
        COMP_WORDS=("$2" ls x.kvf --l); COMP_CWORD=3; _keyvane_cli; echo "${COMPREPLY[*]}"
    ' _ "$stage$prefix/share/bash-completion/completions/keyvane-cli" "$stage$prefix/bin/keyvane-cli" 2>&1)"
    [ "$completion" = "$(printf 'search\n--long')" ] || fail "bash completion of keyvane-cli: $completion"
fi

echo "check-install: all files in place under $prefix"
