#include "expansion/QVX_Z64ExpansionChassisNew.hpp"

#include "chassis/QVX_Z64ChassisPDRAPI.hpp"
#include "expansion/QVX_Z64ExpansionChassisPDRAPI.hpp"
#include "frame/QVX_Globals.hpp"
#include "frame/QVX_Tags.hpp"

#include <mutex>

using namespace OpenWBEM;

namespace {

const char* const kTagPrefix = "ExpansionChassis";
const char* const kCreationClassName = "QVX_ExpansionChassis";

}  // namespace

String QVX_expansionChassisTag(int index) {
    return QVX_formatTag(kTagPrefix, index);
}

QVX_Z64ExpansionChassis::QVX_Z64ExpansionChassis() : m_valid(false) {}

QVX_Z64ExpansionChassis::QVX_Z64ExpansionChassis(const String& tag, const String& creationClassName)
    : m_tag(tag), m_valid(true), m_creationClassName(creationClassName) {
    int index = QVX_findTag(kTagPrefix, MAX_NUMBER_EXPANSIONCHASSIS, tag);
    if (index < 0) {
        QVX_logError(String("ExpansionChassis has wrong tag: ") + tag);
        QVX_throwNotFound(QVX_HERE);
    }
    // Chassis numbers count from 1.
    m_api.init(static_cast<unsigned char>(index + 1));
}

bool QVX_Z64ExpansionChassis::getTag(String& out) const {
    out = m_tag;
    return m_valid;
}

bool QVX_Z64ExpansionChassis::getCreationClassName(String& out) const {
    out = m_creationClassName;
    return m_valid;
}

bool QVX_Z64ExpansionChassis::getElementName(String& out) const {
    return m_api.getElementName(out);
}

bool QVX_Z64ExpansionChassis::getManufacturer(String& out) const {
    return m_api.getManufacturer(out);
}

bool QVX_Z64ExpansionChassis::getPhysicalType(unsigned char& out) const {
    return m_api.getPhysicalType(out);
}

bool QVX_Z64ExpansionChassis::getUserTracking(String& out) const {
    return QVX_Z64ExpansionChassisPDRAPI::getUserTracking(m_tag, out) == 0;
}

bool QVX_Z64ExpansionChassis::setUserTracking(String value) {
    int rc = QVX_Z64ExpansionChassisPDRAPI::setUserTracking(m_tag, value);
    if (rc != 0) return false;
    // A failed stamp does not undo the write.
    QVX_Z64ChassisPDRAPI::setLastChangeTime();
    return true;
}

bool QVX_Z64ExpansionChassis::getCanBeFRUed(bool& out) const {
    out = true;
    return true;
}

bool QVX_Z64ExpansionChassis::getChassisNo(unsigned char& out) const {
    return m_api.getChassisNo(out) == 0;
}

bool QVX_Z64ExpansionChassis::getPresentStatus(bool& out) const {
    return m_api.getPresentStatus(out) == 0;
}

QVX_Z64ExpansionChassisInstanceManager* QVX_Z64ExpansionChassisInstanceManager::m_pInstance = 0;

QVX_Z64ExpansionChassisInstanceManager* QVX_Z64ExpansionChassisInstanceManager::instance() {
    // Two first requests may arrive together on different threads.
    static std::once_flag created;
    std::call_once(created, [] { m_pInstance = new QVX_Z64ExpansionChassisInstanceManager; });
    return m_pInstance;
}

QVX_Z64ExpansionChassisInstanceManager::QVX_Z64ExpansionChassisInstanceManager() {
    for (int i = 0; i < MAX_NUMBER_EXPANSIONCHASSIS; ++i) {
        m_chassis[i] = new QVX_Z64ExpansionChassis(QVX_expansionChassisTag(i), kCreationClassName);
    }
}

QVX_Z64ExpansionChassisInstanceManager::~QVX_Z64ExpansionChassisInstanceManager() {
    for (QVX_Z64ExpansionChassis* chassis : m_chassis) delete chassis;
}

void QVX_Z64ExpansionChassisInstanceManager::init() {}

int QVX_Z64ExpansionChassisInstanceManager::getInstanceNumber() const {
    return MAX_NUMBER_EXPANSIONCHASSIS;
}

void QVX_Z64ExpansionChassisInstanceManager::getChassis(const String& tag,
                                                        const String& creationClassName,
                                                        QVX_Z64ExpansionChassis& out) const {
    int index = QVX_indexForKeys(kCreationClassName, creationClassName, kTagPrefix,
                                 getInstanceNumber(), tag, QVX_HERE);
    getChassis(out, index);
}

void QVX_Z64ExpansionChassisInstanceManager::getChassis(QVX_Z64ExpansionChassis& out,
                                                        int index) const {
    if (index < 0 || index >= MAX_NUMBER_EXPANSIONCHASSIS) QVX_throwNotFound(QVX_HERE);
    out = *m_chassis[index];
}
