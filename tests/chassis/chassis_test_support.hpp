// What every chassis test needs: the composite provider as the object
// manager holds it, a recording environment, a reset platform double, and
// short ways to run the four served operations.
#ifndef QVX_TESTS_CHASSIS_TEST_SUPPORT_HPP
#define QVX_TESTS_CHASSIS_TEST_SUPPORT_HPP

#include "PlatformDouble.hpp"
#include "ProviderCalls.hpp"
#include "ProviderHarness.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMException.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CppInstanceProviderIFC.hpp"
#include "OW_CppProviderBaseIFC.hpp"
#include "OW_IntrusiveReference.hpp"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <string>
#include <vector>

extern "C" OpenWBEM::CppProviderBaseIFC* createProviderQVXInventoryProvider();

namespace chassis_test {

using OpenWBEM::CIMClass;
using OpenWBEM::CIMDataType;
using OpenWBEM::CIMException;
using OpenWBEM::CIMInstance;
using OpenWBEM::CIMObjectPath;
using OpenWBEM::CIMProperty;
using OpenWBEM::CIMPropertyArray;
using OpenWBEM::CIMValue;
using OpenWBEM::String;
using qvx_test::PlatformDouble;

const char* const kClass = "QVX_Z64Chassis";
const char* const kNamespace = "root/cimv2";

// The seventeen hardware queries behind one instance, in conversion order,
// as the double records them (text queries with the size passed).
inline std::vector<std::string> hardwareCallsOfOneInstance() {
    return {"osGetSystemSubType()",
            "osGetSerialNumber(21)",
            "osGetHardwareType()",
            "osGetHardwareRevision()",
            "osGetPartNumber(256)",
            "osGetSystemId(13)",
            "osGetSecsiRegion()",
            "osGetEth1Addr(255)",
            "osGetEth2Addr(255)",
            "osGetEth3Addr(255)",
            "osGetManfId()",
            "osGetManfInfo(255)",
            "osGetManfDate(32)",
            "osGetPCBASerialNumber(256)",
            "osGetCSCSerialNumber(255)",
            "osGetHDSerialNumber(256)",
            "osGetCNICOneSerialNumber(256)"};
}

inline std::string registryRead(const char* property) {
    return std::string("KduGetRegEntryString(Providers,QVX_Z64ChassisProvider,") + property +
           ",256)";
}
inline std::string registryWrite(const char* property, const std::string& value) {
    return std::string("KduSetRegEntryString(Providers,QVX_Z64ChassisProvider,") + property + "," +
           value + ")";
}
const char* const kStampPrefix = "KduSetRegEntryInt(Providers,QVX_SystemProvider,LastChangeTime,";

inline bool isStamp(const std::string& call) {
    return call.rfind(kStampPrefix, 0) == 0;
}

// Key properties as a client sends them; a null value keeps the name only.
struct Key {
    const char* name;
    std::optional<std::string> value;
};
inline CIMProperty keyProperty(const Key& key) {
    if (!key.value) return CIMProperty(key.name, CIMDataType(CIMDataType::STRING));
    return CIMProperty(key.name, CIMValue(String(key.value->c_str())));
}
inline CIMObjectPath pathWith(const std::vector<Key>& keys) {
    CIMObjectPath path(kClass, kNamespace);
    CIMPropertyArray list;
    for (const Key& k : keys) list.push_back(keyProperty(k));
    path.setKeys(list);
    return path;
}
inline CIMObjectPath chassisPath() {
    return pathWith(
        {{"Tag", std::string("Chassis")}, {"CreationClassName", std::string("QVX_Chassis")}});
}

// A property of a modified instance; no value means a null value.
struct Change {
    const char* name;
    std::optional<std::string> value;
};
inline CIMInstance modifiedInstance(const std::vector<Key>& keys,
                                    const std::vector<Change>& changes) {
    CIMInstance inst(kClass);
    for (const Key& k : keys) inst.setProperty(keyProperty(k));
    for (const Change& c : changes) inst.setProperty(keyProperty(Key{c.name, c.value}));
    return inst;
}
inline CIMInstance chassisChange(const std::vector<Change>& changes) {
    return modifiedInstance(
        {{"Tag", std::string("Chassis")}, {"CreationClassName", std::string("QVX_Chassis")}},
        changes);
}

class ChassisTest : public ::testing::Test {
protected:
    void SetUp() override {
        PlatformDouble::instance().reset();
        m_provider = createProviderQVXInventoryProvider();
        m_provider->initialize(m_harness.env);
        ASSERT_NE(m_provider->getInstanceProvider(), nullptr);
    }

    PlatformDouble& platform() { return PlatformDouble::instance(); }
    std::vector<std::string> logLines() const { return m_harness.logger->lines(); }

    std::vector<CIMObjectPath> enumNames(const char* className = kClass) {
        return qvx_test::names(*m_provider, m_harness.env, className);
    }
    // Collects into out, so a test still sees what arrived before a throw.
    void enumInstances(qvx_test::InstanceCollector& out) {
        qvx_test::instancesInto(*m_provider, m_harness.env, kClass, out);
    }
    CIMInstance theInstance() {
        qvx_test::InstanceCollector out;
        enumInstances(out);
        EXPECT_EQ(out.items.size(), 1u);
        return out.items.empty() ? CIMInstance(OpenWBEM::CIMNULL) : out.items.front();
    }
    CIMInstance getInstance(const CIMObjectPath& path) {
        return qvx_test::get(*m_provider, m_harness.env, path);
    }
    void modify(const CIMInstance& inst) { qvx_test::modify(*m_provider, m_harness.env, inst); }

    qvx_test::Harness m_harness;
    OpenWBEM::IntrusiveReference<OpenWBEM::CppProviderBaseIFC> m_provider;
};

// Runs f and returns the CIMException it threw; fails the test if none.
template <class F>
std::optional<CIMException> cimErrorOf(F f) {
    std::optional<CIMException> e = qvx_test::cimErrorOf(f);
    if (!e) ADD_FAILURE() << "no CIMException thrown";
    return e;
}

inline std::string description(const CIMException& e) {
    return e.getDescription() ? e.getDescription() : "";
}

inline std::string text(const CIMValue& v) {
    String s;
    v.get(s);
    return s.c_str();
}

}  // namespace chassis_test

#endif
