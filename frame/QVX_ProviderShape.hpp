// The operations every provider of this library overrides: the seven
// request operations of the instance and method provider interfaces and
// initialize, with OpenWBEM's signatures.
#ifndef QVX_FRAME_PROVIDERSHAPE_HPP
#define QVX_FRAME_PROVIDERSHAPE_HPP

#include "OW_CIMClass.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMParamValue.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CppInstanceProviderIFC.hpp"
#include "OW_CppMethodProviderIFC.hpp"
#include "OW_ProviderEnvironmentIFC.hpp"
#include "OW_ResultHandlerIFC.hpp"
#include "OW_String.hpp"
#include "OW_WBEMFlags.hpp"

#define QVX_PROVIDER_OPERATIONS                                                                    \
    virtual void initialize(const OpenWBEM::ProviderEnvironmentIFCRef& env);                       \
    virtual void enumInstanceNames(const OpenWBEM::ProviderEnvironmentIFCRef& env,                 \
                                   const OpenWBEM::String& ns, const OpenWBEM::String& className,  \
                                   OpenWBEM::CIMObjectPathResultHandlerIFC& result,                \
                                   const OpenWBEM::CIMClass& cimClass);                            \
    virtual void enumInstances(                                                                    \
        const OpenWBEM::ProviderEnvironmentIFCRef& env, const OpenWBEM::String& ns,                \
        const OpenWBEM::String& className, OpenWBEM::CIMInstanceResultHandlerIFC& result,          \
        OpenWBEM::WBEMFlags::ELocalOnlyFlag localOnly, OpenWBEM::WBEMFlags::EDeepFlag deep,        \
        OpenWBEM::WBEMFlags::EIncludeQualifiersFlag includeQualifiers,                             \
        OpenWBEM::WBEMFlags::EIncludeClassOriginFlag includeClassOrigin,                           \
        const OpenWBEM::StringArray* propertyList, const OpenWBEM::CIMClass& requestedClass,       \
        const OpenWBEM::CIMClass& cimClass);                                                       \
    virtual OpenWBEM::CIMInstance getInstance(                                                     \
        const OpenWBEM::ProviderEnvironmentIFCRef& env, const OpenWBEM::String& ns,                \
        const OpenWBEM::CIMObjectPath& instanceName,                                               \
        OpenWBEM::WBEMFlags::ELocalOnlyFlag localOnly,                                             \
        OpenWBEM::WBEMFlags::EIncludeQualifiersFlag includeQualifiers,                             \
        OpenWBEM::WBEMFlags::EIncludeClassOriginFlag includeClassOrigin,                           \
        const OpenWBEM::StringArray* propertyList, const OpenWBEM::CIMClass& cimClass);            \
    virtual OpenWBEM::CIMObjectPath createInstance(const OpenWBEM::ProviderEnvironmentIFCRef& env, \
                                                   const OpenWBEM::String& ns,                     \
                                                   const OpenWBEM::CIMInstance& cimInstance);      \
    virtual void modifyInstance(                                                                   \
        const OpenWBEM::ProviderEnvironmentIFCRef& env, const OpenWBEM::String& ns,                \
        const OpenWBEM::CIMInstance& modifiedInstance,                                             \
        const OpenWBEM::CIMInstance& previousInstance,                                             \
        OpenWBEM::WBEMFlags::EIncludeQualifiersFlag includeQualifiers,                             \
        const OpenWBEM::StringArray* propertyList, const OpenWBEM::CIMClass& theClass);            \
    virtual void deleteInstance(const OpenWBEM::ProviderEnvironmentIFCRef& env,                    \
                                const OpenWBEM::String& ns, const OpenWBEM::CIMObjectPath& cop);   \
    virtual OpenWBEM::CIMValue invokeMethod(                                                       \
        const OpenWBEM::ProviderEnvironmentIFCRef& env, const OpenWBEM::String& ns,                \
        const OpenWBEM::CIMObjectPath& path, const OpenWBEM::String& methodName,                   \
        const OpenWBEM::CIMParamValueArray& in, OpenWBEM::CIMParamValueArray& out)

// Create, delete and method calls, which every provider refuses with
// CIM_ERR_NOT_SUPPORTED and no message. Expanded in the provider's own unit
// (with the frame included), so the exception names that unit.
#define QVX_REFUSED_OPERATIONS(Provider)                                                         \
    OpenWBEM::CIMObjectPath Provider::createInstance(const OpenWBEM::ProviderEnvironmentIFCRef&, \
                                                     const OpenWBEM::String&,                    \
                                                     const OpenWBEM::CIMInstance&) {             \
        QVX_throwNotSupported(QVX_HERE);                                                         \
    }                                                                                            \
    void Provider::deleteInstance(const OpenWBEM::ProviderEnvironmentIFCRef&,                    \
                                  const OpenWBEM::String&, const OpenWBEM::CIMObjectPath&) {     \
        QVX_throwNotSupported(QVX_HERE);                                                         \
    }                                                                                            \
    OpenWBEM::CIMValue Provider::invokeMethod(                                                   \
        const OpenWBEM::ProviderEnvironmentIFCRef&, const OpenWBEM::String&,                     \
        const OpenWBEM::CIMObjectPath&, const OpenWBEM::String&,                                 \
        const OpenWBEM::CIMParamValueArray&, OpenWBEM::CIMParamValueArray&) {                    \
        QVX_throwNotSupported(QVX_HERE);                                                         \
    }

#endif
