#pragma once

#include "apdu/CardReturnCode.h"
#include "apdu/StatusCode.h"
#include "pinpad/PacePasswordId.h"
#include "pinpad/PaceResult.h"

#include <QByteArray>

namespace tessarovin
{

// The result of one PACE attempt, whoever ran it, in the forms of PC/SC part 10 (result code,
// output data) and of a CCID escape answer (DER of ESTABLISHPACECHANNELOUTPUT and 90 00).
class EstablishPaceChannelOutput
{
	private:
		PacePasswordId mPasswordId;
		CardReturnCode mPaceReturnCode;
		quint32 mResultCode;
		QByteArray mStatusMseSetAt;
		QByteArray mEfCardAccess;
		QByteArray mIdIcc;
		QByteArray mCarCurr;
		QByteArray mCarPrev;

		void resetOutputData();

	public:
		static CardReturnCode parseReturnCode(quint32 pResultCode);
		static quint32 toResultCode(CardReturnCode pCode);

		explicit EstablishPaceChannelOutput(PacePasswordId pPasswordId = PacePasswordId::UNKNOWN,
				CardReturnCode pPaceReturnCode = CardReturnCode::UNDEFINED);

		[[nodiscard]] PacePasswordId getPasswordId() const;

		[[nodiscard]] CardReturnCode getPaceReturnCode() const;
		void setPaceReturnCode(CardReturnCode pPaceReturnCode);

		[[nodiscard]] quint32 getResultCode() const;
		void setResultCode(quint32 pResultCode);

		[[nodiscard]] const QByteArray& getStatusMseSetAt() const;
		[[nodiscard]] StatusCode getStatusCodeMseSetAt() const;
		void setStatusMseSetAt(const QByteArray& pStatusMseSetAt);

		[[nodiscard]] const QByteArray& getEfCardAccess() const;
		void setEfCardAccess(const QByteArray& pEfCardAccess);

		[[nodiscard]] const QByteArray& getIdIcc() const;
		void setIdIcc(const QByteArray& pIdIcc);

		[[nodiscard]] const QByteArray& getCarCurr() const;
		void setCarCurr(const QByteArray& pCarCurr);

		[[nodiscard]] const QByteArray& getCarPrev() const;
		void setCarPrev(const QByteArray& pCarPrev);

		[[nodiscard]] bool isSuccess() const;
		[[nodiscard]] bool isUndefined() const;
		[[nodiscard]] bool isWrongPassword() const;
		[[nodiscard]] PaceResult getPaceResult() const;

		bool parse(const QByteArray& pOutput);
		bool parseResultCode(const QByteArray& pResultCode);
		bool parseOutputData(const QByteArray& pOutputData);
		bool parseFromCcid(const QByteArray& pOutput);

		[[nodiscard]] QByteArray toResultCode() const;
		[[nodiscard]] QByteArray toOutputData() const;
		[[nodiscard]] QByteArray toCcid() const;
};

} // namespace tessarovin
