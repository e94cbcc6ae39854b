// The string table of the user interface: texts by identifier.
#pragma once
#include <cstdint>
#include <string>

#include "platform/host.h"

namespace korvanta {

enum StringId : uint32_t {
    kStrMemoryAllocationFailed = 1,
    kStrCouldNotOpenFile = 3,
    kStrUnknownFormat = 4,
    kStrMapperNotSupported = 5,
    kStrUnknownOpcode = 6,
    kStrDeviceListOverflow = 10,
    kStrPcmDeviceFailed = 14,
    kStrBrokenFile = 15,
    kStrOldFormatQuestion = 16,
    kStrBiosLoadFailed = 17,
    kStrCannotSaveFormat = 18,
    kStrCannotCreateTemporary = 19,
    kStrSaveFailure = 20,
    kStrInputFilename = 21,
    kStrOverwriteQuestion = 22,
    kStrInputMapperNumber = 23,
    kStrBarcodeInvalid = 25,
    kStrTrainerNotSupported = 26,
    kStrMaybeDifferent = 27,
    kStrIllegalImage = 28,
    kStrOldKorPrgBank = 30,
    kStrOldKorLowerBank = 31,
    kStrOldKorUnsupported = 32,
    kStrWindowTitle = 97,
    kStrCaption = 98,
    kStrErrorCaption = 99,
    kStrReadBarcodeItem = 20001,
    kStrKaraokeItem = 20002,
    kStrVsUnisystemItem = 20003,
    kStrNoKaraokePack = 21000,
    kStrKaraokePack1 = 21001,
    kStrKaraokePack2 = 21002,
    kStrUnknownKaraokePack = 21003,
    kStrVsPaletteNames = 23000,  // 23000-23007, one per VS palette
    kStrProgramNameVersion = 65535,
};

// The text of an identifier in the current language, or null when the table
// has none (callers then show nothing).
const char* GetString(uint32_t id);

// The text with printf-style fields filled, or "" when the id has no text.
std::string FormatString(uint32_t id, ...);

// A message box with a string-table text; fields as for FormatString.
bool ShowStringMessage(Host& host, MessageKind kind, uint32_t id, ...);

}  // namespace korvanta
