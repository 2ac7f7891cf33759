// The composite provider as the object manager drives it: routing by exact
// class name, the refusals, and the logger it takes in initialize.
#include "PlatformDouble.hpp"
#include "ProviderCalls.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CIMParamValue.hpp"
#include "OW_CppProviderBaseIFC.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" OpenWBEM::CppProviderBaseIFC* createProviderQVXInventoryProvider();

using namespace OpenWBEM;
using namespace qvx_test;

namespace {

struct Source {
    const char* className;
    const char* file;  // the provider unit that refuses
};
const Source kSources[] = {
    {"QVX_Z64Chassis", "QVX_Z64ChassisProvider.cpp"},
    {"QVX_Z64ExpansionChassis", "QVX_Z64ExpansionChassisProviderNew.cpp"},
    {"QVX_MBMLogicalModule", "QVX_MBMProvider.cpp"},
};

// A request handler that fails the way a faulty object manager could.
template <class T>
class ThrowingCollector : public ResultHandlerIFC<T> {
public:
    explicit ThrowingCollector(bool standard) : m_standard(standard) {}

protected:
    void doHandle(const T&) override {
        if (m_standard) throw std::runtime_error("handler broke");
        throw 7;
    }

private:
    bool m_standard;
};

class RoutingTest : public ::testing::Test {
protected:
    void SetUp() override {
        PlatformDouble::instance().reset();
        provider = createProviderQVXInventoryProvider();
        provider->initialize(init.env);
    }
    // Create, delete and invoke on the class: refused for every class.
    std::vector<std::function<void()>> writeOps(const char* name) {
        CIMObjectPath path(name, "root/cimv2");
        CIMInstance inst(name);
        auto i = provider->getInstanceProvider();
        auto m = provider->getMethodProvider();
        return {[=] { i->createInstance(request.env, "root/cimv2", inst); },
                [=] { i->deleteInstance(request.env, "root/cimv2", path); },
                [=] {
                    CIMParamValueArray out;
                    m->invokeMethod(request.env, "root/cimv2", path, "Reset", CIMParamValueArray(),
                                    out);
                }};
    }
    Harness init;     // the environment given to initialize
    Harness request;  // the environment of each request
    Reference<CppProviderBaseIFC> provider;
};

TEST_F(RoutingTest, UnservedClassNamesAreInvalidClassForEveryOperation) {
    const char* const unserved[] = {"QVX_Chassis",           "qvx_z64chassis",
                                    "QVX_Z64CHASSIS",        "QVX_ExpansionChassis",
                                    "QVX_MBMLogicalModule ", ""};
    for (const char* name : unserved) {
        std::vector<std::function<void()>> ops = writeOps(name);
        ops.push_back([&] { names(*provider, request.env, name); });
        ops.push_back([&] { instances(*provider, request.env, name); });
        ops.push_back([&] { get(*provider, request.env, CIMObjectPath(name, "root/cimv2")); });
        ops.push_back([&] { modify(*provider, request.env, CIMInstance(String(name))); });
        for (auto& op : ops) {
            CIMException e = cimError(op);
            EXPECT_EQ(CIMException::INVALID_CLASS, e.getErrNo()) << name;
            EXPECT_STREQ("", e.Exception::getMessage()) << name;
            EXPECT_STREQ("QVX_InventoryProvider.cpp", e.getFile()) << name;
        }
    }
    EXPECT_TRUE(request.logger->lines().empty());
    EXPECT_TRUE(init.logger->lines().empty());
}

TEST_F(RoutingTest, CreateDeleteAndInvokeAreNotSupportedForServedClasses) {
    for (const Source& s : kSources) {
        for (auto& op : writeOps(s.className)) {
            CIMException e = cimError(op);
            EXPECT_EQ(CIMException::NOT_SUPPORTED, e.getErrNo()) << s.className;
            EXPECT_STREQ("", e.Exception::getMessage()) << s.className;
            EXPECT_STREQ(s.file, e.getFile()) << s.className;
        }
    }
    EXPECT_TRUE(request.logger->lines().empty());
    EXPECT_TRUE(PlatformDouble::instance().calls().empty());
}

// One row per operation the guard wraps: what fails inside it, the operation
// it names and the subject it names.
TEST_F(RoutingTest, GuardNamesEachOperationAndItsSubjectToTheRequestLogger) {
    using namespace WBEMFlags;
    // Keys that are not text cannot be read as such: a non-CIM error.
    auto numericKeys = [](const char* name) {
        CIMObjectPath path(name, "root/cimv2");
        for (const char* key : {"Tag", "CreationClassName", "DeviceID"}) {
            path.setKeyValue(key, CIMValue(UInt8(3)));
        }
        return path;
    };
    struct Op {
        const char* name;
        std::function<void(const char*, const ProviderEnvironmentIFCRef&, bool)> run;
    } ops[] = {
        {"enumInstanceNames",
         [&](const char* cls, const ProviderEnvironmentIFCRef& env, bool standard) {
             ThrowingCollector<CIMObjectPath> handler(standard);
             provider->getInstanceProvider()->enumInstanceNames(env, "root/cimv2", cls, handler,
                                                                CIMClass(CIMNULL));
         }},
        {"enumInstances",
         [&](const char* cls, const ProviderEnvironmentIFCRef& env, bool standard) {
             ThrowingCollector<CIMInstance> handler(standard);
             provider->getInstanceProvider()->enumInstances(
                 env, "root/cimv2", cls, handler, E_NOT_LOCAL_ONLY, E_DEEP, E_EXCLUDE_QUALIFIERS,
                 E_EXCLUDE_CLASS_ORIGIN, 0, CIMClass(CIMNULL), CIMClass(CIMNULL));
         }},
        {"getInstance", [&](const char* cls, const ProviderEnvironmentIFCRef& env,
                            bool) { get(*provider, env, numericKeys(cls)); }},
    };
    for (const Source& s : kSources) {
        for (const Op& op : ops) {
            const bool read = std::string(op.name) == "getInstance";
            const std::string subject =
                read ? std::string(numericKeys(s.className).toString().c_str()) : s.className;
            for (bool standard : {true, false}) {
                SCOPED_TRACE(std::string(s.className) + " " + op.name);
                Harness req;
                CIMException e = cimError([&] { op.run(s.className, req.env, standard); });
                const std::string expected = std::string("Unknown Error:  while performing ") +
                                             op.name + " operation on " + subject + "\n";
                const std::string message = e.Exception::getMessage();
                EXPECT_EQ(CIMException::FAILED, e.getErrNo());
                EXPECT_EQ(0u, message.rfind(expected, 0)) << message;
                // The handler's own text follows; a non-standard throw adds none.
                if (!read) {
                    EXPECT_EQ(expected + (standard ? "handler broke\n" : ""), message);
                }
                EXPECT_STREQ(s.file, e.getFile());
                EXPECT_EQ(std::vector<std::string>{"ERROR: " + message}, req.logger->lines());
            }
        }
        // modify looks its keys up before the guard: what is not a CIM error
        // passes through as it is, unlogged.
        CIMInstance change(s.className);
        for (const CIMProperty& k : numericKeys(s.className).getKeys()) change.setProperty(k);
        bool passedThrough = false;
        try {
            modify(*provider, request.env, change);
        } catch (const CIMException& e) {
            ADD_FAILURE() << s.className << ": " << e.getMessage();
        } catch (const std::exception&) {
            passedThrough = true;
        }
        EXPECT_TRUE(passedThrough) << s.className;
        EXPECT_TRUE(request.logger->lines().empty()) << s.className;
    }
    EXPECT_TRUE(init.logger->lines().empty());
}

// The object manager applies no property list and no flag for the provider,
// and the provider applies none either: every property comes back, and a
// modify writes whatever the list says.
TEST_F(RoutingTest, FlagsAndPropertyListsChangeNothing) {
    using namespace WBEMFlags;
    const StringArray onlyTag(1, String("Tag"));
    const StringArray none;
    for (const Source& s : kSources) {
        SCOPED_TRACE(s.className);
        std::vector<CIMInstance> plain = instances(*provider, request.env, s.className);
        InstanceCollector flagged;
        provider->getInstanceProvider()->enumInstances(
            request.env, "root/cimv2", s.className, flagged, E_LOCAL_ONLY, E_SHALLOW,
            E_INCLUDE_QUALIFIERS, E_INCLUDE_CLASS_ORIGIN, &onlyTag, CIMClass(CIMNULL),
            CIMClass(CIMNULL));
        ASSERT_EQ(plain.size(), flagged.items.size());
        CIMObjectPath path = names(*provider, request.env, s.className).at(0);
        CIMInstance got = provider->getInstanceProvider()->getInstance(
            request.env, "root/cimv2", path, E_LOCAL_ONLY, E_INCLUDE_QUALIFIERS,
            E_INCLUDE_CLASS_ORIGIN, &onlyTag, CIMClass(CIMNULL));
        EXPECT_EQ(plain[0].toString(), flagged.items[0].toString());
        EXPECT_EQ(plain[0].toString(), got.toString());

        CIMInstance change = got;
        change.setProperty("UserTracking", CIMValue("listed nowhere"));
        provider->getInstanceProvider()->modifyInstance(
            request.env, "root/cimv2", change, got, E_INCLUDE_QUALIFIERS, &none, CIMClass(CIMNULL));
        EXPECT_EQ(String("listed nowhere"),
                  get(*provider, request.env, path).getPropertyValue("UserTracking").toString());
    }
}

TEST_F(RoutingTest, FactoryMakesIndependentProvidersSharingClassProvidersAndLogger) {
    Reference<CppProviderBaseIFC> second(createProviderQVXInventoryProvider());
    EXPECT_NE(provider.getPtr(), second.getPtr());
    for (const Source& s : kSources) {
        EXPECT_EQ(names(*provider, request.env, s.className).size(),
                  names(*second, request.env, s.className).size());
    }
    // A later initialize replaces the shared logger for every composite.
    Harness later;
    second->initialize(later.env);
    PlatformDouble::instance().failWith("osGetSerialNumber", 9);
    cimError([&] { instances(*provider, request.env, "QVX_Z64Chassis"); });
    EXPECT_TRUE(init.logger->lines().empty());
    EXPECT_EQ(std::vector<std::string>{"ERROR: Failed to retrieve property SerialNumber: "
                                       "osGetSerialNumber() failed 9"},
              later.logger->lines());
}

}  // namespace
