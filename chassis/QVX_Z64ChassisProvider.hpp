// Serves QVX_Z64Chassis: the one main chassis.
#ifndef QVX_CHASSIS_QVX_Z64CHASSISPROVIDER_HPP
#define QVX_CHASSIS_QVX_Z64CHASSISPROVIDER_HPP

#include "frame/QVX_ProviderShape.hpp"
#include "chassis/QVX_Z64Chassis.hpp"

class QVX_Z64ChassisProvider : public OpenWBEM::CppInstanceProviderIFC,
                               public OpenWBEM::CppMethodProviderIFC {
public:
    QVX_Z64ChassisProvider();
    virtual ~QVX_Z64ChassisProvider();

    QVX_PROVIDER_OPERATIONS;

    void cleanup();
    // The property modify loop over the client's instance.
    void modifyInstance(QVX_Z64Chassis& record, const OpenWBEM::CIMInstance& instance);
    void getQVX_Z64ChassisWithCIMObjectPath(const OpenWBEM::CIMObjectPath& path,
                                            QVX_Z64Chassis& record);
    void getQVX_Z64ChassisWithCIMInstance(const OpenWBEM::CIMInstance& instance,
                                          QVX_Z64Chassis& record);
    static void QVX_Z64ChassisToCIMInstance(const OpenWBEM::String& ns,
                                            const QVX_Z64Chassis& record,
                                            const OpenWBEM::CIMClass& cimClass,
                                            OpenWBEM::CIMInstance& instance);
    static void QVX_Z64ChassisToCIMObjectPath(const QVX_Z64Chassis& record,
                                              OpenWBEM::CIMObjectPath& path);
};

#endif
