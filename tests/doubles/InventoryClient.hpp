// The object manager's side of the library: it creates the composite
// provider through the exported factory, initializes it once with a
// recording environment and makes requests as a client's would arrive.
#ifndef QVX_TESTS_INVENTORYCLIENT_HPP
#define QVX_TESTS_INVENTORYCLIENT_HPP

#include "ProviderCalls.hpp"
#include "ProviderHarness.hpp"

#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CIMParamValue.hpp"
#include "OW_CIMClass.hpp"
#include "OW_CIMException.hpp"
#include "OW_CppInstanceProviderIFC.hpp"
#include "OW_CppProviderBaseIFC.hpp"
#include "OW_Reference.hpp"

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

    std::vector<OpenWBEM::CIMObjectPath> enumInstanceNames(const char* className) {
        return names(*m_provider, harness.env, className);
    }

    void enumInstances(const char* className, OpenWBEM::CIMInstanceResultHandlerIFC& result) {
        instancesInto(*m_provider, harness.env, className, result);
    }

    std::vector<OpenWBEM::CIMInstance> enumInstances(const char* className) {
        return instances(*m_provider, harness.env, className);
    }

    OpenWBEM::CIMInstance getInstance(const OpenWBEM::CIMObjectPath& path) {
        return get(*m_provider, harness.env, path);
    }

    void modifyInstance(const OpenWBEM::CIMInstance& modified) {
        modify(*m_provider, harness.env, modified);
    }

    std::vector<std::string> logLines() const { return harness.logger->lines(); }

    Harness harness;

private:
    OpenWBEM::Reference<OpenWBEM::CppProviderBaseIFC> m_provider;
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
// Every property in order as "Name=type text".
inline std::vector<std::string> typedList(const OpenWBEM::CIMPropertyArray& properties) {
    std::vector<std::string> out;
    for (const OpenWBEM::CIMProperty& p : properties) {
        out.push_back(std::string(p.getName().c_str()) + "=" + typedText(p));
    }
    return out;
}

}  // namespace qvx_test

#endif
