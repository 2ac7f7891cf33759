#include "mbm/QVX_MBM.hpp"

#include "chassis/QVX_Z64ChassisPDRAPI.hpp"
#include "frame/QVX_Tags.hpp"
#include "mbm/QVX_MBMPDRAPI.hpp"

#include <mutex>

using namespace OpenWBEM;

namespace {

const char* const kTagPrefix = "MBMLogicalModule";
const char* const kCreationClassName = "QVX_MBMLogicalModule";
const char* const kSystemCreationClassName = "QVX_System";
const char* const kSystemName = "QVX";
const char* const kManufacturer = "Varlen Networks";
// Module or card, in the CIM package-type scheme.
const unsigned char kPhysicalType = 9;

}  // namespace

QVX_MBMLogicalModule::QVX_MBMLogicalModule() : m_valid(false) {}

QVX_MBMLogicalModule::QVX_MBMLogicalModule(const String& deviceID, const String& creationClassName)
    : m_valid(true),
      m_systemCreationClassName(kSystemCreationClassName),
      m_systemName(kSystemName),
      m_creationClassName(creationClassName),
      m_deviceID(deviceID) {}

bool QVX_MBMLogicalModule::getSystemCreationClassName(String& out) const {
    out = m_systemCreationClassName;
    return m_valid;
}

bool QVX_MBMLogicalModule::getSystemName(String& out) const {
    out = m_systemName;
    return m_valid;
}

bool QVX_MBMLogicalModule::getCreationClassName(String& out) const {
    out = m_creationClassName;
    return m_valid;
}

bool QVX_MBMLogicalModule::getDeviceID(String& out) const {
    out = m_deviceID;
    return m_valid;
}

bool QVX_MBMLogicalModule::getManufacturer(String& out) const {
    out = kManufacturer;
    return true;
}

bool QVX_MBMLogicalModule::getPhysicalType(unsigned char& out) const {
    out = kPhysicalType;
    return true;
}

bool QVX_MBMLogicalModule::getUserTracking(String& out) const {
    return QVX_MBMPDRAPI::getUserTracking(m_deviceID, out) == 0;
}

bool QVX_MBMLogicalModule::setUserTracking(String value) {
    int rc = QVX_MBMPDRAPI::setUserTracking(m_deviceID, value);
    if (rc != 0) return false;
    // A failed stamp does not undo the write.
    QVX_Z64ChassisPDRAPI::setLastChangeTime();
    return true;
}

bool QVX_MBMLogicalModule::getCanBeFRUed(bool& out) const {
    out = true;
    return true;
}

QVX_MBMLogicalModuleInstanceManager* QVX_MBMLogicalModuleInstanceManager::m_pInstance = 0;

QVX_MBMLogicalModuleInstanceManager* QVX_MBMLogicalModuleInstanceManager::instance() {
    // Two first requests may arrive together on different threads.
    static std::once_flag created;
    std::call_once(created, [] { m_pInstance = new QVX_MBMLogicalModuleInstanceManager; });
    return m_pInstance;
}

QVX_MBMLogicalModuleInstanceManager::QVX_MBMLogicalModuleInstanceManager() {
    for (int i = 0; i < MAX_NUMBER_MBM; ++i) {
        m_pMBM[i] = new QVX_MBMLogicalModule(QVX_formatTag(kTagPrefix, i), kCreationClassName);
    }
}

QVX_MBMLogicalModuleInstanceManager::~QVX_MBMLogicalModuleInstanceManager() {
    for (QVX_MBMLogicalModule* module : m_pMBM) delete module;
}

void QVX_MBMLogicalModuleInstanceManager::init() {}

int QVX_MBMLogicalModuleInstanceManager::getInstanceNumber() const {
    return MAX_NUMBER_MBM;
}

void QVX_MBMLogicalModuleInstanceManager::getMBM(const String& deviceID,
                                                 const String& creationClassName,
                                                 QVX_MBMLogicalModule& out) const {
    int index = QVX_indexForKeys(kCreationClassName, creationClassName, kTagPrefix,
                                 getInstanceNumber(), deviceID, QVX_HERE);
    getMBM(out, index);
}

void QVX_MBMLogicalModuleInstanceManager::getMBM(QVX_MBMLogicalModule& out, int index) const {
    if (index < 0 || index >= MAX_NUMBER_MBM) QVX_throwNotFound(QVX_HERE);
    out = *m_pMBM[index];
}
