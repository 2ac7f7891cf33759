// Process-wide objects every unit of the library reaches by name. They are
// defined, in construction order, in QVX_InventoryProvider.cpp.
#ifndef QVX_FRAME_GLOBALS_HPP
#define QVX_FRAME_GLOBALS_HPP

#include "OW_Logger.hpp"
#include "OW_String.hpp"

// Null until the object manager calls initialize; only requests use it.
extern OpenWBEM::LoggerRef gLogger;
extern OpenWBEM::String gQVX_Z64ChassisName;
extern OpenWBEM::String gQVX_Z64ExpansionChassisName;
extern OpenWBEM::String gQVX_MBMLogicalModuleName;

// Logs at error level through gLogger, if there is one yet.
void QVX_logError(const OpenWBEM::String& message);

#endif
