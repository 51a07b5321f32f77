#!/usr/bin/env bash
# Signs a built installer with Authenticode (SHA-256), and writes its detached signature.
#   sign.sh --cert CERT.pfx --in UNSIGNED.exe --out SIGNED.exe --name NAME --url URL
#           [--timestamp TSA_URL]
# The certificate's password comes from the environment variable QS_SIGN_PASSWORD (empty
# when unset: a certificate file without a password), never from the command line; it
# reaches the two commands that open the certificate through a pipe, and no other
# program's environment. The signature is timestamped by the RFC 3161 authority of
# --timestamp, or else of QS_SIGN_TIMESTAMP_URL; without one it stops verifying when the
# certificate expires, and the script says so. Writes SIGNED.exe and SIGNED.exe.sig (the
# detached signature, PEM): attached to the same unsigned installer, rebuilt from the same
# commit, it gives SIGNED.exe byte for byte. The unsigned installer is left as it is.
# Any failure ends with a message and exit code 1, and leaves neither output file.
set -euo pipefail
cert="" in="" out="" name="" url="" timestamp=${QS_SIGN_TIMESTAMP_URL:-}
while [ $# -gt 0 ]; do
  case "$1" in
    --cert) cert=$2; shift 2 ;;
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

# Nothing that could pass for a signed installer stays from an earlier run or a failed one.
rm -f "$out" "$out.sig"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "sign.sh: $*" >&2; exit 1; }
password=${QS_SIGN_PASSWORD-}
unset QS_SIGN_PASSWORD
# The password as one line on a pipe: both tools take the line's end off, so an empty
# password is an empty line, which they read as such.
password() { printf '%s\n' "$password"; }

[ -f "$cert" ] && [ -r "$cert" ] || fail "no certificate file at $cert"
[ -f "$in" ] || fail "no installer to sign at $in"

# The signing certificate (the one with the private key), read with the password.
openssl pkcs12 -in "$cert" -nokeys -clcerts -passin fd:3 -out "$work/cert.pem" 3< <(password) 2>/dev/null ||
  openssl pkcs12 -legacy -in "$cert" -nokeys -clcerts -passin fd:3 -out "$work/cert.pem" 3< <(password) \
    2>/dev/null ||
  fail "cannot open $cert: wrong password in QS_SIGN_PASSWORD, or not a PKCS#12 certificate file"
grep -q 'BEGIN CERTIFICATE' "$work/cert.pem" || fail "$cert holds no certificate with its key"
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
osslsigncode sign -pkcs12 "$cert" -readpass <(password) -h sha256 -n "$name" -i "$url" \
  "${timestamp_args[@]}" -in "$in" -out "$work/signed.exe" >"$work/sign.log" 2>&1 ||
  { cat "$work/sign.log" >&2
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
