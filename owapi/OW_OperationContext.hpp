#ifndef OW_OPERATION_CONTEXT_HPP_INCLUDE_GUARD_
#define OW_OPERATION_CONTEXT_HPP_INCLUDE_GUARD_
#include "OW_config.h"

namespace OpenWBEM {

// Per-operation data of the object manager; providers here use none of it.
class OperationContext {
public:
    OperationContext();
    virtual ~OperationContext();
};

}  // namespace OpenWBEM

#endif
