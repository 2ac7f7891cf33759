// The one provider the object manager sees: it routes every request by the
// exact class name to the provider of that class.
#ifndef QVX_FRAME_QVX_INVENTORYPROVIDER_HPP
#define QVX_FRAME_QVX_INVENTORYPROVIDER_HPP

#include "chassis/QVX_Z64ChassisProvider.hpp"
#include "expansion/QVX_Z64ExpansionChassisProviderNew.hpp"
#include "frame/QVX_Globals.hpp"
#include "frame/QVX_ProviderShape.hpp"
#include "mbm/QVX_MBMProvider.hpp"

class QVXInventoryProvider : public OpenWBEM::CppMethodProviderIFC,
                             public OpenWBEM::CppInstanceProviderIFC {
public:
    QVX_PROVIDER_OPERATIONS;

    // Cleans up the class providers; the object manager never calls it.
    void cleanup();
};

extern QVX_Z64ChassisProvider gQVX_Z64ChassisProvider;
extern QVX_Z64ExpansionChassisProvider gQVX_Z64ExpansionChassisProvider;
extern QVX_MBMLogicalModuleProvider gQVX_MBMLogicalModuleProvider;

#endif
