#!/usr/bin/env bash
# Builds the Debian package of a build tree, unpacks it into a scratch root as dpkg installs
# it, and uses the installed programs from there as a user would on a fresh machine.
# Usage: install_test.sh BUILD_DIR CPACK VERSION      (exit 77: skipped, dpkg is missing)
set -euo pipefail
build=$1
cpack=$2
version=$3

for tool in dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed (dpkg-dev)"; exit 77; }
done

scratch=$(mktemp -d /tmp/zvr-package-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" > "$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$scratch"/out/*.deb)
echo "package: $(basename "$deb")"
dpkg-deb -x "$deb" "$scratch/root"
usr=$scratch/root/usr

depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
[[ $depends == *libstdc++6* ]] || fail "the package does not declare the C++ library"

for file in bin/zvr-cli bin/zvr-sim share/man/man1/zvr-cli.1 share/man/man1/zvr-sim.1 \
            share/bash-completion/completions/zvr-cli share/zvr/strategies/ZVX41R03.000 \
            share/zvr/strategies/DEMO740.000; do
    [[ -e $usr/$file ]] || fail "the package has no $file"
done
if [[ -e $usr/bin/zvr ]]; then
    [[ $depends == *libqt6widgets6* ]] || fail "the package does not declare Qt Widgets"
    for file in share/applications/zvr.desktop share/icons/hicolor/256x256/apps/zvr.png \
                share/man/man1/zvr.1 share/zvr/help/index.html; do
        [[ -e $usr/$file ]] || fail "the package has no $file"
    done
    grep -qx 'Exec=zvr' "$usr/share/applications/zvr.desktop" || fail "the desktop entry does not start zvr"
    [[ $(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/zvr" --version) == "zvr $version" ]] ||
        fail "the installed zvr --version"
fi

# From a folder of its own with a fresh home: nothing of the build tree is in reach.
mkdir "$scratch/work" "$scratch/home"
cd "$scratch/work"
export HOME=$scratch/home XDG_STATE_HOME=$scratch/home/state
unset ZVR_DATA_DIR
[[ $("$usr/bin/zvr-cli" --version) == "zvr-cli $version" ]] || fail "the installed zvr-cli --version"
"$usr/bin/zvr-cli" check "$usr/share/zvr/strategies/ZVX41R03.000" || fail "zvr-cli check on an installed strategy"
# The installed program finds the shipped strategies beside itself.
"$usr/bin/zvr-cli" identify --port DEMO740 || fail "zvr-cli identify on the installed demo strategy"
[[ $("$usr/bin/zvr-sim" --version) == "zvr-sim $version" ]] || fail "the installed zvr-sim --version"
# Each man page names every option its program's --help lists.
for program in zvr zvr-cli zvr-sim; do
    [[ -x $usr/bin/$program ]] || continue
    page=$usr/share/man/man1/$program.1
    for option in $(env -u DISPLAY "$usr/bin/$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        grep -qF -- "${option//-/\\-}" "$page" || fail "the man page of $program does not name $option"
    done
done
[[ -z $(ls -A "$scratch/work") ]] || fail "the programs left files in the current folder: $(ls -A)"
echo "the package installs and runs"
