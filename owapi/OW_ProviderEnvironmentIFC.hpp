#ifndef OW_PROVIDER_ENVIRONMENT_IFC_HPP_INCLUDE_GUARD_
#define OW_PROVIDER_ENVIRONMENT_IFC_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMOMHandleIFC.hpp"
#include "OW_Logger.hpp"
#include "OW_OperationContext.hpp"
#include "OW_Reference.hpp"
#include "OW_RepositoryIFC.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// What the object manager hands a provider with every call.
class ProviderEnvironmentIFC {
public:
    virtual ~ProviderEnvironmentIFC();
    virtual CIMOMHandleIFCRef getCIMOMHandle() const = 0;
    virtual CIMOMHandleIFCRef getRepositoryCIMOMHandle() const = 0;
    virtual RepositoryIFCRef getRepository() const = 0;
    virtual LoggerRef getLogger() const = 0;
    virtual String getConfigItem(const String& name, const String& defRetVal = "") const = 0;
    virtual String getUserName() const = 0;
    virtual OperationContext& getOperationContext() = 0;
};

typedef Reference<ProviderEnvironmentIFC> ProviderEnvironmentIFCRef;

}  // namespace OpenWBEM

#endif
