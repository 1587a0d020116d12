#!/usr/bin/env bash
# Checks of the Windows build that need Wine around them: registry values written with
# `wine reg`, quillon-cli.exe on folders named with umlauts and on a settings file with drive
# letters, and the files it writes byte for byte against the Linux build's.
#
#   tests/windows/wine_checks.sh WINDOWS_BUILD_DIR LINUX_QUILLON_CLI
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
cross=$(cd "$1" && pwd)
linux_cli=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
export QUILLON_WINEPREFIX="$cross/wineprefix"
export SOURCE_DATE_EPOCH=1245000000 TZ=UTC QUILLON_REGISTRY_FILE=/nonexistent
wine_run() { "$source_dir/cmake/wine-run.sh" "$@"; }
windows_cli="$cross/cli/quillon-cli.exe"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
same_bytes() { # what, file, file
    if cmp -s "$2" "$3"; then echo "ok: $1"; else fail "$1 differs: $2 $3"; fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -d "$QUILLON_WINEPREFIX/drive_c" ] || wine_run wineboot --init
drive_c="$QUILLON_WINEPREFIX/drive_c"

# --- The registry: 32-bit view first, then the native one ------------------------------------
# Wine would start a reg.exe from the current folder before its own: run it where none lies.
key='HKLM\SOFTWARE\Hilscher GmbH\SyCon_net'
(
    cd "$QUILLON_WINEPREFIX"
    wine_run reg delete "$key" /f /reg:32 >/dev/null 2>&1 || true
    wine_run reg delete "$key" /f /reg:64 >/dev/null 2>&1 || true
    wine_run reg add "$key" /v CoEDSPath /d 'C:\SYCON\CANopen 32' /f /reg:32 >/dev/null
    wine_run reg add "$key" /v CoEDSPath /d 'C:\SYCON\CANopen 64' /f /reg:64 >/dev/null
    wine_run reg add "$key" /v DnEDSPath /d 'C:\Users\Büro\SYCON\DeviceNet' /f /reg:64 >/dev/null
)
if QUILLON_EXPECT_CO_PATH='C:\SYCON\CANopen 32' \
    QUILLON_EXPECT_DN_PATH='C:\Users\Büro\SYCON\DeviceNet' \
    QUILLON_MISSING_VALUE="${key//HKLM/HKEY_LOCAL_MACHINE}\\NoSuchEDSPath" \
    wine_run "$cross/tests/quillon_windows_tests.exe" --gtest_filter='WindowsRegistry.*' \
    >"$work/registry.log" 2>&1 && grep -q '\[  PASSED  \] 1 test' "$work/registry.log"; then
    echo "ok: registry read through both views"
else
    cat "$work/registry.log" >&2
    fail "registry read"
fi

# --- The same stations from both builds -------------------------------------------------------
modules=(--module KD236 --module KA224 --module KD414 --module KA422 --module KM644)
for protocol in devicenet canopen; do
    "$linux_cli" generate --protocol $protocol "${modules[@]}" --output - >"$work/linux.eds" ||
        fail "Linux generate"
    wine_run "$windows_cli" generate --protocol $protocol "${modules[@]}" --output - \
        >"$work/windows.eds" || fail "Windows generate"
    same_bytes "$protocol EDS from both builds" "$work/linux.eds" "$work/windows.eds"
done

# A project saved on Windows, read on both; one saved on Linux, read on both.
if QUILLON_SAVE_PROJECT_TO="Z:$work/windows.edp" \
    wine_run "$cross/tests/quillon_windows_tests.exe" --gtest_filter='WindowsProject.*' \
    >"$work/project.log" 2>&1 && [ -s "$work/windows.edp" ]; then
    for project in "$work/windows.edp" "$source_dir/resources/Projects/K310_Sample_Station.edp"; do
        for protocol in devicenet canopen; do
            "$linux_cli" generate --protocol $protocol --project "$project" --output - \
                >"$work/linux.eds" || fail "Linux generate from $project"
            wine_run "$windows_cli" generate --protocol $protocol --project "Z:$project" \
                --output - >"$work/windows.eds" || fail "Windows generate from $project"
            same_bytes "$protocol EDS of $(basename "$project") on both" \
                "$work/linux.eds" "$work/windows.eds"
            "$linux_cli" iomap --protocol $protocol --project "$project" --format tsv \
                >"$work/linux.tsv" || fail "Linux iomap of $project"
            wine_run "$windows_cli" iomap --protocol $protocol --project "Z:$project" \
                --format tsv >"$work/windows.tsv" || fail "Windows iomap of $project"
            same_bytes "$protocol I/O map of $(basename "$project") on both" \
                "$work/linux.tsv" "$work/windows.tsv"
        done
    done
else
    cat "$work/project.log" >&2
    fail "project saved by the Windows build"
fi

# --- Folders named with umlauts ---------------------------------------------------------------
station='C:\Users\Büro\Prüfstand'
mkdir -p "$drive_c/users/Büro/Prüfstand"
rm -f "$drive_c/users/Büro/Prüfstand/"*
wine_run "$windows_cli" generate --protocol canopen --module KD236 --module KA224 \
    --output "$station\\Straße.eds" || fail "generate into $station"
[ -f "$drive_c/users/Büro/Prüfstand/Straße.eds" ] && echo "ok: Straße.eds written" ||
    fail "no Straße.eds on disk"
# Inside the file its name is Latin-1 text, like the rest of it.
printf 'FileName=C:\\Users\\B\xfcro\\Pr\xfcfstand\\Stra\xdfe.eds\r\n' >"$work/expected-name"
grep -a '^FileName=' "$drive_c/users/Büro/Prüfstand/Straße.eds" >"$work/name" || true
same_bytes "FileName= line in Latin-1" "$work/expected-name" "$work/name"
# A name the ANSI code page (1252) cannot hold shows that no ANSI call is on the way.
wine_run "$windows_cli" params set "$station\\Straße.eds" --value '3.1=0..20 mA' \
    --output "$station\\Łódź.eds" || fail "params set into $station"
wine_run "$windows_cli" params show "$station\\Łódź.eds" --format tsv >"$work/params.tsv" ||
    fail "params show"
grep -q $'^3\t1\tParameter KA224 Range Ch1\t0..20 mA' "$work/params.tsv" &&
    echo "ok: params set and show on Łódź.eds" || fail "edited value not in Łódź.eds"
wine_run "$windows_cli" check "$station\\Łódź.eds" >"$work/check.txt" || fail "check Łódź.eds"
grep -q 'Łódź.eds: CANopen EDS, clean' "$work/check.txt" && echo "ok: check names Łódź.eds" ||
    fail "check report: $(cat "$work/check.txt")"
[ -f "$drive_c/users/Büro/Prüfstand/Łódź.eds" ] || fail "no Łódź.eds on disk"

# --- A settings file with drive letters, written by a Windows editor (Latin-1) -----------------
program="$drive_c/Programme/Quillon Büro"
rm -rf "$program"
mkdir -p "$program"
cp -r "$cross/cli/Resources" "$windows_cli" "$program/"
mkdir -p "$program/EDS Dateien"
{
    printf '[Projectpath]\r\nC:\\Programme\\Quillon B\xfcro\\Projekte\\\r\n'
    printf '[Resourcepath]\r\nC:\\Programme\\Quillon B\xfcro\\Resources\\\r\n'
    printf '[EDSFilepath]\r\nC:\\Programme\\Quillon B\xfcro\\EDS Dateien\\\r\n'
    sed -n '/^\[MaxDIDOAIAO\]/,$p' "$cross/cli/Quillon.ini"
} >"$program/Quillon.ini"
wine_run "$program/quillon-cli.exe" check --resources >"$work/resources.txt" 2>&1 &&
    grep -q '36 stations generated and checked from C:\\Programme\\Quillon Büro\\Resources\\' \
        "$work/resources.txt" && echo "ok: settings file with drive letters" ||
    fail "check --resources from C:\\Programme: $(cat "$work/resources.txt")"

if [ "$failures" -ne 0 ]; then
    echo "$failures Windows check(s) failed" >&2
    exit 1
fi
echo "All Windows checks passed"
