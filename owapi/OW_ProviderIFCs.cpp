// Out-of-line members of the provider interfaces. Defining the destructors
// here gives each class one home for its vtable and type information, so
// exceptions and casts work across the object manager and provider libraries.
#include "OW_CIMOMHandleIFC.hpp"
#include "OW_CIMClass.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_RepositoryIFC.hpp"
#include "OW_CppInstanceProviderIFC.hpp"
#include "OW_CppMethodProviderIFC.hpp"
#include "OW_CppProviderBaseIFC.hpp"
#include "OW_OperationContext.hpp"
#include "OW_ProviderEnvironmentIFC.hpp"

namespace OpenWBEM {

OperationContext::OperationContext() {}
OperationContext::~OperationContext() {}
CIMOMHandleIFC::~CIMOMHandleIFC() {}
RepositoryIFC::~RepositoryIFC() {}
ProviderEnvironmentIFC::~ProviderEnvironmentIFC() {}

CppProviderBaseIFC::~CppProviderBaseIFC() {}

CppInstanceProviderIFC::~CppInstanceProviderIFC() {}
void CppInstanceProviderIFC::getInstanceProviderInfo(InstanceProviderInfo&) {}
CppInstanceProviderIFC* CppInstanceProviderIFC::getInstanceProvider() {
    return this;
}

namespace {

// Turns each name into an instance for the default enumInstances.
class InstanceFromNameHandler : public CIMObjectPathResultHandlerIFC {
public:
    InstanceFromNameHandler(CppInstanceProviderIFC& provider, const ProviderEnvironmentIFCRef& env,
                            const String& ns, CIMInstanceResultHandlerIFC& result,
                            WBEMFlags::ELocalOnlyFlag localOnly,
                            WBEMFlags::EIncludeQualifiersFlag includeQualifiers,
                            WBEMFlags::EIncludeClassOriginFlag includeClassOrigin,
                            const StringArray* propertyList, const CIMClass& cimClass)
        : m_provider(provider),
          m_env(env),
          m_ns(ns),
          m_result(result),
          m_localOnly(localOnly),
          m_includeQualifiers(includeQualifiers),
          m_includeClassOrigin(includeClassOrigin),
          m_propertyList(propertyList),
          m_cimClass(cimClass) {}

protected:
    void doHandle(const CIMObjectPath& path) override {
        m_result.handle(m_provider.getInstance(m_env, m_ns, path, m_localOnly, m_includeQualifiers,
                                               m_includeClassOrigin, m_propertyList, m_cimClass));
    }

private:
    CppInstanceProviderIFC& m_provider;
    const ProviderEnvironmentIFCRef& m_env;
    const String& m_ns;
    CIMInstanceResultHandlerIFC& m_result;
    WBEMFlags::ELocalOnlyFlag m_localOnly;
    WBEMFlags::EIncludeQualifiersFlag m_includeQualifiers;
    WBEMFlags::EIncludeClassOriginFlag m_includeClassOrigin;
    const StringArray* m_propertyList;
    const CIMClass& m_cimClass;
};

}  // namespace

void CppInstanceProviderIFC::enumInstances(
    const ProviderEnvironmentIFCRef& env, const String& ns, const String& className,
    CIMInstanceResultHandlerIFC& result, WBEMFlags::ELocalOnlyFlag localOnly, WBEMFlags::EDeepFlag,
    WBEMFlags::EIncludeQualifiersFlag includeQualifiers,
    WBEMFlags::EIncludeClassOriginFlag includeClassOrigin, const StringArray* propertyList,
    const CIMClass& requestedClass, const CIMClass& cimClass) {
    (void)requestedClass;
    InstanceFromNameHandler handler(*this, env, ns, result, localOnly, includeQualifiers,
                                    includeClassOrigin, propertyList, cimClass);
    enumInstanceNames(env, ns, className, handler, cimClass);
}

CppMethodProviderIFC::~CppMethodProviderIFC() {}
void CppMethodProviderIFC::getMethodProviderInfo(MethodProviderInfo&) {}
CppMethodProviderIFC* CppMethodProviderIFC::getMethodProvider() {
    return this;
}

}  // namespace OpenWBEM
