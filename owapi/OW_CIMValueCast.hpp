#ifndef OW_CIMVALUECAST_HPP_INCLUDE_GUARD_
#define OW_CIMVALUECAST_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_Exception.hpp"

namespace OpenWBEM {

// Thrown when a CIMValue is read as a type it does not hold.
OW_DECLARE_EXCEPTION(ValueCast);

}  // namespace OpenWBEM

#endif
