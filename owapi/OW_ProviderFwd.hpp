#ifndef OW_PROVIDER_FWD_HPP_INCLUDE_GUARD_
#define OW_PROVIDER_FWD_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CommonFwd.hpp"

namespace OpenWBEM {

class ProviderEnvironmentIFC;
typedef IntrusiveReference<ProviderEnvironmentIFC> ProviderEnvironmentIFCRef;
class InstanceProviderInfo;
class MethodProviderInfo;
class CppProviderBaseIFC;
class CppInstanceProviderIFC;
class CppSecondaryInstanceProviderIFC;
class CppMethodProviderIFC;
class CppAssociatorProviderIFC;
class CppIndicationExportProviderIFC;
class CppPolledProviderIFC;
class CppIndicationProviderIFC;

}  // namespace OpenWBEM

#endif
