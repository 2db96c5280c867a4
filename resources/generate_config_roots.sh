#!/usr/bin/env bash
# Writes the trust anchors of config.json: one productive and one test CVCA certificate
# (cvc-create, brainpoolP256r1) and one update-signing certificate (openssl, P-256).
# The private keys are thrown away: these roots stand in until the real trust anchors are
# entered, and nothing can be signed under them.
set -euo pipefail
cd "$(dirname "$0")"

work=$(mktemp -d)
hex()
{
	od -An -tx1 -v "$1" | tr -d ' \n' | tr 'a-f' 'A-F'
}

trap 'rm -rf "$work"' EXIT

cvca()
{
	local chr=$1
	openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:brainpoolP256r1 -outform DER -out "$work/$chr.pkcs8"
	cvc-create --role=cvca --type=at --chr="$chr" --issued=250101 --expires=341231 \
		--sign-with="$work/$chr.pkcs8" --scheme=ECDSA_SHA_256 --out-cert="$work/$chr.cvcert" >/dev/null
	hex "$work/$chr.cvcert"
}

productive=$(cvca ZZKWCVCA00001)
test=$(cvca ZZKWTCVCA00001)

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$work/update.key" \
	-subj "/O=Kendrawell/CN=Kendrawell update signing" -days 3650 -outform DER -out "$work/update.der" 2>/dev/null
update=$(hex "$work/update.der")

PRODUCTIVE=$productive TEST=$test UPDATE=$update /usr/bin/python3 - <<'PYTHON'
import json
import os
from collections import OrderedDict

with open("config.json", encoding="utf-8") as file:
	config = json.load(file, object_pairs_hook=OrderedDict)
config["cvRootCertificates"] = [os.environ["PRODUCTIVE"]]
config["cvRootCertificatesTest"] = [os.environ["TEST"]]
config["updateCertificates"] = [os.environ["UPDATE"]]
with open("config.json", "w", encoding="utf-8") as file:
	json.dump(config, file, indent="\t", ensure_ascii=False)
	file.write("\n")
PYTHON
