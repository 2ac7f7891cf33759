#include "expansion/QVX_Z64ExpansionChassisAPI.hpp"

#include "frame/QVX_Globals.hpp"
#include "platform/osa.h"

#include "OW_CIMException.hpp"

#include <cstdint>

using namespace OpenWBEM;

namespace {

const char* const kElementName = "Varlen Networks QVX64 Expansion Chassis ";
const char* const kManufacturer = "Varlen Networks";
const unsigned char kPhysicalType = 3;
const uint8_t kPresent = 1;
const char* const kStatusFailed = "Failed to retrieve expansion chassis status";

}  // namespace

QVX_Z64ExpansionChassisAPI::QVX_Z64ExpansionChassisAPI() : m_initialized(false), m_chassisNo(0) {}

int QVX_Z64ExpansionChassisAPI::init(unsigned char chassisNo) {
    m_initialized = true;
    m_chassisNo = chassisNo;
    return 1;
}

bool QVX_Z64ExpansionChassisAPI::getElementName(String& out) const {
    out = kElementName;
    return true;
}

bool QVX_Z64ExpansionChassisAPI::getManufacturer(String& out) const {
    out = kManufacturer;
    return true;
}

bool QVX_Z64ExpansionChassisAPI::getPhysicalType(unsigned char& out) const {
    out = kPhysicalType;
    return true;
}

int QVX_Z64ExpansionChassisAPI::getChassisNo(unsigned char& out) const {
    out = m_chassisNo;
    return 0;
}

int QVX_Z64ExpansionChassisAPI::getPresentStatus(bool& out) const {
    out = false;
    uint8_t status = 0;
    // The hardware library counts chassis from 0.
    int32_t rc = osIsChasisPresent(static_cast<int32_t>(m_chassisNo) - 1, &status);
    if (rc != 0) {
        QVX_logError(String(kStatusFailed) + ": osIsChasisPresent() failed " +
                     String(static_cast<UInt32>(rc)));
        throw CIMException(__FILE__, __LINE__, CIMException::FAILED, kStatusFailed);
    }
    out = (status == kPresent);
    return 0;
}
