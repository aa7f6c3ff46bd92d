#!/usr/bin/env bash
# Signs a Windows program in place with osslsigncode (Authenticode, SHA-256).
# The build runs it after each link of SETUP.EXE:
#   scripts/sign.sh PROGRAM.EXE CERT KEY    the release certificate and its key
#   scripts/sign.sh PROGRAM.EXE --test DIR  DIR/test-cert.pem, a throwaway
#                                           self-signed certificate made once
# No time stamp: the build machine is offline. The signed copy is written
# beside the program and then replaces it; when signing fails the unsigned
# program is removed, so that nothing takes it for a signed one.
set -euo pipefail
exe="$1"

if [ "$2" = --test ]; then
    cert="$3/test-cert.pem"
    key="$3/test-key.pem"
    if [ ! -f "$cert" ] || [ ! -f "$key" ]; then
        mkdir -p "$3"
        # A code-signing leaf, made without the host's openssl.cnf.
        (umask 077 && openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:3072 -quiet -out "$key.new")
        OPENSSL_CONF=/dev/null openssl req -x509 -new -key "$key.new" -sha256 -days 3650 \
            -subj "/CN=Zuntoria SETUP test signing (not for release)" \
            -addext basicConstraints=critical,CA:FALSE -addext keyUsage=critical,digitalSignature \
            -addext extendedKeyUsage=codeSigning -out "$cert.new"
        mv "$key.new" "$key"
        mv "$cert.new" "$cert"
    fi
else
    cert="$2"
    key="$3"
fi

signed="$exe.signed"
rm -f "$signed"
if ! out=$(osslsigncode sign -h sha256 -certs "$cert" -key "$key" -in "$exe" -out "$signed" 2>&1); then
    echo "$out" >&2
    rm -f "$signed" "$exe"
    exit 1
fi
mv "$signed" "$exe"
