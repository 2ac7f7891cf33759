// The host's logger lines and the environment's fixed answers.
#include "HostEnvironment.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using namespace OpenWBEM;
using namespace qvx_cimom;

namespace {

TEST(LogLine, Format) {
    struct Case {
        std::time_t when;
        const char* category;
        const char* component;
        const char* message;
        const char* line;
    } cases[] = {
        {0, "ERROR", "cimom", "x", "1970-01-01T00:00:00Z ERROR cimom: x"},
        {1796506800, "INFO", "QVXInventoryProvider", "two words",
         "2026-12-05T21:40:00Z INFO QVXInventoryProvider: two words"},
        {951782400, "FATAL", "c", "", "2000-02-29T00:00:00Z FATAL c: "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.line, formatLogLine(c.when, c.category, c.component, c.message));
    }
}

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class TempDir {
public:
    TempDir() {
        std::string base = std::filesystem::temp_directory_path() / "qvx-cimom-XXXXXX";
        char buf[4096];
        base.copy(buf, sizeof buf - 1);
        buf[std::min(base.size(), sizeof buf - 1)] = '\0';
        if (!mkdtemp(buf)) throw std::runtime_error("mkdtemp failed");
        path = buf;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

TEST(HostLogger, WritesLevelledLinesToFile) {
    TempDir dir;
    std::string file = dir.path + "/log";
    {
        LoggerRef logger(new HostLogger(file, E_ERROR_LEVEL, [] { return std::time_t(60); }));
        ProviderEnvironmentIFCRef env(new HostEnvironment(logger));
        env->getLogger("QVXInventoryProvider")->logError("Failed to retrieve property Model");
        env->getLogger("other")->logInfo("below the level");
        logger->logFatalError("stop");
    }
    EXPECT_EQ(
        "1970-01-01T00:01:00Z ERROR QVXInventoryProvider: Failed to retrieve property Model\n"
        "1970-01-01T00:01:00Z FATAL cimom: stop\n",
        readAll(file));
}

TEST(HostLogger, AppendsAndRefusesUnopenableFile) {
    TempDir dir;
    std::string file = dir.path + "/log";
    for (int i = 0; i < 2; ++i) {
        LoggerRef logger(new HostLogger(file, E_DEBUG_LEVEL, [] { return std::time_t(0); }));
        logger->logDebug("d");
    }
    EXPECT_EQ("1970-01-01T00:00:00Z DEBUG cimom: d\n1970-01-01T00:00:00Z DEBUG cimom: d\n",
              readAll(file));
    EXPECT_THROW(HostLogger(dir.path + "/no/such/dir/log"), std::runtime_error);
}

TEST(HostEnvironment, FixedAnswers) {
    ProviderEnvironmentIFCRef env(new HostEnvironment(LoggerRef(new HostLogger())));
    EXPECT_FALSE(env->getCIMOMHandle());
    EXPECT_FALSE(env->getRepositoryCIMOMHandle());
    EXPECT_FALSE(env->getRepository());
    EXPECT_EQ(String("dflt"), env->getConfigItem("cppprovifc.prov_location", "dflt"));
    EXPECT_EQ(String(), env->getConfigItem("anything"));
    EXPECT_EQ(String("comp"), env->getLogger("comp")->getDefaultComponent());
    EXPECT_EQ(String("comp"), env->getLogger("comp")->clone()->getDefaultComponent());
}

}  // namespace
