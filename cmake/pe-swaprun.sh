#!/bin/bash
# Marks a PE file IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP and writes its checksum, as MSVC's
# /SWAPRUN:CD with /RELEASE does; GNU ld has no switch for either.
#   bash cmake/pe-swaprun.sh FILE
# setup.exe ejects the CD-ROM it was started from and then goes on running: with the flag,
# Windows copies the whole image to the page file first, so no page of it is ever read
# from a drive that is gone.
set -euo pipefail
file=$1

u16() { od -An -tu2 -j "$1" -N2 --endian=little "$file" | tr -d ' '; }
u32() { od -An -tu4 -j "$1" -N4 --endian=little "$file" | tr -d ' '; }
# Writes value as count little-endian bytes at offset.
put() {
    local offset=$1 value=$2 count=$3 bytes="" i
    for ((i = 0; i < count; i++)); do
        bytes+=$(printf '\\x%02x' $((value & 0xFF)))
        value=$((value >> 8))
    done
    printf "$bytes" | dd of="$file" bs=1 seek="$offset" conv=notrunc status=none
}

size=$(stat -c %s "$file")
[ "$size" -gt 64 ] && [ "$(od -An -c -N2 "$file" | tr -d ' ')" = MZ ] ||
    { echo "pe-swaprun: $file is not an executable" >&2; exit 1; }
pe=$(u32 60)
[ $((pe + 96)) -lt "$size" ] && [ "$(od -An -tx1 -j "$pe" -N4 "$file" | tr -d ' ')" = 50450000 ] ||
    { echo "pe-swaprun: $file has no PE header" >&2; exit 1; }

characteristics_at=$((pe + 22))
checksum_at=$((pe + 24 + 64)) # the same place in PE32 and PE32+ optional headers
put "$characteristics_at" $(($(u16 "$characteristics_at") | 0x0400)) 2
put "$checksum_at" 0 4

# The checksum: the file's 16-bit words summed with the carries folded back in (the
# checksum field itself counting as zero), plus the file's length.
folded=$(od -An -v -tu2 -w2 --endian=little "$file" | awk '
    { sum += $1 }
    END { while (sum > 65535) sum = (sum % 65536) + int(sum / 65536); printf "%d", sum }')
put "$checksum_at" $((folded + size)) 4
