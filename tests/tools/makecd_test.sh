#!/bin/bash
# tools/makecd/makecd.sh as a card maker runs it, with a throwaway certificate authority
# and certificates made here (nothing secret is kept):
# 1. signed with a PKCS#12 file, the authority among the system's (SSL_CERT_FILE): the
#    image's setup.exe verifies against that authority, its checksum and flags hold, the
#    file list's hashes are those of the image's files, the CD's installers are signed too
#    (--sign-all), and the demo runs the image to a normal end;
# 2. the same authority only packed into the PKCS#12 file: an image, said to be signed by
#    an authority Windows does not know, with exit code 4;
# 3. without a signing option: an image, said to be unsigned, with exit code 3, and the CD's
#    unsigned programs listed;
# 4. bad input: each a clear message, exit code 1, nothing in --out.
#   makecd_test.sh SOURCE_DIR SHIPPING_TREE WORK_DIR
set -u
source_dir=$1 shipping=$2 work=$3
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
fresh_work demo
[ -f "$shipping/demo-cd/setup.ini" ] || { echo "FAILED: no demo CD in $shipping (build it)"; exit 1; }
makecd() { # log-name options...: the command, its output in $work/log-name
    local log=$1
    shift
    bash "$source_dir/tools/makecd/makecd.sh" "$@" --lang en >"$work/$log" 2>&1
}

# --- a certificate authority and its certificates -----------------------------------
pki="$work/pki"
mkdir -p "$pki/issued"
: >"$pki/index.txt"
echo 1000 >"$pki/serial"
cat >"$pki/ca.cnf" <<EOF
[ca]
default_ca = test_ca
[test_ca]
database = $pki/index.txt
new_certs_dir = $pki/issued
serial = $pki/serial
default_md = sha256
policy = any_name
unique_subject = no
[any_name]
commonName = supplied
[code_signing]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
[server]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
EOF
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$pki/ca.key" -out "$pki/ca.pem" -days 30 \
    -subj "/CN=Norvane Test Authority" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null || fail "cannot make the authority"
issue() { # name extensions openssl-ca-dates...: $pki/name.key and $pki/name.pem
    local name=$1 extensions=$2
    shift 2
    openssl req -newkey rsa:2048 -nodes -keyout "$pki/$name.key" -out "$pki/$name.csr" \
        -subj "/CN=Norvane Test $name" 2>/dev/null &&
        openssl ca -batch -config "$pki/ca.cnf" -cert "$pki/ca.pem" -keyfile "$pki/ca.key" \
            -in "$pki/$name.csr" -out "$pki/$name.pem" -extensions "$extensions" -notext "$@" \
            >/dev/null 2>&1 || fail "cannot issue $name"
}
issue signer code_signing -days 30
issue other code_signing -days 30
issue server server -days 30
issue expired code_signing -startdate 20200101000000Z -enddate 20210101000000Z
issue future code_signing -startdate 20400101000000Z -enddate 20410101000000Z
echo "correct horse" >"$pki/password"
echo "wrong horse" >"$pki/wrong-password"
openssl pkcs12 -export -inkey "$pki/signer.key" -in "$pki/signer.pem" -certfile "$pki/ca.pem" \
    -out "$pki/signer.p12" -passout "file:$pki/password" || fail "cannot make signer.p12"

# The card maker's CD: the demo's, with a setup.exe of their own that is to be replaced.
cd_dir="$work/their cd"
cp -r "$shipping/demo-cd" "$cd_dir"
rm -f "$cd_dir/autorun.inf"
echo "not ours" >"$cd_dir/SETUP.EXE" && rm -f "$cd_dir/setup.exe"

# --- 1. signed --------------------------------------------------------------------------
cat /etc/ssl/certs/ca-certificates.crt "$pki/ca.pem" >"$pki/system.pem"
SSL_CERT_FILE="$pki/system.pem" makecd signed.log --cd "$cd_dir" --out "$work/signed" \
    --sign-pkcs12 "$pki/signer.p12" --password-file "$pki/password" --publisher "Norvane Test" \
    --url https://example.com/ --volume NORVANE_TEST --sign-all
status=$?
[ $status -eq 0 ] || fail "the signed run ended with $status"
expect_in signed.log "the folder's own SETUP.EXE is replaced by ours" "Result: the CD folder is complete" \
    "signed by" "Norvane Test signer" "signed driver/drvsetup.exe" "signed app/appsetup.exe"
[ ! -s "$work/signed/unsigned.txt" ] || fail "--sign-all left unsigned: $(cat "$work/signed/unsigned.txt")"
image="$work/signed/cd.iso"
read="$work/signed-read"
mkdir -p "$read"
xorriso -read_fs norock -osirrox on -indev "$image" -extract / "$read" >/dev/null 2>&1 ||
    fail "cannot read $image"
chmod -R u+rwX "$read"
signed="$read/setup.exe"
osslsigncode verify -CAfile "$pki/ca.pem" -in "$signed" >"$work/verify.txt" 2>&1 ||
    fail "the image's setup.exe does not verify against the test authority: $(cat "$work/verify.txt")"
expect_in verify.txt "Signature verification: ok" "Norvane Test signer"
# The verification prints the header's PE checksum and the one it computes (2.5: both,
# always; 2.9: one line when they agree).
checksums=$(sed -n 's/^\(Current \|Calculated \)\{0,1\}PE checksum *: *\([0-9A-F]\{8\}\)$/\2/p' \
    "$work/verify.txt" | sort -u)
[ -n "$checksums" ] && [ "$(wc -l <<<"$checksums")" -eq 1 ] && [ "$checksums" != 00000000 ] ||
    fail "the signed file's checksum is not its own: $(grep 'PE checksum' "$work/verify.txt")"
headers=$(i686-w64-mingw32-objdump -p "$signed")
grep -q 'copy to swap file if on removable media' <<<"$headers" ||
    fail "the run-from-swap flag is gone: $(sed -n '/^Characteristics/,/^$/p' <<<"$headers")"
grep -q 'DYNAMIC_BASE' <<<"$headers" || fail "ASLR is gone: $(grep -A3 DllCharacteristics <<<"$headers")"
osslsigncode remove-signature -in "$signed" -out "$work/unsigned.exe" >/dev/null 2>&1
cmp -s "$work/unsigned.exe" "$shipping/bin/setup.exe" ||
    fail "the signed file is not the setup.exe that ships with a signature added"
(cd "$read" && sha256sum --quiet -c "$work/signed/cd-files.sha256") >"$work/hashes.txt" 2>&1 ||
    fail "the file list's hashes are not the image's: $(cat "$work/hashes.txt")"
[ "$(wc -l <"$work/signed/cd-files.sha256")" -eq "$(find "$read" -type f | wc -l)" ] ||
    fail "the file list does not name every file of the image"
grep -q '^label=NORVANE_TEST' "$read/autorun.inf" || fail "autorun.inf lacks the label"
[ -z "$(find "$work" -maxdepth 1 -name '.makecd-*')" ] || fail "a working folder was left"
bash "$source_dir/demo/demo.sh" --iso "$image" --out "$work/demo" --lang en >"$work/demo.log" 2>&1
status=$?
[ $status -eq 0 ] || fail "the demo of the signed image ended with $status"
expect_in demo.log "driver installer: ran to its end, exit code 0" \
    "application: installed: the PC reports 2.1.0 (the card carries 2.1.0)" \
    "CD-ROM at exit: ejected" "screenshot: $work/demo/demo-en/progress-window.png, at "

# --- 2. signed by an authority the system does not know ------------------------------------
makecd untrusted.log --cd "$cd_dir" --out "$work/untrusted" --sign-pkcs12 "$pki/signer.p12" \
    --password-file "$pki/password"
status=$?
[ $status -eq 4 ] || fail "the run with an unknown authority ended with $status, not 4"
expect_in untrusted.log "UNTRUSTED" "Norvane Test Authority" "Verified publisher: Unknown"
[ -f "$work/untrusted/cd.iso" ] || fail "the run with an unknown authority made no image"

# --- 3. unsigned --------------------------------------------------------------------------
makecd unsigned.log --cd "$cd_dir" --out "$work/unsigned"
status=$?
[ $status -eq 3 ] || fail "the unsigned run ended with $status, not 3"
expect_in unsigned.log "UNSIGNED" "Verified publisher: Unknown" "UNSIGNED programs on the CD (3"
[ "$(cat "$work/unsigned/unsigned.txt" 2>/dev/null)" = "$(printf 'app/NorvaneApp.exe\napp/appsetup.exe\ndriver/drvsetup.exe')" ] ||
    fail "unsigned.txt does not list the CD's three programs: $(cat "$work/unsigned/unsigned.txt")"
[ -f "$work/unsigned/cd.iso" ] || fail "the unsigned run made no image"

# --- 4. bad input -----------------------------------------------------------------------------
bad() { # name expected-text options...
    local name=$1 text=$2
    shift 2
    makecd "$name.log" --out "$work/out-$name" "$@"
    status=$?
    [ $status -eq 1 ] || fail "$name: ended with $status, not 1"
    expect_in "$name.log" "$text"
    [ ! -e "$work/out-$name" ] || fail "$name: left $work/out-$name"
    [ -z "$(find "$work" -maxdepth 1 -name '.makecd-*')" ] || fail "$name: a working folder was left"
}
mkdir -p "$work/no-ini"
cp -r "$cd_dir/driver" "$work/no-ini/"
bad no-ini "has no setup.ini" --cd "$work/no-ini"
bad password "wrong password" --cd "$cd_dir" --sign-pkcs12 "$pki/signer.p12" \
    --password-file "$pki/wrong-password"
bad mismatch "the key does not belong to the certificate" --cd "$cd_dir" \
    --sign-cert "$pki/signer.pem" --sign-key "$pki/other.key"
bad server "not for code signing" --cd "$cd_dir" --sign-cert "$pki/server.pem" \
    --sign-key "$pki/server.key"
bad expired "has expired" --cd "$cd_dir" --sign-cert "$pki/expired.pem" --sign-key "$pki/expired.key"
bad future "not valid yet" --cd "$cd_dir" --sign-cert "$pki/future.pem" --sign-key "$pki/future.key"
# A link inside the CD folder is what it leads to; one out of it is refused by name.
linked="$work/linked cd"
cp -r "$cd_dir" "$linked"
ln -s driver "$linked/driver-again"
ln -s /etc/passwd "$linked/driver/notes.txt"
bad link-out "driver/notes.txt is a symbolic link out of the CD folder (to /etc/passwd)" \
    --cd "$linked"
makecd no-parent.log --cd "$cd_dir" --out "$work/missing/out"
[ $? -eq 1 ] || fail "a missing --out parent did not end with 1"
expect_in no-parent.log "$work/missing does not exist"
[ ! -e "$work/missing" ] || fail "the missing parent was made"

[ $failures -eq 0 ] && echo "makecd_test: all checks passed"
exit $((failures > 0))
