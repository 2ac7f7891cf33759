// Loads the built provider library the way the object manager does and
// drives every class through it. The platform doubles live in this
// executable and are exported from it, so they answer the library's calls.
#include "ProviderTest.hpp"

#include <dlfcn.h>

using namespace qvx_test;

namespace {

// The composite's own behaviour is the routing tests'; here, that the
// exported entry points reach it.
TEST(LoadingTest, EveryOperationOfEveryClassThroughTheExportedEntryPoints) {
    PlatformDouble& platform = PlatformDouble::instance();
    platform.reset();
    // The expansion-chassis and MBM managers live until the process ends, so
    // the library's image must stay mapped after dlclose.
    void* handle = dlopen(QVX_PROVIDER_LIBRARY, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(nullptr, handle) << dlerror();
    auto version = reinterpret_cast<const char* (*)()>(dlsym(handle, "getOWVersion"));
    auto factory = reinterpret_cast<CppProviderBaseIFC* (*)()>(
        dlsym(handle, "createProviderQVXInventoryProvider"));
    ASSERT_NE(nullptr, version);
    ASSERT_NE(nullptr, factory);
    EXPECT_STREQ("3.0.3", version());
    {
        // Objects made by the library go before its code does.
        Client c{Reference<CppProviderBaseIFC>(factory())};
        c.provider->initialize(c.env());
        for (const char* cls :
             {"QVX_Z64Chassis", "QVX_Z64ExpansionChassis", "QVX_MBMLogicalModule"}) {
            std::vector<CIMInstance> all = c.instances(cls);
            ASSERT_FALSE(all.empty()) << cls;
            EXPECT_EQ(all.back().toString(), c.get(c.names(cls).back()).toString());
            all.back().setProperty("UserTracking", CIMValue(String("note of ") + cls));
            c.modify(all.back());
        }
        EXPECT_TRUE(c.harness.logger->lines().empty());
    }
    dlclose(handle);
    // The library called this executable's doubles.
    EXPECT_TRUE(platform.entry("QVX_SystemProvider", "LastChangeTime").has_value());
    EXPECT_EQ("note of QVX_MBMLogicalModule",
              *platform.entry("QVX_MBMProvider", "MBMLogicalModule1UserTracking"));
}

}  // namespace
