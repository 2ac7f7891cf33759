#include "mbm/QVX_MBMProvider.hpp"

#include "frame/QVX_ProviderFrame.hpp"

using namespace OpenWBEM;

namespace {

const char* const kClassName = "QVX_MBMLogicalModule";
// SystemCreationClassName and SystemName are never looked at.
const char* const kLookupKeys[] = {"CreationClassName", "DeviceID"};

const QVX_KeyGetter<QVX_MBMLogicalModule> kPathKeys[] = {
    {"SystemCreationClassName", &QVX_MBMLogicalModule::getSystemCreationClassName},
    {"SystemName", &QVX_MBMLogicalModule::getSystemName},
    {"CreationClassName", &QVX_MBMLogicalModule::getCreationClassName},
    {"DeviceID", &QVX_MBMLogicalModule::getDeviceID},
};

const QVX_Writable<QVX_MBMLogicalModule> kWritable[] = {
    {"UserTracking", [](QVX_MBMLogicalModule& r, const String& v) { return r.setUserTracking(v); }},
};

}  // namespace

QVX_MBMLogicalModuleProvider::QVX_MBMLogicalModuleProvider() {}
QVX_MBMLogicalModuleProvider::~QVX_MBMLogicalModuleProvider() {}

void QVX_MBMLogicalModuleProvider::initialize(const ProviderEnvironmentIFCRef&) {
    QVX_MBMLogicalModuleInstanceManager::instance()->init();
}

void QVX_MBMLogicalModuleProvider::cleanup() {}

void QVX_MBMLogicalModuleProvider::enumInstanceNames(const ProviderEnvironmentIFCRef& env,
                                                     const String& ns, const String& className,
                                                     CIMObjectPathResultHandlerIFC& result,
                                                     const CIMClass&) {
    QVX_guard(
        env, QVX_HERE, QVX_ENUM_INSTANCE_NAMES, [&] { return className; },
        [&] {
            // Unlike the chassis, the keys come from the records.
            CIMObjectPath path(className, ns);
            QVX_MBMLogicalModuleInstanceManager* manager =
                QVX_MBMLogicalModuleInstanceManager::instance();
            int n = manager->getInstanceNumber();
            for (int i = 0; i < n; ++i) {
                QVX_MBMLogicalModule record;
                manager->getMBM(record, i);
                QVX_MBMLogicalModuleToCIMObjectPath(record, path);
                result.handle(path);
            }
        });
}

void QVX_MBMLogicalModuleProvider::enumInstances(
    const ProviderEnvironmentIFCRef& env, const String& ns, const String& className,
    CIMInstanceResultHandlerIFC& result, WBEMFlags::ELocalOnlyFlag, WBEMFlags::EDeepFlag,
    WBEMFlags::EIncludeQualifiersFlag, WBEMFlags::EIncludeClassOriginFlag, const StringArray*,
    const CIMClass&, const CIMClass& cimClass) {
    QVX_guard(
        env, QVX_HERE, QVX_ENUM_INSTANCES, [&] { return className; },
        [&] {
            QVX_MBMLogicalModuleInstanceManager* manager =
                QVX_MBMLogicalModuleInstanceManager::instance();
            int n = manager->getInstanceNumber();
            // One instance object serves all records: each conversion sets every property anew.
            CIMInstance instance;
            for (int i = 0; i < n; ++i) {
                QVX_MBMLogicalModule record;
                manager->getMBM(record, i);
                QVX_MBMLogicalModuleToCIMInstance(ns, record, cimClass, instance);
                result.handle(instance);
            }
        });
}

CIMInstance QVX_MBMLogicalModuleProvider::getInstance(
    const ProviderEnvironmentIFCRef& env, const String& ns, const CIMObjectPath& instanceName,
    WBEMFlags::ELocalOnlyFlag, WBEMFlags::EIncludeQualifiersFlag,
    WBEMFlags::EIncludeClassOriginFlag, const StringArray*, const CIMClass& cimClass) {
    CIMInstance instance(kClassName);
    QVX_guard(
        env, QVX_HERE, QVX_GET_INSTANCE, [&] { return instanceName.toString(); },
        [&] {
            QVX_MBMLogicalModule record;
            getQVX_MBMLogicalModuleWithCIMObjectPath(instanceName, record);
            QVX_MBMLogicalModuleToCIMInstance(ns, record, cimClass, instance);
        });
    return instance;
}

void QVX_MBMLogicalModuleProvider::modifyInstance(
    const ProviderEnvironmentIFCRef& env, const String&, const CIMInstance& modifiedInstance,
    const CIMInstance&, WBEMFlags::EIncludeQualifiersFlag, const StringArray*, const CIMClass&) {
    // Lookup failures reach the client unchanged and unlogged.
    QVX_MBMLogicalModule record;
    getQVX_MBMLogicalModuleWithCIMInstance(modifiedInstance, record);
    QVX_guard(
        env, QVX_HERE, QVX_MODIFY_INSTANCE, [&] { return modifiedInstance.toString(); },
        [&] { modifyInstance(record, modifiedInstance); });
}

QVX_REFUSED_OPERATIONS(QVX_MBMLogicalModuleProvider)

void QVX_MBMLogicalModuleProvider::modifyInstance(QVX_MBMLogicalModule& record,
                                                  const CIMInstance& instance) {
    QVX_modifyProperties(record, instance, kWritable, QVX_HERE);
}

void QVX_MBMLogicalModuleProvider::getQVX_MBMLogicalModuleWithCIMObjectPath(
    const CIMObjectPath& path, QVX_MBMLogicalModule& record) {
    QVX_KeyTexts<2> keys = QVX_readKeys(path, kLookupKeys, QVX_HERE);
    QVX_MBMLogicalModuleInstanceManager::instance()->getMBM(keys.text[1], keys.text[0], record);
}

void QVX_MBMLogicalModuleProvider::getQVX_MBMLogicalModuleWithCIMInstance(
    const CIMInstance& instance, QVX_MBMLogicalModule& record) {
    QVX_KeyTexts<2> keys = QVX_readKeys(instance, kLookupKeys, QVX_HERE);
    QVX_MBMLogicalModuleInstanceManager::instance()->getMBM(keys.text[1], keys.text[0], record);
}

void QVX_MBMLogicalModuleProvider::QVX_MBMLogicalModuleToCIMInstance(
    const String&, const QVX_MBMLogicalModule& record, const CIMClass&, CIMInstance& instance) {
    typedef QVX_MBMLogicalModule R;
    instance.setClassName(kClassName);
    QVX_setIfValid(instance, "SystemCreationClassName", record, &R::getSystemCreationClassName);
    QVX_setIfValid(instance, "SystemName", record, &R::getSystemName);
    QVX_setIfValid(instance, "CreationClassName", record, &R::getCreationClassName);
    QVX_setIfValid(instance, "DeviceID", record, &R::getDeviceID);
    QVX_setIfValid(instance, "Manufacturer", record, &R::getManufacturer);
    QVX_setAlways(instance, "PhysicalType", record, &R::getPhysicalType);
    QVX_setOrEmpty(instance, "UserTracking", record, &R::getUserTracking);
    QVX_setAlways(instance, "CanBeFRUed", record, &R::getCanBeFRUed);
}

void QVX_MBMLogicalModuleProvider::QVX_MBMLogicalModuleToCIMObjectPath(
    const QVX_MBMLogicalModule& record, CIMObjectPath& path) {
    QVX_recordToPath(record, kPathKeys, path, QVX_HERE);
}
