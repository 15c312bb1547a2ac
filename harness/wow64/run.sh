#!/bin/bash
# Runs a command inside the wow64 root (made by make-root.sh, which this calls
# first; that is instant once the root exists):
#
#   bash harness/wow64/run.sh COMMAND [ARGS...]
#   e.g. WINEPREFIX=/tmp/p WINEARCH=win64 bash harness/wow64/run.sh wine64 foo.exe
#
# COMMAND runs chrooted in a private mount namespace, in the current directory
# and with the caller's environment (DISPLAY, WINEPREFIX, LC_ALL, WINEDEBUG...).
# Inside, /proc, /sys, /dev, the host's /tmp (X11 and wineserver sockets
# live there), /etc/hosts and /etc/resolv.conf are mounted, and so are the repository and every path listed,
# colon-separated, in WOW64_BINDS, each at the same path as on the host. The
# exit code is COMMAND's: run.sh becomes COMMAND (exec), so signals sent to it
# reach COMMAND. The mounts exist only in that namespace and vanish with its
# last process; nothing is ever mounted on the host.
#
# Wine's server and its service processes may outlive COMMAND: by default for
# as long as any Wine program of the prefix runs (then they exit on their own
# within a few seconds), or until stopped when started persistent
# (wineserver -p). To wait for them or stop them:
#   WINEPREFIX=... bash harness/wow64/run.sh wineserver -w    # wait
#   WINEPREFIX=... bash harness/wow64/run.sh wineserver -k    # stop now
# A prefix used here belongs to Wine 10 in the root: do not run the host's
# Wine on it at the same time (the two servers' protocols differ).
# Exit code 125 means run.sh itself failed.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
root=/var/lib/norvane-wow64/root

fail() { echo "wow64: $*" >&2; exit 125; }

[ $# -gt 0 ] || { echo "usage: bash harness/wow64/run.sh COMMAND [ARGS...]" >&2; exit 125; }
[ "$(id -u)" = 0 ] || fail "run.sh must run as root (it mounts and chroots)"
bash "$here/make-root.sh" >&2 || fail "the root in $root could not be made"

binds=("$repo")
IFS=: read -r -a extra <<<"${WOW64_BINDS:-}"
for path in "${extra[@]}"; do
    [ -n "$path" ] || continue
    [ -e "$path" ] || fail "WOW64_BINDS names $path, which does not exist"
    binds+=("$(realpath "$path")")
done

# The command starts where the caller is, so that directory must be visible.
cwd=$(pwd -P)
visible=no
for path in /tmp "${binds[@]}"; do
    case "$cwd/" in "${path%/}/"*) visible=yes ;; esac
done
[ $visible = yes ] || fail "the current directory $cwd is not visible inside the root; add it to WOW64_BINDS"

# shellcheck disable=SC2016 # expanded by the inner shell
inner='
    root=$1 cwd=$2 count=$3
    shift 3
    fail() { echo "wow64: $*" >&2; exit 125; }
    mount -t proc proc "$root/proc" || fail "cannot mount /proc in the root"
    mount --rbind /sys "$root/sys" || fail "cannot mount /sys in the root"
    mount --rbind /dev "$root/dev" || fail "cannot mount /dev in the root"
    mount --rbind /tmp "$root/tmp" || fail "cannot mount /tmp in the root"
    # Name lookups of this machine (Wine asks for its own host name) answer
    # as on the host.
    for file in /etc/hosts /etc/resolv.conf; do
        [ -f "$file" ] || continue
        [ -e "$root$file" ] || touch "$root$file"
        mount --bind "$file" "$root$file" || fail "cannot mount $file in the root"
    done
    while [ "$count" -gt 0 ]; do
        path=$1
        shift
        count=$((count - 1))
        if [ -d "$path" ]; then
            mkdir -p "$root$path"
        else
            mkdir -p "$(dirname "$root$path")" && touch "$root$path"
        fi || fail "cannot make $path in the root"
        mount --rbind "$path" "$root$path" || fail "cannot mount $path in the root"
    done
    exec chroot "$root" /bin/sh -c "cd \"\$1\" || exit 125; shift; exec \"\$@\"" wow64-run "$cwd" "$@"
'
exec unshare -m --propagation private -- /bin/bash -c "$inner" wow64-run "$root" "$cwd" "${#binds[@]}" "${binds[@]}" "$@"
