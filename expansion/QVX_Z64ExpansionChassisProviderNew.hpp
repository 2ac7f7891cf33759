// Serves QVX_Z64ExpansionChassis: both expansion-chassis positions, plugged in or not.
#ifndef QVX_EXPANSION_QVX_Z64EXPANSIONCHASSISPROVIDERNEW_HPP
#define QVX_EXPANSION_QVX_Z64EXPANSIONCHASSISPROVIDERNEW_HPP

#include "frame/QVX_ProviderShape.hpp"
#include "expansion/QVX_Z64ExpansionChassisNew.hpp"

class QVX_Z64ExpansionChassisProvider : public OpenWBEM::CppInstanceProviderIFC,
                                        public OpenWBEM::CppMethodProviderIFC {
public:
    QVX_Z64ExpansionChassisProvider();
    virtual ~QVX_Z64ExpansionChassisProvider();

    QVX_PROVIDER_OPERATIONS;

    void cleanup();
    // The property modify loop over the client's instance.
    void modifyInstance(QVX_Z64ExpansionChassis& record, const OpenWBEM::CIMInstance& instance);
    void getQVX_Z64ExpansionChassisWithCIMObjectPath(const OpenWBEM::CIMObjectPath& path,
                                                     QVX_Z64ExpansionChassis& record);
    void getQVX_Z64ExpansionChassisWithCIMInstance(const OpenWBEM::CIMInstance& instance,
                                                   QVX_Z64ExpansionChassis& record);
    static void QVX_Z64ExpansionChassisToCIMInstance(const OpenWBEM::String& ns,
                                                     const QVX_Z64ExpansionChassis& record,
                                                     const OpenWBEM::CIMClass& cimClass,
                                                     OpenWBEM::CIMInstance& instance);
    static void QVX_Z64ExpansionChassisToCIMObjectPath(const QVX_Z64ExpansionChassis& record,
                                                       OpenWBEM::CIMObjectPath& path);
};

#endif
