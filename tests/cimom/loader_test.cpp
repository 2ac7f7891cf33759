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
    const char* cases[][2] = {{"/usr/lib/libQVXInventoryProvider.so", "QVXInventoryProvider"},
                              {"libQVXInventoryProvider.so", "QVXInventoryProvider"},
                              {"dir.so/xyzAbc.so", "Abc"},
                              {"/a/libX", "X"}};
    for (const auto& c : cases) EXPECT_EQ(c[1], providerIdFromPath(c[0])) << c[0];
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

// A linker that hands out a chosen symbol table, for the answers a real
// library cannot easily give.
class TableLinker : public DynamicLinker {
public:
    std::vector<std::pair<std::string, void*>> symbols;
    int closes = 0;
    void* open(const std::string&) override { return this; }
    void* symbol(void*, const std::string& name) override {
        for (auto& s : symbols) {
            if (s.first == name) return s.second;
        }
        return nullptr;
    }
    int close(void*) override {
        ++closes;
        return 0;
    }
    std::string lastError() override { return "none"; }
};

extern "C" const char* nullVersion() {
    return nullptr;
}
extern "C" const char* goodVersion() {
    return "3.0.3";
}
extern "C" OpenWBEM::CppProviderBaseIFC* nullFactory() {
    return nullptr;
}
extern "C" OpenWBEM::CppProviderBaseIFC* throwingFactory() {
    throw std::bad_alloc();
}

TEST(LoaderTable, OddAnswers) {
    void* good = reinterpret_cast<void*>(&goodVersion);
    struct Case {
        void *version, *factory;
        const char* expected;
    } cases[] = {
        {reinterpret_cast<void*>(&nullVersion), nullptr, "/x/libT.so: getOWVersion: returned no"},
        {good, reinterpret_cast<void*>(&nullFactory),
         "/x/libT.so: createProviderT: returned no provider"},
        {good, reinterpret_cast<void*>(&throwingFactory), "/x/libT.so: createProviderT: threw: "},
    };
    for (const Case& c : cases) {
        TableLinker linker;
        linker.symbols = {{"getOWVersion", c.version}, {"createProviderT", c.factory}};
        Harness h;
        ProviderLoader loader("/x/libT.so", h.env, linker);
        try {
            loader.load();
            ADD_FAILURE() << "loaded";
        } catch (const CimomError& e) {
            EXPECT_EQ(0u, std::string(e.what()).find(c.expected)) << e.what();
        }
        EXPECT_EQ(1, linker.closes) << c.expected;
    }
}

}  // namespace
