#pragma once

#include <QByteArray>
#include <QDebug>
#include <QString>

namespace tessarovin
{

// A file or application on the card: the type byte as used in P1 of SELECT, the file identifier
// (or the application identifier) and the optional one-byte short file identifier.
class FileRef
{
	public:
		enum TYPE : uchar
		{
			MASTER_FILE = 0x00,
			ELEMENTARY_FILE = 0x02,
			APPLICATION = 0x04,
			UNKNOWN = 0xFF
		};

	private:
		TYPE mType;
		QByteArray mPath;
		QByteArray mShortIdentifier;

	public:
		FileRef();
		// Checks the type: anything but 0, 2 and 4 is kept as UNKNOWN.
		FileRef(uchar pType, const QByteArray& pPath, const QByteArray& pShortIdentifier);
		FileRef(TYPE pType, const QByteArray& pPath, const QByteArray& pShortIdentifier);

		static FileRef masterFile();
		static FileRef efDir();
		static FileRef efCardAccess();
		static FileRef efCardSecurity();
		static FileRef appESignCia();
		static FileRef appEId();
		static FileRef appESign();
		static FileRef appPassport();
		static FileRef appPersosim();

		[[nodiscard]] TYPE getType() const;
		[[nodiscard]] const QByteArray& getIdentifier() const;
		[[nodiscard]] const QByteArray& getShortIdentifier() const;
		[[nodiscard]] QString getName() const;

		bool operator==(const FileRef& pOther) const = default;
};


QDebug operator<<(QDebug pDbg, const FileRef& pFileRef);

} // namespace tessarovin
