// Administrator-set texts of the main chassis, kept in the persistent
// registry, and the system-wide last-change stamp. Results are the
// registry's own codes (0 for success); nothing here logs or throws.
#ifndef QVX_CHASSIS_QVX_Z64CHASSISPDRAPI_HPP
#define QVX_CHASSIS_QVX_Z64CHASSISPDRAPI_HPP

#include "OW_String.hpp"

class QVX_Z64ChassisPDRAPI {
public:
    // The output is the registry's text even when the read fails ("").
    static int getOwnerName(OpenWBEM::String& value);
    static int getLocation(OpenWBEM::String& value);
    static int getUserTracking(OpenWBEM::String& value);

    // Writes the whole text; does not stamp the change.
    static int setOwnerName(OpenWBEM::String value);
    static int setLocation(OpenWBEM::String value);
    static int setUserTracking(OpenWBEM::String value);

    // "LastChangeTime": seconds since the epoch. Every record setter of the
    // library calls it after a successful write.
    static int setLastChangeTime();
};

#endif
