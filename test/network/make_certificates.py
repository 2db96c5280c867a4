#!/usr/bin/python3
"""Writes the TLS fixtures of the network tests into the given folder.

Made by the openssl command, except the expired certificate: openssl 3.0 cannot date a
certificate into the past, so python3-cryptography signs that one.
"""
import datetime
import os
import subprocess
import sys

LOCAL_SAN = "subjectAltName=IP:127.0.0.1,DNS:localhost"


def openssl(*arguments):
    subprocess.run(["openssl", *arguments], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def self_signed(folder, name, key_options, san, extra=()):
    key = os.path.join(folder, name + ".key")
    certificate = os.path.join(folder, name + ".pem")
    openssl("req", "-x509", "-newkey", *key_options, "-nodes", "-keyout", key, "-out", certificate,
            "-days", "30", "-subj", "/CN=" + name, "-addext", san, *extra)


def issued(folder, name, issuer):
    key = os.path.join(folder, name + ".key")
    request = os.path.join(folder, name + ".csr")
    extensions = os.path.join(folder, name + ".ext")
    with open(extensions, "w") as file:
        file.write(LOCAL_SAN + "\n")
    openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", request, "-subj", "/CN=" + name)
    openssl("x509", "-req", "-in", request, "-CA", os.path.join(folder, issuer + ".pem"),
            "-CAkey", os.path.join(folder, issuer + ".key"), "-CAcreateserial", "-days", "30",
            "-extfile", extensions, "-out", os.path.join(folder, name + ".pem"))


def expired(folder, name):
    from cryptography import x509
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import rsa
    from cryptography.x509.oid import NameOID
    import ipaddress

    key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    subject = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, name)])
    now = datetime.datetime.now(datetime.timezone.utc)
    certificate = (x509.CertificateBuilder()
                   .subject_name(subject).issuer_name(subject)
                   .public_key(key.public_key())
                   .serial_number(x509.random_serial_number())
                   .not_valid_before(now - datetime.timedelta(days=60))
                   .not_valid_after(now - datetime.timedelta(days=30))
                   .add_extension(x509.SubjectAlternativeName([
                       x509.IPAddress(ipaddress.ip_address("127.0.0.1")), x509.DNSName("localhost")]), critical=False)
                   .sign(key, hashes.SHA256()))
    with open(os.path.join(folder, name + ".key"), "wb") as file:
        file.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                     serialization.NoEncryption()))
    with open(os.path.join(folder, name + ".pem"), "wb") as file:
        file.write(certificate.public_bytes(serialization.Encoding.PEM))


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    self_signed(folder, "rsa2048", ["rsa:2048"], LOCAL_SAN)
    self_signed(folder, "rsa3072", ["rsa:3072"], LOCAL_SAN)
    self_signed(folder, "ec256", ["ec", "-pkeyopt", "ec_paramgen_curve:P-256"], LOCAL_SAN)
    self_signed(folder, "stranger", ["rsa:2048"], LOCAL_SAN)
    self_signed(folder, "wrongsan", ["rsa:2048"], "subjectAltName=DNS:wrong.example")
    self_signed(folder, "ca", ["rsa:2048"], "basicConstraints=critical,CA:TRUE", ["-addext", "keyUsage=critical,keyCertSign,cRLSign"])
    issued(folder, "leaf", "ca")
    expired(folder, "expired")


if __name__ == "__main__":
    main()
