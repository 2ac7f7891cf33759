#ifndef OW_RESULT_HANDLER_IFC_HPP_INCLUDE_GUARD_
#define OW_RESULT_HANDLER_IFC_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMFwd.hpp"

namespace OpenWBEM {

// Providers call handle(); a host derives and overrides doHandle().
template <typename T>
class ResultHandlerIFC {
public:
    void handle(const T& x) { doHandle(x); }
    virtual ~ResultHandlerIFC() {}

protected:
    virtual void doHandle(const T& x) = 0;
};

typedef ResultHandlerIFC<CIMClass> CIMClassResultHandlerIFC;
typedef ResultHandlerIFC<CIMInstance> CIMInstanceResultHandlerIFC;
typedef ResultHandlerIFC<CIMObjectPath> CIMObjectPathResultHandlerIFC;
typedef ResultHandlerIFC<String> StringResultHandlerIFC;

}  // namespace OpenWBEM

#endif
