// Serves QVX_MBMLogicalModule: the two MBM logical modules.
#ifndef QVX_MBM_QVX_MBMPROVIDER_HPP
#define QVX_MBM_QVX_MBMPROVIDER_HPP

#include "frame/QVX_ProviderShape.hpp"
#include "mbm/QVX_MBM.hpp"

class QVX_MBMLogicalModuleProvider : public OpenWBEM::CppInstanceProviderIFC,
                                     public OpenWBEM::CppMethodProviderIFC {
public:
    QVX_MBMLogicalModuleProvider();
    virtual ~QVX_MBMLogicalModuleProvider();

    QVX_PROVIDER_OPERATIONS;

    void cleanup();
    // The property modify loop over the client's instance.
    void modifyInstance(QVX_MBMLogicalModule& record, const OpenWBEM::CIMInstance& instance);
    void getQVX_MBMLogicalModuleWithCIMObjectPath(const OpenWBEM::CIMObjectPath& path,
                                                  QVX_MBMLogicalModule& record);
    void getQVX_MBMLogicalModuleWithCIMInstance(const OpenWBEM::CIMInstance& instance,
                                                QVX_MBMLogicalModule& record);
    static void QVX_MBMLogicalModuleToCIMInstance(const OpenWBEM::String& ns,
                                                  const QVX_MBMLogicalModule& record,
                                                  const OpenWBEM::CIMClass& cimClass,
                                                  OpenWBEM::CIMInstance& instance);
    static void QVX_MBMLogicalModuleToCIMObjectPath(const QVX_MBMLogicalModule& record,
                                                    OpenWBEM::CIMObjectPath& path);
};

#endif
