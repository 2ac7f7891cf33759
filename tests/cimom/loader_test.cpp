// The loader against real, tiny provider libraries built for each failure,
// and against the system linker wrapped to record when it closes.
#include "CimomError.hpp"
#include "ProviderLoader.hpp"
#include "ProviderHarness.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qvx_cimom;
using qvx_test::Harness;

namespace {

std::vector<std::string> gEvents;

}  // namespace

extern "C" void qvxTestRecord(const char* event) {
    gEvents.push_back(event);
}

namespace {

std::string testLibrary(const std::string& name) {
    return std::string(QVX_TEST_PROVIDER_DIR) + "/lib" + name + ".so";
}

// The system linker, noting opens and closes among the provider's events.
class RecordingLinker : public DynamicLinker {
public:
    void* open(const std::string& path) override {
        void* h = systemLinker().open(path);
        if (h) gEvents.push_back("dlopen");
        return h;
    }
    void* symbol(void* handle, const std::string& name) override {
        return systemLinker().symbol(handle, name);
    }
    int close(void* handle) override {
        gEvents.push_back("dlclose");
        return systemLinker().close(handle);
    }
    std::string lastError() override { return systemLinker().lastError(); }
};

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override { gEvents.clear(); }
    Harness h;
    RecordingLinker linker;
};

TEST(ProviderId, FromFileName) {
    EXPECT_EQ("QVXInventoryProvider", providerIdFromPath("/usr/lib/libQVXInventoryProvider.so"));
    EXPECT_EQ("Abc", providerIdFromPath("dir.so/xyzAbc.so"));
    for (const char* bad : {"/a/lib.so", "/a/", "ab.so"})
        EXPECT_THROW(providerIdFromPath(bad), CimomError) << bad;
}

const std::vector<std::string> kWholeLife = {"dlopen", "construct", "initialize", "destroy",
                                             "dlclose"};

TEST_F(LoaderTest, LifeCycleInOrder) {
    {
        ProviderLoader loader(testLibrary("Recording"), h.env, linker);
        EXPECT_THROW(loader.provider(), CimomError);
        loader.load();
        loader.load();  // a second load keeps the one provider
        EXPECT_EQ("Recording", loader.providerId());
        EXPECT_EQ((std::vector<std::string>{"dlopen", "construct", "initialize"}), gEvents);
        loader.shutdown();
        EXPECT_FALSE(loader.loaded());
        EXPECT_EQ(kWholeLife, gEvents);
        ProviderLoader(testLibrary("Recording"), h.env, linker).load();
    }  // the destructor shuts down
    EXPECT_EQ(kWholeLife.size() * 2, gEvents.size());
    EXPECT_TRUE(h.logger->lines().empty());
}

TEST_F(LoaderTest, EachFailedStepNamesLibraryAndStep) {
    const std::vector<std::string> closed = {"dlopen", "dlclose"};
    struct Case {
        std::string library;
        std::vector<std::string> inMessage, events;
    } cases[] = {
        {testLibrary("BadVersion"),
         {"getOWVersion", "\"3.1.0\" found", "\"3.0.3\" expected"},
         closed},
        {testLibrary("NoVersion"), {"getOWVersion", "does not export"}, closed},
        {testLibrary("NoFactory"), {"createProviderNoFactory", "does not export"}, closed},
        {testLibrary("NullFactory"), {"createProviderNullFactory", "returned no provider"}, closed},
        {testLibrary("Missing"), {"dlopen", "libMissing.so"}, {}},
        // The provider is dropped before its library is closed.
        {testLibrary("ThrowingInit"),
         {"initialize", "no hardware here"},
         {"dlopen", "construct", "initialize", "destroy", "dlclose"}},
    };
    for (const Case& c : cases) {
        gEvents.clear();
        Harness fresh;
        ProviderLoader loader(c.library, fresh.env, linker);
        std::string message;
        try {
            loader.load();
            ADD_FAILURE() << c.library << " loaded";
        } catch (const CimomError& e) {
            message = e.what();
        }
        EXPECT_EQ(0u, message.find(c.library + ": ")) << message;
        for (const std::string& part : c.inMessage)
            EXPECT_NE(std::string::npos, message.find(part)) << message;
        EXPECT_FALSE(loader.loaded());
        EXPECT_EQ(c.events, gEvents) << c.library;
        EXPECT_EQ(std::vector<std::string>{"ERROR: " + message}, fresh.logger->lines());
    }
}

}  // namespace
