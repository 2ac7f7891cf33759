#ifndef OW_REPOSITORYIFC_HPP_INCLUDE_GUARD_
#define OW_REPOSITORYIFC_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_IntrusiveReference.hpp"

namespace OpenWBEM {

// The object manager's class and instance store. Providers here use none
// of it; hosts may hand out null references.
class RepositoryIFC : public IntrusiveCountableBase {
public:
    virtual ~RepositoryIFC();
};

typedef IntrusiveReference<RepositoryIFC> RepositoryIFCRef;

}  // namespace OpenWBEM

#endif
