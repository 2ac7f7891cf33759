// The administrator's user-tracking text of one expansion chassis, kept in
// the registry. Results are the registry's codes, 0 for success.
#ifndef QVX_EXPANSION_Z64EXPANSIONCHASSISPDRAPI_HPP
#define QVX_EXPANSION_Z64EXPANSIONCHASSISPDRAPI_HPP

#include "OW_String.hpp"

class QVX_Z64ExpansionChassisPDRAPI {
public:
    static int getUserTracking(const OpenWBEM::String& tag, OpenWBEM::String& value);
    static int setUserTracking(const OpenWBEM::String& tag, OpenWBEM::String value);

private:
    QVX_Z64ExpansionChassisPDRAPI();
};

#endif
