#!/bin/bash
# The main job: the demo CD under Wine, showing what a setup run does.
#   bash tools/demo.sh [--lang zh|en] [--second] [--upgrade] [--fresh]
#
#   --lang zh|en  the system language Wine gives the programs (default zh: Chinese)
#   --second      run again on the same prefix, keeping what the last run installed:
#                 the application is found up to date and only started
#   --upgrade     register an older version first: the installer runs twice (removal of
#                 the old installation, then the new one)
#   --fresh       throw the demo's Wine prefix away and make a new one
# Without --second the demo application's traces of earlier runs are removed first, so
# that the run is a first installation.
#
# Installs what is missing, builds, shows the demo CD folder as CD-ROM drive R: of a Wine
# prefix of its own, starts R:\setup.exe there (under Xvfb without a display) and prints
# every trace as it arrives with the milliseconds since start. It saves a screenshot of
# the progress window while the application is copied and ends with a summary.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

lang=zh
second=0
upgrade=0
fresh=0
while [ $# -gt 0 ]; do
    case "$1" in
    --lang) lang=${2:-}; shift ;;
    --second) second=1 ;;
    --upgrade) upgrade=1 ;;
    --fresh) fresh=1 ;;
    *) echo "usage: bash tools/demo.sh [--lang zh|en] [--second] [--upgrade] [--fresh]"; exit 2 ;;
    esac
    shift
done
case "$lang" in
zh) export LC_ALL=zh_CN.UTF-8 ;;
en) export LC_ALL=C ;;
*) echo "demo: --lang takes zh or en"; exit 2 ;;
esac

bash tools/install-deps.sh || exit 1

# setup.exe ships as a 32-bit program; where this Linux kernel cannot run 32-bit
# programs (and so no 32-bit Wine), the demo runs the same sources built for 64 bits.
source cmake/wine-env.sh
if wine_can_run_win32; then
    preset=release
    export WINEARCH=win32
else
    echo "demo: this kernel cannot run 32-bit programs; the demo runs the 64-bit build"
    preset=release-x64
    export WINEARCH=win64
fi
source cmake/wine-env.sh
cmake --preset "$preset" >/dev/null || exit 1
cmake --build "build/$preset" -j"$(nproc)" || exit 1

build="$root/build/$preset"
bin="$build/bin"
cd_dir="$build/demo-cd"
out="$build/demo-$lang"
mkdir -p "$out"
export WINEPREFIX="$build/demo-prefix"
[ $fresh -eq 1 ] && rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"

WINE_XVFB_PID=
shooter=
cleanup() {
    [ -n "$shooter" ] && kill "$shooter" 2>/dev/null
    "$WINE_LOADER" "$bin/cdmount.exe" R: --remove >/dev/null 2>&1
    wine_stop_server
    wine_stop_xvfb
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    wine_start_xvfb || { echo "demo: cannot start Xvfb"; exit 1; }
fi
echo "demo: Wine prefix $WINEPREFIX (language $lang)"
wine_ensure_prefix || { echo "demo: cannot create the Wine prefix"; exit 1; }

# The caption is drawn in the "SYSTEM" face with the GB2312 character set. Wine maps that to
# a CJK fallback font without Latin letters; Windows has a face with both. Give Wine one.
"$WINE_LOADER" reg.exe add 'HKCU\Software\Wine\Fonts\Replacements' /v SYSTEM \
    /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1

key='HKLM\SOFTWARE\Norvane\NorvaneConnect'
if [ $second -eq 0 ]; then
    "$WINE_LOADER" reg.exe delete "$key" /f >/dev/null 2>&1
    rm -rf "$WINEPREFIX/drive_c/Program Files/Norvane Connect"
fi
if [ $upgrade -eq 1 ]; then
    "$WINE_LOADER" reg.exe add "$key" /v Version /d 1.0.0 /f >/dev/null 2>&1
    "$WINE_LOADER" reg.exe add "$key" /v UnInstall /d 'appsetup.exe /uninstall' /f >/dev/null 2>&1
fi

"$WINE_LOADER" "$bin/cdmount.exe" R: "$cd_dir" || { echo "demo: cannot show $cd_dir as R:"; exit 1; }

# The screenshot waits for the window to become visible: that is while the application
# is copied.
rm -f "$out/progress-window.png"
"$WINE_LOADER" "$bin/winshot.exe" --class NorvaneSetup --wait-visible 120000 \
    --delay 300 --out "Z:${out//\//\\}\\progress-window.png" >/dev/null 2>&1 &
shooter=$!

echo "demo: starting R:\\setup.exe"
echo "----------------------------------------------------------------------------"
"$WINE_LOADER" "$bin/tracecap.exe" --utf8 --time --out "Z:${out//\//\\}\\trace.txt" 'R:\setup.exe'
status=$?
echo "----------------------------------------------------------------------------"
sleep 1
kill "$shooter" 2>/dev/null
shooter=
# The demo application runs on for a few seconds after setup.exe has ended.
"$WINE_SERVER" -w

trace="$out/trace.txt"
echo "Summary"
echo "  setup.exe ended with exit code $status"
# Programs: every "开始运行:" and how its run ended.
grep -a ' ms  开始运行:' "$trace" | sed 's/^.* ms  开始运行://' | while IFS= read -r cmd; do
    line=$(grep -aF "运行$cmd " "$trace" | grep -av '开始运行:' | tail -n1)
    case "$line" in
    *WAIT_OBJECT_0*) how="ran to its end, exit code ${line##*返回码: }" ;;
    *WAIT_TIMEOUT*) how="started and left running" ;;
    *失败*) how="could not be started, error ${line##*错误号:}" ;;
    *) how="did not end in time" ;;
    esac
    echo "  program: $cmd"
    echo "           $how"
done
if grep -aq '本机应用版本较老' "$trace"; then
    echo "  application: installed (the card's version is newer than the PC's)"
elif grep -aq '本机应用版本较新' "$trace"; then
    echo "  application: found up to date, not installed again"
elif grep -aq '不需要安装应用' "$trace"; then
    echo "  application: the card carries none"
else
    echo "  application: not considered (the run stopped before)"
fi
last=$(tail -n1 "$trace")
case "$last" in
*弹出光盘*) echo "  CD-ROM at exit: ejected (standard media eject)" ;;
*"Delay Eject CD"*) echo "  CD-ROM at exit: held back for one more day (delay request of 86400 s)" ;;
*) echo "  CD-ROM at exit: no request (no CD-ROM device was open)" ;;
esac
if [ -s "$out/progress-window.png" ]; then
    echo "  screenshot of the progress window: $out/progress-window.png"
else
    echo "  screenshot: none (the window was not shown in this run)"
fi
echo "  traces: $trace"
