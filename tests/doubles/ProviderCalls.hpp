// Request calls as the object manager makes them, with the arguments the
// providers ignore filled in, on any provider and environment.
#ifndef QVX_TESTS_PROVIDERCALLS_HPP
#define QVX_TESTS_PROVIDERCALLS_HPP

#include "OW_CIMClass.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CIMParamValue.hpp"
#include "OW_CIMException.hpp"
#include "OW_CppInstanceProviderIFC.hpp"
#include "OW_CppMethodProviderIFC.hpp"
#include "ProviderHarness.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

namespace qvx_test {

inline std::vector<OpenWBEM::CIMObjectPath> names(OpenWBEM::CppProviderBaseIFC& p,
                                                  const OpenWBEM::ProviderEnvironmentIFCRef& env,
                                                  const char* className) {
    PathCollector c;
    p.getInstanceProvider()->enumInstanceNames(env, "root/cimv2", className, c,
                                               OpenWBEM::CIMClass(OpenWBEM::CIMNULL));
    return c.items;
}

// Into a given handler, so a test still sees what arrived before a throw.
inline void instancesInto(OpenWBEM::CppProviderBaseIFC& p,
                          const OpenWBEM::ProviderEnvironmentIFCRef& env, const char* className,
                          OpenWBEM::CIMInstanceResultHandlerIFC& result) {
    using namespace OpenWBEM::WBEMFlags;
    p.getInstanceProvider()->enumInstances(env, "root/cimv2", className, result, E_NOT_LOCAL_ONLY,
                                           E_DEEP, E_EXCLUDE_QUALIFIERS, E_EXCLUDE_CLASS_ORIGIN, 0,
                                           OpenWBEM::CIMClass(OpenWBEM::CIMNULL),
                                           OpenWBEM::CIMClass(OpenWBEM::CIMNULL));
}

inline std::vector<OpenWBEM::CIMInstance> instances(OpenWBEM::CppProviderBaseIFC& p,
                                                    const OpenWBEM::ProviderEnvironmentIFCRef& env,
                                                    const char* className) {
    InstanceCollector c;
    instancesInto(p, env, className, c);
    return c.items;
}

inline OpenWBEM::CIMInstance get(OpenWBEM::CppProviderBaseIFC& p,
                                 const OpenWBEM::ProviderEnvironmentIFCRef& env,
                                 const OpenWBEM::CIMObjectPath& path) {
    using namespace OpenWBEM::WBEMFlags;
    return p.getInstanceProvider()->getInstance(env, "root/cimv2", path, E_NOT_LOCAL_ONLY,
                                                E_EXCLUDE_QUALIFIERS, E_EXCLUDE_CLASS_ORIGIN, 0,
                                                OpenWBEM::CIMClass(OpenWBEM::CIMNULL));
}

inline void modify(OpenWBEM::CppProviderBaseIFC& p, const OpenWBEM::ProviderEnvironmentIFCRef& env,
                   const OpenWBEM::CIMInstance& inst) {
    p.getInstanceProvider()->modifyInstance(
        env, "root/cimv2", inst, OpenWBEM::CIMInstance(OpenWBEM::CIMNULL),
        OpenWBEM::WBEMFlags::E_EXCLUDE_QUALIFIERS, 0, OpenWBEM::CIMClass(OpenWBEM::CIMNULL));
}

// The CIMException that f threw, if it threw one; other exceptions pass.
template <class F>
std::optional<OpenWBEM::CIMException> cimErrorOf(F f) {
    try {
        f();
    } catch (const OpenWBEM::CIMException& e) {
        return e;
    }
    return std::nullopt;
}

// The CIMException f throws; a test failure if it throws none.
inline OpenWBEM::CIMException cimError(const std::function<void()>& f) {
    std::optional<OpenWBEM::CIMException> e = cimErrorOf(f);
    if (e) return *e;
    ADD_FAILURE() << "expected a CIMException";
    return OpenWBEM::CIMException("", 0, OpenWBEM::CIMException::SUCCESS);
}

}  // namespace qvx_test

#endif
