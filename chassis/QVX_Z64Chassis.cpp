#include "chassis/QVX_Z64Chassis.hpp"

#include "chassis/QVX_Z64ChassisPDRAPI.hpp"

#include "OW_CIMException.hpp"

using namespace OpenWBEM;

namespace {

const char* const kTag = "Chassis";
// Not the served class name: clients must name the physical chassis class.
const char* const kCreationClassName = "QVX_Chassis";

// The stamp's own result is of no interest to the client's write.
bool stamped(int result) {
    if (result != 0) return false;
    QVX_Z64ChassisPDRAPI::setLastChangeTime();
    return true;
}

}  // namespace

QVX_Z64Chassis::QVX_Z64Chassis() : m_tag(), m_valid(false), m_creationClassName(), m_api() {}

QVX_Z64Chassis::QVX_Z64Chassis(const String& tag, const String& creationClassName)
    : m_tag(tag), m_valid(true), m_creationClassName(creationClassName), m_api() {}

QVX_Z64Chassis::QVX_Z64Chassis(const QVX_Z64Chassis& other)
    : m_tag(other.m_tag),
      m_valid(other.m_valid),
      m_creationClassName(other.m_creationClassName),
      m_api() {}

QVX_Z64Chassis& QVX_Z64Chassis::operator=(const QVX_Z64Chassis& other) {
    m_tag = other.m_tag;
    m_valid = other.m_valid;
    m_creationClassName = other.m_creationClassName;
    return *this;
}

bool QVX_Z64Chassis::getTag(String& value) const {
    value = m_tag;
    return m_valid;
}

bool QVX_Z64Chassis::getCreationClassName(String& value) const {
    value = m_creationClassName;
    return m_valid;
}

bool QVX_Z64Chassis::getElementName(String& value) const {
    return m_api.getElementName(value);
}
bool QVX_Z64Chassis::getManufacturer(String& value) const {
    return m_api.getManufacturer(value);
}
bool QVX_Z64Chassis::getModel(String& value) const {
    return m_api.getModel(value);
}
bool QVX_Z64Chassis::getSerialNumber(String& value) const {
    return m_api.getSerialNumber(value);
}
bool QVX_Z64Chassis::getVersion(String& value) const {
    return m_api.getVersion(value);
}
bool QVX_Z64Chassis::getPartNumber(String& value) const {
    return m_api.getPartNumber(value);
}
bool QVX_Z64Chassis::getPhysicalType(unsigned char& value) const {
    return m_api.getPhysicalType(value);
}
bool QVX_Z64Chassis::getSystemID(String& value) const {
    return m_api.getSystemID(value);
}
bool QVX_Z64Chassis::getMiscInfo(String& value) const {
    return m_api.getMiscInfo(value);
}
bool QVX_Z64Chassis::getManufactureDate(CIMDateTime& value) const {
    return m_api.getManufactureDate(value);
}
bool QVX_Z64Chassis::getPCBASerialNumber(String& value) const {
    return m_api.getPCBASerialNumber(value);
}
bool QVX_Z64Chassis::getCSCSerialNumber(String& value) const {
    return m_api.getCSCSerialNumber(value);
}
bool QVX_Z64Chassis::getHDSerialNumber(String& value) const {
    return m_api.getHDSerialNumber(value);
}
bool QVX_Z64Chassis::getCNICOneSerialNumber(String& value) const {
    return m_api.getCNICOneSerialNumber(value);
}

bool QVX_Z64Chassis::getOwnerName(String& value) const {
    return QVX_Z64ChassisPDRAPI::getOwnerName(value) == 0;
}
bool QVX_Z64Chassis::getLocation(String& value) const {
    return QVX_Z64ChassisPDRAPI::getLocation(value) == 0;
}
bool QVX_Z64Chassis::getUserTracking(String& value) const {
    return QVX_Z64ChassisPDRAPI::getUserTracking(value) == 0;
}

bool QVX_Z64Chassis::getCanBeFRUed(bool& value) const {
    value = true;
    return true;
}

bool QVX_Z64Chassis::setOwnerName(const String& value) {
    return stamped(QVX_Z64ChassisPDRAPI::setOwnerName(value));
}
bool QVX_Z64Chassis::setLocation(const String& value) {
    return stamped(QVX_Z64ChassisPDRAPI::setLocation(value));
}
bool QVX_Z64Chassis::setUserTracking(String value) {
    return stamped(QVX_Z64ChassisPDRAPI::setUserTracking(value));
}

void QVX_Z64ChassisInstanceManager::init() {}

void QVX_Z64ChassisInstanceManager::getChassis(QVX_Z64Chassis& chassis) {
    chassis = QVX_Z64Chassis(kTag, kCreationClassName);
}

void QVX_Z64ChassisInstanceManager::getChassis(const String& tag, const String& creationClassName,
                                               QVX_Z64Chassis& chassis) {
    // The creation class name is checked before the tag.
    if (!creationClassName.equals(kCreationClassName)) {
        throw CIMException(__FILE__, __LINE__, CIMException::NOT_FOUND);
    }
    if (!tag.equals(kTag)) throw CIMException(__FILE__, __LINE__, CIMException::NOT_FOUND);
    getChassis(chassis);
}
