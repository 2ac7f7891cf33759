// What the provider tests share: requests as the object manager makes them,
// with the arguments the providers ignore filled in; typed texts for
// whole-instance comparisons; and a fixture around the composite provider.
#ifndef QVX_TESTS_PROVIDERTEST_HPP
#define QVX_TESTS_PROVIDERTEST_HPP

#include "PlatformDouble.hpp"
#include "ProviderHarness.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMException.hpp"
#include "OW_CIMParamValue.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CppInstanceProviderIFC.hpp"
#include "OW_CppMethodProviderIFC.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <exception>
#include <functional>
#include <optional>
#include <thread>

extern "C" OpenWBEM::CppProviderBaseIFC* createProviderQVXInventoryProvider();

namespace qvx_test {

using namespace OpenWBEM;
using namespace OpenWBEM::WBEMFlags;
typedef ProviderEnvironmentIFCRef Env;

// A provider and one request's logger and environment, making requests as
// the object manager does, with the arguments the providers ignore filled in.
struct Client {
    explicit Client(const Reference<CppProviderBaseIFC>& p) : provider(p) {}
    const Env& env() const { return harness.env; }
    std::vector<CIMObjectPath> names(const String& cls) const {
        PathCollector c;
        provider->getInstanceProvider()->enumInstanceNames(env(), "root/cimv2", cls, c,
                                                           CIMClass(CIMNULL));
        return c.items;
    }
    // Into a given handler, so a test still sees what arrived before a throw.
    void instancesInto(const String& cls, CIMInstanceResultHandlerIFC& result) const {
        provider->getInstanceProvider()->enumInstances(
            env(), "root/cimv2", cls, result, E_NOT_LOCAL_ONLY, E_DEEP, E_EXCLUDE_QUALIFIERS,
            E_EXCLUDE_CLASS_ORIGIN, 0, CIMClass(CIMNULL), CIMClass(CIMNULL));
    }
    std::vector<CIMInstance> instances(const String& cls) const {
        InstanceCollector c;
        instancesInto(cls, c);
        return c.items;
    }
    CIMInstance get(const CIMObjectPath& path) const {
        return provider->getInstanceProvider()->getInstance(
            env(), "root/cimv2", path, E_NOT_LOCAL_ONLY, E_EXCLUDE_QUALIFIERS,
            E_EXCLUDE_CLASS_ORIGIN, 0, CIMClass(CIMNULL));
    }
    void modify(const CIMInstance& inst) const {
        provider->getInstanceProvider()->modifyInstance(env(), "root/cimv2", inst,
                                                        CIMInstance(CIMNULL), E_EXCLUDE_QUALIFIERS,
                                                        0, CIMClass(CIMNULL));
    }
    Reference<CppProviderBaseIFC> provider;
    Harness harness;
};

// The CIMException f throws, SUCCESS if none; other exceptions pass.
inline CIMException cimError(const std::function<void()>& f) {
    try {
        f();
    } catch (const CIMException& e) {
        return e;
    }
    return CIMException("", 0, CIMException::SUCCESS);
}
// What the guard reports of operation failing on subject, then why.
inline std::string guardMessage(const std::string& operation, const String& subject,
                                const std::string& why) {
    return "Unknown Error:  while performing " + operation + " operation on " + subject.c_str() +
           "\n" + why;
}
// An error as "code file: message", to compare it whole.
inline std::string error(int code, const std::string& file, const std::string& message = "") {
    return std::to_string(code) + " " + file + ": " + message;
}
inline std::string describe(const CIMException& e) {
    return error(e.getErrNo(), e.getFile(), e.Exception::getMessage());
}

// A property's type and text, "uint8 3" or "string abc"; "absent" when the
// instance has no such property and "null" when it has no value.
inline std::string typedText(const CIMProperty& p) {
    if (!p) return "absent";
    CIMValue v = p.getValue();
    if (!v) return "null";
    return std::string(v.getCIMDataType().toString().c_str()) + " " + v.toString().c_str();
}
inline std::string typedProperty(const CIMInstance& inst, const char* name) {
    return typedText(inst.getProperty(name));
}
// Every property in order as "Name=type text".
inline std::vector<std::string> typedList(const CIMPropertyArray& properties) {
    std::vector<std::string> out;
    for (const CIMProperty& p : properties) {
        out.push_back(std::string(p.getName().c_str()) + "=" + typedText(p));
    }
    return out;
}

// Runs body(k) on n threads released together; returns what each threw.
template <class Body>
std::vector<std::string> race(int n, Body body) {
    std::atomic<int> waiting(n);
    std::vector<std::string> errors(n);
    std::vector<std::thread> threads;
    for (int k = 0; k < n; ++k) {
        threads.emplace_back([&, k] {
            for (--waiting; waiting > 0;) std::this_thread::yield();
            try {
                body(k);
            } catch (const std::exception& e) {
                errors[k] = std::string("threw ") + e.what();
            }
        });
    }
    for (std::thread& t : threads) t.join();
    return errors;
}

// The classes of numbered records, two each, told apart by an index key
// "<prefix><i>" that also names the record's user-tracking entry.
struct Numbered {
    const char* className;
    const char* creationClassName;
    const char* indexKey;
    const char* prefix;
    const char* registryProvider;
    const char* providerFile;
    const char* managerFile;

    std::string tag(int i) const { return prefix + std::to_string(i); }
    std::string entry(int i) const { return tag(i) + "UserTracking"; }
    // A null index or class name leaves that key out.
    CIMObjectPath path(const char* index, const char* creationClass) const {
        CIMObjectPath p(className, "root/cimv2");
        CIMPropertyArray keys;
        if (index) keys.push_back(CIMProperty(indexKey, CIMValue(index)));
        if (creationClass)
            keys.push_back(CIMProperty("CreationClassName", CIMValue(creationClass)));
        p.setKeys(keys);
        return p;
    }
    CIMObjectPath path(int i) const { return path(tag(i).c_str(), creationClassName); }
    // What a client sends back: the path's keys and one changed property.
    CIMInstance change(const CIMObjectPath& p, const char* property, const CIMValue& value) const {
        CIMInstance inst(className);
        for (const CIMProperty& key : p.getKeys()) inst.setProperty(key);
        inst.setProperty(property, value);
        return inst;
    }
};
const Numbered kNumbered[] = {
    {"QVX_Z64ExpansionChassis", "QVX_ExpansionChassis", "Tag", "ExpansionChassis",
     "QVX_Z64ExpansionChassisProvider", "QVX_Z64ExpansionChassisProviderNew.cpp",
     "QVX_Z64ExpansionChassisNew.cpp"},
    {"QVX_MBMLogicalModule", "QVX_MBMLogicalModule", "DeviceID", "MBMLogicalModule",
     "QVX_MBMProvider", "QVX_MBMProvider.cpp", "QVX_MBM.cpp"},
};
// Stable test names: the prefix, not the parameter's bytes.
inline std::string numberedName(const ::testing::TestParamInfo<Numbered>& info) {
    return info.param.prefix;
}
inline void PrintTo(const Numbered& n, std::ostream* os) {
    *os << n.prefix;
}

// The composite provider as the object manager holds it: created through the
// exported factory after the platform double is reset, so its calls show,
// and initialized once.
class ProviderTest : public ::testing::Test, public Client {
protected:
    ProviderTest() : Client(Reference<CppProviderBaseIFC>(fresh())) { provider->initialize(env()); }
    static CppProviderBaseIFC* fresh() {
        platform().reset();
        return createProviderQVXInventoryProvider();
    }
    static PlatformDouble& platform() { return PlatformDouble::instance(); }
    // Log lines since the last call.
    std::vector<std::string> logged() {
        std::vector<std::string> lines = harness.logger->lines();
        std::vector<std::string> out(lines.begin() + static_cast<long>(m_seen), lines.end());
        m_seen = lines.size();
        return out;
    }

    // The platform calls f makes, the double reset just before; each
    // last-change stamp checked to be taken while f ran and shown as "STAMP".
    std::vector<std::string> callsOf(const std::function<void()>& f) {
        const std::string stamp = "KduSetRegEntryInt(Providers,QVX_SystemProvider,LastChangeTime,";
        const long long from = time(nullptr);
        f();
        const long long to = time(nullptr);
        std::vector<std::string> calls = platform().calls();
        for (std::string& call : calls) {
            if (call.rfind(stamp, 0) != 0) continue;
            const long long at = std::stoll(call.substr(stamp.size()));
            EXPECT_TRUE(from <= at && at <= to) << call;
            call = "STAMP";
        }
        return calls;
    }

    // Reading the path and writing the change both fail with NOT_FOUND,
    // without a message, thrown in file, touching no registry entry.
    void expectNotFound(const CIMObjectPath& path, const CIMInstance& change, const char* file) {
        const std::string expected = error(CIMException::NOT_FOUND, file);
        EXPECT_EQ(expected, describe(cimError([&] { get(path); })));
        EXPECT_EQ(expected, describe(cimError([&] { modify(change); })));
        EXPECT_EQ(0u, platform().count("KduSetRegEntryString"));
    }

private:
    size_t m_seen = 0;
};

}  // namespace qvx_test

#endif
