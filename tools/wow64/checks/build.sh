#!/bin/bash
# Builds the check programs with the host's mingw-w64 into $1 (default
# /tmp/wow64-try/bin): NAME32.exe for i686, NAME64.exe for x86_64.
set -euo pipefail
src=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-/tmp/wow64-try/bin}
mkdir -p "$out"
for bits in 32 64; do
    if [ $bits = 32 ]; then cc=i686-w64-mingw32-gcc-win32 rc=i686-w64-mingw32-windres
    else cc=x86_64-w64-mingw32-gcc-win32 rc=x86_64-w64-mingw32-windres; fi
    flags=(-O2 -Wall -Wextra -Wno-missing-field-initializers -Werror -static)
    for name in hello lang reg spawn debuggee dbgloop; do
        $cc "${flags[@]}" -o "$out/$name$bits.exe" "$src/$name.c"
    done
    (cd "$src" && $rc -O coff -o "$out/gui$bits.res" gui.rc)
    $cc "${flags[@]}" -mwindows -o "$out/gui$bits.exe" "$src/gui.c" "$out/gui$bits.res" -lcomctl32
    rm -f "$out/gui$bits.res"
done
# A 32-bit EXE without relocations, which only loads at its preferred 0x400000.
i686-w64-mingw32-gcc-win32 -O2 -static -Wl,--disable-dynamicbase,--disable-reloc-section \
    -o "$out/noreloc32.exe" "$src/hello.c"
