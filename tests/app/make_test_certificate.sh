#!/usr/bin/env bash
# Makes a throwaway code-signing certificate for the signing tests:
#   bash make_test_certificate.sh DIR [NAME]
# writes DIR/NAME.pfx (certificate and private key, PKCS#12), DIR/NAME.pem
# (the certificate alone, to verify signatures against) and
# DIR/NAME-password.txt (its password, with a space, on one line). NAME is
# "test" by default. Valid for two days; nothing outside DIR is written.
set -euo pipefail
dir=$1 name=${2:-test}
mkdir -p "$dir"
printf 'throw away %s\n' "$name" >"$dir/$name-password.txt"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Kavri Test Signer ($name)" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$dir/$name-key.pem" -out "$dir/$name.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$dir/$name-key.pem" -in "$dir/$name.pem" -out "$dir/$name.pfx" \
  -passout "file:$dir/$name-password.txt"
rm -f "$dir/$name-key.pem"
