#!/usr/bin/env bash
# Makes the Debian package from a finished build and checks it as a user's machine would meet it:
# the desktop entry and the AppStream metainfo through their validators, the file types, manual
# pages and bash completion, then the programs unpacked into a temporary root (dpkg -x) and run
# from there with a home folder of their own. Nothing may be written into the unpacked tree.
#
#   packaging/linux/check-package.sh build/ci
set -euo pipefail

build=$(cd "${1:?usage: check-package.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "check-package: $*" >&2
    exit 1
}

rm -f "$build"/quillon_*_amd64.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/quillon_*_amd64.deb)
deb=${debs[0]}
[ -f "$deb" ] || fail "cpack made no quillon_<version>_amd64.deb in $build"
echo "package: $(basename "$deb")"
dpkg-deb -c "$deb"

# Dependencies found by dpkg-shlibdeps from the linked libraries.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libqt6widgets6 libc6; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library"
done

root=$work/root
dpkg -x "$deb" "$root"
share=$root/usr/share
for file in usr/bin/quillon usr/bin/quillon-cli usr/share/quillon/Quillon.ini \
    usr/share/quillon/Resources/OVN_HB612.eds usr/share/quillon/Projects/K310_Sample_Station.edp \
    usr/share/applications/org.quillon.Quillon.desktop usr/share/mime/packages/quillon.xml \
    usr/share/metainfo/org.quillon.Quillon.metainfo.xml usr/share/man/man1/quillon-cli.1.gz \
    usr/share/man/man1/quillon.1.gz usr/share/bash-completion/completions/quillon-cli \
    usr/share/icons/hicolor/{48x48,128x128,256x256}/apps/org.quillon.Quillon.png; do
    [ -f "$root/$file" ] || fail "missing /$file"
done
for size in 48 128 256; do
    png=$share/icons/hicolor/${size}x$size/apps/org.quillon.Quillon.png
    python3 - "$png" "$size" <<'PY' || fail "$png is not a $size px PNG"
import struct, sys
data = open(sys.argv[1], "rb").read()
width, height = struct.unpack(">II", data[16:24])
sys.exit(0 if data[:8] == b"\x89PNG\r\n\x1a\n" and width == height == int(sys.argv[2]) else 1)
PY
done

echo "validators:"
desktop-file-validate "$share/applications/org.quillon.Quillon.desktop"
appstreamcli validate --no-net "$share/metainfo/org.quillon.Quillon.metainfo.xml"

# The file types, as the desktop's MIME database compiles them.
mkdir -p "$work/mime/packages"
cp "$share/mime/packages/quillon.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >/dev/null 2>&1 || fail "quillon.xml does not compile"
grep -q 'application/x-quillon-project:\*\.edp' "$work/mime/globs2" || fail "*.edp has no type"
grep -q 'text/x-eds:\*\.eds' "$work/mime/globs2" || fail "*.eds has no type"
grep -q '^MimeType=application/x-quillon-project;text/x-eds;$' \
    "$share/applications/org.quillon.Quillon.desktop" || fail "the desktop entry opens neither"

# The manual pages format without warnings, and the command line's page has an entry for every
# command its --help names and mentions every option.
for page in "$share"/man/man1/*.1.gz; do
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
manual=$(MANWIDTH=200 man -l "$share/man/man1/quillon-cli.1.gz" 2>/dev/null)
entries=$(sed -n '/^COMMANDS/,/^OPTIONS/p' <<<"$manual")
help=$("$root/usr/bin/quillon-cli" --help)
commands=$(sed -n 's/^  quillon-cli \[--ini FILE\] \([a-z]*\)\( \(show\|set\)\)\{0,1\}.*/\1\2/p' <<<"$help")
[ "$(wc -l <<<"$commands")" -ge 7 ] || fail "cannot read the commands of quillon-cli --help"
while read -r command; do
    grep -qE "^ {7}$command( |\$)" <<<"$entries" || fail "quillon-cli.1 has no entry for $command"
done <<<"$commands"
for option in $(grep -oE -- '--[a-z]+' <<<"$help" | sort -u); do
    grep -qF -- "$option" <<<"$manual" || fail "quillon-cli.1 does not mention $option"
done
for section in "PIPES" "EXIT STATUS" "--format json" "--output -" "--project -"; do
    grep -qF -- "$section" <<<"$manual" || fail "quillon-cli.1 lacks $section"
done

# Programs from the unpacked tree, with a home folder of their own.
home=$work/home
mkdir -p "$home"
export HOME=$home
unset XDG_CONFIG_HOME XDG_DATA_HOME
export QT_QPA_PLATFORM=offscreen
before=$(find "$root" -printf '%p %s %T@\n' | sort)
sample=$root/usr/share/quillon/Projects/K310_Sample_Station.edp

# Bash completion, when bash-completion's own functions are there to build on.
if [ -f /usr/share/bash-completion/bash_completion ]; then
    completions=$(bash -c '
        . /usr/share/bash-completion/bash_completion
        . "$1"
        complete_line() {
            COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
            COMPREPLY=(); _quillon_cli; printf "%s " "${COMPREPLY[@]}"; echo
        }
        complete_line "$2" ""
        complete_line "$2" generate --protocol ""
        complete_line "$2" iomap --module KD2' _ "$share/bash-completion/completions/quillon-cli" \
        "$root/usr/bin/quillon-cli")
    echo "completions: $completions"
    [[ $(sed -n 1p <<<"$completions") == *"generate"*"catalogue"* ]] || fail "no commands completed"
    [[ $(sed -n 2p <<<"$completions") == "devicenet canopen " ]] || fail "no protocols completed"
    [[ $(sed -n 3p <<<"$completions") == "KD214 KD218 KD236 KD258 " ]] || fail "no models completed"
fi

echo "installed quillon-cli:"
cli=$root/usr/bin/quillon-cli
"$cli" generate --protocol canopen --project "$sample" --output "$home/CO_station.eds"
"$cli" check "$home/CO_station.eds"
settings=$("$cli" catalogue --format json | python3 -c 'import json,sys; print(json.load(sys.stdin)["settings"])')
[ "$settings" = "$root/usr/share/quillon/Quillon.ini" ] || fail "read $settings, not the installed settings"
# The person's own settings file wins over the installed one.
mkdir -p "$home/.config/quillon"
sed 's/^KD214  4 DI 24 V DC/KD214  own catalogue/' "$root/usr/share/quillon/Quillon.ini" \
    >"$home/.config/quillon/Quillon.ini"
"$cli" catalogue --format tsv | grep -q 'own catalogue' || fail "the own Quillon.ini was not read"

echo "installed quillon (offscreen):"
"$root/usr/bin/quillon" --screenshot "$home/window.png" "$sample"
"$root/usr/bin/quillon" --screenshot "$home/editor.png" "$home/CO_station.eds"
for png in "$home/window.png" "$home/editor.png"; do
    [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is no PNG"
done
if "$root/usr/bin/quillon" --screenshot "$home/none.png" "$home/missing.edp" 2>"$work/err"; then
    fail "a missing project gave no failure"
fi
grep -q "This is no readable project file" "$work/err" || fail "no message for a missing project"

after=$(find "$root" -printf '%p %s %T@\n' | sort)
[ "$before" = "$after" ] || fail "something was written into the installed tree: $(diff <(echo "$before") <(echo "$after"))"
echo "package checks passed"
