#ifndef OW_CPP_METHOD_PROVIDER_IFC_HPP_INCLUDE_GUARD_
#define OW_CPP_METHOD_PROVIDER_IFC_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMFwd.hpp"
#include "OW_CppProviderBaseIFC.hpp"
#include "OW_MethodProviderInfo.hpp"

namespace OpenWBEM {

class CppMethodProviderIFC : public virtual CppProviderBaseIFC {
public:
    virtual ~CppMethodProviderIFC();
    virtual void getMethodProviderInfo(MethodProviderInfo&);
    virtual CIMValue invokeMethod(const ProviderEnvironmentIFCRef& env, const String& ns,
                                  const CIMObjectPath& path, const String& methodName,
                                  const CIMParamValueArray& in, CIMParamValueArray& out) = 0;
    virtual CppMethodProviderIFC* getMethodProvider();
};

}  // namespace OpenWBEM

#endif
