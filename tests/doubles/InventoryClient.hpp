// The object manager's side of the library: it creates the composite
// provider through the exported factory, initializes it once with a
// recording environment and makes requests as a client's would arrive.
#ifndef QVX_TESTS_INVENTORYCLIENT_HPP
#define QVX_TESTS_INVENTORYCLIENT_HPP

#include "ProviderHarness.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMException.hpp"
#include "OW_CppInstanceProviderIFC.hpp"
#include "OW_CppProviderBaseIFC.hpp"
#include "OW_IntrusiveReference.hpp"

#include <optional>
#include <string>
#include <vector>

extern "C" OpenWBEM::CppProviderBaseIFC* createProviderQVXInventoryProvider();

namespace qvx_test {

const char* const kNamespace = "root/cimv2";

class InventoryClient {
public:
    InventoryClient() : m_provider(createProviderQVXInventoryProvider()) {
        m_provider->initialize(harness.env);
    }

    std::vector<OpenWBEM::CIMObjectPath> enumInstanceNames(const OpenWBEM::String& className) {
        PathCollector paths;
        instances().enumInstanceNames(harness.env, kNamespace, className, paths,
                                      OpenWBEM::CIMClass(className));
        return paths.items;
    }

    void enumInstances(const OpenWBEM::String& className,
                       OpenWBEM::CIMInstanceResultHandlerIFC& result) {
        using namespace OpenWBEM::WBEMFlags;
        instances().enumInstances(harness.env, kNamespace, className, result, E_NOT_LOCAL_ONLY,
                                  E_DEEP, E_EXCLUDE_QUALIFIERS, E_EXCLUDE_CLASS_ORIGIN, 0,
                                  OpenWBEM::CIMClass(className), OpenWBEM::CIMClass(className));
    }

    std::vector<OpenWBEM::CIMInstance> enumInstances(const OpenWBEM::String& className) {
        InstanceCollector result;
        enumInstances(className, result);
        return result.items;
    }

    OpenWBEM::CIMInstance getInstance(const OpenWBEM::CIMObjectPath& path) {
        using namespace OpenWBEM::WBEMFlags;
        return instances().getInstance(harness.env, kNamespace, path, E_NOT_LOCAL_ONLY,
                                       E_EXCLUDE_QUALIFIERS, E_EXCLUDE_CLASS_ORIGIN, 0,
                                       OpenWBEM::CIMClass(path.getClassName()));
    }

    void modifyInstance(const OpenWBEM::CIMInstance& modified) {
        instances().modifyInstance(harness.env, kNamespace, modified,
                                   OpenWBEM::CIMInstance(OpenWBEM::CIMNULL),
                                   OpenWBEM::WBEMFlags::E_EXCLUDE_QUALIFIERS, 0,
                                   OpenWBEM::CIMClass(modified.getClassName()));
    }

    std::vector<std::string> logLines() const { return harness.logger->lines(); }

    Harness harness;

private:
    OpenWBEM::CppInstanceProviderIFC& instances() { return *m_provider->getInstanceProvider(); }

    OpenWBEM::IntrusiveReference<OpenWBEM::CppProviderBaseIFC> m_provider;
};

// A property's type and text, "uint8 3" or "string abc"; "absent" when the
// instance has no such property and "null" when it has no value.
inline std::string typedText(const OpenWBEM::CIMProperty& p) {
    if (!p) return "absent";
    OpenWBEM::CIMValue v = p.getValue();
    if (!v) return "null";
    return std::string(v.getCIMDataType().toString().c_str()) + " " + v.toString().c_str();
}
inline std::string typedProperty(const OpenWBEM::CIMInstance& inst, const char* name) {
    return typedText(inst.getProperty(name));
}
inline std::string typedKey(const OpenWBEM::CIMObjectPath& path, const char* name) {
    return typedText(path.getKey(name));
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

}  // namespace qvx_test

#endif
