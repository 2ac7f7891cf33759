#ifndef OW_COMMON_FWD_HPP_INCLUDE_GUARD_
#define OW_COMMON_FWD_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_ArrayFwd.hpp"

namespace OpenWBEM {

class String;
typedef Array<String> StringArray;
class Bool;
typedef Array<Bool> BoolArray;
class Logger;
struct LogMessage;
template <class T>
class IntrusiveReference;
typedef IntrusiveReference<Logger> LoggerRef;
class IntrusiveCountableBase;
class Exception;

}  // namespace OpenWBEM

#endif
