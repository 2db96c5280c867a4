#!/usr/bin/python3
"""Reads every golden PAOS document with ElementTree, independently of the Qt writer that made it.

ElementTree resolves each prefix to the namespace URI bound in scope. The documents are compared,
element by element in document order, with the tables below: depth, {namespace}name, text and
attributes (xsi:type values resolved the same way), and the namespace declarations in their order.
A prefix bound to a wrong URI therefore fails here even where the bytes look right.
"""

import pathlib
import re
import sys
import xml.etree.ElementTree as ET

SOAP = "http://schemas.xmlsoap.org/soap/envelope/"
XSD = "http://www.w3.org/2001/XMLSchema"
XSI = "http://www.w3.org/2001/XMLSchema-instance"
PAOS = "urn:liberty:paos:2006-08"
WSA = "http://www.w3.org/2005/03/addressing"
DSS = "urn:oasis:names:tc:dss:1.0:core:schema"
ECARD = "http://www.bsi.bund.de/ecard/api/1.1"
ISO = "urn:iso:std:iso-iec:24727:tech:schema"
XML = "http://www.w3.org/XML/1998/namespace"

ENVELOPE_DECLARATIONS = [("soap", SOAP), ("xsd", XSD), ("xsi", XSI), ("paos", PAOS), ("wsa", WSA),
                         ("dss", DSS), ("ecard", ECARD), ("iso", ISO)]
MESSAGE_ID = "urn:uuid:00000000-0000-0000-0000-000000000000"
MAJOR = "http://www.bsi.bund.de/ecard/api/1.1/resultmajor#"
MINOR = "http://www.bsi.bund.de/ecard/api/1.1/resultminor/"
EAC_PROTOCOL = "urn:oid:1.3.162.15480.3.0.14.2"


def q(namespace, name):
    return "{%s}%s" % (namespace, name)


def el(depth, namespace, name, text="", attributes=None):
    return (depth, q(namespace, name), text, attributes or {})


def envelope(relates_to, body):
    rows = [
        el(0, SOAP, "Envelope"),
        el(1, SOAP, "Header"),
        el(2, PAOS, "PAOS", attributes={q(SOAP, "mustUnderstand"): "1",
                                         q(SOAP, "actor"): "http://schemas.xmlsoap.org/soap/actor/next"}),
        el(3, PAOS, "Version", PAOS),
        el(3, PAOS, "EndpointReference"),
        el(4, PAOS, "Address", "http://www.projectliberty.org/2006/01/role/paos"),
        el(4, PAOS, "MetaData"),
        el(5, PAOS, "ServiceType", ECARD + "/PAOS/GetNextCommand"),
        el(2, WSA, "ReplyTo"),
        el(3, WSA, "Address", "http://www.projectliberty.org/2006/02/role/paos"),
    ]
    if relates_to is not None:
        rows.append(el(2, WSA, "RelatesTo", relates_to))
    rows.append(el(2, WSA, "MessageID", MESSAGE_ID))
    rows.append(el(1, SOAP, "Body"))
    return rows + body


def result(depth, major="ok", minor=None, message=None):
    rows = [el(depth, DSS, "Result"), el(depth + 1, DSS, "ResultMajor", MAJOR + major)]
    if minor is not None:
        rows.append(el(depth + 1, DSS, "ResultMinor", MINOR + minor))
    if message is not None:
        rows.append(el(depth + 1, DSS, "ResultMessage", message, {q(XML, "lang"): "en"}))
    return rows


def response(name, namespace, relates_to, children, **result_args):
    body = [el(2, namespace, name, attributes={"Profile": ECARD})] + result(3, **result_args)
    return envelope(relates_to, body + children)


def eac_data(output_type, children):
    return [el(3, ISO, "AuthenticationProtocolData",
               attributes={q(XSI, "type"): q(ISO, output_type), "Protocol": EAC_PROTOCOL})] + \
        [el(4, ISO, name, text) for name, text in children]


RESPONSE_DECLARATIONS = lambda namespace: ENVELOPE_DECLARATIONS + [("", namespace), ("", DSS)]

EXPECTED = {
    "start_paos.xml": (
        envelope(None, [
            el(2, ISO, "StartPAOS"),
            el(3, ISO, "SessionIdentifier", "4b3c0e1d2f9a8b7c6d5e4f3a2b1c0d9e"),
            el(3, ISO, "ConnectionHandle", attributes={q(XSI, "type"): q(ISO, "ConnectionHandleType")}),
            el(4, ISO, "CardApplication", "e80704007f00070302"),
            el(4, ISO, "SlotHandle", "00"),
            el(3, ISO, "UserAgent"),
            el(4, ISO, "Name", "Kendrawell2"),
            el(4, ISO, "VersionMajor", "2"),
            el(4, ISO, "VersionMinor", "7"),
            el(4, ISO, "VersionSubminor", "0"),
            el(3, ISO, "SupportedAPIVersions"),
            el(4, ISO, "Major", "1"),
            el(4, ISO, "Minor", "1"),
            el(4, ISO, "Subminor", "5"),
        ]),
        ENVELOPE_DECLARATIONS + [("", ISO), ("xsi", XSI)]),
    "initialize_framework_response.xml": (
        response("InitializeFrameworkResponse", ECARD, "urn:uuid:6f0c8b2e-1d4a-4e57-9a3b-0c1d2e3f4a5b", [
            el(3, ECARD, "Version"),
            el(4, ECARD, "Major", "1"),
            el(4, ECARD, "Minor", "1"),
            el(4, ECARD, "SubMinor", "5"),
        ]),
        RESPONSE_DECLARATIONS(ECARD)),
    "did_authenticate_response_eac1.xml": (
        response("DIDAuthenticateResponse", ISO, "urn:uuid:0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9", eac_data("EAC1OutputType", [
            ("CertificateHolderAuthorizationTemplate", "7f4c12060904007f0007030102025305000513ff00"),
            ("CertificationAuthorityReference", "DETESTCVCA00002"),
            ("CertificationAuthorityReference", "DETESTCVCA00001"),
            ("EFCardAccess", "3114300f060a04007f00070202040202020102020d"),
            ("IDPICC", "9a2f6c1e0b7d4a8f3e5c2b1a0d9e8f7c6b5a4938"),
            ("Challenge", "1f2e3d4c5b6a7988"),
        ])),
        RESPONSE_DECLARATIONS(ISO)),
    "did_authenticate_response_eac1_minimal.xml": (
        response("DIDAuthenticateResponse", ISO, "urn:uuid:0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9", eac_data("EAC1OutputType", [
            ("EFCardAccess", ""),
            ("IDPICC", ""),
            ("Challenge", ""),
        ])),
        RESPONSE_DECLARATIONS(ISO)),
    "did_authenticate_response_eac2.xml": (
        response("DIDAuthenticateResponse", ISO, "urn:uuid:1b2c3d4e-5f60-4172-83a4-b5c6d7e8f90a", eac_data("EAC2OutputType", [
            ("EFCardSecurity", "3082010206092a864886f70d010702a081f4"),
            ("AuthenticationToken", "8e1f2a3b4c5d6e7f"),
            ("Nonce", "0123456789abcdef"),
            ("Challenge", "fedcba9876543210"),
        ])),
        RESPONSE_DECLARATIONS(ISO)),
    "did_authenticate_response_eac2_challenge.xml": (
        response("DIDAuthenticateResponse", ISO, "urn:uuid:1b2c3d4e-5f60-4172-83a4-b5c6d7e8f90a", eac_data("EAC2OutputType", [
            ("Challenge", "fedcba9876543210"),
        ])),
        RESPONSE_DECLARATIONS(ISO)),
    "transmit_response_0.xml": (
        response("TransmitResponse", ISO, "urn:uuid:2c3d4e5f-6071-4283-94a5-b6c7d8e9f0a1", []),
        RESPONSE_DECLARATIONS(ISO)),
    "transmit_response_1.xml": (
        response("TransmitResponse", ISO, "urn:uuid:2c3d4e5f-6071-4283-94a5-b6c7d8e9f0a1",
                 [el(3, ISO, "OutputAPDU", "6982")],
                 major="error", minor="al/common#unknownError", message="Unexpected transmit status"),
        RESPONSE_DECLARATIONS(ISO)),
    "transmit_response_3.xml": (
        response("TransmitResponse", ISO, "urn:uuid:2c3d4e5f-6071-4283-94a5-b6c7d8e9f0a1",
                 [el(3, ISO, "OutputAPDU", apdu) for apdu in ("9000", "0102030405069000", "6a82")]),
        RESPONSE_DECLARATIONS(ISO)),
}


def read(path):
    """The elements in document order and every namespace declaration in document order."""
    rows, open_rows, declarations, pending = [], [], [], []
    scopes = [{"xml": XML}]
    for event, item in ET.iterparse(path, events=("start-ns", "start", "end")):
        if event == "start-ns":
            pending.append(item)
            declarations.append(item)
        elif event == "start":
            scope = dict(scopes[-1])
            scope.update(dict(pending))
            pending = []
            scopes.append(scope)
            attributes = {}
            for name, value in item.attrib.items():
                if name == q(XSI, "type"):
                    prefix, _, local = value.rpartition(":")
                    if prefix not in scope:
                        raise ValueError("xsi:type %r uses an undeclared prefix" % value)
                    value = q(scope[prefix], local)
                attributes[name] = value
            row = [len(scopes) - 2, item.tag, None, attributes]
            rows.append(row)
            open_rows.append(row)
        else:
            row = open_rows.pop()
            row[2] = (item.text or "") if len(item) == 0 else ""
            scopes.pop()
    return [tuple(row) for row in rows], declarations


def main():
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path(__file__).parent / "fixtures"
    failures = 0
    present = sorted(path.name for path in folder.glob("*.xml"))
    if present != sorted(EXPECTED):
        print("golden files %s, table %s" % (present, sorted(EXPECTED)))
        failures += 1

    for name, (expected_rows, expected_declarations) in sorted(EXPECTED.items()):
        path = folder / name
        if not path.exists():
            continue
        text = path.read_text(encoding="utf-8")
        if not text.startswith('<?xml version="1.0" encoding="UTF-8"?>\n'):
            print("%s: no XML declaration of version 1.0 in UTF-8" % name)
            failures += 1
        if len(re.findall(r"urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}<", text)) != \
                (2 if "RelatesTo" in text else 1):
            print("%s: MessageID or RelatesTo not in the lower-case 8-4-4-4-12 form" % name)
            failures += 1

        rows, declarations = read(path)
        if declarations != expected_declarations:
            print("%s: namespace declarations\n  got      %s\n  expected %s" % (name, declarations, expected_declarations))
            failures += 1
        for index in range(max(len(rows), len(expected_rows))):
            got = rows[index] if index < len(rows) else None
            expected = expected_rows[index] if index < len(expected_rows) else None
            if got != expected:
                print("%s: element %d\n  got      %s\n  expected %s" % (name, index + 1, got, expected))
                failures += 1
                break

    print("%d golden documents checked, %d failures" % (len(EXPECTED), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
