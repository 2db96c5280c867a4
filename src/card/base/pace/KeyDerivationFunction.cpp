#include "pace/KeyDerivationFunction.h"

#include "LogCategories.h"

#include <QtEndian>

using namespace tessarovin;


KeyDerivationFunction::KeyDerivationFunction(const SecurityProtocol& pSecurityProtocol)
	: mHashAlgorithm(pSecurityProtocol.getHashAlgorithm())
	, mKeySize(pSecurityProtocol.getKeySize())
{
	if (mKeySize == 0)
	{
		qCCritical(card) << "Unknown algorithm:" << pSecurityProtocol.getOid().getData().toHex();
	}
}


bool KeyDerivationFunction::isInitialized() const
{
	return mKeySize != 0;
}


QByteArray KeyDerivationFunction::enc(const QByteArray& pSecret, const QByteArray& pNonce) const
{
	return deriveKey(pSecret, pNonce, 1);
}


QByteArray KeyDerivationFunction::mac(const QByteArray& pSecret, const QByteArray& pNonce) const
{
	return deriveKey(pSecret, pNonce, 2);
}


QByteArray KeyDerivationFunction::pi(const QByteArray& pPassword) const
{
	return deriveKey(pPassword, QByteArray(), 3);
}


QByteArray KeyDerivationFunction::deriveKey(const QByteArray& pSecret, const QByteArray& pNonce, quint32 pCounter) const
{
	if (!isInitialized())
	{
		qCCritical(card) << "KeyDerivationFunction not successfully initialized";
		return QByteArray();
	}

	QByteArray counter(sizeof(quint32), '\0');
	qToBigEndian(pCounter, counter.data());

	QCryptographicHash hash(mHashAlgorithm);
	hash.addData(pSecret);
	hash.addData(pNonce);
	hash.addData(counter);
	return hash.result().left(mKeySize);
}
