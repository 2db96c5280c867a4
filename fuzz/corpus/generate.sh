#!/usr/bin/env bash
# Writes the seed corpus of every fuzz target: the encodings the tests already use (copied from
# their fixtures), a few ASN.1 structures made by "openssl asn1parse -genconf", and protocol
# examples of the APDU and pin-pad formats. Run it again after a fixture changes.
set -euo pipefail
cd "$(dirname "$0")"
ROOT=../..
ASN1=$ROOT/test/card/base/asn1/fixtures
CVC=$ASN1/cvc
CARD=$ROOT/test/card/base/fixtures
PINPAD=$ROOT/test/card/base/pinpad/fixtures
SIMULATOR=$ROOT/test/card/simulator/fixtures

CHAT_AT=7F4C12060904007F0007030102025305000513FF87
CHAT_IS=7F4C0E060904007F0007030102015301C0
CHAT_ST=7F4C0E060904007F0007030102035301C3

# A fresh folder per target, so that a removed seed does not linger.
target()
{
	rm -rf "$1"
	mkdir -p "$1"
}

hex()
{
	local file=$1 bytes=$2
	echo -n "$bytes" | xxd -r -p > "$file"
}

generate()
{
	openssl asn1parse -genconf - -noout -out "$1"
}

# The CCID form of a pin-pad request: FF 9A 04 02, the length of the DER, the DER, Le 256.
ccid()
{
	local der=$1 out=$2
	local size
	size=$(stat -c %s "$der")
	if [ "$size" -lt 256 ]; then
		{ printf '\xFF\x9A\x04\x02'; printf "\\x$(printf %02x "$size")"; cat "$der"; printf '\x00'; } > "$out"
	else
		{ printf '\xFF\x9A\x04\x02\x00'; printf "\\x$(printf %02x $((size >> 8)))\\x$(printf %02x $((size & 0xFF)))"; cat "$der"; printf '\x01\x00'; } > "$out"
	fi
}

target fuzz_SecurityInfos
for file in "$ASN1"/*.der "$CARD"/*.der; do
	cp "$file" fuzz_SecurityInfos/
done
cp "$SIMULATOR/ef_card_access.der" fuzz_SecurityInfos/simulator_card_access.der
cp "$SIMULATOR/security_infos.der" fuzz_SecurityInfos/simulator_security_infos.der

# EF.CardSecurity the way the tests make it: the security infos signed by "openssl cms", once by
# the simulator's document signer and once by a throwaway one with a serialNumber in its subject
# (which the decoder logs), plus the forms it refuses.
target fuzz_CardSecurity
cp "$SIMULATOR/ef_card_security.der" fuzz_CardSecurity/simulator.der
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$work/ds.key" -out "$work/ds.pem" \
	-subj "/C=DE/CN=Test Document Signer/serialNumber=DS-0042" -days 2 2> /dev/null
cardSecurity()
{
	local out=$1 content=$2
	shift 2
	openssl cms -sign -binary -outform DER -in "$content" -out "fuzz_CardSecurity/$out" "$@"
}
simulatorSigner=(-signer "$SIMULATOR/ds.pem" -inkey "$SIMULATOR/ds.key.pem")
serialSigner=(-signer "$work/ds.pem" -inkey "$work/ds.key")
cardSecurity card_access.der "$ASN1/card_access.der" -nodetach -econtent_type 0.4.0.127.0.7.3.2.1 "${serialSigner[@]}"
cardSecurity two_signer_certificates.der "$ASN1/card_access.der" -nodetach -econtent_type 0.4.0.127.0.7.3.2.1 \
	"${simulatorSigner[@]}" -certfile "$work/ds.pem"
cardSecurity no_certificates.der "$ASN1/mobile.der" -nodetach -nocerts -noattr -econtent_type 0.4.0.127.0.7.3.2.1 "${serialSigner[@]}"
cardSecurity other_content_type.der "$ASN1/card_access.der" -nodetach -econtent_type 0.4.0.127.0.7.3.2.2 "${serialSigner[@]}"
cardSecurity detached.der "$ASN1/card_access.der" -econtent_type 0.4.0.127.0.7.3.2.1 "${serialSigner[@]}"
openssl cms -data_create -binary -outform DER -in "$ASN1/card_access.der" -out fuzz_CardSecurity/data.der

# Authenticated auxiliary data as an eID server sends it: all three templates, each alone, and the
# forms the decoder refuses (a repeated and an unknown identifier, a value not tagged 53).
auxiliaryData()
{
	local out=$1
	shift
	local conf="asn1=IMPLICIT:7A,SET:templates"$'\n'"[templates]"$'\n'
	local sections="" i=0
	while [ $# -gt 0 ]; do
		conf+="t$i=IMPLICIT:19A,SEQUENCE:t$i"$'\n'
		sections+="[t$i]"$'\n'"oid=OID:0.4.0.127.0.7.3.1.4.$1"$'\n'"value=$2"$'\n'
		i=$((i + 1))
		shift 2
	done
	echo -n "$conf$sections" | generate "fuzz_AuxiliaryData/$out"
}
target fuzz_AuxiliaryData
auxiliaryData all_three.der 1 IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:20060515 2 IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:20301231 \
	3 IMPLICIT:19A,FORMAT:HEX,OCTETSTRING:02760400000000
auxiliaryData age.der 1 IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:20040229
auxiliaryData validity.der 2 IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:20301231
auxiliaryData community.der 3 IMPLICIT:19A,FORMAT:HEX,OCTETSTRING:02760400000000
auxiliaryData empty.der
auxiliaryData expiry_twice.der 2 IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:20301231 2 IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:20311231
auxiliaryData psm_message.der 1 IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:20060515 4 IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:00
auxiliaryData value_not_tagged.der 1 FORMAT:ASCII,OCTETSTRING:20060515 3 INTEGER:5
xxd -p fuzz_AuxiliaryData/all_three.der | tr -d '\n' | tr 'a-f' 'A-F' > fuzz_AuxiliaryData/all_three_hex

target fuzz_ApplicationTemplates
hex fuzz_ApplicationTemplates/eid 610B4F09E80704007F00070302
hex fuzz_ApplicationTemplates/esign_and_eid 61174F0AA000000167455349474E5005655369676E51020101610B4F09E80704007F00070302

target fuzz_Chat
hex fuzz_Chat/at "$CHAT_AT"
hex fuzz_Chat/is "$CHAT_IS"
hex fuzz_Chat/st "$CHAT_ST"
echo -n "$CHAT_AT" > fuzz_Chat/at_hex

target fuzz_CVCertificate
for curve in brainpoolP256r1 prime256v1; do
	for file in "$CVC/$curve"/*.cvcert; do
		cp "$file" "fuzz_CVCertificate/${curve}_$(basename "$file")"
	done
	cat "$CVC/$curve/cvca.cvcert" "$CVC/$curve/link.cvcert" "$CVC/$curve/dv_domestic.cvcert" "$CVC/$curve/terminal.cvcert" > "fuzz_CVCertificate/${curve}_chain"
done
cp "$SIMULATOR"/*.cvcert fuzz_CVCertificate/

target fuzz_CertificateDescription
cp "$CVC/brainpoolP256r1/terminal.desc" fuzz_CertificateDescription/terminal.desc
cp "$PINPAD"/certificate_description*.der fuzz_CertificateDescription/
xxd -p "$PINPAD/certificate_description.der" | tr -d '\n' > fuzz_CertificateDescription/certificate_description_hex

target fuzz_ASN1Struct
cp "$ASN1/card_access.der" "$CVC/prime256v1/terminal.cvcert" "$PINPAD/certificate_description.der" "$PINPAD/request_can.der" fuzz_ASN1Struct/
hex fuzz_ASN1Struct/siblings 020105020106
hex fuzz_ASN1Struct/high_tag 7F4C0E060904007F0007030102025305000513FF87

target fuzz_CommandApdu
hex fuzz_CommandApdu/select_card_access 00A4020C02011C
hex fuzz_CommandApdu/read_binary_short_id 00B09C0000
hex fuzz_CommandApdu/read_binary_extended 00B0000000FFFF
hex fuzz_CommandApdu/mse_set_at 0022C1A40F800A04007F00070202040202830103
hex fuzz_CommandApdu/general_authenticate 10860000027C0000
hex fuzz_CommandApdu/header_only 00840000
ccid "$PINPAD/request_can.der" fuzz_CommandApdu/establish_pace_channel

target fuzz_GeneralAuthenticateResponse
hex fuzz_GeneralAuthenticateResponse/encrypted_nonce 7C0A800801020304050607089000
hex fuzz_GeneralAuthenticateResponse/mutual_authentication 7C1E8608010203040506070887084445435643413031880844454356434130309000
hex fuzz_GeneralAuthenticateResponse/chip_authentication 7C1481080102030405060708820801020304050607089000
hex fuzz_GeneralAuthenticateResponse/empty_data 7C009000
hex fuzz_GeneralAuthenticateResponse/wrong_status 7C0A800801020304050607086300

target fuzz_EstablishPaceChannel
for file in "$PINPAD"/request_*.der; do
	ccid "$file" "fuzz_EstablishPaceChannel/$(basename "$file" .der).apdu"
done
hex fuzz_EstablishPaceChannel/input_pin_bare 0300000000
hex fuzz_EstablishPaceChannel/input_can "0215${CHAT_AT}000000"

target fuzz_EstablishPaceChannelOutput
hex fuzz_EstablishPaceChannelOutput/pcsc_ok 000000000600900002003100
hex fuzz_EstablishPaceChannelOutput/pcsc_wrong_pin C26306F00000
hex fuzz_EstablishPaceChannelOutput/pcsc_cars 000000001A0090000200310007444543564341010744454356434100020102
generate fuzz_EstablishPaceChannelOutput/ccid_ok.der <<CONF
asn1=SEQUENCE:output
[output]
errorCode=EXPLICIT:1,FORMAT:HEX,OCTETSTRING:00000000
status=EXPLICIT:2,FORMAT:HEX,OCTETSTRING:9000
cardAccess=EXPLICIT:3,SET:infos
idIcc=EXPLICIT:4,FORMAT:HEX,OCTETSTRING:0102
carCurr=EXPLICIT:5,OCTETSTRING:DECVCA01
carPrev=EXPLICIT:6,OCTETSTRING:DECVCA00
[infos]
pace=SEQUENCE:pace
[pace]
protocol=OID:0.4.0.127.0.7.2.2.4.2.2
version=INTEGER:2
parameterId=INTEGER:13
CONF
{ cat fuzz_EstablishPaceChannelOutput/ccid_ok.der; printf '\x90\x00'; } > fuzz_EstablishPaceChannelOutput/ccid_ok
rm fuzz_EstablishPaceChannelOutput/ccid_ok.der

target fuzz_PinModify
hex fuzz_PinModify/structure 1E1E82000000000606010202070400010200000004000000002C0203
hex fuzz_PinModify/timeout_only 3C00

target fuzz_RemoteServiceSettings
cat > fuzz_RemoteServiceSettings/two_devices.json <<'JSON'
[{"fingerprint":"a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f60718293a4b5c6d7e8f90","lastConnected":"2024-05-01T12:30:00.123+02:00","name":"Phone"},{"fingerprint":"00ff","lastConnected":"2024-05-02T08:00:00.000Z","name":"<b>Tablet</b>"}]
JSON
echo -n '[]' > fuzz_RemoteServiceSettings/empty.json

target fuzz_SecureStorage
cp "$ROOT/resources/config.json" fuzz_SecureStorage/config.json

target fuzz_SimulatorFileSystem
cat > fuzz_SimulatorFileSystem/card.json <<JSON
{
	"files": [
		{"fileId": "011C", "shortFileId": "1C", "content": "$(xxd -p "$SIMULATOR/ef_card_access.der" | tr -d '\n')"},
		{"fileId": "0101", "shortFileId": "01", "content": "$(xxd -p "$SIMULATOR/dg01.der" | tr -d '\n')"},
		{"fileId": "0108", "shortFileId": "08", "content": "$(xxd -p "$SIMULATOR/dg08.der" | tr -d '\n')"},
		{"fileId": "0113", "shortFileId": "13", "content": ""}
	],
	"keys": [
		{"id": 41, "content": "$(xxd -p "$SIMULATOR/key41.pkcs8" | tr -d '\n')"},
		{"id": 7, "content": "0a:0b"}
	]
}
JSON
echo -n '{"files": [1, {"fileId": 2}], "keys": [{"id": 0, "content": "00"}, []]}' > fuzz_SimulatorFileSystem/broken_entries.json

# The commands of the JSON interface's tests, good and bad.
target fuzz_MessageDispatcher
number=0
while IFS= read -r command; do
	number=$((number + 1))
	printf '%s' "$command" > "fuzz_MessageDispatcher/command$number.json"
done <<'COMMANDS'
{}
[1]
{"cmd":5,"request":"r"}
{"cmd":"get_info"}
{"cmd":"GET_INFO","request":{"id":1}}
{"cmd":"GET_API_LEVEL","request":""}
{"cmd":"SET_API_LEVEL","level":4}
{"cmd":"SET_API_LEVEL","level":"2"}
{"cmd":"SET_API_LEVEL","level":2.5}
{"cmd":"SET_API_LEVEL","level":1}
{"cmd":"GET_STATUS","request":[true,false]}
{"cmd":"GET_LOG","request":-1.5}
{"cmd":"INTERRUPT"}
{"cmd":"CANCEL","request":null}
{"cmd":"ACCEPT"}
{"cmd":"CONTINUE"}
{"cmd":"SET_PIN","value":"123456"}
{"cmd":"SET_CAN","value":"12345a"}
{"cmd":"SET_PUK","value":1234567890}
{"cmd":"SET_NEW_PIN"}
{"cmd":"SET_CARD","name":"Simulator","simulator":{"files":[]}}
{"cmd":"GET_READER","name":"x"}
{"cmd":"GET_READER_LIST"}
{"cmd":"RUN_AUTH","tcTokenURL":"https://127.0.0.1/tcToken","header":{"a":"b"},"status":false}
{"cmd":"RUN_CHANGE_PIN","messages":{"sessionStarted":"s"},"developerMode":true}
{"cmd":"GET_CERTIFICATE"}
{"cmd":"SET_ACCESS_RIGHTS","chat":["Address"]}
{"cmd":"GET_INFO","request":1
COMMANDS
