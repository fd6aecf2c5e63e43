#!/usr/bin/env bash
# Installs what building and testing Tessera needs on Debian 12 (run as root).
# libgcc-s1:i386: Wine's 32-bit threads load it when they end.
# Does nothing but check when everything is present already.
set -euo pipefail

packages=(cmake make g++ python3 googletest libgtest-dev libbenchmark-dev
          g++-mingw-w64-i686 wine wine32:i386 libgcc-s1:i386 locales nkf time clang clang-format
          xvfb imagemagick x11-apps fonts-ipafont-gothic fonts-wine
          man-db groff-base zip unzip ccache openssl gettext)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if [ "$(id -u)" != 0 ]; then echo "setup: run as root to install packages" >&2; exit 1; fi
    if ! dpkg --print-foreign-architectures | grep -qx i386; then dpkg --add-architecture i386; fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine runs with ANSI code page 932 under this locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "setup: generating ja_JP.UTF-8"
    localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
