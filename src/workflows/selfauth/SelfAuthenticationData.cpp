#include "SelfAuthenticationData.h"

#include "LanguageLoader.h"
#include "LogCategories.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocale>

using namespace tessarovin;

namespace
{

struct DatePattern
{
	QString mInput;
	const char* mDisplay;
};


// "xx" is no date field in the input; in the display patterns it is quoted, since Qt's
// formatter would take an unquoted "x" for a field of newer versions.
const QList<DatePattern>& datePatterns()
{
	static const QList<DatePattern> patterns = {
		{QStringLiteral("yyyy-MM-dd+hh:mm"), QT_TRANSLATE_NOOP("tessarovin::SelfData", "dd.MM.yyyy")},
		{QStringLiteral("yyyy-MM"), QT_TRANSLATE_NOOP("tessarovin::SelfData", "'xx'.MM.yyyy")},
		{QStringLiteral("yyyyMM"), QT_TRANSLATE_NOOP("tessarovin::SelfData", "'xx'.MM.yyyy")},
		{QStringLiteral("yyyy"), QT_TRANSLATE_NOOP("tessarovin::SelfData", "'xx'.'xx'.yyyy")}
	};
	return patterns;
}


const QList<QPair<QString, SelfAuthData>>& structuredPlaceKeys()
{
	static const QList<QPair<QString, SelfAuthData>> keys = {
		{QStringLiteral("City"), SelfAuthData::PlaceOfResidenceCity},
		{QStringLiteral("Country"), SelfAuthData::PlaceOfResidenceCountry},
		{QStringLiteral("Street"), SelfAuthData::PlaceOfResidenceStreet},
		{QStringLiteral("ZipCode"), SelfAuthData::PlaceOfResidenceZipCode}
	};
	return keys;
}


} // namespace


SelfAuthenticationData::SelfData::SelfData(const QByteArray& pData)
	: QSharedData()
	, mValid(false)
	, mPermissions()
	, mValues()
{
	if (!pData.isEmpty())
	{
		mValid = parse(pData);
	}
}


bool SelfAuthenticationData::SelfData::parse(const QByteArray& pData)
{
	if (secure().isDebugEnabled())
	{
		qCDebug(secure).noquote() << QStringLiteral("parsing data:\n") + QString::fromUtf8(pData);
	}

	QJsonParseError error {};
	const auto document = QJsonDocument::fromJson(pData, &error);
	if (error.error != QJsonParseError::NoError)
	{
		qDebug() << "JSON parsing failed:" << error.errorString();
		return false;
	}

	// First the permissions: the place of residence hands its own on to its parts.
	const auto object = document.object();
	return parseOperationsAllowedByUser(object) && parsePersonalData(object);
}


bool SelfAuthenticationData::SelfData::parseOperationsAllowedByUser(const QJsonObject& pObject)
{
	const auto value = pObject.value(QLatin1String("OperationsAllowedByUser"));
	if (!value.isObject())
	{
		qDebug() << "JSON value \"OperationsAllowedByUser\" is of wrong type:" << static_cast<int>(value.type());
		return false;
	}

	const auto operations = value.toObject();
	for (auto entry = operations.constBegin(); entry != operations.constEnd(); ++entry)
	{
		const auto data = Enum<SelfAuthData>::valueFromName(entry.key(), SelfAuthData::UNKNOWN);
		if (data == SelfAuthData::UNKNOWN)
		{
			qWarning() << "SelfAuthData is unknown:" << entry.key();
			continue;
		}

		const auto permissionName = entry.value().toString();
		const auto permission = Enum<SelfAuthDataPermission>::valueFromName(permissionName, SelfAuthDataPermission::UNKNOWN);
		if (permission == SelfAuthDataPermission::UNKNOWN)
		{
			qWarning() << "SelfAuthDataPermission is unknown:" << entry.key() << "|" << permissionName;
			continue;
		}

		mPermissions.insert(data, permission);
	}
	return true;
}


bool SelfAuthenticationData::SelfData::parsePersonalData(const QJsonObject& pObject)
{
	const auto value = pObject.value(QLatin1String("PersonalData"));
	if (!value.isObject())
	{
		qDebug() << "JSON value \"PersonalData\" is of wrong type:" << static_cast<int>(value.type());
		return false;
	}

	const auto personalData = value.toObject();
	for (auto entry = personalData.constBegin(); entry != personalData.constEnd(); ++entry)
	{
		const auto data = Enum<SelfAuthData>::valueFromName(entry.key(), SelfAuthData::UNKNOWN);
		switch (data)
		{
			case SelfAuthData::UNKNOWN:
				qWarning() << "PersonalData is unknown:" << entry.key();
				break;

			case SelfAuthData::PlaceOfBirth:
			{
				const auto place = entry.value().toObject().value(QLatin1String("FreetextPlace"));
				if (place.isString())
				{
					mValues.insert(data, place.toString());
				}
				break;
			}

			case SelfAuthData::PlaceOfResidence:
			{
				const auto place = entry.value().toObject();
				const auto permission = getPermission(SelfAuthData::PlaceOfResidence);
				const auto noPlaceInfo = place.value(QLatin1String("NoPlaceInfo"));
				if (noPlaceInfo.isString())
				{
					mValues.insert(SelfAuthData::PlaceOfResidenceNoPlaceInfo, noPlaceInfo.toString());
					mPermissions.insert(SelfAuthData::PlaceOfResidenceNoPlaceInfo, permission);
					break;
				}
				parseStructuredPlace(place.value(QLatin1String("StructuredPlace")).toObject(), permission);
				break;
			}

			default:
				if (entry.value().isString())
				{
					mValues.insert(data, entry.value().toString());
				}
				break;
		}
	}
	return true;
}


void SelfAuthenticationData::SelfData::parseStructuredPlace(const QJsonObject& pPlace, SelfAuthDataPermission pPermission)
{
	for (const auto& [key, data] : structuredPlaceKeys())
	{
		const auto value = pPlace.value(key);
		if (value.isString())
		{
			mValues.insert(data, value.toString());
			mPermissions.insert(data, pPermission);
		}
	}
}


SelfAuthDataPermission SelfAuthenticationData::SelfData::getPermission(SelfAuthData pData) const
{
	return mPermissions.value(pData, SelfAuthDataPermission::UNKNOWN);
}


QString SelfAuthenticationData::SelfData::getValue(SelfAuthData pData) const
{
	switch (getPermission(pData))
	{
		case SelfAuthDataPermission::ALLOWED:
			return mValues.value(pData);

		case SelfAuthDataPermission::NOTONCHIP:
			// Cards of the first generation leave out the nationality of a German ID card.
			if (pData == SelfAuthData::Nationality && getValue(SelfAuthData::DocumentType) == QLatin1String("ID"))
			{
				return QStringLiteral("D");
			}
			return tr("This data has not been stored in this chip generation.");

		case SelfAuthDataPermission::UNKNOWN:
		case SelfAuthDataPermission::PROHIBITED:
			break;
	}
	return QString();
}


QString SelfAuthenticationData::SelfData::formatDate(const QString& pDate)
{
	const auto locale = LanguageLoader::getInstance().getUsedLocale();
	for (const auto& pattern : datePatterns())
	{
		// Read in UTC: in local time a date whose hours fall into the gap of a clock change
		// (02:00 on the night summer time starts) would not parse, and its row would vanish.
		const auto dateTime = QDateTime::fromString(pDate + QLatin1Char('Z'), pattern.mInput + QLatin1Char('t'));
		if (dateTime.isValid())
		{
			return locale.toString(dateTime, tr(pattern.mDisplay));
		}
	}
	return QString();
}


SelfAuthenticationData::OrderedSelfData SelfAuthenticationData::SelfData::getOrderedSelfData() const
{
	OrderedSelfData rows;
	if (!mValid)
	{
		return rows;
	}

	const auto add = [&rows](const QString& pLabel, const QString& pValue) {
				if (!pValue.isNull())
				{
					rows << qMakePair(pLabel, pValue);
				}
			};

	add(tr("Family name"), getValue(SelfAuthData::FamilyNames));
	add(tr("Birth name"), getValue(SelfAuthData::BirthName));
	add(tr("Given name(s)"), getValue(SelfAuthData::GivenNames));
	add(tr("Doctoral degree"), getValue(SelfAuthData::AcademicTitle));
	add(tr("Date of birth"), formatDate(getValue(SelfAuthData::DateOfBirth)));
	add(tr("Place of birth"), getValue(SelfAuthData::PlaceOfBirth));

	// An empty label continues the address of the row before.
	const QString noPlaceInfo = getValue(SelfAuthData::PlaceOfResidenceNoPlaceInfo);
	const QString street = getValue(SelfAuthData::PlaceOfResidenceStreet);
	const QString zipCode = getValue(SelfAuthData::PlaceOfResidenceZipCode);
	const QString city = getValue(SelfAuthData::PlaceOfResidenceCity);
	add(tr("Address"), noPlaceInfo);
	add(noPlaceInfo.isNull() ? tr("Address") : QString(), street);
	if (!zipCode.isNull() || !city.isNull())
	{
		add(street.isNull() ? tr("Address") : QString(), zipCode + QLatin1Char(' ') + city);
	}
	add(QString(), getValue(SelfAuthData::PlaceOfResidenceCountry));

	const QString documentType = getValue(SelfAuthData::DocumentType);
	add(tr("Document type"), documentType);
	add(tr("Nationality"), getValue(SelfAuthData::Nationality));
	add(tr("Religious / artistic name"), getValue(SelfAuthData::ArtisticName));
	add(tr("Issuing country"), getValue(SelfAuthData::IssuingState));

	// Only residence permits carry it.
	static const QStringList residencePermitTypes({QStringLiteral("AR"), QStringLiteral("AS"), QStringLiteral("AF"), QStringLiteral("TA")});
	if (residencePermitTypes.contains(documentType))
	{
		add(tr("Residence permit I"), getValue(SelfAuthData::ResidencePermitI));
	}

	add(tr("Valid until"), formatDate(getValue(SelfAuthData::DateOfExpiry)));
	return rows;
}


bool SelfAuthenticationData::SelfData::operator==(const SelfData& pOther) const
{
	return mValid == pOther.mValid && mPermissions == pOther.mPermissions && mValues == pOther.mValues;
}


SelfAuthenticationData::SelfAuthenticationData(const QByteArray& pData)
	: d(new SelfData(pData))
{
}


bool SelfAuthenticationData::isValid() const
{
	return d->mValid;
}


SelfAuthenticationData::OrderedSelfData SelfAuthenticationData::getOrderedSelfData() const
{
	return d->getOrderedSelfData();
}


bool SelfAuthenticationData::operator==(const SelfAuthenticationData& pOther) const
{
	return d == pOther.d || *d == *pOther.d;
}


bool SelfAuthenticationData::operator!=(const SelfAuthenticationData& pOther) const
{
	return !(*this == pOther);
}
