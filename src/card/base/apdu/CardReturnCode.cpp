#include "apdu/CardReturnCode.h"

using namespace tessarovin;


GlobalStatus tessarovin::cardReturnCodeToGlobalStatus(CardReturnCode pCode)
{
	using Code = GlobalStatus::Code;

	switch (pCode)
	{
		case CardReturnCode::OK:
			return GlobalStatus(Code::No_Error);

		case CardReturnCode::RESPONSE_EMPTY:
		case CardReturnCode::CARD_NOT_FOUND:
			return GlobalStatus(Code::Card_Not_Found);

		case CardReturnCode::INPUT_TIME_OUT:
			return GlobalStatus(Code::Card_Input_TimeOut);

		case CardReturnCode::COMMAND_FAILED:
			return GlobalStatus(Code::Card_Communication_Error);

		case CardReturnCode::CANCELLATION_BY_USER:
			return GlobalStatus(Code::Card_Cancellation_By_User);

		case CardReturnCode::PIN_NOT_BLOCKED:
			return GlobalStatus(Code::Card_Pin_Not_Blocked);

		case CardReturnCode::PROTOCOL_ERROR:
			return GlobalStatus(Code::Card_Protocol_Error);

		case CardReturnCode::WRONG_LENGTH:
			return GlobalStatus(Code::Workflow_Wrong_Length_Error);

		case CardReturnCode::UNEXPECTED_TRANSMIT_STATUS:
			return GlobalStatus(Code::Card_Unexpected_Transmit_Status);

		case CardReturnCode::UNDEFINED:
		case CardReturnCode::UNKNOWN:
			break;
	}

	return GlobalStatus(Code::Unknown_Error);
}
