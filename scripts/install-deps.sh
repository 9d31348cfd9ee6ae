#!/usr/bin/env bash
# Installs what the builds and tests need and the machine lacks (Debian, apt-get as root).
# Usage: install-deps.sh [native|windows|fuzz|screenshot|dist]...   (default: native windows)
set -euo pipefail

want=("$@")
[ ${#want[@]} -gt 0 ] || want=(native windows)

packages=()
need() { # need <command-or-file> <package>...
    local probe=$1
    shift
    if [[ $probe == /* ]]; then [ -e "$probe" ] && return 0; else command -v "$probe" >/dev/null 2>&1 && return 0; fi
    packages+=("$@")
}

for kind in "${want[@]}"; do
    case $kind in
        native)
            need g++ g++
            need cmake cmake
            need ninja ninja-build
            need /usr/include/gtest/gtest.h libgtest-dev
            need /usr/include/benchmark/benchmark.h libbenchmark-dev
            need /usr/include/nlohmann/json.hpp nlohmann-json3-dev # header-only: both builds use it
            need python3 python3 # makes the code-page tables
            ;;
        windows)
            need x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
            need x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64
            need /usr/src/googletest/CMakeLists.txt googletest
            need /usr/include/nlohmann/json.hpp nlohmann-json3-dev
            need python3 python3 # draws the pictures of resources/art
            need wine wine
            need /usr/lib/wine/wine64 wine64
            need /usr/share/wine/fonts fonts-wine
            need Xvfb xvfb
            need xauth xauth
            need flock util-linux
            need makensis nsis # the installer (make dist), which the installer test runs
            need /usr/share/i18n/locales/ja_JP locales # code pages 932 and 1251 under Wine (wine-locale.sh)
            ;;
        fuzz)
            need clang clang
            need /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a libclang-rt-14-dev
            ;;
        dist) # the Debian package (make dist) and its test
            need dpkg-deb dpkg
            need dpkg-shlibdeps dpkg-dev # the package's Depends
            need lintian lintian
            need hardening-check devscripts # the protections of the package's program
            need zsh zsh # the test tries the completions in each shell
            need fish fish
            need man man-db # the test reads the manual page as a user would
            need nroff groff-base
            ;;
        screenshot)
            need xwd x11-apps # dumps the X screen for scripts/screenshot.sh
            ;;
        *) echo "install-deps: unknown kind '$kind'" >&2; exit 2 ;;
    esac
done

[ ${#packages[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages (${packages[*]}); run as root or install them" >&2
    exit 1
fi
echo "install-deps: installing ${packages[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
