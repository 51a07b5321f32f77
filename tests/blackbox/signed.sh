#!/usr/bin/env bash
# Authenticode signing of the maintainer build (scripts/sign.sh) with a throwaway CA made
# here: the signature verifies and breaks with one changed byte, the detached signature
# gives the signed file again, the package tool reads the signed installer, which installs
# and removes like the unsigned one; a certificate without a password signs; bad
# certificates, passwords and timestamp authorities leave nothing signed, and so do wrong
# PINs, keys and certificates for a key on a software token (SoftHSM, a private token
# folder made and removed here) reached through PKCS#11. Signed builds (scripts/build.sh
# --sign and --sign-pkcs11, in a tree of their own) put the signed file and a manifest set
# naming it in signed/, keep the password and the PIN out of every other program's
# environment and command line, and the next link of the installer removes signed/.
. "$(dirname "$0")/lib.sh" "$@"
QSPACK=$(dirname "$INSTALLER")/host-tools/tools/qspack
PKI=$SCRATCH/pki
mkdir -p "$PKI"

# A CA, and certificates it issues: for code signing, expired, and for servers only.
cat > "$PKI/uses.cnf" <<'EOF'
[codesign]
basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning
[server]
basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=serverAuth
EOF
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$PKI/ca.key" -out "$PKI/ca.pem" -days 2 \
  -subj "/CN=Throwaway Test CA" -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
issue() {  # name, extension section, days, [password]
  openssl req -newkey rsa:2048 -nodes -keyout "$PKI/$1.key" -out "$PKI/$1.csr" -subj "/CN=Velto test $1" 2>/dev/null
  openssl x509 -req -in "$PKI/$1.csr" -CA "$PKI/ca.pem" -CAkey "$PKI/ca.key" -CAcreateserial -out "$PKI/$1.pem" \
    -days "$3" -extfile "$PKI/uses.cnf" -extensions "$2" 2>/dev/null
  openssl pkcs12 -export -in "$PKI/$1.pem" -inkey "$PKI/$1.key" -certfile "$PKI/ca.pem" -out "$PKI/$1.pfx" \
    -passout "pass:${4-throwaway}" 2>/dev/null
}
issue good codesign 2
issue open codesign 2 ""
issue expired codesign -1
issue server server 2

signed=$SCRATCH/signed/QuillstationSetup.exe
mkdir -p "$SCRATCH/signed"
# Signs through sign.sh, its messages to $SCRATCH/sign.err; with a key URI, the key on the
# token through PKCS#11.
sign() {  # certificate, password or PIN, [key URI]
  local how=(--cert "$1")
  [ -z "${3:-}" ] || how+=(--pkcs11-module "$MODULE" --key "$3")
  QS_SIGN_PASSWORD=$2 QS_SIGN_PIN=$2 bash "$SOURCE/scripts/sign.sh" "${how[@]}" --in "$INSTALLER" --out "$signed" \
    --name Quillstation --url https://www.velto.example/quillstation >/dev/null 2>"$SCRATCH/sign.err"
}

verify() { osslsigncode verify -CAfile "$PKI/ca.pem" -in "$1" >/dev/null 2>&1; }
sign "$PKI/open.pfx" ""
check_eq "a certificate file without a password signs" 0 $?
check "and its signature verifies against the CA" verify "$signed"
sign "$PKI/good.pfx" throwaway
check_eq "signing with a code-signing certificate succeeds" 0 $?
check "the signature verifies against the CA" verify "$signed"
check "without a timestamp authority it says the signature carries no timestamp" \
  grep -q "carries no timestamp: it stops verifying when the certificate expires" "$SCRATCH/sign.err"
cp "$signed" "$SCRATCH/changed.exe"
printf 'X' | dd of="$SCRATCH/changed.exe" bs=1 seek=4096 conv=notrunc status=none
check "one changed byte breaks it" bash -c "! osslsigncode verify -CAfile '$PKI/ca.pem' -in '$SCRATCH/changed.exe' >/dev/null 2>&1"
cp "$INSTALLER" "$SCRATCH/rebuilt.exe"
osslsigncode attach-signature -sigin "$signed.sig" -in "$SCRATCH/rebuilt.exe" -out "$SCRATCH/attached.exe" \
  >/dev/null 2>&1
check "the detached signature on the unsigned installer gives the signed file" cmp -s "$SCRATCH/attached.exe" "$signed"
check "the unsigned installer is left unsigned" bash -c "! osslsigncode verify -in '$INSTALLER' >/dev/null 2>&1"
check "qspack verify reads the signed installer" "$QSPACK" verify "$signed"
check "qspack list reads it" bash -c "'$QSPACK' list '$signed' | grep -q '^2  Quill_Frmw_1.6.0.hex'"

ensure_removed
run_wine "$signed" -h -i
check_eq "the signed installer installs with 0" 0 $?
check "and its copy in the install folder is the signed file" cmp -s "$signed" "$PRODUCT_DIR_UNIX/QuillstationSetup.exe"
run_wine "$signed" -h -u
check_eq "it removes with 0" 0 $?
check "and nothing is left" nothing_of_the_product_left

# ---- The key on a token: SoftHSM with a token folder of this test, the good certificate's
# key imported as the only key, reached through the module by its URI.
export SOFTHSM2_CONF=$SCRATCH/softhsm2.conf
MODULE=$(for m in /usr/lib/softhsm/libsofthsm2.so /usr/lib/*/softhsm/libsofthsm2.so; do [ -f "$m" ] && echo "$m"; done |
  head -n 1)
PIN=token-pin-5309
KEY='pkcs11:token=qs-test;object=signing;type=private'
mkdir -p "$SCRATCH/tokens"
printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' "$SCRATCH/tokens" > "$SOFTHSM2_CONF"
make_token() {
  [ -n "$MODULE" ] && command -v softhsm2-util >/dev/null &&
    softhsm2-util --init-token --free --label qs-test --so-pin so-5309 --pin "$PIN" >/dev/null 2>&1 &&
    softhsm2-util --import "$PKI/good.key" --token qs-test --label signing --id 01 --pin "$PIN" >/dev/null 2>&1
}
check "a software token holds the signing key (softhsm2, scripts/setup.sh)" make_token
# what | certificate | password or PIN | words the message holds | QS_SIGN_TIMESTAMP_URL | key URI on
# the token (signed through PKCS#11 when given)
UNREACHABLE=http://127.0.0.1:9/
BAD=(
  "a wrong password|$PKI/good.pfx|wrong|wrong password|"
  "a missing certificate|$PKI/none.pfx|throwaway|no certificate file|"
  "an expired certificate|$PKI/expired.pfx|throwaway|has expired|"
  "a certificate without code signing|$PKI/server.pfx|throwaway|not for code signing|"
  "a timestamp authority out of reach|$PKI/good.pfx|throwaway|timestamp authority $UNREACHABLE|$UNREACHABLE"
  "a wrong PIN|$PKI/good.pem|wrong-pin|refused the PIN||$KEY"
  "a key the token lacks|$PKI/good.pem|$PIN|no private key at||pkcs11:token=qs-test;object=none;type=private"
  "a PIN in the key's URI|$PKI/good.pem|$PIN|holds its PIN||$KEY;pin-value=$PIN"
  "another key's certificate|$PKI/open.pem|$PIN|does not belong to the certificate||$KEY"
)
for row in "${BAD[@]}"; do
  IFS='|' read -r what cert password words authority key <<< "$row"
  echo "stale" > "$signed"; echo "stale" > "$signed.sig"
  QS_SIGN_TIMESTAMP_URL=$authority sign "$cert" "$password" "$key"
  check_eq "$what: signing fails with 1" 1 $?
  check "$what: the message says why" grep -q "$words" "$SCRATCH/sign.err"
  check "$what: no signed installer or signature is left" test ! -e "$signed" -a ! -e "$signed.sig"
done

# ---- A signed build in a tree of its own: a copy of the sources, the vehicle's processor.
TREE=$SCRATCH/tree
mkdir -p "$TREE/src"
(cd "$SOURCE" && git ls-files -z -co --exclude-standard | xargs -0 cp --parents -t "$TREE/src")
cmake -S "$TREE/src" -B "$TREE/build/win" \
  -DCMAKE_TOOLCHAIN_FILE="$TREE/src/cmake/mingw-$([ "$INSTALLER_BITS" = 32 ] && echo i686 || echo x86_64).cmake" \
  >"$SCRATCH/build.log" 2>&1
WIN=$TREE/build/win
build() {  # password, build.sh options...
  QS_SIGN_PASSWORD=$1 QS_BUILD_DIR=$TREE/build bash "$TREE/src/scripts/build.sh" --only-installer "${@:2}" \
    >>"$SCRATCH/build.log" 2>&1
}
sha256() { sha256sum "$1" | cut -c1-64 | tr a-f A-F; }
named() { sed -n 's/^  InstallerSha256: //p' "$1"/*.installer.yaml; }  # manifest folder

# The signing tools and their siblings record their environment and command line: spies
# first on PATH.
SPY=$SCRATCH/spy
mkdir -p "$SPY/bin"
for tool in cmake openssl osslsigncode date; do
  printf '#!/bin/sh\n{ env; echo "$*"; } > "%s/%s.$$"\nexec "%s" "$@"\n' "$SPY" "$tool" "$(command -v "$tool")" \
    > "$SPY/bin/$tool"
  chmod +x "$SPY/bin/$tool"
done
recorded() { compgen -G "$SPY/$1.*" >/dev/null; }
# The password and the PIN are both set, and reach no program but sign.sh's own.
signed_build() {  # what, build.sh's signer options...
  local what=$1
  rm -f "$SPY"/*.*
  QS_SIGN_PIN=$PIN PATH=$SPY/bin:$PATH build throwaway "${@:2}"
  check_eq "$what succeeds" 0 $?
  check "$what: its signed installer verifies, its detached signature beside it" \
    bash -c "osslsigncode verify -CAfile '$PKI/ca.pem' -in '$WIN/signed/QuillstationSetup.exe' >/dev/null 2>&1 &&
      test -s '$WIN/signed/QuillstationSetup.exe.sig'"
  check_eq "$what: signed/winget names the signed installer" "$(sha256 "$WIN/signed/QuillstationSetup.exe")" \
    "$(named "$WIN/signed/winget")"
  check "$what: no program it ran had the password or the PIN in its environment or command line" \
    bash -c "! grep -q -e throwaway -e '$PIN' '$SPY'/*.*"
}
signed_build "a signed build" --sign "$PKI/good.pfx"
check_eq "winget/ names the unsigned one" "$(sha256 "$WIN/QuillstationSetup.exe")" "$(named "$WIN/winget")"
for tool in cmake openssl osslsigncode date; do
  check "$tool ran during the signed build" recorded "$tool"
done
signed_build "a build signed with the token's key" --sign-pkcs11 "$MODULE" --key "$KEY" --cert "$PKI/good.pem"
verify_says() { osslsigncode verify -CAfile "$PKI/ca.pem" -in "$WIN/signed/QuillstationSetup.exe" 2>&1 | grep -qF "$1"; }
check "osslsigncode verify names the token key's certificate as the signer" verify_says "Subject: /CN=Velto test good"
check "and the product as the signed content" verify_says "Text description: Quillstation"

# A product file changes: the installer relinks, and the signed copy of the old one goes.
unsigned=$(sha256 "$WIN/QuillstationSetup.exe")
echo "one more line" >> "$TREE/src/product/readme.txt"
cmake --build "$WIN" --target QuillstationSetup -j 2 >>"$SCRATCH/build.log" 2>&1
check_eq "the rebuild succeeds" 0 $?
check "it made another installer" test "$(sha256 "$WIN/QuillstationSetup.exe")" != "$unsigned"
check "no signed/ is left beside it" test ! -e "$WIN/signed"
check_eq "winget/ names the new installer" "$(sha256 "$WIN/QuillstationSetup.exe")" "$(named "$WIN/winget")"

build wrong --sign "$PKI/good.pfx"
check_eq "a signed build with a wrong password fails" 1 $?
check "and leaves no signed/" test ! -e "$WIN/signed"
check_eq "winget/ still names the unsigned installer" "$(sha256 "$WIN/QuillstationSetup.exe")" "$(named "$WIN/winget")"

finish
