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

#include <stdexcept>

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

TEST_F(RoutingTest, GuardMessagesOfEachServedClassGoToTheRequestLogger) {
    for (const Source& s : kSources) {
        for (bool standard : {true, false}) {
            Harness req;
            ThrowingCollector<CIMInstance> handler(standard);
            using namespace WBEMFlags;
            CIMException e = cimError([&] {
                provider->getInstanceProvider()->enumInstances(
                    req.env, "root/cimv2", s.className, handler, E_NOT_LOCAL_ONLY, E_DEEP,
                    E_EXCLUDE_QUALIFIERS, E_EXCLUDE_CLASS_ORIGIN, 0, CIMClass(CIMNULL),
                    CIMClass(CIMNULL));
            });
            std::string expected =
                std::string("Unknown Error:  while performing enumInstances operation on ") +
                s.className + "\n" + (standard ? "handler broke\n" : "");
            EXPECT_EQ(CIMException::FAILED, e.getErrNo());
            EXPECT_EQ(expected, e.Exception::getMessage());
            EXPECT_STREQ(s.file, e.getFile());
            EXPECT_EQ(std::vector<std::string>{"ERROR: " + expected}, req.logger->lines());
        }
    }
    EXPECT_TRUE(init.logger->lines().empty());
}

TEST_F(RoutingTest, GetInstanceGuardNamesThePath) {
    // A key that is not text cannot be read as one: a non-CIM error in the guard.
    CIMObjectPath path("QVX_Z64Chassis", "root/cimv2");
    path.setKeyValue("Tag", CIMValue(UInt8(3)))
        .setKeyValue("CreationClassName", CIMValue("QVX_Chassis"));
    CIMException e = cimError([&] { get(*provider, request.env, path); });
    EXPECT_EQ(CIMException::FAILED, e.getErrNo());
    EXPECT_EQ(0,
              std::string(e.Exception::getMessage())
                  .rfind("Unknown Error:  while performing getInstance operation on "
                         "/root/cimv2:QVX_Z64Chassis.Tag=\"3\",CreationClassName=\"QVX_Chassis\"\n",
                         0));
    EXPECT_EQ(1u, request.logger->lines().size());
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
