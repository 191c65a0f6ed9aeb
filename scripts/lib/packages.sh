# The Debian packages each README command needs, in one place: scripts/run-zvr installs
# run_packages, scripts/run-all-tests installs test_packages (which hold run_packages).
# A package missing here is missing on every fresh machine, so CI installs nothing else.
# Usage: source scripts/lib/packages.sh; ensure_packages "${run_packages[@]}"

# Building the program (Qt 6 Widgets, nlohmann-json, libudev for the port list; lld links
# faster than the default linker) and showing it without a display (xvfb-run, a font).
run_packages=(
    build-essential cmake ninja-build ccache pkg-config lld
    libudev-dev nlohmann-json3-dev qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-dejavu-core xvfb xauth
)

# The three test builds and their suites: GoogleTest and Google Benchmark; clang and its
# sanitizer runtime for the fuzz targets; poppler-utils turns the printed Parameter Plot into
# a picture; dpkg-dev builds the Debian package a test installs; locales for the German
# locale a report test runs under; clang-format checks every source's layout; lintian
# checks that package as Debian's archive would, appstream validates its AppStream metainfo
# and desktop-file-utils its desktop entry.
test_packages=(
    "${run_packages[@]}"
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    clang libclang-rt-14-dev
    poppler-utils dpkg-dev locales clang-format
    lintian appstream desktop-file-utils
)

# Installs those of the named packages that are missing, waiting for a busy package manager.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q 'ok installed' ||
            missing+=("$package")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0
    echo "Installing ${missing[*]}"
    source "$(dirname "${BASH_SOURCE[0]}")/apt.sh"
    apt_get update -qq
    apt_get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
}

# Generates a locale (for example de_DE.UTF-8) unless the machine has it already.
ensure_locale() {
    local name=$1 sudo_cmd=()
    local short=${name/UTF-8/utf8}
    locale -a 2> /dev/null | grep -qix "$short" && return 0
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    echo "Generating the $name locale"
    "${sudo_cmd[@]}" sed -i "s/^# *$name UTF-8/$name UTF-8/" /etc/locale.gen
    grep -q "^$name UTF-8" /etc/locale.gen ||
        echo "$name UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen > /dev/null
    "${sudo_cmd[@]}" locale-gen > /dev/null
    locale -a 2> /dev/null | grep -qix "$short" || { echo "the $name locale could not be made" >&2; return 1; }
}
