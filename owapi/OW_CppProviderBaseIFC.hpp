#ifndef OW_CPP_PROVIDER_BASE_IFC_HPP_INCLUDE_GUARD_
#define OW_CPP_PROVIDER_BASE_IFC_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMFwd.hpp"
#include "OW_ProviderEnvironmentIFC.hpp"

#include <ctime>

namespace OpenWBEM {

class CppInstanceProviderIFC;
class CppSecondaryInstanceProviderIFC;
class CppMethodProviderIFC;
class CppAssociatorProviderIFC;
class CppIndicationExportProviderIFC;
class CppPolledProviderIFC;
class CppIndicationProviderIFC;

// Base of every C++ provider. The object manager owns the object the
// factory returns and asks it for the interfaces it implements; it never
// says when it lets go of it.
class CppProviderBaseIFC {
public:
    CppProviderBaseIFC() : m_lastAccessTime(0), m_persist(false) {}
    CppProviderBaseIFC(const CppProviderBaseIFC& arg)
        : m_lastAccessTime(arg.m_lastAccessTime), m_persist(arg.m_persist) {}
    virtual ~CppProviderBaseIFC();
    virtual void initialize(const ProviderEnvironmentIFCRef&) {}
    virtual CppInstanceProviderIFC* getInstanceProvider() { return 0; }
    virtual CppSecondaryInstanceProviderIFC* getSecondaryInstanceProvider() { return 0; }
    virtual CppMethodProviderIFC* getMethodProvider() { return 0; }
    virtual CppAssociatorProviderIFC* getAssociatorProvider() { return 0; }
    virtual CppIndicationExportProviderIFC* getIndicationExportProvider() { return 0; }
    virtual CppPolledProviderIFC* getPolledProvider() { return 0; }
    virtual CppIndicationProviderIFC* getIndicationProvider() { return 0; }
    void updateAccessTime() { m_lastAccessTime = std::time(0); }
    virtual bool canUnload() { return true; }
    bool getPersist() const { return m_persist; }
    void setPersist(bool persist = true) { m_persist = persist; }

private:
    std::time_t m_lastAccessTime;
    bool m_persist;
};

}  // namespace OpenWBEM

// Defines the two entry points the object manager looks up in a provider
// library: getOWVersion and createProvider<name>.
#define OW_PROVIDERFACTORY(prov, name)                                \
    extern "C" const char* getOWVersion() {                           \
        return OW_VERSION;                                            \
    }                                                                 \
    extern "C" OpenWBEM::CppProviderBaseIFC* createProvider##name() { \
        return new prov;                                              \
    }
#define OW_NOIDPROVIDERFACTORY(prov) OW_PROVIDERFACTORY(prov, NO_ID)
#define OW_PROVIDERFACTORY_NOID(prov, name) OW_PROVIDERFACTORY(prov, NO_ID)

#endif
