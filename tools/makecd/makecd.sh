#!/bin/bash
# From a card maker's CD folder to the image that goes to the factory: the setup.exe that
# ships beside their setup.ini and packages, checked, signed, written as an ISO 9660 image
# with Joliet names, with a list of every file on it and its SHA-256.
#   bash tools/makecd/makecd.sh --cd FOLDER --out DIR
#        [--sign-pkcs12 FILE | --sign-cert CERT --sign-key KEY | --sign-pkcs11-module LIB --sign-key-id ID --sign-cert CERT]
#        [--password-file F] [--publisher NAME] [--url URL] [--timestamp URL] [--sign-all]
#        [--volume LABEL] [--lang zh|en]
#
#   --cd FOLDER         the CD as it is to be burnt: setup.ini and the packages. A setup.exe
#                       or autorun.inf in it is replaced by ours
#   --out DIR           where the image and its lists go: made, or empty; its parent exists
#   --sign-pkcs12 FILE  sign with the certificate and key of a PKCS#12 file
#   --sign-cert CERT    the certificate (PEM or DER; PEM may hold the chain after it)...
#   --sign-key KEY      ...and its private key
#   --sign-pkcs11-module LIB, --sign-key-id ID
#                       sign with a key on a token (a PKCS#11 URI or the key's id), with
#                       the certificate of --sign-cert
#   --password-file F   the password of the PKCS#12 file or key, or the token's PIN
#   --publisher NAME, --url URL
#                       the publisher's name and address, shown when Windows shows details
#   --timestamp URL     an RFC 3161 time-stamping service: the signature stays valid after
#                       the certificate expires (a CD outlives it)
#   --sign-all          sign the CD's other programs and packages that carry no signature
#                       (installers, .msi) with the same certificate; without it they are
#                       only listed
#   --volume LABEL      the image's volume label (default NORVANE): A-Z, 0-9 and _, up to 16
#   --lang zh|en        the language of the system setupcheck reports on (default zh)
#
# In DIR: cd.iso, cd-files.sha256 (every file on the image, as sha256sum -c reads it),
# setupcheck.txt, unsigned.txt (the CD's programs that carry no signature), and
# signature.txt (the verification) when signed. DIR is filled only
# when everything succeeded. A symbolic link that leads out of FOLDER is refused.
# Exit code: 0 a signed image whose certificate chains to an authority of the system's
# (SSL_CERT_FILE, else Debian's list); 4 a signed image whose certificate does not: Windows
# will show "Unknown publisher"; 3 an unsigned image (no signing option was given); 1 no
# image: a problem, named; 2 wrong arguments.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/harness/wine-env.sh"
# Nothing here asks at the terminal: a password comes from --password-file only.
exec </dev/null

say() { echo "makecd: $*"; }
fail() { say "$*"; exit 1; }
usage() {
    sed -n '5,8p' "$0" | sed 's/^# *//; 1s/^/usage: /' >&2
    exit 2
}

# --- the options --------------------------------------------------------------------
cd_dir= out_dir= pkcs12= cert= key= module= key_id= password_file= publisher= url=
timestamp= volume=NORVANE lang=zh sign_all=0
while [ $# -gt 0 ]; do
    if [ "$1" = --sign-all ]; then
        sign_all=1
        shift
        continue
    fi
    [ $# -ge 2 ] || usage
    case "$1" in
    --cd) cd_dir=$2 ;;
    --out) out_dir=$2 ;;
    --sign-pkcs12) pkcs12=$2 ;;
    --sign-cert) cert=$2 ;;
    --sign-key) key=$2 ;;
    --sign-pkcs11-module) module=$2 ;;
    --sign-key-id) key_id=$2 ;;
    --password-file) password_file=$2 ;;
    --publisher) publisher=$2 ;;
    --url) url=$2 ;;
    --timestamp) timestamp=$2 ;;
    --volume) volume=$2 ;;
    --lang) lang=$2 ;;
    *) usage ;;
    esac
    shift 2
done
[ -n "$cd_dir" ] && [ -n "$out_dir" ] || usage
case "$lang" in
zh) export LC_ALL=zh_CN.UTF-8 ;;
en) export LC_ALL=en_US.UTF-8 ;;
*) say "--lang takes zh or en"; exit 2 ;;
esac
[[ "$volume" =~ ^[A-Z0-9_]{1,16}$ ]] || { say "--volume takes 1 to 16 of A-Z, 0-9 and _"; exit 2; }
if [ -n "$pkcs12" ]; then
    sign=pkcs12
    [ -z "$cert$key$module$key_id" ] || { say "--sign-pkcs12 goes alone"; exit 2; }
elif [ -n "$module" ]; then
    sign=pkcs11
    [ -n "$key_id" ] && [ -n "$cert" ] && [ -z "$key" ] ||
        { say "--sign-pkcs11-module needs --sign-key-id and --sign-cert"; exit 2; }
elif [ -n "$cert$key" ]; then
    sign=key
    [ -n "$cert" ] && [ -n "$key" ] && [ -z "$key_id" ] ||
        { say "--sign-cert needs --sign-key (or --sign-pkcs11-module)"; exit 2; }
else
    sign=
    [ -z "$key_id$password_file$timestamp$publisher$url" ] && [ $sign_all -eq 0 ] ||
        { say "signing options without a certificate"; exit 2; }
fi
for file in "$pkcs12" "$cert" "$key" "$password_file"; do
    [ -z "$file" ] || [ -f "$file" ] || fail "$file: no such file"
done
# Wine runs from the repository, where the Wine of harness/wow64 sees it.
absolute() { [ -z "$1" ] || realpath -m "$1"; }
pkcs12=$(absolute "$pkcs12") cert=$(absolute "$cert") key=$(absolute "$key")
password_file=$(absolute "$password_file") out_dir=$(absolute "$out_dir")
[ -f "$module" ] && module=$(realpath "$module")

[ -d "$cd_dir" ] || fail "$cd_dir is no folder"
cd_dir=$(realpath "$cd_dir")
[ -n "$(find "$cd_dir" -maxdepth 1 -iname setup.ini -type f -print -quit)" ] ||
    fail "$cd_dir has no setup.ini: setup.exe would have nothing to do"
out_parent=$(dirname "$out_dir")
[ -d "$out_parent" ] || fail "$out_parent does not exist: make it, or name another --out"
if [ -e "$out_dir" ]; then
    [ -d "$out_dir" ] && [ -z "$(ls -A "$out_dir")" ] || fail "$out_dir exists and is not an empty folder"
fi

# --- the signing material, checked before anything is made ---------------------------
work= mounted=0 trusted=1 WINE_XVFB_PID=
cleanup() {
    if [ $mounted -eq 1 ]; then
        "$WINE_LOADER" "$root/build/release/bin/cdmount.exe" R: --remove >/dev/null 2>&1
        wine_stop_server
    fi
    wine_stop_root
    [ -n "$work" ] && rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT
# Everything is made here, beside DIR, and moved there at the end.
work=$(mktemp -d "$out_parent/.makecd-XXXXXX") || fail "cannot write in $out_parent"
# What is missing is installed first: the checks below need openssl.
bash "$root/harness/install-deps.sh" --no-wow64-root >"$work/install.txt" 2>&1 ||
    fail "installing what is needed failed: $(tail -n 5 "$work/install.txt")"
# Without a password file, the empty password (a PKCS#12 file or key without one).
password_arg=(-passin "pass:")
[ -n "$password_file" ] && password_arg=(-passin "file:$password_file")

# Writes the signing certificate (PEM) to $work/signer.pem, the certificates that came
# with it to $work/chain.pem, and checks that the key belongs to it.
read_signing_material() {
    local cert_key key_key
    case $sign in
    pkcs12)
        openssl pkcs12 -in "$pkcs12" "${password_arg[@]}" -nokeys -clcerts -out "$work/signer.pem" \
            2>"$work/openssl.txt" ||
            fail "cannot open $pkcs12: wrong password (--password-file), or no PKCS#12 file"
        openssl pkcs12 -in "$pkcs12" "${password_arg[@]}" -nokeys -cacerts -out "$work/chain.pem" \
            2>/dev/null
        key_key=$(openssl pkcs12 -in "$pkcs12" "${password_arg[@]}" -nocerts -nodes 2>/dev/null |
            openssl pkey -pubout 2>/dev/null) || fail "$pkcs12 holds no private key"
        ;;
    key | pkcs11)
        openssl x509 -in "$cert" -out "$work/signer.pem" 2>/dev/null ||
            openssl x509 -inform DER -in "$cert" -out "$work/signer.pem" 2>/dev/null ||
            fail "$cert is no certificate"
        # What follows the first certificate of a PEM file is its chain.
        awk 'n > 1; /-----END CERTIFICATE-----/ { n++ } n == 1 && /-----BEGIN/ { n = 2; print }' \
            "$cert" >"$work/chain.pem" 2>/dev/null
        if [ $sign = key ]; then
            key_key=$(openssl pkey -in "$key" "${password_arg[@]}" -pubout 2>/dev/null) ||
                fail "cannot read the key $key: wrong password (--password-file), or no private key"
        fi
        ;;
    esac
    cert_key=$(openssl x509 -in "$work/signer.pem" -noout -pubkey 2>/dev/null) ||
        fail "cannot read the signing certificate"
    if [ $sign != pkcs11 ] && [ "$cert_key" != "$key_key" ]; then
        fail "the key does not belong to the certificate: $(certificate_subject)"
    fi
    openssl x509 -in "$work/signer.pem" -noout -ext extendedKeyUsage 2>/dev/null |
        grep -q 'Code Signing' ||
        fail "the certificate is not for code signing (no Code Signing in its extended key usage): $(certificate_subject)"
    openssl x509 -in "$work/signer.pem" -noout -checkend 0 >/dev/null ||
        fail "the certificate has expired ($(certificate_date enddate)): $(certificate_subject)"
    local from
    from=$(date -d "$(certificate_date startdate)" +%s) || fail "cannot read the certificate's dates"
    [ "$from" -le "$(date +%s)" ] ||
        fail "the certificate is not valid yet (from $(certificate_date startdate)): $(certificate_subject)"
}

certificate_subject() {
    openssl x509 -in "$work/signer.pem" -noout -subject -nameopt oneline 2>/dev/null | sed 's/^subject= *//'
}

certificate_date() { # startdate | enddate
    openssl x509 -in "$work/signer.pem" -noout "-$1" | sed 's/^[a-zA-Z]*=//'
}

[ -z "$sign" ] || read_signing_material

# --- the CD folder, with our setup.exe and autorun.inf -------------------------------
# A link inside the folder is copied as what it leads to; one that leads out of it would
# put whatever lies there on the image.
while IFS= read -r -d '' link; do
    target=$(realpath -m "$link")
    case "$target/" in
    "$cd_dir"/*) ;;
    *) fail "${link#"$cd_dir"/} is a symbolic link out of the CD folder (to $target): copy what it leads to into the folder, or remove it" ;;
    esac
done < <(find "$cd_dir" -type l -print0)
stage="$work/cd"
mkdir "$stage" && cp -rL "$cd_dir/." "$stage/" || fail "cannot copy $cd_dir"
chmod -R u+rwX "$stage"
for entry in "$stage"/*; do
    case "${entry##*/}" in
    [Ss][Ee][Tt][Uu][Pp].[Ee][Xx][Ee]) say "the folder's own ${entry##*/} is replaced by ours"; rm -f "$entry" ;;
    [Aa][Uu][Tt][Oo][Rr][Uu][Nn].[Ii][Nn][Ff]) say "the folder's own ${entry##*/} is replaced by ours"; rm -f "$entry" ;;
    esac
done
printf '[autorun]\r\nopen=setup.exe\r\nicon=setup.exe,0\r\nlabel=%s\r\n' "$volume" >"$stage/autorun.inf"

say "building the setup.exe that ships (build/release)"
wine_start_root "$work/wow64-root.txt"
(cd "$root" && cmake --preset release >/dev/null &&
    cmake --build build/release -j"$(nproc)" --target setup setupcheck pecheck cdmount >"$work/build.txt" 2>&1) ||
    fail "the build failed: $(tail -n 20 "$work/build.txt")"
wine_wait_for_root || fail "the Wine of harness/wow64 could not be made: $(tail -n 5 "$work/wow64-root.txt")"
case $(wine_route_for_win32) in
host) wine_use host win32 ;;
wow64) wine_use wow64 ;;
*) fail "no Wine here runs 32-bit programs" ;;
esac
bin="$root/build/release/bin"
cp "$bin/setup.exe" "$stage/setup.exe" || fail "cannot copy setup.exe"

# setupcheck and pecheck run on the CD as drive R: of a Wine prefix of their own, whatever
# its Linux path holds.
export WINEPREFIX="$root/build/release/makecd-prefix-$WINE_ROUTE"
cd "$root"
export WOW64_BINDS="$work"
wine_ensure_prefix >/dev/null 2>&1 || fail "cannot create the Wine prefix $WINEPREFIX"
mounted=1
"$WINE_LOADER" "$bin/cdmount.exe" R: "$stage" >/dev/null 2>&1 || fail "cannot show the CD as drive R:"

say "setupcheck R:"
"$WINE_LOADER" "$bin/setupcheck.exe" --utf8 'R:\' 2>&1 | tr -d '\r' >"$work/setupcheck.txt"
status=${PIPESTATUS[0]}
sed 's/^/  /' "$work/setupcheck.txt"
[ "$status" -eq 0 ] || fail "setupcheck found problems (exit code $status): no image"

# --- signing --------------------------------------------------------------------------
# The CD's programs (PE files) and Windows Installer packages other than setup.exe that carry
# no signature, one path below the CD a line. Windows names an unknown publisher for each
# that runs elevated, as every installer does here.
unsigned_programs() {
    local file said
    (cd "$stage" && find . -type f ! -path ./setup.exe -print | sed 's|^\./||' | LC_ALL=C sort) |
        while IFS= read -r file; do
            case "$(head -c 4 "$stage/$file" | od -An -tx1 | tr -d ' \n')" in
            4d5a* | d0cf11e0) ;;
            *) continue ;;
            esac
            # It ends with 1 on an unsigned file, as on a bad signature: what it says tells.
            said=$(osslsigncode verify -in "$stage/$file" 2>&1)
            grep -q '^No signature found' <<<"$said" && echo "$file"
        done
}

if [ -n "$sign" ]; then
    say "signing setup.exe"
    mv "$stage/setup.exe" "$work/setup-unsigned.exe"
    sign_args=(sign -h sha256)
    case $sign in
    pkcs12) sign_args+=(-pkcs12 "$pkcs12") ;;
    key) sign_args+=(-certs "$cert" -key "$key") ;;
    pkcs11) sign_args+=(-pkcs11module "$module" -certs "$cert" -key "$key_id") ;;
    esac
    [ -n "$password_file" ] && sign_args+=(-readpass "$password_file")
    [ -n "$publisher" ] && sign_args+=(-n "$publisher")
    [ -n "$url" ] && sign_args+=(-i "$url")
    [ -n "$timestamp" ] && sign_args+=(-ts "$timestamp")
    osslsigncode "${sign_args[@]}" -in "$work/setup-unsigned.exe" -out "$stage/setup.exe" \
        >"$work/sign.txt" 2>&1 || fail "signing failed: $(tail -n 5 "$work/sign.txt")"
    if [ $sign_all -eq 1 ]; then
        while IFS= read -r file; do
            osslsigncode "${sign_args[@]}" -in "$stage/$file" -out "$work/signed-file" \
                >"$work/sign.txt" 2>&1 && mv "$work/signed-file" "$stage/$file" ||
                fail "signing $file failed: $(tail -n 5 "$work/sign.txt")"
            say "signed $file"
        done < <(unsigned_programs)
    fi
    # Trusted is what chains to an authority of the system's; an authority that came with
    # the certificate proves only that the signature is intact.
    system_authorities=${SSL_CERT_FILE:-/etc/ssl/certs/ca-certificates.crt}
    cat "$system_authorities" "$work/chain.pem" >"$work/authorities.pem" 2>/dev/null
    verify() { # authorities file, output
        local args=(verify -CAfile "$1" -in "$stage/setup.exe")
        [ -n "$timestamp" ] && args+=(-TSA-CAfile "$1")
        osslsigncode "${args[@]}" >"$2" 2>&1 && grep -q '^Signature verification: ok' "$2"
    }
    trusted=1
    if ! verify "$system_authorities" "$work/signature.txt"; then
        trusted=0
        verify "$work/authorities.pem" "$work/signature.txt" ||
            fail "the signature does not verify: $(grep -i -e fail -e error "$work/signature.txt" | head -n 5)"
    fi
    say "signed by $(certificate_subject)$([ -n "$timestamp" ] && echo ", time-stamped by $timestamp")"
fi

say "pecheck R:\\setup.exe"
"$WINE_LOADER" "$bin/pecheck.exe" 'R:\setup.exe' 2>&1 | tr -d '\r' >"$work/pecheck.txt"
status=${PIPESTATUS[0]}
sed 's/^/  /' "$work/pecheck.txt"
[ "$status" -eq 0 ] || fail "setup.exe is not as it ships: no image"
"$WINE_LOADER" "$bin/cdmount.exe" R: --remove >/dev/null 2>&1
wine_stop_server
mounted=0

# --- the image, read back ---------------------------------------------------------------
mkdir "$work/out"
cmake -DCD_DIR="$stage" -DISO="$work/out/cd.iso" -DAUTORUN="$stage/autorun.inf" -DVOLUME="$volume" \
    -P "$root/demo/MakeIso.cmake" >"$work/iso.txt" 2>&1 ||
    fail "the image could not be written: $(tail -n 5 "$work/iso.txt")"
# The files as Windows reads them: Joliet's names, not Rock Ridge's.
mkdir "$work/read"
xorriso -read_fs norock -osirrox on -indev "$work/out/cd.iso" -extract / "$work/read" >/dev/null 2>&1 ||
    fail "the image cannot be read back"
chmod -R u+rwX "$work/read"
differences=$(diff -r "$stage" "$work/read" 2>&1) ||
    fail "the image does not hold the folder as it is (names longer than Joliet's 64 characters?): $(head -n 5 <<<"$differences")"
cmp -s "$stage/setup.exe" "$work/read/setup.exe" || fail "the image's setup.exe is not the one checked"
(cd "$work/read" && find . -type f | LC_ALL=C sort | sed 's|^\./||' | tr '\n' '\0' |
    xargs -0 sha256sum) >"$work/out/cd-files.sha256" || fail "cannot list the image's files"
cp "$work/setupcheck.txt" "$work/out/"
unsigned_programs >"$work/out/unsigned.txt"
if [ -s "$work/out/unsigned.txt" ]; then
    say "UNSIGNED programs on the CD ($(wc -l <"$work/out/unsigned.txt"), unsigned.txt): Windows shows"
    say "  \"Verified publisher: Unknown\" for each when it runs elevated$([ -n "$sign" ] && echo "; --sign-all signs them too"):"
    sed 's/^/    /' "$work/out/unsigned.txt"
fi
[ -n "$sign" ] && cp "$work/signature.txt" "$work/out/"

[ -d "$out_dir" ] && rmdir "$out_dir"
mv "$work/out" "$out_dir" || fail "cannot move the image to $out_dir"
say "$out_dir/cd.iso: volume $volume, $(wc -l <"$out_dir/cd-files.sha256") files (cd-files.sha256)"
if [ -z "$sign" ]; then
    say "UNSIGNED: setup.exe on this image carries no signature. Windows 10 and 11 show"
    say "  \"Verified publisher: Unknown\" in the UAC prompt; with the policy \"Only elevate executables"
    say "  that are signed and validated\" it does not start; Smart App Control blocks it;"
    say "  SmartScreen warns about a downloaded copy of the image. Give a --sign-... option."
    exit 3
fi
if [ $trusted -eq 0 ]; then
    authority=$(openssl x509 -in "$work/signer.pem" -noout -issuer -nameopt oneline 2>/dev/null |
        sed 's/^issuer= *//')
    say "UNTRUSTED: the certificate chains to $authority, which came with it, not to an"
    say "  authority of this system's ($system_authorities). Windows shows such a signature as"
    say "  \"Verified publisher: Unknown\", as if unsigned. Sign with a certificate from an"
    say "  authority Windows trusts."
    exit 4
fi
exit 0
