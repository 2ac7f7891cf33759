#ifndef OW_CPP_PROVIDER_BASE_IFC_HPP_INCLUDE_GUARD_
#define OW_CPP_PROVIDER_BASE_IFC_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_IntrusiveCountableBase.hpp"
#include "OW_IntrusiveReference.hpp"
#include "OW_ProviderEnvironmentIFC.hpp"
#include "OW_ProviderFwd.hpp"

#include <ctime>

namespace OpenWBEM {

// Base of every C++ provider. The object manager holds providers through
// IntrusiveReference<CppProviderBaseIFC> and asks for the interfaces they
// implement.
class CppProviderBaseIFC : public virtual IntrusiveCountableBase {
public:
    CppProviderBaseIFC();
    CppProviderBaseIFC(const CppProviderBaseIFC& arg);
    virtual ~CppProviderBaseIFC();
    virtual void initialize(const ProviderEnvironmentIFCRef& env);
    virtual void shuttingDown(const ProviderEnvironmentIFCRef& env);
    virtual CppInstanceProviderIFC* getInstanceProvider();
    virtual CppSecondaryInstanceProviderIFC* getSecondaryInstanceProvider();
    virtual CppMethodProviderIFC* getMethodProvider();
    virtual CppAssociatorProviderIFC* getAssociatorProvider();
    virtual CppIndicationExportProviderIFC* getIndicationExportProvider();
    virtual CppPolledProviderIFC* getPolledProvider();
    virtual CppIndicationProviderIFC* getIndicationProvider();
    void updateAccessTime();
    virtual bool canUnload();
    bool getPersist() const;
    void setPersist(bool persist = true);

private:
    std::time_t m_lastAccessTime;
    bool m_persist;
};

typedef IntrusiveReference<CppProviderBaseIFC> CppProviderBaseIFCRef;

}  // namespace OpenWBEM

// Defines the two entry points the object manager looks up in a provider
// library: getOWVersion and createProvider<name>.
#define OW_PROVIDERFACTORY(prov, name)                                                \
    extern "C" const char* getOWVersion() { return OW_VERSION; }                     \
    extern "C" OpenWBEM::CppProviderBaseIFC* createProvider##name() { return new prov; }
#define OW_NOIDPROVIDERFACTORY(prov) OW_PROVIDERFACTORY(prov, NO_ID)
#define OW_PROVIDERFACTORY_NOID(prov, name) OW_PROVIDERFACTORY(prov, NO_ID)

#endif
