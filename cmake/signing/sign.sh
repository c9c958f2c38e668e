#!/bin/sh
# sign.sh FILE: signs FILE in place (Authenticode, SHA-256) when the release
# is to be signed, that is when WENDRAKE_SIGN_PFX (a PKCS#12 file) and
# WENDRAKE_SIGN_PASSWORD are set; WENDRAKE_SIGN_TIMESTAMP_URL adds a
# timestamp. Without them FILE stays as it is. A certificate that cannot sign
# fails with its cause, before anything is signed with it.
# The password goes to openssl and osslsigncode through the environment and a
# pipe, never on a command line, which every user of the machine can read.
set -eu
file=$1
[ -n "${WENDRAKE_SIGN_PFX-}${WENDRAKE_SIGN_PASSWORD-}" ] || exit 0
fail() {
  echo "Signing $file: $*" >&2
  exit 1
}
pfx=${WENDRAKE_SIGN_PFX-}
[ -n "$pfx" ] || fail "WENDRAKE_SIGN_PASSWORD is set, but WENDRAKE_SIGN_PFX is not"
[ -n "${WENDRAKE_SIGN_PASSWORD+set}" ] || fail "WENDRAKE_SIGN_PFX is set, but WENDRAKE_SIGN_PASSWORD is not"
# The setup program and its uninstaller are signed from another folder.
case $pfx in /*) ;; *) fail "WENDRAKE_SIGN_PFX must be an absolute path, not $pfx" ;; esac
[ -f "$pfx" ] && [ -r "$pfx" ] || fail "WENDRAKE_SIGN_PFX: there is no readable file $pfx"
cert=$(openssl pkcs12 -in "$pfx" -passin env:WENDRAKE_SIGN_PASSWORD -nokeys -clcerts 2>&1) ||
  fail "$pfx cannot be opened with WENDRAKE_SIGN_PASSWORD (a wrong password?): $(echo "$cert" | head -n 1)"
usage=$(echo "$cert" | openssl x509 -noout -ext extendedKeyUsage 2>&1) || fail "$pfx holds no certificate"
echo "$usage" | grep -q 'Code Signing' || fail "the certificate in $pfx is not for code signing"
echo "$cert" | openssl x509 -noout -checkend 0 >/dev/null || fail "the certificate in $pfx has expired"

set -- -pkcs12 "$pfx" -readpass /dev/stdin -h sha256 -n VUX-Wendrake
[ -z "${WENDRAKE_SIGN_TIMESTAMP_URL-}" ] || set -- "$@" -ts "$WENDRAKE_SIGN_TIMESTAMP_URL"
rm -f "$file.signed"
if ! log=$(printf '%s' "$WENDRAKE_SIGN_PASSWORD" | osslsigncode sign "$@" -in "$file" -out "$file.signed" 2>&1); then
  rm -f "$file.signed"
  fail "osslsigncode: $log"
fi
mv "$file.signed" "$file"
