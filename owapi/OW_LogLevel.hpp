#ifndef OW_LOG_LEVEL_HPP_INCLUDE_GUARD_
#define OW_LOG_LEVEL_HPP_INCLUDE_GUARD_
#include "OW_config.h"

namespace OpenWBEM {

// A message passes when its level is at most the logger's.
enum ELogLevel { E_FATAL_ERROR_LEVEL, E_ERROR_LEVEL, E_INFO_LEVEL, E_DEBUG_LEVEL };

}  // namespace OpenWBEM

#endif
