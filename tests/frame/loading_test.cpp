// Loads the built provider library the way the object manager does and
// drives every class through it. The platform doubles live in this
// executable and are exported from it, so they answer the library's calls.
#include "PlatformDouble.hpp"
#include "ProviderCalls.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CIMParamValue.hpp"
#include "OW_CppProviderBaseIFC.hpp"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

using namespace OpenWBEM;
using namespace qvx_test;

namespace {

typedef const char* (*VersionFn)();
typedef CppProviderBaseIFC* (*FactoryFn)();

class LoadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        PlatformDouble::instance().reset();
        // The expansion-chassis and MBM managers live until the process
        // ends, so the library's image must stay mapped after dlclose.
        m_handle = dlopen(QVX_PROVIDER_LIBRARY, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        ASSERT_NE(nullptr, m_handle) << dlerror();
        version = reinterpret_cast<VersionFn>(dlsym(m_handle, "getOWVersion"));
        factory =
            reinterpret_cast<FactoryFn>(dlsym(m_handle, "createProviderQVXInventoryProvider"));
        ASSERT_NE(nullptr, version);
        ASSERT_NE(nullptr, factory);
    }
    void TearDown() override {
        // Objects made by the library go before its code does.
        if (m_handle) dlclose(m_handle);
    }
    VersionFn version = nullptr;
    FactoryFn factory = nullptr;

private:
    void* m_handle = nullptr;
};

// The composite's own behaviour is the routing tests'; here, that the
// exported entry points reach it.
TEST_F(LoadingTest, Version) {
    EXPECT_STREQ("3.0.3", version());
}

TEST_F(LoadingTest, EveryOperationOfEveryClass) {
    Reference<CppProviderBaseIFC> p(factory());
    Harness h;
    p->initialize(h.env);
    PlatformDouble& platform = PlatformDouble::instance();
    platform.setPresence(1, 1);

    struct Class {
        const char* name;
        size_t count;
        size_t properties;
        const char* refusedBy;
    } classes[] = {{"QVX_Z64Chassis", 1, 20, "QVX_Z64ChassisProvider.cpp"},
                   {"QVX_Z64ExpansionChassis", 2, 9, "QVX_Z64ExpansionChassisProviderNew.cpp"},
                   {"QVX_MBMLogicalModule", 2, 8, "QVX_MBMProvider.cpp"}};
    for (const Class& c : classes) {
        std::vector<CIMObjectPath> paths = names(*p, h.env, c.name);
        std::vector<CIMInstance> all = instances(*p, h.env, c.name);
        ASSERT_EQ(c.count, paths.size()) << c.name;
        ASSERT_EQ(c.count, all.size()) << c.name;
        for (size_t i = 0; i < paths.size(); ++i) {
            CIMInstance one = get(*p, h.env, paths[i]);
            EXPECT_EQ(String(c.name), one.getClassName());
            EXPECT_EQ(c.properties, one.getProperties().size()) << c.name;
            EXPECT_EQ(all[i].toString(), one.toString()) << c.name;

            // Write the user-tracking text back through the instance itself.
            String text = String("note ") + String(UInt32(i)) + " of " + c.name;
            one.setProperty("UserTracking", CIMValue(text));
            modify(*p, h.env, one);
            EXPECT_EQ(text, get(*p, h.env, paths[i]).getPropertyValue("UserTracking").toString());
        }
        // Refusals thrown in the library arrive here as CIMException.
        CIMParamValueArray out;
        auto i = p->getInstanceProvider();
        for (CIMException e :
             {cimError([&] { i->createInstance(h.env, "root/cimv2", all[0]); }),
              cimError([&] { i->deleteInstance(h.env, "root/cimv2", paths[0]); }), cimError([&] {
                  p->getMethodProvider()->invokeMethod(h.env, "root/cimv2", paths[0], "m",
                                                       CIMParamValueArray(), out);
              })}) {
            EXPECT_EQ(CIMException::NOT_SUPPORTED, e.getErrNo()) << c.name;
            EXPECT_STREQ(c.refusedBy, e.getFile());
        }
        CIMObjectPath wrong(c.name, "root/cimv2");
        wrong.setKeyValue("Tag", CIMValue("nope")).setKeyValue("DeviceID", CIMValue("nope"));
        EXPECT_EQ(CIMException::NOT_FOUND, cimError([&] { get(*p, h.env, wrong); }).getErrNo());
    }
    // The library called this executable's doubles.
    EXPECT_TRUE(platform.intEntry("QVX_SystemProvider", "LastChangeTime").has_value());
    EXPECT_EQ("note 1 of QVX_MBMLogicalModule",
              *platform.textEntry("QVX_MBMProvider", "MBMLogicalModule1UserTracking"));
    EXPECT_TRUE(h.logger->lines().empty());
}

}  // namespace
