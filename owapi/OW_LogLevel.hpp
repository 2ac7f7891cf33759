#ifndef OW_LOG_LEVEL_HPP_INCLUDE_GUARD_
#define OW_LOG_LEVEL_HPP_INCLUDE_GUARD_
#include "OW_config.h"

namespace OpenWBEM {

enum ELogLevel {
    E_NONE_LEVEL,
    E_FATAL_ERROR_LEVEL,
    E_ERROR_LEVEL,
    E_INFO_LEVEL,
    E_DEBUG_LEVEL,
    E_ALL_LEVEL
};

}  // namespace OpenWBEM

#endif
