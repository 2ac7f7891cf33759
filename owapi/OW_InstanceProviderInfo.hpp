#ifndef OW_INSTANCEPROVIDERINFO_HPP_INCLUDE_GUARD_
#define OW_INSTANCEPROVIDERINFO_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_ProviderInfoBase.hpp"

namespace OpenWBEM {

class InstanceProviderInfo : public ProviderInfoBase<InstClassInfo> {};

}  // namespace OpenWBEM

#endif
