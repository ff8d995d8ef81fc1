#ifndef RESULTCODES_H
#define RESULTCODES_H

#include <QtGlobal>

// 0 is success; every failure has the top bit set, and the third hex digit
// from the right tells the area: 1 integration, 2 user folders, 3 .ini file,
// 4 .xml file, 5 server script.
using ResultCode = quint32;

constexpr ResultCode RESULT_OK = 0x00000000u;
constexpr ResultCode ERR_INTEGRATION_FAILED = 0x80000100u;
constexpr ResultCode ERR_HOME_FOLDER_NOT_FOUND = 0x80000200u;
constexpr ResultCode ERR_ROAMING_FOLDER_NOT_FOUND = 0x80000201u;
// A system account (LocalSystem, a service) holds no person's Vivado settings.
constexpr ResultCode ERR_SYSTEM_ACCOUNT = 0x80000202u;
constexpr ResultCode ERR_INI_CREATE_FAILED = 0x80000301u;
constexpr ResultCode ERR_INI_OPEN_FAILED = 0x80000302u;
constexpr ResultCode ERR_INI_NO_EQUAL_SIGN = 0x80000303u;
constexpr ResultCode ERR_XML_OPEN_FAILED = 0x80000401u;
constexpr ResultCode ERR_XML_READ_FAILED = 0x80000402u;
constexpr ResultCode ERR_SCRIPT_OPEN_READ_FAILED = 0x80000501u;
constexpr ResultCode ERR_SCRIPT_OPEN_WRITE_FAILED = 0x80000502u;

#endif // RESULTCODES_H
