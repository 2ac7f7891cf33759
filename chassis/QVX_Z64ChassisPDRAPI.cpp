#include "chassis/QVX_Z64ChassisPDRAPI.hpp"

#include "platform/SblimUtilities.h"

#include <cstdint>
#include <ctime>

using namespace OpenWBEM;

namespace {

const char* const kSection = "Providers";
const char* const kProvider = "QVX_Z64ChassisProvider";

int readText(const char* property, String& value) {
    // Cleared first so a failed read gives "" whatever the library leaves.
    char buf[256];
    buf[0] = '\0';
    int32_t rc =
        KduGetRegEntryString(kSection, kProvider, property, buf, static_cast<int32_t>(sizeof(buf)));
    buf[sizeof(buf) - 1] = '\0';
    value = buf;
    return rc;
}

int writeText(const char* property, const String& value) {
    return KduSetRegEntryString(kSection, kProvider, property, value.c_str());
}

}  // namespace

int QVX_Z64ChassisPDRAPI::getOwnerName(String& value) {
    return readText("OwnerName", value);
}
int QVX_Z64ChassisPDRAPI::getLocation(String& value) {
    return readText("Location", value);
}
int QVX_Z64ChassisPDRAPI::getUserTracking(String& value) {
    return readText("UserTracking", value);
}

int QVX_Z64ChassisPDRAPI::setOwnerName(String value) {
    return writeText("OwnerName", value);
}
int QVX_Z64ChassisPDRAPI::setLocation(String value) {
    return writeText("Location", value);
}
int QVX_Z64ChassisPDRAPI::setUserTracking(String value) {
    return writeText("UserTracking", value);
}

int QVX_Z64ChassisPDRAPI::setLastChangeTime() {
    return KduSetRegEntryInt(kSection, "QVX_SystemProvider", "LastChangeTime",
                             static_cast<int32_t>(std::time(0)));
}
