#ifndef OW_CIMOMHANDLEIFC_HPP_INCLUDE_GUARD_
#define OW_CIMOMHANDLEIFC_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_Reference.hpp"

namespace OpenWBEM {

// Call-back into the object manager. Not used by the providers built here;
// hosts may hand out null references.
class CIMOMHandleIFC {
public:
    virtual ~CIMOMHandleIFC();
};

typedef Reference<CIMOMHandleIFC> CIMOMHandleIFCRef;

}  // namespace OpenWBEM

#endif
