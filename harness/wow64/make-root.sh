#!/bin/bash
# Makes the wow64 root: a Debian 13 tree with Wine 10 in which 32-bit Windows
# programs run on machines whose kernel cannot execute i386 code. Wine's 64-bit
# side (loader, server, services) runs natively; its 32-bit loader is replaced
# by a wrapper that runs our launcher (launcher.c) under qemu-i386.
#
#   bash harness/wow64/make-root.sh
#
# There is one root per machine, shared by every clone of the repository, in
# /var/lib/norvane-wow64/root. Run as root. When the root is complete and was
# made by this same script and launcher.c this returns at once; otherwise it
# (re)makes what is missing: Debian is only bootstrapped again when the base is
# missing, the packages and the launcher are brought up to date in place.
# Progress lines start with "wow64:". On failure the root is left marked
# incomplete and the next run carries on from it.
#
# Settings (environment): WOW64_MIRROR (Debian mirror; default: the one the
# host's apt sources use), WOW64_SECURITY_MIRROR (default: the host's too).
# shellcheck disable=SC2016 # the scripts in single quotes are expanded in the root
set -euo pipefail

state=/var/lib/norvane-wow64
root=$state/root
stamp=$state/root.stamp
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
suite=trixie

say() { echo "wow64: $*"; }
die() { echo "wow64: error: $*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || die "make-root.sh must run as root"
[ -f "$here/launcher.c" ] || die "missing $here/launcher.c"

# The stamp names exactly what made the root; a change to either file remakes.
want="norvane-wow64 $suite $(cat "$here/make-root.sh" "$here/launcher.c" | sha256sum | cut -d' ' -f1)"

# Done already: the common case, answered without waiting for the lock, since every
# command run in the root asks.
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
    exit 0
fi

mkdir -p "$state"
exec 9>>"$state/lock"
if ! flock -n 9; then
    say "another make-root.sh is working on $root; waiting for it"
    flock 9
fi
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
    exit 0
fi

started=$(date +%s)
step=""
# shellcheck disable=SC2154 # rc is set inside the trap
trap 'rc=$?; [ $rc = 0 ] || echo "wow64: error: failed while: $step (exit $rc); $root is left incomplete, run make-root.sh again" >&2' EXIT
rm -f "$stamp"

# The mirror that the host's apt sources name for Debian itself and for its
# security archive; the root uses the same ones, just for Debian 13.
host_uri() {
    local want_suffix=$1
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
        grep -oE '(https?|file)://[^ ]+' | sed 's:/*$::' | grep -E "/$want_suffix\$" | head -n1 || true
}
mirror=${WOW64_MIRROR:-$(host_uri debian)}
mirror=${mirror:-http://deb.debian.org/debian}
security=${WOW64_SECURITY_MIRROR:-$(host_uri debian-security)}

# --- the host's own tools -------------------------------------------------
step="installing debootstrap on the host"
if ! command -v debootstrap >/dev/null; then
    say "installing debootstrap on the host"
    export DEBIAN_FRONTEND=noninteractive
    if ! apt-cache show debootstrap >/dev/null 2>&1; then
        apt-get -o DPkg::Lock::Timeout=900 update -q >"$state/host-apt.log" 2>&1 || true
    fi
    apt-get -o DPkg::Lock::Timeout=900 install -y -q --no-install-recommends debootstrap \
        >"$state/host-apt.log" 2>&1 || die "could not install debootstrap; see $state/host-apt.log"
fi
for tool in unshare chroot mount flock; do
    command -v "$tool" >/dev/null || die "the host has no $tool"
done

# Runs a script in a private mount namespace with /proc, /sys and /dev mounted
# in the root, so that nothing stays mounted on the host when it ends.
in_root() {
    unshare -m --propagation private -- /bin/bash -euo pipefail -c '
        root=$1; shift
        mount -t proc proc "$root/proc"
        mount --rbind /sys "$root/sys"
        mount --rbind /dev "$root/dev"
        exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
            LC_ALL=C DEBIAN_FRONTEND=noninteractive ${http_proxy:+http_proxy=$http_proxy} \
            /bin/bash -euo pipefail -c "$@"
    ' in_root "$root" "$@"
}

# --- Debian 13 base -------------------------------------------------------
base_want="$suite minbase amd64"  # the mirror is not part of it: apt is pointed anew each run
if [ ! -f "$state/base.stamp" ] || [ "$(cat "$state/base.stamp")" != "$base_want" ] || [ ! -x "$root/bin/bash" ]; then
    step="bootstrapping Debian $suite"
    say "bootstrapping Debian $suite from $mirror into $root (a few minutes)"
    rm -f "$state/base.stamp"
    rm -rf --one-file-system "$state/root.new" "$root"
    mkdir -p "$state/root.new"
    unshare -m --propagation private -- \
        debootstrap --variant=minbase --arch=amd64 \
        --keyring=/usr/share/keyrings/debian-archive-keyring.gpg \
        "$suite" "$state/root.new" "$mirror" >"$state/debootstrap.log" 2>&1 ||
        die "debootstrap failed; see $state/debootstrap.log and $state/root.new/debootstrap/debootstrap.log"
    mv "$state/root.new" "$root"
    echo "$base_want" >"$state/base.stamp"
fi

# --- packages -------------------------------------------------------------
step="configuring apt in the root"
say "configuring apt in the root"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
rm -f "$root/etc/apt/sources.list"
{
    printf 'Types: deb\nURIs: %s\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$mirror" "$suite" "$suite"
    if [ -n "$security" ]; then
        printf '\nTypes: deb\nURIs: %s\nSuites: %s-security\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "$security" "$suite"
    fi
} >"$root/etc/apt/sources.list.d/debian.sources"
# No package may start a service inside the root.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
# Nothing in the root is ever read by a person; skip documentation.
cat >"$root/etc/dpkg/dpkg.cfg.d/norvane-nodoc" <<'EOF'
path-exclude=/usr/share/doc/*
path-include=/usr/share/doc/*/copyright
path-exclude=/usr/share/man/*
path-exclude=/usr/share/info/*
EOF

# Wine's X11 driver and font code load these at run time rather than linking
# them, so the packages do not pull them in without recommends.
x11_libs="libx11-6 libxext6 libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1
    libxfixes3 libxinerama1 libxxf86vm1 libxkbcommon0 libfreetype6 libfontconfig1"
pkgs="wine wine64 wine32:i386 libwine:i386 qemu-user gcc-i686-linux-gnu libc6-dev-i386-cross
    locales fonts-wqy-microhei xauth fontconfig $x11_libs"
for lib in $x11_libs; do pkgs="$pkgs $lib:i386"; done
# shellcheck disable=SC2086,SC2116 # squeezes the list onto one line
pkgs=$(echo $pkgs)

step="installing Wine 10, qemu-user, locales and fonts in the root"
say "installing Wine 10, qemu-user, locales, fonts and X11 libraries in the root"
in_root '
    dpkg --add-architecture i386
    apt-get -q update --error-on=any
    apt-get -q -y --no-install-recommends install '"$pkgs"'
    apt-get -q -y clean
' >"$state/apt.log" 2>&1 || die "installing packages in the root failed; see $state/apt.log"

# Wine takes its system language and ANSI code page from LC_ALL, so the locales
# the tests ask for must exist inside the root.
step="generating locales in the root"
say "generating en_US.UTF-8 and zh_CN.UTF-8 in the root"
in_root '
    printf "en_US.UTF-8 UTF-8\nzh_CN.UTF-8 UTF-8\nzh_CN.GBK GBK\n" >/etc/locale.gen
    locale-gen >/dev/null
    locale -a | grep -qi "^zh_CN.utf8$"
    locale -a | grep -qi "^en_US.utf8$"
'

# --- the 32-bit loader ----------------------------------------------------
step="building the launcher"
say "building the launcher and installing it as Wine's 32-bit loader"
mkdir -p "$root/usr/local/src/norvane-wow64"
cp "$here/launcher.c" "$root/usr/local/src/norvane-wow64/launcher.c"
cat >"$root/usr/local/src/norvane-wow64/wine" <<'EOF'
#!/bin/sh
# Wine's 32-bit loader in the norvane wow64 root (see harness/wow64/make-root.sh).
# This kernel cannot run i386 code, so qemu-i386 runs our launcher. It is
# named as the loader it replaces: ntdll derives Wine's paths and the loader to
# start further 32-bit processes with from that name.
exec /usr/bin/qemu-i386 -0 /usr/lib/wine/wine /usr/lib/wine/wine-wow64-launcher "$@"
EOF
in_root '
    ntdll=$(dpkg -L libwine:i386 | grep "/i386-unix/ntdll\.so$" | head -n1)
    [ -n "$ntdll" ] || { echo "no i386 ntdll.so in libwine:i386" >&2; exit 1; }
    cd /usr/local/src/norvane-wow64
    i686-linux-gnu-gcc -O2 -Wall -Wextra -Werror -no-pie -rdynamic \
        -Wl,-Ttext-segment=0x7d000000 -DNTDLL_PATH="\"$ntdll\"" \
        -o wine-wow64-launcher launcher.c
    install -m 755 wine-wow64-launcher /usr/lib/wine/wine-wow64-launcher
    # Keep the stock loader aside (and out of the way of package upgrades).
    if ! dpkg-divert --list /usr/lib/wine/wine | grep -q .; then
        dpkg-divert --quiet --local --rename --divert /usr/lib/wine/wine.distrib --add /usr/lib/wine/wine
    fi
    install -m 755 wine /usr/lib/wine/wine
'

step="checking the root"
say "checking the root"
out=$(in_root '/usr/lib/wine/wine64 --version') || die "the 64-bit Wine in the root does not start"
say "64-bit Wine: $out"
out32=$(in_root '/usr/lib/wine/wine --version 2>&1') ||
    die "the 32-bit Wine loader does not start under qemu-i386: $out32"
[ "$out32" = "$out" ] || die "the 32-bit Wine loader says '$out32', the 64-bit one '$out'"
say "32-bit Wine under qemu-i386: $out32"

secs=$(($(date +%s) - started))
size=$(du -sxm "$root" | cut -f1)
say "root ready in $root: ${secs}s, ${size} MB"
echo "$(date -u +%FT%TZ) made in ${secs}s, ${size} MB" >>"$state/build-times.log"
echo "$want" >"$stamp"
