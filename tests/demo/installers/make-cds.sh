#!/bin/bash
# Builds the card maker's installers of this folder (makensis, wixl) and lays out one CD
# folder per case under DESTDIR, for runs of setup.exe such as
#   bash demo/demo.sh --lang en --cd DESTDIR/v1
#
#   bash tests/demo/installers/make-cds.sh DESTDIR [SETUPEXE]
#
# SETUPEXE: the setup.exe put on every CD (default: build/release/bin/setup.exe; when that
# is not built the CDs have none, and demo.sh --our-setup runs ours).
#
# The CDs:
#   v1           AppVersion 1.0.0
#   v2           2.0.0; over v1, the installer runs twice: removal, then installation
#   v2-inplace   2.0.0 built with INPLACE: installs over v1 in one run
#   v2-quick     2.0.0 built with QUICK_UNINSTALL: does not wait for v1's uninstaller
#   drv3010      v1, with a driver installer that ends with 3010
#   msi          1.0.0 as an MSI package that AppSetupCmd names itself (Windows cannot
#                start it: setupcheck objects, demo.sh needs --anyway)
#   msi-wrapped  the same package, run by msi-setup.cmd
#   utf8         v1 with setup.ini saved as UTF-8 with LF line ends
#   wizard       v1 whose installer shows a wizard, started without /S: it waits
# Built installers are kept in DESTDIR/.build and built again only when a source is
# newer; files on the CDs are written only when they change.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
self=$here/$(basename "${BASH_SOURCE[0]}")
chinese_title=诺文连接安装程序

die() {
    echo "make-cds: $*" >&2
    exit 1
}

usage() {
    sed -n '6p' "$self" | sed 's/^# *//' >&2
    exit 2
}

need_tools() {
    local tool
    for tool in makensis wixl iconv; do
        command -v "$tool" >/dev/null ||
            die "$tool is missing (apt-get install -y nsis wixl)"
    done
}

# True when OUT is missing or older than one of the sources (or than this script).
stale() {
    local out=$1 src
    shift
    [ -f "$out" ] || return 0
    for src in "$@" "$self"; do
        [ "$src" -nt "$out" ] && return 0
    done
    return 1
}

# build_nsis SCRIPT OUT [DEFINES...]: OUT appears only when makensis succeeded without a
# warning.
build_nsis() {
    local script=$1 out=$2
    shift 2
    stale "$out" "$here/$script" ${connect_exe:+"$connect_exe"} || return 0
    echo "make-cds: makensis $script${*:+ $*} -> ${out##*/}"
    makensis -V2 -NOCD "$@" "-DOUTFILE=$out.tmp" "$here/$script" >"$out.log" 2>&1 ||
        { cat "$out.log" >&2; die "makensis $script failed"; }
    # Warnings are errors here: a card maker's build should have none.
    [ ! -s "$out.log" ] || { cat "$out.log" >&2; die "makensis $script warned"; }
    rm -f "$out.log"
    mv "$out.tmp" "$out"
}

# The program of each version, then its installers: connect_exe is the program that
# build_nsis puts into an installer and counts among its sources.
build_installers() {
    local version
    connect_exe=
    for version in 1.0.0 2.0.0; do
        build_nsis connect.nsi "$build/NorvaneConnect-$version.exe" "-DVERSION=$version"
    done
    build_nsis driver.nsi "$build/drvsetup-0.exe" -DEXITCODE=0
    build_nsis driver.nsi "$build/drvsetup-3010.exe" -DEXITCODE=3010
    connect_exe=$build/NorvaneConnect-1.0.0.exe
    build_nsis app.nsi "$build/appsetup-1.0.0.exe" -DVERSION=1.0.0 "-DCONNECT_EXE=$connect_exe"
    build_msi 1.0.0
    build_nsis app.nsi "$build/appsetup-1.0.0-wizard.exe" -DVERSION=1.0.0 -DWIZARD \
        "-DCONNECT_EXE=$connect_exe"
    connect_exe=$build/NorvaneConnect-2.0.0.exe
    build_nsis app.nsi "$build/appsetup-2.0.0.exe" -DVERSION=2.0.0 "-DCONNECT_EXE=$connect_exe"
    build_nsis app.nsi "$build/appsetup-2.0.0-inplace.exe" -DVERSION=2.0.0 -DINPLACE \
        "-DCONNECT_EXE=$connect_exe"
    build_nsis app.nsi "$build/appsetup-2.0.0-quick.exe" -DVERSION=2.0.0 -DQUICK_UNINSTALL \
        "-DCONNECT_EXE=$connect_exe"
}

# build_msi VERSION: the MSI package of $connect_exe. wixl takes a file's Source relative
# to the current folder only: it runs in $build.
build_msi() {
    local out=$build/NorvaneConnect.msi
    stale "$out" "$here/app.wxs" "$connect_exe" || return 0
    echo "make-cds: wixl app.wxs -D VERSION=$1 -> ${out##*/}"
    (cd "$build" && wixl -D "VERSION=$1" -D "CONNECT_EXE=${connect_exe##*/}" \
        -o NorvaneConnect.msi.tmp "$here/app.wxs") >"$out.log" 2>&1 ||
        { cat "$out.log" >&2; die "wixl app.wxs failed"; }
    rm -f "$out.log"
    mv "$out.tmp" "$out"
}

# put SRC DEST: copies SRC to DEST unless DEST holds the same bytes already.
put() {
    mkdir -p "$(dirname "$2")"
    cmp -s "$1" "$2" || cp "$1" "$2"
}

# setup_ini NOTE VERSION APP_SETUP_CMD: a setup.ini's text, LF line ends, UTF-8.
setup_ini() {
    cat <<EOF
; setup.ini of a test CD of tests/demo/installers: $1
[SETUP]
EnglishTitle=Norvane Connect Setup
ChineseTitle=$chinese_title
ProductName=Norvane Connect
Preinstall=
InstallApp=1
AutoRunApp=1

[Driver]
DriverSourcePath=driver
DriverDestPath=NorvaneDriver
DriverSetupCmd=drvsetup.exe /S

[APP]
AppType=1
AppVersion=$2
AppDestPath=NorvaneApp
AppSourcePath=app
AppSetupCmd=$3
AppRegKeyPath=SOFTWARE\\Norvane\\Connect
AppRegKeyVersion=Version
EOF
}

# As setup.exe reads it: GBK bytes, CRLF line ends.
to_cd_text() {
    iconv -f UTF-8 -t GBK | sed 's/\r*$/\r/'
}

# make_cd NAME NOTE VERSION DRIVER APP_SETUP_CMD FILE[:NAME_ON_CD]...: the CD NAME, its
# app folder holding the FILEs of $build. ini_form=utf8 writes setup.ini as UTF-8 with LF.
make_cd() {
    local note=$2 version=$3 driver=$4 command=$5 cd=$dest/$1 file
    shift 5
    mkdir -p "$cd"
    if [ "${ini_form:-}" = utf8 ]; then
        setup_ini "$note" "$version" "$command" >"$build/setup.ini"
    else
        setup_ini "$note" "$version" "$command" | to_cd_text >"$build/setup.ini"
    fi
    put "$build/setup.ini" "$cd/setup.ini"
    put "$build/autorun.inf" "$cd/autorun.inf"
    put "$build/$driver" "$cd/driver/drvsetup.exe"
    for file in "$@"; do
        put "$build/${file%%:*}" "$cd/app/${file#*:}"
    done
    [ -z "$setup_exe" ] || put "$setup_exe" "$cd/setup.exe"
    echo "make-cds: $cd"
}

make_cds() {
    sed 's/\r*$/\r/' "$here/msi-setup.cmd" >"$build/msi-setup.cmd"
    printf '[autorun]\r\nopen=setup.exe\r\nicon=setup.exe,0\r\n' >"$build/autorun.inf"
    local app="appsetup.exe /S"
    make_cd v1 "version 1.0.0" 1.0.0 drvsetup-0.exe "$app" appsetup-1.0.0.exe:appsetup.exe
    make_cd v2 "version 2.0.0; over 1.0.0 the installer runs twice" 2.0.0 drvsetup-0.exe \
        "$app" appsetup-2.0.0.exe:appsetup.exe
    make_cd v2-inplace "version 2.0.0, installed over 1.0.0 in one run" 2.0.0 drvsetup-0.exe \
        "$app" appsetup-2.0.0-inplace.exe:appsetup.exe
    make_cd v2-quick "version 2.0.0, not waiting for the uninstaller of 1.0.0" 2.0.0 \
        drvsetup-0.exe "$app" appsetup-2.0.0-quick.exe:appsetup.exe
    make_cd drv3010 "version 1.0.0, the driver installer ends with 3010" 1.0.0 \
        drvsetup-3010.exe "$app" appsetup-1.0.0.exe:appsetup.exe
    make_cd msi "an MSI package named as the command, which Windows cannot start" 1.0.0 \
        drvsetup-0.exe NorvaneConnect.msi NorvaneConnect.msi
    make_cd msi-wrapped "an MSI package run by msi-setup.cmd" 1.0.0 drvsetup-0.exe \
        msi-setup.cmd NorvaneConnect.msi msi-setup.cmd
    make_cd wizard "version 1.0.0, a wizard started without /S" 1.0.0 drvsetup-0.exe \
        appsetup.exe appsetup-1.0.0-wizard.exe:appsetup.exe
    ini_form=utf8 make_cd utf8 "version 1.0.0, saved as UTF-8 with LF line ends" 1.0.0 \
        drvsetup-0.exe "$app" appsetup-1.0.0.exe:appsetup.exe
}

choose_setup_exe() {
    local default=$here/../../../build/release/bin/setup.exe
    if [ -n "${1:-}" ]; then
        [ -f "$1" ] || die "no setup.exe at $1"
        setup_exe=$(realpath "$1")
    elif [ -f "$default" ]; then
        setup_exe=$(realpath "$default")
    else
        setup_exe=
        echo "make-cds: $default is not built: the CDs have no setup.exe (demo.sh --our-setup)"
    fi
}

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    usage
fi
need_tools
choose_setup_exe "${2:-}"
mkdir -p "$1" || die "cannot make $1"
dest=$(realpath "$1")
build=$dest/.build
mkdir -p "$build"
build_installers
make_cds
