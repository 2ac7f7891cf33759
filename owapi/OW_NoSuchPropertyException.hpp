#ifndef OW_NOSUCHPROPERTYEXCEPTION_HPP_INCLUDE_GUARD_
#define OW_NOSUCHPROPERTYEXCEPTION_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_Exception.hpp"

namespace OpenWBEM {

OW_DECLARE_EXCEPTION(NoSuchProperty);

}  // namespace OpenWBEM

#endif
