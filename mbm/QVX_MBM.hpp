// The record of one MBM logical module and the process-wide manager of the
// two records. Apart from the user-tracking text, read from the registry on
// every call, every value is fixed.
#ifndef QVX_MBM_MBM_HPP
#define QVX_MBM_MBM_HPP

#include "OW_String.hpp"

// Both modules always exist; there is no presence test.
const int MAX_NUMBER_MBM = 2;

class QVX_MBMLogicalModule {
public:
    // An empty record, to be assigned from the manager's.
    QVX_MBMLogicalModule();
    // Neither key is checked here: the manager only builds its own.
    QVX_MBMLogicalModule(const OpenWBEM::String& deviceID,
                         const OpenWBEM::String& creationClassName);

    // The four keys report whether the record was built from a tag.
    bool getSystemCreationClassName(OpenWBEM::String& out) const;
    bool getSystemName(OpenWBEM::String& out) const;
    bool getCreationClassName(OpenWBEM::String& out) const;
    bool getDeviceID(OpenWBEM::String& out) const;
    bool getManufacturer(OpenWBEM::String& out) const;
    bool getPhysicalType(unsigned char& out) const;
    bool getUserTracking(OpenWBEM::String& out) const;
    // Stamps the last-change time after a successful write only.
    bool setUserTracking(OpenWBEM::String value);
    bool getCanBeFRUed(bool& out) const;

private:
    bool m_valid;
    OpenWBEM::String m_systemCreationClassName;
    OpenWBEM::String m_systemName;
    OpenWBEM::String m_creationClassName;
    OpenWBEM::String m_deviceID;
};

class QVX_MBMLogicalModuleInstanceManager {
public:
    // Creates the manager once, whichever thread asks first; it is never
    // destroyed.
    static QVX_MBMLogicalModuleInstanceManager* instance();

    void init();
    int getInstanceNumber() const;
    // Fails with CIM_ERR_NOT_FOUND unless both keys name a record.
    void getMBM(const OpenWBEM::String& deviceID, const OpenWBEM::String& creationClassName,
                QVX_MBMLogicalModule& out) const;
    void getMBM(QVX_MBMLogicalModule& out, int index) const;

    ~QVX_MBMLogicalModuleInstanceManager();

private:
    QVX_MBMLogicalModuleInstanceManager();
    QVX_MBMLogicalModuleInstanceManager(const QVX_MBMLogicalModuleInstanceManager&) = delete;
    QVX_MBMLogicalModuleInstanceManager& operator=(const QVX_MBMLogicalModuleInstanceManager&) =
        delete;

    static QVX_MBMLogicalModuleInstanceManager* m_pInstance;
    QVX_MBMLogicalModule* m_pMBM[MAX_NUMBER_MBM];
};

#endif
