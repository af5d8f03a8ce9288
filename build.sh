#!/usr/bin/env bash
# Sets up, builds and starts the editor, or runs every test.
#   ./build.sh run    install what is missing, build, start the editor
#   ./build.sh test   install what is missing, build, run every test
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=${ZEZU_BUILD_DIR:-$here/build}

# What building and running the editor needs (help2man writes the manual page
# of zezu-convert; without it the build skips the page).
packages=(
    cmake ninja-build g++ pkg-config help2man
    qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libgl-dev
    fonts-liberation fonts-dejavu-core
)
# What the tests need besides: references, validators, the package builder,
# libFuzzer's clang, the benchmarks' library so that they keep building,
# Russian prose that format detection must not take for UTF-8, and a virtual
# display with a session bus for the screen reader's view of the windows.
test_packages=(
    python3 libbenchmark-dev fortunes-ru
    desktop-file-utils appstream dpkg-dev file
    clang libclang-rt-14-dev
    xvfb xauth dbus at-spi2-core python3-pyatspi
)

say() { printf '%s\n' "$*" >&2; }

install_missing() {
    local wanted=("$@")
    if ! command -v dpkg-query >/dev/null 2>&1; then
        say "This is not a Debian-like system: install CMake 3.25+, Ninja, a C++20 compiler,"
        say "Qt 6.4+ (Core, Gui, Widgets, Test), Python 3 and Google Benchmark, then run again."
        return 0
    fi
    local missing=() p
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            say "Missing Debian packages: ${missing[*]}"
            say "Install them as root: apt-get install ${missing[*]}"
            exit 1
        fi
    fi
    say "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
        --no-install-recommends "${missing[@]}" >&2
}

build() {
    cmake -G Ninja -S "$here" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZEZU_WERROR=ON "$@" >/dev/null
    cmake --build "$build_dir"
}

# The whole tree again, built with clang (so that a warning only clang gives
# cannot land) and with AddressSanitizer and UndefinedBehaviorSanitizer, in a
# folder of its own; the suite runs there too, and any report, a leak
# included, fails the run.
sanitized_tests() {
    local dir=$here/build-asan
    CC=clang CXX=clang++ cmake -G Ninja -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZEZU_WERROR=ON -DZEZU_SANITIZE=ON -DZEZU_BUILD_BENCH=ON >/dev/null
    cmake --build "$dir"
    (cd "$dir" && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
        LSAN_OPTIONS=suppressions=$here/tests/lsan.supp:print_suppressions=0 \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --output-on-failure --timeout 600)
}

# Each libFuzzer target for a bounded run, built with clang in a folder of its own.
fuzz_tests() {
    local dir=$here/build-fuzz
    CC=clang CXX=clang++ cmake -G Ninja -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZEZU_WERROR=ON -DZEZU_BUILD_FUZZ=ON -DZEZU_BUILD_TESTS=OFF -DZEZU_BUILD_BENCH=OFF \
        >/dev/null
    cmake --build "$dir" --target zezu_fuzz
    (cd "$dir" && ctest --output-on-failure --timeout 300)
}

case "${1:-}" in
    run)
        install_missing "${packages[@]}"
        build -DZEZU_BUILD_TESTS=OFF -DZEZU_BUILD_BENCH=OFF
        exec "$build_dir/src/ZEZU.vexlo"
        ;;
    test)
        install_missing "${packages[@]}" "${test_packages[@]}"
        build -DZEZU_BUILD_TESTS=ON -DZEZU_BUILD_BENCH=ON
        cd "$build_dir"
        QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300
        sanitized_tests
        fuzz_tests
        ;;
    *)
        say "usage: $0 run|test"
        exit 2
        ;;
esac
