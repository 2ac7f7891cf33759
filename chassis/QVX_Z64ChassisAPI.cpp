#include "chassis/QVX_Z64ChassisAPI.hpp"

#include "frame/QVX_Globals.hpp"
#include "platform/osa.h"

#include "OW_CIMException.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

using namespace OpenWBEM;

namespace {

// The composed MiscInfo text, terminator included.
const size_t kMiscInfoSize = 256;

const char* const kModel = "Failed to retrieve property Model";
const char* const kSerialNumber = "Failed to retrieve property SerialNumber";
const char* const kVersion = "Failed to retrieve property Version";
const char* const kPartNumber = "Failed to retrieve property PartNumber";
const char* const kSystemID = "Failed to retrieve property SystemID";
const char* const kMiscInfo = "Failed to retrieve property MiscInfo";
const char* const kPCBASerialNumber = "Failed to retrieve property PCBASerialNumber";
const char* const kCSCSerialNumber = "Failed to retrieve property CSCSerialNumber";
const char* const kHDSerialNumber = "Failed to retrieve property HDSerialNumber";
const char* const kCNICOneSerialNumber = "Failed to retrieve property CNICOneSerialNumber";

// Result codes are logged as unsigned 32-bit numbers, so -1 reads 4294967295.
String resultText(int32_t result) {
    return String(static_cast<UInt32>(result));
}

// The log line carries the call and its result; the client sees the message.
[[noreturn]] void failed(const char* message, const char* suffix, int32_t result) {
    QVX_logError(String(message) + suffix + resultText(result));
    throw CIMException(__FILE__, __LINE__, CIMException::FAILED, message);
}

typedef int32_t (*NumberQuery)(uint16_t*);
typedef int32_t (*TextQuery)(char*, int32_t);

uint16_t queryNumber(NumberQuery query, const char* message, const char* suffix) {
    uint16_t number = 0;
    int32_t rc = query(&number);
    if (rc != 0) failed(message, suffix, rc);
    return number;
}

// size is what the library is told; it may be one less than the buffer.
template <size_t N>
void queryText(TextQuery query, char (&buf)[N], int32_t size, const char* message,
               const char* suffix) {
    static_assert(N > 0, "text buffer");
    buf[0] = '\0';
    int32_t rc = query(buf, size);
    if (rc != 0) failed(message, suffix, rc);
    // The library promises termination; do not bet the process on it.
    buf[N - 1] = '\0';
}

template <size_t N>
bool assignText(TextQuery query, int32_t size, const char* message, const char* suffix,
                String& value) {
    char buf[N];
    queryText(query, buf, size, message, suffix);
    value = buf;
    return true;
}

// Only an upper bound is checked: a month or day of 0 passes unchanged.
int clampDateField(int number, int limit, int replacement, const char* field) {
    if (number <= limit) return number;
    QVX_logError(String("osGetManfDate() returned invalid ") + field + ": " +
                 String(static_cast<Int32>(number)));
    return replacement;
}

}  // namespace

bool QVX_Z64ChassisAPI::getElementName(String& value) const {
    value = String("Varlen Networks ") + "QVX64" + " Communications Server";
    return true;
}

bool QVX_Z64ChassisAPI::getManufacturer(String& value) const {
    value = "Varlen Networks";
    return true;
}

bool QVX_Z64ChassisAPI::getModel(String& value) const {
    uint16_t subType = queryNumber(osGetSystemSubType, kModel, ": osGetSystemSubType() failed ");
    String model("QVX64");
    switch (subType) {
        case 1:
            model += " (Telephony Only)";
            break;
        case 2:
            model += "a (with ADSL Router)";
            break;
        case 3:
            model += "e (with Ethernet Router)";
            break;
        default:
            model.format("Unknown (%2x)", static_cast<unsigned>(subType));
            break;
    }
    value = model;
    return true;
}

bool QVX_Z64ChassisAPI::getSerialNumber(String& value) const {
    return assignText<21>(osGetSerialNumber, 21, kSerialNumber, ": osGetSerialNumber() failed ",
                          value);
}

bool QVX_Z64ChassisAPI::getVersion(String& value) const {
    uint16_t type = queryNumber(osGetHardwareType, kVersion, ": osGetHardwareType() failed ");
    uint16_t revision = 0;
    int32_t rc = osGetHardwareRevision(&revision);
    if (rc != 0) {
        // Unlike the other failures, the client sees the call and its result.
        String whole = String(kVersion) + ": osGetHardwareRevision() failed " + resultText(rc);
        QVX_logError(whole);
        throw CIMException(__FILE__, __LINE__, CIMException::FAILED, whole.c_str());
    }
    String version;
    version.format("%02x.%02x", static_cast<unsigned>(type), static_cast<unsigned>(revision));
    value = version;
    return true;
}

bool QVX_Z64ChassisAPI::getPartNumber(String& value) const {
    return assignText<256>(osGetPartNumber, 256, kPartNumber, ": osGetPartNumber() failed ", value);
}

bool QVX_Z64ChassisAPI::getPhysicalType(unsigned char& value) const {
    value = 3;
    return true;
}

bool QVX_Z64ChassisAPI::getSystemID(String& value) const {
    return assignText<13>(osGetSystemId, 13, kSystemID, ": osGetSystemId() failed ", value);
}

bool QVX_Z64ChassisAPI::getMiscInfo(String& value) const {
    uint16_t region = queryNumber(osGetSecsiRegion, kMiscInfo, ": osGetSecsiRegion() failed ");
    char eth1[256];
    char eth2[256];
    char eth3[256];
    queryText(osGetEth1Addr, eth1, 255, kMiscInfo, ": osGetEth1Addr() failed ");
    queryText(osGetEth2Addr, eth2, 255, kMiscInfo, ": osGetEth2Addr() failed ");
    queryText(osGetEth3Addr, eth3, 255, kMiscInfo, ": osGetEth3Addr() failed ");
    uint16_t manfId = queryNumber(osGetManfId, kMiscInfo, ": osGetManfId() failed ");
    char manfInfo[256];
    queryText(osGetManfInfo, manfInfo, 255, kMiscInfo, ": osGetManfInfo() failed ");

    // Four texts of up to 254 bytes do not fit; the tail is cut, never overrun.
    char composed[kMiscInfoSize];
    int n = std::snprintf(composed, sizeof(composed), "%02x.%s.%s.%s.%02x.%s",
                          static_cast<unsigned>(region), eth1, eth2, eth3,
                          static_cast<unsigned>(manfId), manfInfo);
    if (n < 0) composed[0] = '\0';

    std::printf("manf info is: %s. length: %d\n", manfInfo,
                static_cast<int>(std::strlen(manfInfo)));

    value = composed;
    return true;
}

bool QVX_Z64ChassisAPI::getManufactureDate(CIMDateTime& value) const {
    char text[32];
    text[0] = '\0';
    int32_t rc = osGetManfDate(text, static_cast<int32_t>(sizeof(text)));
    if (rc != 0) {
        QVX_logError(String("osGetManfDate() failed: ") + resultText(rc) +
                     ", using default datetime");
        value = CIMDateTime();
        return true;
    }
    text[sizeof(text) - 1] = '\0';

    // A short text leaves the rest at 0, which then passes the checks below.
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    (void)std::sscanf(text, "%4d %2d %2d %2d %2d", &year, &month, &day, &hour, &minute);

    year = clampDateField(year, 3000, 3000, "year");
    month = clampDateField(month, 12, 12, "month");
    day = clampDateField(day, 31, 30, "day");
    hour = clampDateField(hour, 23, 23, "hour");
    minute = clampDateField(minute, 59, 59, "minute");

    value.setInterval(false);
    value.setYear(static_cast<UInt16>(year));
    value.setMonth(static_cast<UInt8>(month));
    value.setDays(static_cast<UInt32>(day));
    value.setHours(static_cast<UInt8>(hour));
    value.setMinutes(static_cast<UInt8>(minute));
    value.setSeconds(0);
    return true;
}

bool QVX_Z64ChassisAPI::getPCBASerialNumber(String& value) const {
    return assignText<256>(osGetPCBASerialNumber, 256, kPCBASerialNumber,
                           ": osGetPCBASerialNumber() failed ", value);
}

bool QVX_Z64ChassisAPI::getCSCSerialNumber(String& value) const {
    return assignText<256>(osGetCSCSerialNumber, 255, kCSCSerialNumber,
                           ": osGetCSCSerialNumber() failed ", value);
}

bool QVX_Z64ChassisAPI::getHDSerialNumber(String& value) const {
    return assignText<256>(osGetHDSerialNumber, 256, kHDSerialNumber,
                           ": osGetHDSerialNumber() failed ", value);
}

bool QVX_Z64ChassisAPI::getCNICOneSerialNumber(String& value) const {
    return assignText<256>(osGetCNICOneSerialNumber, 256, kCNICOneSerialNumber,
                           ": osGetCNICOneSerialNumber() failed ", value);
}
