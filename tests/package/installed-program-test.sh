#!/usr/bin/env bash
# Builds the Debian package from a finished build, unpacks it into a scratch root, checks what it
# holds, and starts the installed Kavro there without a display: it must reach its main window
# and keep its files in the user's own folder, since the installed bin/ is not the user's to write.
# Usage: installed-program-test.sh BUILD_FOLDER SOURCE_FOLDER
set -euo pipefail
build=$1
source=$2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# Package only: the build folder holds everything already.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/package" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
debs=("$scratch"/package/*.deb)
[ -f "${debs[0]}" ] || fail "no package made"
deb=${debs[0]}
echo "package: $(basename "$deb")"

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libusb-1.0-0 libsqlite3-0 libjpeg62-turbo pxlib1 libmdb3 libcdio19 libblkid1; do
    [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

dpkg-deb -I "$deb" postinst | grep -q "udevadm control --reload-rules" || fail "postinst reloads the udev rules"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
for file in usr/bin/Kavro usr/bin/torvexctl usr/lib/libtorvex.so.5 usr/include/torvex/torvex.h \
    usr/share/kavro/Language/language.eng usr/share/kavro/Language/language.cht \
    usr/share/applications/kavro.desktop usr/share/icons/hicolor/scalable/apps/kavro.svg \
    usr/lib/udev/rules.d/70-kavro-changer.rules usr/share/doc/kavro/copyright; do
    [ -e "$root/$file" ] || fail "package lacks /$file"
done
grep -q '^Exec=Kavro$' "$root/usr/share/applications/kavro.desktop" || fail "desktop entry runs Kavro"

# The installed programs find the installed library, not the build's.
for program in Kavro torvexctl; do
    found=$(ldd "$root/usr/bin/$program" | awk '/libtorvex/ {print $3}')
    [ "$(readlink -f "$found")" = "$(readlink -f "$root/usr/lib/libtorvex.so.5")" ] ||
        fail "$program loads libtorvex from '$found'"
done

# The shipped program obeys no test switch; the names of the switches are not even in it.
for switch in KAVRO_TEST_BOXES KAVRO_TEST_CLOSE_AFTER_MS KAVRO_REGISTRY_ROOT; do
    ! grep -q "$switch" "$root/usr/bin/Kavro" || fail "the installed Kavro reads $switch"
done
# The runs below use the tests' build of the same program, which takes those switches, in the
# installed program's place (it finds the installed library through ../lib as Kavro does).
[ -x "$build/tests/KavroWithSeams" ] || fail "KavroWithSeams is not built"
install -m 755 "$build/tests/KavroWithSeams" "$root/usr/bin/Kavro"

cp "$source/torvex/sim/demo-cabinets.sim" "$scratch/cabinets.sim"
"$root/usr/bin/torvexctl" --simulate "$scratch/cabinets.sim" list >"$scratch/list.txt" ||
    fail "installed torvexctl: $(cat "$scratch/list.txt")"
grep -qi "0x0A0B0C" "$scratch/list.txt" || fail "installed torvexctl lists the cabinets: $(cat "$scratch/list.txt")"

# Root may write anywhere, so as root the program runs as nobody to meet a bin/ it cannot
# write to; any other user simply has that folder made read-only.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
else
    chmod a-w "$root/usr/bin"
fi
chmod 755 "$scratch"

# Runs the installed program until its main window has been shown and closed; $1 is the folder
# it is expected to use, the rest are extra environment settings.
run_installed() {
    local expected=$1
    shift
    local home=$scratch/home runtime=$scratch/runtime
    mkdir -p "$home" "$runtime"
    chmod 700 "$runtime"
    rm -f "$scratch/boxes.txt"
    touch "$scratch/boxes.txt"
    if [ ${#as_user[@]} -gt 0 ]; then
        chown -R nobody:nogroup "$home" "$runtime" "$scratch/boxes.txt"
        chown nobody:nogroup "$scratch"
    fi
    local status=0
    "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$runtime" "$@" \
        QT_QPA_PLATFORM=offscreen KAVRO_REGISTRY_ROOT="$scratch/registry" \
        TORVEX_SIMULATOR="$scratch/cabinets.sim" KAVRO_TEST_BOXES="$scratch/boxes.txt" \
        KAVRO_TEST_CLOSE_AFTER_MS=300 ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} \
        ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"} ${UBSAN_OPTIONS:+UBSAN_OPTIONS="$UBSAN_OPTIONS"} \
        timeout 120 "$root/usr/bin/Kavro" >"$scratch/kavro.log" 2>&1 || status=$?
    [ $status -eq 0 ] || { cat "$scratch/kavro.log"; fail "Kavro ended with status $status"; }
    grep -q "^shown	MainForm" "$scratch/boxes.txt" ||
        { cat "$scratch/kavro.log" "$scratch/boxes.txt"; fail "Kavro did not reach its main window"; }
    for folder in Data Backup Language Preview; do
        [ -d "$expected/$folder" ] || fail "no $folder in $expected"
    done
    cmp -s "$expected/Language/language.eng" "$root/usr/share/kavro/Language/language.eng" ||
        fail "language.eng not copied into $expected/Language"
    [ -f "$expected/Data/Kavro.ini" ] || fail "settings not saved in $expected/Data"
    echo "ok: main window shown, program folder $expected"
}

run_installed "$scratch/home/.local/share/kavro"
run_installed "$scratch/xdg/kavro" XDG_DATA_HOME="$scratch/xdg"

# Root may write to bin/, yet an installed layout is never the program folder.
if [ "$(id -u)" -eq 0 ]; then
    as_user=()
    chmod u+w "$root/usr/bin"
    run_installed "$scratch/rootxdg/kavro" XDG_DATA_HOME="$scratch/rootxdg"
fi

# Nothing was written beside the installed program.
leftovers=$(find "$root/usr/bin" -mindepth 1 ! -name Kavro ! -name torvexctl ! -name kavro-cabinet)
[ -z "$leftovers" ] || fail "files written beside the program: $leftovers"
echo "installed package works"
