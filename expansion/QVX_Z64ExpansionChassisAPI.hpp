// Hardware facts of one expansion chassis: fixed identity values and, asked
// of the hardware library on every call, whether a chassis is plugged in.
#ifndef QVX_EXPANSION_Z64EXPANSIONCHASSISAPI_HPP
#define QVX_EXPANSION_Z64EXPANSIONCHASSISAPI_HPP

#include "OW_String.hpp"

class QVX_Z64ExpansionChassisAPI {
public:
    QVX_Z64ExpansionChassisAPI();

    // chassisNo counts from 1. Always returns 1.
    int init(unsigned char chassisNo);

    bool getElementName(OpenWBEM::String& out) const;
    bool getManufacturer(OpenWBEM::String& out) const;
    bool getPhysicalType(unsigned char& out) const;
    // 0 on success (always).
    int getChassisNo(unsigned char& out) const;
    // 0 on success; a failed query is logged and thrown as CIM_ERR_FAILED.
    int getPresentStatus(bool& out) const;

private:
    bool m_initialized;
    unsigned char m_chassisNo;
};

#endif
