#include "frame/QVX_InventoryProvider.hpp"

#include "OW_CIMException.hpp"
#include "frame/QVX_ProviderFrame.hpp"

using namespace OpenWBEM;

// Process-wide objects, constructed in this order at load and destroyed in
// the reverse order at unload. The class providers touch nothing at
// construction, so they depend on no other static object.
LoggerRef gLogger;
String gQVX_Z64ChassisName("QVX_Z64Chassis");
String gQVX_Z64ExpansionChassisName("QVX_Z64ExpansionChassis");
String gQVX_MBMLogicalModuleName("QVX_MBMLogicalModule");
QVX_Z64ChassisProvider gQVX_Z64ChassisProvider;
QVX_Z64ExpansionChassisProvider gQVX_Z64ExpansionChassisProvider;
QVX_MBMLogicalModuleProvider gQVX_MBMLogicalModuleProvider;

#ifndef QVX_BUILD_ID
#define QVX_BUILD_ID "local"
#endif
// Build identification, kept in the image; nothing reads it at run time.
__attribute__((used)) static const char rcsid[] =
    "$Id: QVXInventoryProvider build " QVX_BUILD_ID " $";
__attribute__((used)) static const char* const dummy_reference = rcsid;

// The library is built with hidden visibility; its two entry points are the
// only symbols it exports. The version is the appliance's object manager's,
// compared by exact text, whichever OpenWBEM headers the library is built
// against (the factory macro would report theirs).
#pragma GCC visibility push(default)
extern "C" const char* getOWVersion() { return "3.0.3"; }
extern "C" OpenWBEM::CppProviderBaseIFC* createProviderQVXInventoryProvider() {
    return new QVXInventoryProvider;
}
#pragma GCC visibility pop

namespace {

// Calls op on the provider serving className; any other name, in any
// other letter case, is CIM_ERR_INVALID_CLASS without message.
template <class Operation>
auto route(const String& className, Operation op) -> decltype(op(gQVX_Z64ChassisProvider)) {
    if (className.equals(gQVX_Z64ChassisName)) return op(gQVX_Z64ChassisProvider);
    if (className.equals(gQVX_Z64ExpansionChassisName)) return op(gQVX_Z64ExpansionChassisProvider);
    if (className.equals(gQVX_MBMLogicalModuleName)) return op(gQVX_MBMLogicalModuleProvider);
    OW_THROWCIM(CIMException::INVALID_CLASS);
}

}  // namespace

void QVXInventoryProvider::initialize(const ProviderEnvironmentIFCRef& env) {
    gLogger = env->getLogger();
    // The other two create their instance managers on first use.
    gQVX_Z64ChassisProvider.initialize(env);
}

void QVXInventoryProvider::cleanup() {
    gQVX_Z64ChassisProvider.cleanup();
    gQVX_Z64ExpansionChassisProvider.cleanup();
    gQVX_MBMLogicalModuleProvider.cleanup();
}

void QVXInventoryProvider::enumInstanceNames(const ProviderEnvironmentIFCRef& env, const String& ns,
                                             const String& className,
                                             CIMObjectPathResultHandlerIFC& result,
                                             const CIMClass& cimClass) {
    route(className, [&](auto& p) { p.enumInstanceNames(env, ns, className, result, cimClass); });
}

void QVXInventoryProvider::enumInstances(
    const ProviderEnvironmentIFCRef& env, const String& ns, const String& className,
    CIMInstanceResultHandlerIFC& result, WBEMFlags::ELocalOnlyFlag localOnly,
    WBEMFlags::EDeepFlag deep, WBEMFlags::EIncludeQualifiersFlag includeQualifiers,
    WBEMFlags::EIncludeClassOriginFlag includeClassOrigin, const StringArray* propertyList,
    const CIMClass& requestedClass, const CIMClass& cimClass) {
    route(className, [&](auto& p) {
        p.enumInstances(env, ns, className, result, localOnly, deep, includeQualifiers,
                        includeClassOrigin, propertyList, requestedClass, cimClass);
    });
}

CIMInstance QVXInventoryProvider::getInstance(const ProviderEnvironmentIFCRef& env,
                                              const String& ns, const CIMObjectPath& instanceName,
                                              WBEMFlags::ELocalOnlyFlag localOnly,
                                              WBEMFlags::EIncludeQualifiersFlag includeQualifiers,
                                              WBEMFlags::EIncludeClassOriginFlag includeClassOrigin,
                                              const StringArray* propertyList,
                                              const CIMClass& cimClass) {
    return route(instanceName.getClassName(), [&](auto& p) {
        return p.getInstance(env, ns, instanceName, localOnly, includeQualifiers,
                             includeClassOrigin, propertyList, cimClass);
    });
}

CIMObjectPath QVXInventoryProvider::createInstance(const ProviderEnvironmentIFCRef& env,
                                                   const String& ns,
                                                   const CIMInstance& cimInstance) {
    return route(cimInstance.getClassName(),
                 [&](auto& p) { return p.createInstance(env, ns, cimInstance); });
}

void QVXInventoryProvider::deleteInstance(const ProviderEnvironmentIFCRef& env, const String& ns,
                                          const CIMObjectPath& cop) {
    route(cop.getClassName(), [&](auto& p) { p.deleteInstance(env, ns, cop); });
}

void QVXInventoryProvider::modifyInstance(const ProviderEnvironmentIFCRef& env, const String& ns,
                                          const CIMInstance& modifiedInstance,
                                          const CIMInstance& previousInstance,
                                          WBEMFlags::EIncludeQualifiersFlag includeQualifiers,
                                          const StringArray* propertyList,
                                          const CIMClass& theClass) {
    route(modifiedInstance.getClassName(), [&](auto& p) {
        p.modifyInstance(env, ns, modifiedInstance, previousInstance, includeQualifiers,
                         propertyList, theClass);
    });
}

CIMValue QVXInventoryProvider::invokeMethod(const ProviderEnvironmentIFCRef& env, const String& ns,
                                            const CIMObjectPath& path, const String& methodName,
                                            const CIMParamValueArray& in, CIMParamValueArray& out) {
    return route(path.getClassName(),
                 [&](auto& p) { return p.invokeMethod(env, ns, path, methodName, in, out); });
}
