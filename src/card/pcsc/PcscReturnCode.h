#pragma once

#include <QDebug>
#include <QObject>
#include <QString>

namespace tessarovin
{

namespace pcsc
{
Q_NAMESPACE

// The status codes of the WinSCard calls. The values are Windows' own: pcsc-lite gives
// SCARD_E_UNSUPPORTED_FEATURE the value of SCARD_E_UNEXPECTED, so its constants cannot stand in.
enum PcscReturnCode : quint32
{
	Scard_S_Success = 0x00000000,
	Scard_F_Internal_Error = 0x80100001,
	Scard_E_Cancelled = 0x80100002,
	Scard_E_Invalid_Handle = 0x80100003,
	Scard_E_Invalid_Parameter = 0x80100004,
	Scard_E_Invalid_Target = 0x80100005,
	Scard_E_No_Memory = 0x80100006,
	Scard_F_Waited_Too_Long = 0x80100007,
	Scard_E_Insufficient_Buffer = 0x80100008,
	Scard_E_Unknown_Reader = 0x80100009,
	Scard_E_Timeout = 0x8010000A,
	Scard_E_Sharing_Violation = 0x8010000B,
	Scard_E_No_Smartcard = 0x8010000C,
	Scard_E_Unknown_Card = 0x8010000D,
	Scard_E_Cant_Dispose = 0x8010000E,
	Scard_E_Proto_Mismatch = 0x8010000F,
	Scard_E_Not_Ready = 0x80100010,
	Scard_E_Invalid_Value = 0x80100011,
	Scard_E_System_Cancelled = 0x80100012,
	Scard_F_Comm_Error = 0x80100013,
	Scard_F_Unknown_Error = 0x80100014,
	Scard_E_Invalid_Atr = 0x80100015,
	Scard_E_Not_Transacted = 0x80100016,
	Scard_E_Reader_Unavailable = 0x80100017,
	Scard_P_Shutdown = 0x80100018,
	Scard_E_Pci_Too_Small = 0x80100019,
	Scard_E_Reader_Unsupported = 0x8010001A,
	Scard_E_Duplicate_Reader = 0x8010001B,
	Scard_E_Card_Unsupported = 0x8010001C,
	Scard_E_No_Service = 0x8010001D,
	Scard_E_Service_Stopped = 0x8010001E,
	Scard_E_Unsupported_Feature = 0x80100022,
	Scard_E_Unexpected = 0x8010001F,
	Scard_E_Icc_Installation = 0x80100020,
	Scard_E_Icc_Createorder = 0x80100021,
	Scard_E_Dir_Not_Found = 0x80100023,
	Scard_E_File_Not_Found = 0x80100024,
	Scard_E_No_Dir = 0x80100025,
	Scard_E_No_File = 0x80100026,
	Scard_E_No_Access = 0x80100027,
	Scard_E_Write_Too_Many = 0x80100028,
	Scard_E_Bad_Seek = 0x80100029,
	Scard_E_Invalid_Chv = 0x8010002A,
	Scard_E_Unknown_Res_Mng = 0x8010002B,
	Scard_E_No_Such_Certificate = 0x8010002C,
	Scard_E_Certificate_Unavailable = 0x8010002D,
	Scard_E_No_Readers_Available = 0x8010002E,
	Scard_E_Comm_Data_Lost = 0x8010002F,
	Scard_E_No_Key_Container = 0x80100030,
	Scard_E_Server_Too_Busy = 0x80100031,
	Scard_W_Unsupported_Card = 0x80100065,
	Scard_W_Unresponsive_Card = 0x80100066,
	Scard_W_Unpowered_Card = 0x80100067,
	Scard_W_Reset_Card = 0x80100068,
	Scard_W_Removed_Card = 0x80100069,
	Scard_W_Security_Violation = 0x8010006A,
	Scard_W_Wrong_Chv = 0x8010006B,
	Scard_W_Chv_Blocked = 0x8010006C,
	Scard_W_Eof = 0x8010006D,
	Scard_W_Cancelled_By_User = 0x8010006E,
	Scard_W_Card_Not_Authenticated = 0x8010006F
};
Q_ENUM_NS(PcscReturnCode)

QString toString(PcscReturnCode pCode);

// The platform's LONG is 64 bits wide on Linux and holds the code either zero- or sign-extended.
// A value that fits neither way is no PC/SC code; it becomes Scard_F_Unknown_Error, so that its
// low 32 bits can never pass for success.
PcscReturnCode toPcscReturnCode(qint64 pPlatformCode);

QDebug operator<<(QDebug pDbg, PcscReturnCode pCode);

} // namespace pcsc

} // namespace tessarovin
