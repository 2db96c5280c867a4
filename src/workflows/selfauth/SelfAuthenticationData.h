#pragma once

#include "Enum.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <QSharedData>
#include <QSharedDataPointer>
#include <QString>

namespace tessarovin
{

defineEnumType(SelfAuthData,
		UNKNOWN,
		DocumentType,
		IssuingState,
		DateOfExpiry,
		GivenNames,
		FamilyNames,
		ArtisticName,
		AcademicTitle,
		BirthName,
		DateOfBirth,
		PlaceOfBirth,
		PlaceOfResidence,
		Nationality,
		ResidencePermitI,
		RestrictedID,
		AgeVerification,
		PlaceVerification,
		PlaceOfResidenceStreet,
		PlaceOfResidenceCity,
		PlaceOfResidenceCountry,
		PlaceOfResidenceZipCode,
		PlaceOfResidenceNoPlaceInfo
		)

defineEnumType(SelfAuthDataPermission,
		UNKNOWN,
		ALLOWED,
		PROHIBITED,
		NOTONCHIP
		)


// The data of one's own card as the self-authentication service returns it: which items the
// card released and their values, turned into rows for display. Holds personal data: logged only
// in the "secure" category. Main thread only; copies share the record.
class SelfAuthenticationData
{
	public:
		using OrderedSelfData = QList<QPair<QString, QString>>;

	private:
		class SelfData
			: public QSharedData
		{
			Q_DECLARE_TR_FUNCTIONS(tessarovin::SelfData)

			private:
				[[nodiscard]] bool parse(const QByteArray& pData);
				[[nodiscard]] bool parseOperationsAllowedByUser(const QJsonObject& pObject);
				[[nodiscard]] bool parsePersonalData(const QJsonObject& pObject);
				void parseStructuredPlace(const QJsonObject& pPlace, SelfAuthDataPermission pPermission);

				[[nodiscard]] SelfAuthDataPermission getPermission(SelfAuthData pData) const;
				[[nodiscard]] static QString formatDate(const QString& pDate);

			public:
				bool mValid;
				QMap<SelfAuthData, SelfAuthDataPermission> mPermissions;
				QMap<SelfAuthData, QString> mValues;

				explicit SelfData(const QByteArray& pData);

				[[nodiscard]] QString getValue(SelfAuthData pData) const;
				[[nodiscard]] OrderedSelfData getOrderedSelfData() const;

				[[nodiscard]] bool operator==(const SelfData& pOther) const;
		};

		QSharedDataPointer<SelfData> d;

	public:
		explicit SelfAuthenticationData(const QByteArray& pData = QByteArray());

		[[nodiscard]] bool isValid() const;
		[[nodiscard]] OrderedSelfData getOrderedSelfData() const;

		[[nodiscard]] bool operator==(const SelfAuthenticationData& pOther) const;
		[[nodiscard]] bool operator!=(const SelfAuthenticationData& pOther) const;
};

} // namespace tessarovin
