// The record of the one main chassis and the manager that hands it out.
// The record keeps only its keys; every property is read from the hardware
// or the registry when asked, so nothing goes stale.
#ifndef QVX_CHASSIS_QVX_Z64CHASSIS_HPP
#define QVX_CHASSIS_QVX_Z64CHASSIS_HPP

#include "chassis/QVX_Z64ChassisAPI.hpp"

#include "OW_CIMDateTime.hpp"
#include "OW_String.hpp"

class QVX_Z64Chassis {
public:
    QVX_Z64Chassis();
    QVX_Z64Chassis(const OpenWBEM::String& tag, const OpenWBEM::String& creationClassName);
    QVX_Z64Chassis(const QVX_Z64Chassis& other);
    QVX_Z64Chassis& operator=(const QVX_Z64Chassis& other);

    // Key getters report whether the record was built from keys.
    bool getTag(OpenWBEM::String& value) const;
    bool getCreationClassName(OpenWBEM::String& value) const;

    bool getElementName(OpenWBEM::String& value) const;
    bool getManufacturer(OpenWBEM::String& value) const;
    bool getModel(OpenWBEM::String& value) const;
    bool getSerialNumber(OpenWBEM::String& value) const;
    bool getVersion(OpenWBEM::String& value) const;
    bool getPartNumber(OpenWBEM::String& value) const;
    bool getPhysicalType(unsigned char& value) const;
    bool getSystemID(OpenWBEM::String& value) const;
    bool getMiscInfo(OpenWBEM::String& value) const;
    bool getManufactureDate(OpenWBEM::CIMDateTime& value) const;
    bool getPCBASerialNumber(OpenWBEM::String& value) const;
    bool getCSCSerialNumber(OpenWBEM::String& value) const;
    bool getHDSerialNumber(OpenWBEM::String& value) const;
    bool getCNICOneSerialNumber(OpenWBEM::String& value) const;

    // False when the registry read fails.
    bool getOwnerName(OpenWBEM::String& value) const;
    bool getLocation(OpenWBEM::String& value) const;
    bool getUserTracking(OpenWBEM::String& value) const;
    bool getCanBeFRUed(bool& value) const;

    // True when the registry took the value; only then is the change stamped.
    bool setOwnerName(const OpenWBEM::String& value);
    bool setLocation(const OpenWBEM::String& value);
    bool setUserTracking(OpenWBEM::String value);

private:
    OpenWBEM::String m_tag;
    bool m_valid;
    OpenWBEM::String m_creationClassName;
    QVX_Z64ChassisAPI m_api;
};

class QVX_Z64ChassisInstanceManager {
public:
    QVX_Z64ChassisInstanceManager() {}
    ~QVX_Z64ChassisInstanceManager() {}

    static void init();
    // The one chassis: tag "Chassis", creation class name "QVX_Chassis".
    static void getChassis(QVX_Z64Chassis& chassis);
    // The chassis those keys name, or CIM_ERR_NOT_FOUND with chassis untouched.
    static void getChassis(const OpenWBEM::String& tag, const OpenWBEM::String& creationClassName,
                           QVX_Z64Chassis& chassis);
};

#endif
