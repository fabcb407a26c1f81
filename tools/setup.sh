#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12 (as root), when it is missing.
set -euo pipefail

packages=(cmake make g++ libgtest-dev g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          mingw-w64-tools clang libclang-rt-14-dev wine wine64 xvfb xauth x11-utils imagemagick
          librsvg2-bin fonts-wqy-microhei locales sox fp-utils msitools wixl zip python3
          mobile-broadband-provider-info)
# Where the kernel runs 32-bit code, the shipped 32-bit build is run too: 32-bit Wine beside 64-bit.
if "$(dirname "$0")/runs-32bit.sh" >/dev/null; then
    packages+=(wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
    if [ "$(id -u)" != 0 ]; then
        echo "setup: missing packages: ${missing[*]} (run as root to install them)" >&2
        exit 1
    fi
    echo "setup: installing ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" \
        </dev/null >/tmp/orvane-apt.log 2>&1 || { tail -40 /tmp/orvane-apt.log >&2; exit 1; }
fi

# The program is tested on a Chinese system, and once more on each other system whose language it
# speaks (and its help files are opened on a system of their own language): Wine takes the system
# language from the locale, and falls back to English without one.
for locale in zh_CN zh_TW ja_JP es_ES en_US; do
    if ! locale -a 2>/dev/null | grep -qix "$locale.utf8"; then
        localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
    fi
done
