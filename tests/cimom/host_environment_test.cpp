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
    EXPECT_EQ("1970-01-01T00:00:00Z ERROR x", formatLogLine(0, E_ERROR_LEVEL, "x"));
    EXPECT_EQ("2026-12-05T21:40:00Z INFO two words",
              formatLogLine(1796506800, E_INFO_LEVEL, "two words"));
    EXPECT_EQ("2000-02-29T00:00:00Z FATAL ", formatLogLine(951782400, E_FATAL_ERROR_LEVEL, ""));
}

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Lines at or above the level, appended to what the file held; a file that
// cannot be opened is refused.
TEST(HostLogger, AppendsLevelledLinesToFile) {
    std::string dir = (std::filesystem::temp_directory_path() / "qvx-cimom-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(dir.data()));
    std::string file = dir + "/log";
    for (int i = 0; i < 2; ++i) {
        LoggerRef logger(new HostLogger(file, E_ERROR_LEVEL, [] { return std::time_t(60); }));
        ProviderEnvironmentIFCRef env(new HostEnvironment(logger));
        env->getLogger()->logError("Failed to retrieve property Model");
        env->getLogger()->logInfo("below the level");
        if (i == 1) logger->logFatalError("stop");
    }
    {
        LoggerRef(new HostLogger(file, E_DEBUG_LEVEL, [] {
            return std::time_t(0);
        }))->logDebug("d");
    }
    const std::string error = "1970-01-01T00:01:00Z ERROR Failed to retrieve property Model\n";
    EXPECT_EQ(
        error + error + "1970-01-01T00:01:00Z FATAL stop\n" + "1970-01-01T00:00:00Z DEBUG d\n",
        readAll(file));
    EXPECT_THROW(HostLogger(dir + "/no/such/dir/log"), std::runtime_error);
    std::filesystem::remove_all(dir);
}

TEST(HostEnvironment, FixedAnswers) {
    ProviderEnvironmentIFCRef env(new HostEnvironment(LoggerRef(new HostLogger())));
    EXPECT_FALSE(env->getCIMOMHandle());
    EXPECT_FALSE(env->getRepositoryCIMOMHandle());
    EXPECT_FALSE(env->getRepository());
    EXPECT_EQ(String("dflt"), env->getConfigItem("cppprovifc.prov_location", "dflt"));
    EXPECT_EQ(String(), env->getConfigItem("anything"));
    EXPECT_EQ(String(), env->getUserName());
}

}  // namespace
