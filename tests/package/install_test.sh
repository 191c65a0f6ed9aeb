#!/usr/bin/env bash
# Builds the Debian package of a build tree, checks it as Debian's archive would (lintian),
# unpacks it into a scratch root as dpkg installs it, and uses the installed programs from
# there as a user would on a fresh machine.
# Usage: install_test.sh BUILD_DIR CPACK VERSION      (exit 77: skipped, a tool is missing)
set -euo pipefail
build=$1
cpack=$2
version=$3

for tool in dpkg-deb dpkg-shlibdeps lintian appstreamcli desktop-file-validate; do
    command -v "$tool" > /dev/null ||
        { echo "skipped: $tool is not installed (scripts/lib/packages.sh test_packages)"; exit 77; }
done

scratch=$(mktemp -d /tmp/zvr-package-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" > "$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$scratch"/out/*.deb)
echo "package: $(basename "$deb")"
[[ $(basename "$deb") == zvr_"${version}"-1_*.deb ]] || fail "the package's file name"

# Debian's own checks: no error and no warning. The tags are printed either way.
echo "lintian $(lintian --version | grep -o '[0-9][0-9.]*' | head -1):"
lintian --tag-display-limit 0 --fail-on error,warning "$deb" > "$scratch/lintian.log" 2>&1 ||
    { cat "$scratch/lintian.log"; fail "lintian found errors or warnings"; }
cat "$scratch/lintian.log"

dpkg-deb -x "$deb" "$scratch/root"
usr=$scratch/root/usr

depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
[[ $depends == *libstdc++6* ]] || fail "the package does not declare the C++ library"

for file in bin/zvr-cli bin/zvr-sim share/man/man1/zvr-cli.1.gz share/man/man1/zvr-sim.1.gz \
            share/bash-completion/completions/zvr-cli share/zvr/strategies/ZVX41R03.000 \
            share/zvr/strategies/DEMO740.000 share/doc/zvr/copyright \
            share/doc/zvr/changelog.Debian.gz share/doc/zvr/README.md \
            share/doc/zvr/examples/60-zvr-serial.rules; do
    [[ -e $usr/$file ]] || fail "the package has no $file"
done
# The udev rule is an example an administrator puts in place, never a rule in force.
[[ -z $(find "$scratch/root" -path '*udev/rules.d*' -print -quit) ]] ||
    fail "the package installs a udev rule"
grep -q 'ENV{ID_MM_DEVICE_IGNORE}="1"' "$usr/share/doc/zvr/examples/60-zvr-serial.rules" ||
    fail "the example rule does not keep ModemManager off the adapter"

# The width and height a PNG file states in its header.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3*256+$4 "x" $7*256+$8}'; }
if [[ -e $usr/bin/zvr ]]; then
    [[ $depends == *libqt6widgets6* ]] || fail "the package does not declare Qt Widgets"
    for file in share/applications/zvr.desktop share/metainfo/invalid.telq.zvr.metainfo.xml \
                share/man/man1/zvr.1.gz share/zvr/help/index.html; do
        [[ -e $usr/$file ]] || fail "the package has no $file"
    done
    grep -qx 'Exec=zvr' "$usr/share/applications/zvr.desktop" || fail "the desktop entry does not start zvr"
    desktop-file-validate "$usr/share/applications/zvr.desktop" || fail "the desktop entry is not valid"
    appstreamcli validate --no-net "$usr/share/metainfo/invalid.telq.zvr.metainfo.xml" ||
        fail "the AppStream metainfo is not valid"
    # The icon in each size the theme looks for, each picture as large as its folder says.
    for size in 16 22 24 32 48 64 128 256; do
        icon=$usr/share/icons/hicolor/${size}x${size}/apps/zvr.png
        [[ -e $icon ]] || fail "the package has no ${size}x${size} icon"
        [[ $(png_size "$icon") == "${size}x${size}" ]] || fail "the ${size}x${size} icon is $(png_size "$icon")"
    done
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
"$usr/bin/zvr-cli" save demo.ZVR --port DEMO740 > /dev/null || fail "zvr-cli save from the installed demo"
"$usr/bin/zvr-cli" convert-strategy demo.ZVR ZVX41R03.000 converted.ZVR --skip-missing > /dev/null 2>&1 ||
    fail "zvr-cli convert-strategy with an installed target strategy"
rm demo.ZVR converted.ZVR
[[ $("$usr/bin/zvr-sim" --version) == "zvr-sim $version" ]] || fail "the installed zvr-sim --version"

# Each man page names every option its program's help lists; zvr-cli's every option of each
# of its commands too. The pages are read unpacked (a grep that stops at its first match
# would break zcat's pipe).
mkdir "$scratch/man"
for page in zvr zvr-cli zvr-sim; do
    [[ -e $usr/share/man/man1/$page.1.gz ]] && zcat "$usr/share/man/man1/$page.1.gz" > "$scratch/man/$page.1"
done
options_of() { grep -o -- '--[a-z][a-z-]*' | sort -u || true; }
page_names() {
    local page=$1 option
    while read -r option; do
        grep -qF -- "${option//-/\\-}" "$page" || fail "$(basename "$page") does not name $option"
    done
}
for program in zvr zvr-cli zvr-sim; do
    [[ -x $usr/bin/$program ]] || continue
    env -u DISPLAY "$usr/bin/$program" --help | options_of | page_names "$scratch/man/$program.1"
done
# A command's part of COMMANDS in zvr-cli.1: from its heading (the line after a .TP outside
# an option list) to the next command's.
command_section() {
    awk -v command="$1" '
        /^\.SH/ { in_commands = /^\.SH COMMANDS/; shown = 0; next }
        !in_commands { next }
        /^\.RS/ { depth++ }
        /^\.RE/ { depth-- }
        depth == 0 && previous == ".TP" { name = $2; gsub(/["\\]/, "", name); shown = name == command }
        { previous = $0 }
        shown { print }' "$scratch/man/zvr-cli.1"
}
commands=$("$usr/bin/zvr-cli" --help | sed -n '/^commands:/,/^$/{/^  [a-z]/{s/^  \([a-z-]*\).*/\1/;p}}')
[[ -n $commands ]] || fail "zvr-cli --help lists no commands"
for command in $commands; do
    command_section "$command" > "$scratch/man/$command.section"
    [[ -s $scratch/man/$command.section ]] || fail "zvr-cli.1 does not describe the command $command"
    # --port and --strategy-dir are described once for every controller command.
    "$usr/bin/zvr-cli" "$command" --help | options_of |
        { grep -vx -- '--port\|--strategy-dir\|--help' || true; } | page_names "$scratch/man/$command.section"
done
for page in "$scratch"/man/*.1; do
    grep -q '^\.SH EXIT STATUS' "$page" || fail "$(basename "$page") has no EXIT STATUS"
done
grep -q '^\.SH ENVIRONMENT' "$scratch/man/zvr-cli.1" || fail "zvr-cli.1 has no ENVIRONMENT"
[[ -z $(ls -A "$scratch/work") ]] || fail "the programs left files in the current folder: $(ls -A)"
echo "the package installs and runs"
