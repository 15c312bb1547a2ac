# Staging a CD for the demo (sourced by demo/demo.sh, whose settings it reads): the CD
# folder that becomes drive R:, the Wine prefix it runs in, and the drive itself.

# Sets cd_dir to the folder that becomes R: (the demo's CD, the card maker's folder, the
# files of their image, or their CD with our setup.exe) and their_cd to the folder their
# files come from.
stage_cd() {
    if [ -n "$iso" ]; then
        # The primary volume descriptor of ISO 9660 starts in sector 16 with "CD001".
        [ "$(dd if="$iso" bs=1 skip=32769 count=5 2>/dev/null)" = CD001 ] ||
            { echo "demo: $iso is no ISO 9660 image"; return 1; }
        cd_dir="$runs/iso-files"
        rm -rf "$cd_dir"
        mkdir -p "$cd_dir"
        # The names Windows reads: Joliet's, not Rock Ridge's.
        xorriso -read_fs norock -osirrox on -indev "$iso" -extract / "$cd_dir" >/dev/null 2>&1 ||
            { echo "demo: cannot read the files of $iso"; return 1; }
        chmod -R u+rwX "$cd_dir"
    elif [ $own_cd -eq 0 ]; then
        cd_dir="$build/demo-cd"
    fi
    their_cd=$cd_dir
    if [ $our_setup -eq 1 ]; then
        # Their CD with our setup.exe: links to everything else, so nothing is copied.
        local stage="$runs/our-setup-cd" entry
        rm -rf "$stage"
        mkdir -p "$stage"
        for entry in "$cd_dir"/* "$cd_dir"/.[!.]*; do
            [ -e "$entry" ] || continue
            case "${entry##*/}" in [Ss][Ee][Tt][Uu][Pp].[Ee][Xx][Ee]) continue ;; esac
            ln -s "$entry" "$stage/${entry##*/}"
        done
        cp "$root/build/release/bin/setup.exe" "$stage/setup.exe"
        [ $x64 -eq 1 ] && cp "$bin/setup.exe" "$stage/setup.exe"
        cd_dir=$stage
    fi
    [ -n "$(find "$cd_dir" -maxdepth 1 -iname setup.exe -print -quit)" ] ||
        { echo "demo: $cd_dir has no setup.exe (--our-setup runs ours)"; return 1; }
    # The Wine of harness/wow64 sees the host's folders only where they are mounted for it.
    export WOW64_BINDS="$their_cd:$runs"
}

# Makes $WINEPREFIX: a clean copy of a prefix made once, unless the run repeats the last.
prepare_prefix() {
    WINEPREFIX="$base_prefix" wine_ensure_prefix || { echo "demo: cannot create a Wine prefix"; return 1; }
    if [ ! -f "$base_prefix/.fonts-set" ]; then
        # The caption is drawn in the "SYSTEM" face with the GB2312 character set. Wine maps
        # that to a CJK fallback font without Latin letters; Windows has a face with both.
        WINEPREFIX="$base_prefix" "$WINE_LOADER" reg.exe add 'HKCU\Software\Wine\Fonts\Replacements' \
            /v SYSTEM /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1 &&
            WINEPREFIX="$base_prefix" wine_stop_server && touch "$base_prefix/.fonts-set"
    fi
    if [ $second -eq 1 ] && [ ! -f "$WINEPREFIX/.prefix-ready" ]; then
        echo "demo: no earlier run to repeat: this is a first installation"
        second=0
    fi
    if [ $second -eq 0 ]; then
        rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
        wine_clone_prefix "$base_prefix" "$WINEPREFIX" || { echo "demo: cannot make $WINEPREFIX"; return 1; }
    fi
}

# The CD folder as the card's CD-ROM drive R:, whatever its Linux path holds: an English
# system's programs could not name Chinese letters in it.
mount_cd() {
    "$WINE_LOADER" "$bin/cdmount.exe" R: "$cd_dir" || { echo "demo: cannot show $cd_dir as R:"; return 1; }
}

unmount_cd() {
    "$WINE_LOADER" "$bin/cdmount.exe" R: --remove >/dev/null 2>&1
}
