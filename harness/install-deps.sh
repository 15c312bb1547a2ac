#!/bin/bash
# Installs what building, testing and the demo need on Debian 12, run as root.
# Only Debian packages are fetched; when everything is there it does nothing slow.
set -euo pipefail

packages=(cmake make g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    wine wine32:i386 wine64 g++-mingw-w64-x86-64-posix xvfb xauth googletest locales xorriso
    osslsigncode openssl libengine-pkcs11-openssl
    g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
    fonts-wqy-microhei
    python3 nsis wixl chromium
    clang libclang-rt-14-dev
    debootstrap)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    missing=("${packages[@]}")
else
    for p in "${packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q "${missing[@]}"
fi

# Wine takes the system language from the Linux locale, so both must exist.
want_locales=("zh_CN.UTF-8 UTF-8" "en_US.UTF-8 UTF-8")
have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z')
regen=0
for l in "${want_locales[@]}"; do
    name=${l%% *}
    short=$(echo "${name/UTF-8/utf8}" | tr 'A-Z' 'a-z')
    if ! grep -qx "$short" <<<"$have"; then
        grep -qx "$l" /etc/locale.gen 2>/dev/null || echo "$l" >>/etc/locale.gen
        regen=1
    fi
done
if [ $regen -eq 1 ]; then
    locale-gen >/dev/null
fi

# Where this kernel cannot run 32-bit programs, the 32-bit setup.exe that ships runs under
# the Wine of a Debian 13 root, through qemu-i386 (harness/wow64); it is made once for the
# whole machine and shared by every clone. With --no-wow64-root the caller makes it itself,
# beside its builds (wine_start_root in harness/wine-env.sh).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ "${1:-}" != --no-wow64-root ] && ! wine_can_run_win32; then
    bash "$(dirname "${BASH_SOURCE[0]}")/wow64/make-root.sh"
fi
