#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace tessarovin
{

// The test PKI of the authentication (fixtures/ beside this file, linked as fixtures/pki beside the
// test programs): committed keys, TLS certificates and the test security configuration, and the
// dated and port-bound CV certificates and certificate descriptions that make_pki.py writes at test
// start into a folder of the test's own. The chains lead from the CV root DETESTeID00004 over the
// simulated card's trust point DETESTeID00005 and the link CVCA DETESTeID00006 to a DV and a
// terminal; every description lists the TLS certificates of getListedTlsCertificates.
class TestPki
{
	public:
		// The variants of the EAC1 input; each has its certificates and a description.
		enum class Chain
		{
			VALID,
			EXPIRED_DV,
			PRODUCTIVE, // from DEPRODCVCA00001, which the test configuration lists as productive root
			DESCRIPTION_MISMATCH,
			NO_SUBJECT_URL,
			TWO_DVS,
			NO_TERMINAL,
			MIXED_HASH // DV key for ECDSA with SHA-384, terminal key for SHA-256
		};

	private:
		QString mFolder;
		QJsonObject mManifest;

		[[nodiscard]] QJsonObject chain(Chain pChain) const;

	public:
		// Runs make_pki.py into the folder for a provider on https://127.0.0.1:<port>; pChat is the
		// DER of the terminals' CHAT (default: read rights, age and community verification, RI).
		// False, with a warning, when the helper fails.
		bool create(const QString& pFolder, quint16 pPort, const QByteArray& pChat = QByteArray());
		// Reads a PKI that make_pki.py wrote before, for example the one of the test eID server.
		bool open(const QString& pFolder);

		[[nodiscard]] QString path(const QString& pName) const;
		[[nodiscard]] QByteArray read(const QString& pName) const;

		// File names of the EAC1 input's certificates, in the order of the input.
		[[nodiscard]] QStringList getEac1CertificateNames(Chain pChain) const;
		// DER of the EAC1 input's certificates.
		[[nodiscard]] QByteArrayList getEac1Certificates(Chain pChain) const;
		[[nodiscard]] QString getDescriptionName(Chain pChain) const;
		[[nodiscard]] QByteArray getDescription(Chain pChain) const;
		[[nodiscard]] QString getSubjectUrl() const;

		// A committed file of the PKI.
		[[nodiscard]] static QString getFixture(const QString& pName);
		[[nodiscard]] static QByteArray readFixture(const QString& pName);
		// Names of the TLS certificates that every description lists ("<name>.pem", key "<name>.key");
		// "outsider" is in none.
		[[nodiscard]] static QStringList getListedTlsCertificates();
		// The security configuration of the tests (see kendrawell_use_test_security_config).
		[[nodiscard]] static QString getSecurityConfiguration();
};

} // namespace tessarovin
