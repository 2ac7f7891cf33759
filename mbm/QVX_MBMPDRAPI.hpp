// The administrator's user-tracking text of one MBM logical module, kept in
// the registry. Results are the registry's codes, 0 for success.
#ifndef QVX_MBM_MBMPDRAPI_HPP
#define QVX_MBM_MBMPDRAPI_HPP

#include "OW_String.hpp"

class QVX_MBMPDRAPI {
public:
    static int getUserTracking(const OpenWBEM::String& tag, OpenWBEM::String& value);
    static int setUserTracking(const OpenWBEM::String& tag, OpenWBEM::String value);

private:
    QVX_MBMPDRAPI();
};

#endif
