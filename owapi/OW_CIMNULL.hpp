#ifndef OW_CIMNULL_HPP_INCLUDE_GUARD_
#define OW_CIMNULL_HPP_INCLUDE_GUARD_
#include "OW_config.h"

namespace OpenWBEM {

// Tag of the constructors that build a null object (one without data).
enum CIMNULL_t { CIMNULL };

}  // namespace OpenWBEM

#endif
