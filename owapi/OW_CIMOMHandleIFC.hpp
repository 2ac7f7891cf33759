#ifndef OW_CIMOMHANDLEIFC_HPP_INCLUDE_GUARD_
#define OW_CIMOMHANDLEIFC_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_IfcsFwd.hpp"
#include "OW_IntrusiveCountableBase.hpp"
#include "OW_IntrusiveReference.hpp"

namespace OpenWBEM {

// Call-back into the object manager. Not used by the providers built here;
// hosts may hand out null references.
class CIMOMHandleIFC : public IntrusiveCountableBase {
public:
    virtual ~CIMOMHandleIFC();
};

class RepositoryIFC : public IntrusiveCountableBase {
public:
    virtual ~RepositoryIFC();
};

}  // namespace OpenWBEM

#endif
