#!/usr/bin/env bash
# Signs a built installer with Authenticode (SHA-256), and writes its detached signature.
#   sign.sh --cert CERT.pfx --in UNSIGNED.exe --out SIGNED.exe --name NAME --url URL
#           [--timestamp TSA_URL]
#   sign.sh --pkcs11-module MODULE.so --key pkcs11:URI --cert CERT.pem --in ... (as above)
# The first form signs with the key of a PKCS#12 certificate file; its password comes
# from the environment variable QS_SIGN_PASSWORD (empty when unset: a certificate file
# without a password). The second signs with a key that never leaves its token or HSM,
# through the token's PKCS#11 module and OpenSSL's PKCS#11 engine: --key is the key's
# PKCS#11 URI (without a PIN in it), --cert the signing certificate (PEM or DER, the
# chain may follow it), and the token's user PIN comes from QS_SIGN_PIN; the token is
# logged in to once, so a wrong PIN costs one of its tries. Neither secret is taken from
# the command line: each reaches the commands that open the key through a pipe, and no
# other program's environment. The signature is timestamped by the RFC 3161 authority of
# --timestamp, or else of QS_SIGN_TIMESTAMP_URL; without one it stops verifying when the
# certificate expires, and the script says so. Writes SIGNED.exe and SIGNED.exe.sig (the
# detached signature, PEM): attached to the same unsigned installer, rebuilt from the same
# commit, it gives SIGNED.exe byte for byte. The unsigned installer is left as it is.
# Any failure ends with a message and exit code 1, and leaves neither output file.
set -euo pipefail
cert="" key="" module="" in="" out="" name="" url="" timestamp=${QS_SIGN_TIMESTAMP_URL:-}
while [ $# -gt 0 ]; do
  case "$1" in
    --cert) cert=$2; shift 2 ;;
    --key) key=$2; shift 2 ;;
    --pkcs11-module) module=$2; shift 2 ;;
    --in) in=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --name) name=$2; shift 2 ;;
    --url) url=$2; shift 2 ;;
    --timestamp) timestamp=$2; shift 2 ;;
    *) echo "sign.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -n "$cert" ] && [ -n "$in" ] && [ -n "$out" ] && [ -n "$name" ] && [ -n "$url" ] ||
  { echo "sign.sh: --cert, --in, --out, --name and --url are needed" >&2; exit 2; }
[ -n "$module" ] || [ -z "$key" ] || { echo "sign.sh: --key goes with --pkcs11-module" >&2; exit 2; }
[ -z "$module" ] || [ -n "$key" ] || { echo "sign.sh: --pkcs11-module needs --key pkcs11:URI" >&2; exit 2; }

# Nothing that could pass for a signed installer stays from an earlier run or a failed one.
rm -f "$out" "$out.sig"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "sign.sh: $*" >&2; exit 1; }
# The one secret of this signing: the certificate file's password or the token's PIN.
# Neither stays in the environment of the programs run from here.
if [ -n "$module" ]; then secret=${QS_SIGN_PIN-}; else secret=${QS_SIGN_PASSWORD-}; fi
unset QS_SIGN_PASSWORD QS_SIGN_PIN
# The secret as one line on a pipe: the tools take the line's end off, so an empty
# password is an empty line, which they read as such.
secret() { printf '%s\n' "$secret"; }

[ -f "$cert" ] && [ -r "$cert" ] || fail "no certificate file at $cert"
[ -f "$in" ] || fail "no installer to sign at $in"

if [ -n "$module" ]; then
  # The key stays on the token: the URI names it, the module reaches it, OpenSSL's engine
  # logs in with the PIN. A PIN inside the URI would stand on osslsigncode's command line.
  [ -f "$module" ] && [ -r "$module" ] || fail "no PKCS#11 module at $module"
  case "$key" in
    pkcs11:*) ;;
    *) fail "--key $key is not a PKCS#11 URI (pkcs11:...)" ;;
  esac
  case "$key" in
    *pin-value=*)
      fail "the key's URI holds its PIN (pin-value), which would stand on a command line: give it in QS_SIGN_PIN" ;;
  esac
  [ -n "$secret" ] || fail "QS_SIGN_PIN is empty: the token's user PIN is needed to sign with its key"
  openssl engine -t pkcs11 >/dev/null 2>&1 ||
    fail "OpenSSL has no PKCS#11 engine to reach the token with (Debian package libengine-pkcs11-openssl)"
  # The signing certificate is the file's first one.
  openssl x509 -in "$cert" -out "$work/cert.pem" 2>/dev/null ||
    openssl x509 -inform DER -in "$cert" -out "$work/cert.pem" 2>/dev/null ||
    fail "cannot read a certificate in $cert (PEM or DER)"
  key_args=(-pkcs11module "$module" -key "$key" -certs "$cert")
else
  # The signing certificate (the one with the private key), read with the password.
  openssl pkcs12 -in "$cert" -nokeys -clcerts -passin fd:3 -out "$work/cert.pem" 3< <(secret) 2>/dev/null ||
    openssl pkcs12 -legacy -in "$cert" -nokeys -clcerts -passin fd:3 -out "$work/cert.pem" 3< <(secret) \
      2>/dev/null ||
    fail "cannot open $cert: wrong password in QS_SIGN_PASSWORD, or not a PKCS#12 certificate file"
  grep -q 'BEGIN CERTIFICATE' "$work/cert.pem" || fail "$cert holds no certificate with its key"
  key_args=(-pkcs12 "$cert")
fi
openssl x509 -in "$work/cert.pem" -noout -checkend 0 >/dev/null ||
  fail "the certificate in $cert has expired ($(openssl x509 -in "$work/cert.pem" -noout -enddate))"
not_before=$(openssl x509 -in "$work/cert.pem" -noout -startdate | sed 's/^notBefore=//')
[ "$(date -d "$not_before" +%s)" -le "$(date +%s)" ] || fail "the certificate in $cert is not valid before $not_before"
openssl x509 -in "$work/cert.pem" -noout -ext extendedKeyUsage 2>/dev/null | grep -q 'Code Signing' ||
  fail "the certificate in $cert is not for code signing (its extended key usage lacks Code Signing)"

timestamp_args=()
[ -z "$timestamp" ] || timestamp_args=(-ts "$timestamp")
[ -n "$timestamp" ] ||
  echo "sign.sh: WARNING: the signature carries no timestamp: it stops verifying when the certificate expires" \
    "(give a timestamp authority with --timestamp or QS_SIGN_TIMESTAMP_URL)" >&2
# -readpass is the PKCS#12 password, or the PIN the engine logs in with. Nothing is read
# from the terminal: a token that asks for more than the PIN fails here.
osslsigncode sign "${key_args[@]}" -readpass <(secret) -h sha256 -n "$name" -i "$url" \
  "${timestamp_args[@]}" -in "$in" -out "$work/signed.exe" </dev/null >"$work/sign.log" 2>&1 ||
  { cat "$work/sign.log" >&2
    logged() { grep -q "$1" "$work/sign.log"; }
    if [ -n "$module" ]; then
      ! logged 'PIN incorrect' || fail "the token refused the PIN in QS_SIGN_PIN"
      ! logged 'PIN locked' || fail "the token's PIN is locked: its security officer must unlock it"
      ! logged 'key values mismatch' || fail "the key $key does not belong to the certificate in $cert"
      ! logged 'private key was not found' || fail "the token offers no private key at $key"
    fi
    fail "osslsigncode could not sign $in${timestamp:+ (or reach the timestamp authority $timestamp)}"; }

# The detached signature, and proof that it gives the signed file again. Attaching also
# checks the certificate chain against the machine's authorities, which a private CA is
# not among: only the bytes it writes count here.
osslsigncode extract-signature -pem -in "$work/signed.exe" -out "$work/signature.pem" >"$work/sign.log" 2>&1 ||
  { cat "$work/sign.log" >&2; fail "the signature could not be taken out of the signed installer"; }
osslsigncode attach-signature -sigin "$work/signature.pem" -in "$in" -out "$work/attached.exe" \
  >"$work/sign.log" 2>&1 || true
cmp -s "$work/attached.exe" "$work/signed.exe" || fail "the detached signature does not give the signed installer again"

mv "$work/signature.pem" "$out.sig"
mv "$work/signed.exe" "$out"
echo "sign.sh: signed installer at $out, detached signature at $out.sig${timestamp:+, timestamped by $timestamp}"
