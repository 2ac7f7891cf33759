#include "chassis/QVX_Z64ChassisProvider.hpp"

#include "frame/QVX_ProviderFrame.hpp"

using namespace OpenWBEM;

namespace {

const char* const kClassName = "QVX_Z64Chassis";
const char* const kTag = "Chassis";
const char* const kCreationClassName = "QVX_Chassis";
const char* const kLookupKeys[] = {"Tag", "CreationClassName"};

const QVX_KeyGetter<QVX_Z64Chassis> kPathKeys[] = {
    {"Tag", &QVX_Z64Chassis::getTag},
    {"CreationClassName", &QVX_Z64Chassis::getCreationClassName},
};

const QVX_Writable<QVX_Z64Chassis> kWritable[] = {
    {"UserTracking", [](QVX_Z64Chassis& r, const String& v) { return r.setUserTracking(v); }},
    {"OwnerName", [](QVX_Z64Chassis& r, const String& v) { return r.setOwnerName(v); }},
    {"Location", [](QVX_Z64Chassis& r, const String& v) { return r.setLocation(v); }},
};

}  // namespace

QVX_Z64ChassisProvider::QVX_Z64ChassisProvider() {}
QVX_Z64ChassisProvider::~QVX_Z64ChassisProvider() {}

void QVX_Z64ChassisProvider::initialize(const ProviderEnvironmentIFCRef&) {
    QVX_Z64ChassisInstanceManager::init();
}

void QVX_Z64ChassisProvider::cleanup() {}

void QVX_Z64ChassisProvider::enumInstanceNames(const ProviderEnvironmentIFCRef& env,
                                               const String& ns, const String& className,
                                               CIMObjectPathResultHandlerIFC& result,
                                               const CIMClass&) {
    QVX_guard(
        env, QVX_HERE, QVX_ENUM_INSTANCE_NAMES, [&] { return className; },
        [&] {
            // Fixed keys: listing the name costs no platform call.
            CIMObjectPath path(className, ns);
            CIMPropertyArray keys;
            keys.push_back(CIMProperty("Tag", CIMValue(kTag)));
            keys.push_back(CIMProperty("CreationClassName", CIMValue(kCreationClassName)));
            path.setKeys(keys);
            result.handle(path);
        });
}

void QVX_Z64ChassisProvider::enumInstances(const ProviderEnvironmentIFCRef& env, const String& ns,
                                           const String& className,
                                           CIMInstanceResultHandlerIFC& result,
                                           WBEMFlags::ELocalOnlyFlag, WBEMFlags::EDeepFlag,
                                           WBEMFlags::EIncludeQualifiersFlag,
                                           WBEMFlags::EIncludeClassOriginFlag, const StringArray*,
                                           const CIMClass&, const CIMClass& cimClass) {
    QVX_guard(
        env, QVX_HERE, QVX_ENUM_INSTANCES, [&] { return className; },
        [&] {
            QVX_Z64Chassis record;
            QVX_Z64ChassisInstanceManager::getChassis(record);
            CIMInstance instance;
            QVX_Z64ChassisToCIMInstance(ns, record, cimClass, instance);
            result.handle(instance);
        });
}

CIMInstance QVX_Z64ChassisProvider::getInstance(const ProviderEnvironmentIFCRef& env,
                                                const String& ns, const CIMObjectPath& instanceName,
                                                WBEMFlags::ELocalOnlyFlag,
                                                WBEMFlags::EIncludeQualifiersFlag,
                                                WBEMFlags::EIncludeClassOriginFlag,
                                                const StringArray*, const CIMClass& cimClass) {
    CIMInstance instance(kClassName);
    QVX_guard(
        env, QVX_HERE, QVX_GET_INSTANCE, [&] { return instanceName.toString(); },
        [&] {
            QVX_Z64Chassis record;
            getQVX_Z64ChassisWithCIMObjectPath(instanceName, record);
            QVX_Z64ChassisToCIMInstance(ns, record, cimClass, instance);
        });
    return instance;
}

void QVX_Z64ChassisProvider::modifyInstance(const ProviderEnvironmentIFCRef& env, const String&,
                                            const CIMInstance& modifiedInstance, const CIMInstance&,
                                            WBEMFlags::EIncludeQualifiersFlag, const StringArray*,
                                            const CIMClass&) {
    // Lookup failures reach the client unchanged and unlogged.
    QVX_Z64Chassis record;
    getQVX_Z64ChassisWithCIMInstance(modifiedInstance, record);
    QVX_guard(
        env, QVX_HERE, QVX_MODIFY_INSTANCE, [&] { return modifiedInstance.toString(); },
        [&] { modifyInstance(record, modifiedInstance); });
}

QVX_REFUSED_OPERATIONS(QVX_Z64ChassisProvider)

void QVX_Z64ChassisProvider::modifyInstance(QVX_Z64Chassis& record, const CIMInstance& instance) {
    QVX_modifyProperties(record, instance, kWritable, QVX_HERE);
}

void QVX_Z64ChassisProvider::getQVX_Z64ChassisWithCIMObjectPath(const CIMObjectPath& path,
                                                                QVX_Z64Chassis& record) {
    QVX_KeyTexts<2> keys = QVX_readKeys(path, kLookupKeys, QVX_HERE);
    QVX_Z64ChassisInstanceManager::getChassis(keys.text[0], keys.text[1], record);
}

void QVX_Z64ChassisProvider::getQVX_Z64ChassisWithCIMInstance(const CIMInstance& instance,
                                                              QVX_Z64Chassis& record) {
    QVX_KeyTexts<2> keys = QVX_readKeys(instance, kLookupKeys, QVX_HERE);
    QVX_Z64ChassisInstanceManager::getChassis(keys.text[0], keys.text[1], record);
}

void QVX_Z64ChassisProvider::QVX_Z64ChassisToCIMInstance(const String&,
                                                         const QVX_Z64Chassis& record,
                                                         const CIMClass&, CIMInstance& instance) {
    typedef QVX_Z64Chassis R;
    instance.setClassName(kClassName);
    QVX_setIfValid(instance, "Tag", record, &R::getTag);
    QVX_setIfValid(instance, "CreationClassName", record, &R::getCreationClassName);
    QVX_setIfValid(instance, "ElementName", record, &R::getElementName);
    QVX_setIfValid(instance, "Manufacturer", record, &R::getManufacturer);
    QVX_setIfValid(instance, "Model", record, &R::getModel);
    QVX_setIfValid(instance, "SerialNumber", record, &R::getSerialNumber);
    QVX_setIfValid(instance, "Version", record, &R::getVersion);
    QVX_setIfValid(instance, "PartNumber", record, &R::getPartNumber);
    QVX_setOrEmpty(instance, "OwnerName", record, &R::getOwnerName);
    QVX_setOrEmpty(instance, "Location", record, &R::getLocation);
    QVX_setIfValid(instance, "PhysicalType", record, &R::getPhysicalType);
    QVX_setOrEmpty(instance, "UserTracking", record, &R::getUserTracking);
    QVX_setAlways(instance, "CanBeFRUed", record, &R::getCanBeFRUed);
    QVX_setIfValid(instance, "SystemID", record, &R::getSystemID);
    QVX_setIfValid(instance, "MiscInfo", record, &R::getMiscInfo);
    QVX_setIfValid(instance, "ManufactureDate", record, &R::getManufactureDate);
    QVX_setIfValid(instance, "PCBASerialNumber", record, &R::getPCBASerialNumber);
    QVX_setIfValid(instance, "CSCSerialNumber", record, &R::getCSCSerialNumber);
    QVX_setIfValid(instance, "HDSerialNumber", record, &R::getHDSerialNumber);
    QVX_setIfValid(instance, "CNICOneSerialNumber", record, &R::getCNICOneSerialNumber);
}

void QVX_Z64ChassisProvider::QVX_Z64ChassisToCIMObjectPath(const QVX_Z64Chassis& record,
                                                           CIMObjectPath& path) {
    QVX_recordToPath(record, kPathKeys, path, QVX_HERE);
}
