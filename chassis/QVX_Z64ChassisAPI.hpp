// Hardware-derived properties of the main chassis. Every getter asks the
// hardware-information library afresh; a failed query is logged through
// gLogger and thrown as CIM_ERR_FAILED, leaving the output untouched.
#ifndef QVX_CHASSIS_QVX_Z64CHASSISAPI_HPP
#define QVX_CHASSIS_QVX_Z64CHASSISAPI_HPP

#include "OW_CIMDateTime.hpp"
#include "OW_String.hpp"

class QVX_Z64ChassisAPI {
public:
    QVX_Z64ChassisAPI() {}

    bool getElementName(OpenWBEM::String& value) const;
    bool getManufacturer(OpenWBEM::String& value) const;
    bool getModel(OpenWBEM::String& value) const;
    bool getSerialNumber(OpenWBEM::String& value) const;
    bool getVersion(OpenWBEM::String& value) const;
    bool getPartNumber(OpenWBEM::String& value) const;
    bool getPhysicalType(unsigned char& value) const;
    bool getSystemID(OpenWBEM::String& value) const;
    // Composed in a 256-byte area: a longer composition loses its tail.
    bool getMiscInfo(OpenWBEM::String& value) const;
    // Never throws: a failed query logs and gives a default CIMDateTime.
    // Numbers missing from the date text count as 0.
    bool getManufactureDate(OpenWBEM::CIMDateTime& value) const;
    bool getPCBASerialNumber(OpenWBEM::String& value) const;
    bool getCSCSerialNumber(OpenWBEM::String& value) const;
    bool getHDSerialNumber(OpenWBEM::String& value) const;
    bool getCNICOneSerialNumber(OpenWBEM::String& value) const;
};

#endif
