// The platform libraries' C functions, answered by the double.
#include "PlatformDouble.hpp"

#include "platform/SblimUtilities.h"
#include "platform/osa.h"

#include <cstring>

using qvx_test::PlatformDouble;

PlatformDouble& PlatformDouble::instance() {
    static PlatformDouble d;
    return d;
}

namespace {

// Written as the libraries do: cut to size, always terminated, "" on failure.
int32_t copyCut(int32_t rc, const std::string& text, char* buf, int32_t size) {
    if (!buf || size <= 0) return 22;
    size_t n = rc ? 0 : std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return rc;
}

int32_t number(const char* function, const std::string& arguments, uint16_t* out) {
    std::string answer;
    int32_t rc = PlatformDouble::instance().query(function, arguments, answer);
    if (rc == 0) *out = static_cast<uint16_t>(std::stoul(answer));
    return rc;
}

int32_t text(const char* function, char* buf, int32_t size) {
    std::string answer;
    int32_t rc = PlatformDouble::instance().query(function, std::to_string(size), answer);
    return copyCut(rc, answer, buf, size);
}

std::string entry(const char* section, const char* provider, const char* property) {
    return std::string(section) + "," + provider + "," + property;
}

}  // namespace

#define QVX_NUMBER_QUERY(NAME)         \
    int32_t NAME(uint16_t* out) {      \
        return number(#NAME, "", out); \
    }
#define QVX_TEXT_QUERY(NAME)                \
    int32_t NAME(char* buf, int32_t size) { \
        return text(#NAME, buf, size);      \
    }

extern "C" {
QVX_NUMBER_QUERY(osGetSystemSubType)
QVX_NUMBER_QUERY(osGetHardwareType)
QVX_NUMBER_QUERY(osGetHardwareRevision)
QVX_NUMBER_QUERY(osGetSecsiRegion)
QVX_NUMBER_QUERY(osGetManfId)
QVX_TEXT_QUERY(osGetSerialNumber)
QVX_TEXT_QUERY(osGetSystemId)
QVX_TEXT_QUERY(osGetPartNumber)
QVX_TEXT_QUERY(osGetPCBASerialNumber)
QVX_TEXT_QUERY(osGetHDSerialNumber)
QVX_TEXT_QUERY(osGetCNICOneSerialNumber)
QVX_TEXT_QUERY(osGetCSCSerialNumber)
QVX_TEXT_QUERY(osGetManfInfo)
QVX_TEXT_QUERY(osGetEth1Addr)
QVX_TEXT_QUERY(osGetEth2Addr)
QVX_TEXT_QUERY(osGetEth3Addr)
QVX_TEXT_QUERY(osGetManfDate)

int32_t osIsChasisPresent(int32_t index, uint8_t* present) {
    uint16_t status = 0;
    int32_t rc = number("osIsChasisPresent", std::to_string(index), &status);
    *present = static_cast<uint8_t>(status);
    return rc;
}

int32_t KduGetRegEntryString(const char* section, const char* provider, const char* property,
                             char* buf, int32_t size) {
    std::string answer;
    return copyCut(
        PlatformDouble::instance().read(entry(section, provider, property), property, size, answer),
        answer, buf, size);
}
int32_t KduSetRegEntryString(const char* section, const char* provider, const char* property,
                             const char* value) {
    return PlatformDouble::instance().write("KduSetRegEntryString",
                                            entry(section, provider, property), property, value);
}
int32_t KduSetRegEntryInt(const char* section, const char* provider, const char* property,
                          int32_t value) {
    return PlatformDouble::instance().write("KduSetRegEntryInt", entry(section, provider, property),
                                            property, std::to_string(value));
}
}
