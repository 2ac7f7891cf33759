#include "expansion/QVX_Z64ExpansionChassisProviderNew.hpp"

#include "frame/QVX_ProviderFrame.hpp"

using namespace OpenWBEM;

namespace {

const char* const kClassName = "QVX_Z64ExpansionChassis";
const char* const kCreationClassName = "QVX_ExpansionChassis";
const char* const kLookupKeys[] = {"Tag", "CreationClassName"};

const QVX_KeyGetter<QVX_Z64ExpansionChassis> kPathKeys[] = {
    {"Tag", &QVX_Z64ExpansionChassis::getTag},
    {"CreationClassName", &QVX_Z64ExpansionChassis::getCreationClassName},
};

const QVX_Writable<QVX_Z64ExpansionChassis> kWritable[] = {
    {"UserTracking",
     [](QVX_Z64ExpansionChassis& r, const String& v) { return r.setUserTracking(v); }},
};

}  // namespace

QVX_Z64ExpansionChassisProvider::QVX_Z64ExpansionChassisProvider() {}
QVX_Z64ExpansionChassisProvider::~QVX_Z64ExpansionChassisProvider() {}

void QVX_Z64ExpansionChassisProvider::initialize(const ProviderEnvironmentIFCRef&) {
    QVX_Z64ExpansionChassisInstanceManager::instance()->init();
}

void QVX_Z64ExpansionChassisProvider::cleanup() {}

void QVX_Z64ExpansionChassisProvider::enumInstanceNames(const ProviderEnvironmentIFCRef& env,
                                                        const String& ns, const String& className,
                                                        CIMObjectPathResultHandlerIFC& result,
                                                        const CIMClass&) {
    QVX_guard(
        env, QVX_HERE, QVX_ENUM_INSTANCE_NAMES, [&] { return className; },
        [&] {
            // Keys from the index alone: presence plays no part in the listing.
            CIMObjectPath path(className, ns);
            int n = QVX_Z64ExpansionChassisInstanceManager::instance()->getInstanceNumber();
            for (int i = 0; i < n; ++i) {
                CIMPropertyArray keys;
                keys.push_back(CIMProperty("Tag", CIMValue(QVX_expansionChassisTag(i))));
                keys.push_back(CIMProperty("CreationClassName", CIMValue(kCreationClassName)));
                path.setKeys(keys);
                result.handle(path);
            }
        });
}

void QVX_Z64ExpansionChassisProvider::enumInstances(
    const ProviderEnvironmentIFCRef& env, const String& ns, const String& className,
    CIMInstanceResultHandlerIFC& result, WBEMFlags::ELocalOnlyFlag, WBEMFlags::EDeepFlag,
    WBEMFlags::EIncludeQualifiersFlag, WBEMFlags::EIncludeClassOriginFlag, const StringArray*,
    const CIMClass&, const CIMClass& cimClass) {
    QVX_guard(
        env, QVX_HERE, QVX_ENUM_INSTANCES, [&] { return className; },
        [&] {
            QVX_Z64ExpansionChassisInstanceManager* manager =
                QVX_Z64ExpansionChassisInstanceManager::instance();
            int n = manager->getInstanceNumber();
            for (int i = 0; i < n; ++i) {
                QVX_Z64ExpansionChassis record;
                manager->getChassis(record, i);
                CIMInstance instance;
                QVX_Z64ExpansionChassisToCIMInstance(ns, record, cimClass, instance);
                result.handle(instance);
            }
        });
}

CIMInstance QVX_Z64ExpansionChassisProvider::getInstance(
    const ProviderEnvironmentIFCRef& env, const String& ns, const CIMObjectPath& instanceName,
    WBEMFlags::ELocalOnlyFlag, WBEMFlags::EIncludeQualifiersFlag,
    WBEMFlags::EIncludeClassOriginFlag, const StringArray*, const CIMClass& cimClass) {
    CIMInstance instance(kClassName);
    QVX_guard(
        env, QVX_HERE, QVX_GET_INSTANCE, [&] { return instanceName.toString(); },
        [&] {
            QVX_Z64ExpansionChassis record;
            getQVX_Z64ExpansionChassisWithCIMObjectPath(instanceName, record);
            QVX_Z64ExpansionChassisToCIMInstance(ns, record, cimClass, instance);
        });
    return instance;
}

void QVX_Z64ExpansionChassisProvider::modifyInstance(
    const ProviderEnvironmentIFCRef& env, const String&, const CIMInstance& modifiedInstance,
    const CIMInstance&, WBEMFlags::EIncludeQualifiersFlag, const StringArray*, const CIMClass&) {
    // Lookup failures reach the client unchanged and unlogged.
    QVX_Z64ExpansionChassis record;
    getQVX_Z64ExpansionChassisWithCIMInstance(modifiedInstance, record);
    QVX_guard(
        env, QVX_HERE, QVX_MODIFY_INSTANCE, [&] { return modifiedInstance.toString(); },
        [&] { modifyInstance(record, modifiedInstance); });
}

QVX_REFUSED_OPERATIONS(QVX_Z64ExpansionChassisProvider)

void QVX_Z64ExpansionChassisProvider::modifyInstance(QVX_Z64ExpansionChassis& record,
                                                     const CIMInstance& instance) {
    QVX_modifyProperties(record, instance, kWritable, QVX_HERE);
}

void QVX_Z64ExpansionChassisProvider::getQVX_Z64ExpansionChassisWithCIMObjectPath(
    const CIMObjectPath& path, QVX_Z64ExpansionChassis& record) {
    QVX_KeyTexts<2> keys = QVX_readKeys(path, kLookupKeys, QVX_HERE);
    QVX_Z64ExpansionChassisInstanceManager::instance()->getChassis(keys.text[0], keys.text[1],
                                                                   record);
}

void QVX_Z64ExpansionChassisProvider::getQVX_Z64ExpansionChassisWithCIMInstance(
    const CIMInstance& instance, QVX_Z64ExpansionChassis& record) {
    QVX_KeyTexts<2> keys = QVX_readKeys(instance, kLookupKeys, QVX_HERE);
    QVX_Z64ExpansionChassisInstanceManager::instance()->getChassis(keys.text[0], keys.text[1],
                                                                   record);
}

void QVX_Z64ExpansionChassisProvider::QVX_Z64ExpansionChassisToCIMInstance(
    const String&, const QVX_Z64ExpansionChassis& record, const CIMClass&, CIMInstance& instance) {
    typedef QVX_Z64ExpansionChassis R;
    instance.setClassName(kClassName);
    QVX_setIfValid(instance, "Tag", record, &R::getTag);
    QVX_setIfValid(instance, "CreationClassName", record, &R::getCreationClassName);
    QVX_setIfValid(instance, "ElementName", record, &R::getElementName);
    QVX_setIfValid(instance, "Manufacturer", record, &R::getManufacturer);
    QVX_setIfValid(instance, "PhysicalType", record, &R::getPhysicalType);
    QVX_setOrEmpty(instance, "UserTracking", record, &R::getUserTracking);
    QVX_setAlways(instance, "CanBeFRUed", record, &R::getCanBeFRUed);
    QVX_setAlways(instance, "ChassisNo", record, &R::getChassisNo);
    // A failed presence query throws instead of reporting false.
    QVX_setAlways(instance, "PresentStatus", record, &R::getPresentStatus);
}

void QVX_Z64ExpansionChassisProvider::QVX_Z64ExpansionChassisToCIMObjectPath(
    const QVX_Z64ExpansionChassis& record, CIMObjectPath& path) {
    QVX_recordToPath(record, kPathKeys, path, QVX_HERE);
}
