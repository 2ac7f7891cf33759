// The record of one expansion chassis and the process-wide manager of the
// two records. A record holds only its keys; every property is asked of the
// hardware or the registry when it is read.
#ifndef QVX_EXPANSION_Z64EXPANSIONCHASSISNEW_HPP
#define QVX_EXPANSION_Z64EXPANSIONCHASSISNEW_HPP

#include "expansion/QVX_Z64ExpansionChassisAPI.hpp"

#include "OW_String.hpp"

// Both positions always have a record, plugged in or not.
const int MAX_NUMBER_EXPANSIONCHASSIS = 2;

// The tag of the record of that index: ExpansionChassis0, ExpansionChassis1.
OpenWBEM::String QVX_expansionChassisTag(int index);

class QVX_Z64ExpansionChassis {
public:
    // An empty record, to be assigned from the manager's.
    QVX_Z64ExpansionChassis();
    // Only the manager's tags are accepted; any other is logged and fails
    // with CIM_ERR_NOT_FOUND.
    QVX_Z64ExpansionChassis(const OpenWBEM::String& tag, const OpenWBEM::String& creationClassName);

    bool getTag(OpenWBEM::String& out) const;
    bool getCreationClassName(OpenWBEM::String& out) const;
    bool getElementName(OpenWBEM::String& out) const;
    bool getManufacturer(OpenWBEM::String& out) const;
    bool getPhysicalType(unsigned char& out) const;
    bool getUserTracking(OpenWBEM::String& out) const;
    // Stamps the last-change time after a successful write only.
    bool setUserTracking(OpenWBEM::String value);
    bool getCanBeFRUed(bool& out) const;
    bool getChassisNo(unsigned char& out) const;
    // A failed hardware query throws.
    bool getPresentStatus(bool& out) const;

private:
    OpenWBEM::String m_tag;
    bool m_valid;
    OpenWBEM::String m_creationClassName;
    QVX_Z64ExpansionChassisAPI m_api;
};

class QVX_Z64ExpansionChassisInstanceManager {
public:
    // Creates the manager once, whichever thread asks first; it is never
    // destroyed.
    static QVX_Z64ExpansionChassisInstanceManager* instance();

    void init();
    int getInstanceNumber() const;
    // Fails with CIM_ERR_NOT_FOUND unless both keys name a record.
    void getChassis(const OpenWBEM::String& tag, const OpenWBEM::String& creationClassName,
                    QVX_Z64ExpansionChassis& out) const;
    void getChassis(QVX_Z64ExpansionChassis& out, int index) const;

    ~QVX_Z64ExpansionChassisInstanceManager();

private:
    QVX_Z64ExpansionChassisInstanceManager();
    QVX_Z64ExpansionChassisInstanceManager(const QVX_Z64ExpansionChassisInstanceManager&) = delete;
    QVX_Z64ExpansionChassisInstanceManager& operator=(
        const QVX_Z64ExpansionChassisInstanceManager&) = delete;

    static QVX_Z64ExpansionChassisInstanceManager* m_pInstance;
    QVX_Z64ExpansionChassis* m_chassis[MAX_NUMBER_EXPANSIONCHASSIS];
};

#endif
