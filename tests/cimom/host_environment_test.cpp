// The host's logger: the line format, the level, and appending to the file.
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
    EXPECT_EQ("2026-12-05T21:40:00Z INFO two words",
              formatLogLine(1796506800, E_INFO_LEVEL, "two words"));
    EXPECT_EQ("2000-02-29T00:00:00Z FATAL ", formatLogLine(951782400, E_FATAL_ERROR_LEVEL, ""));
}

// Lines at or above the level, appended to what the file held; a file that
// cannot be opened is refused.
TEST(HostLogger, AppendsLevelledLinesToFile) {
    std::string dir = (std::filesystem::temp_directory_path() / "qvx-cimom-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(dir.data()));
    std::string file = dir + "/log";
    for (int level : {E_ERROR_LEVEL, E_DEBUG_LEVEL}) {
        LoggerRef logger(new HostLogger(file, ELogLevel(level), [] { return std::time_t(60); }));
        ProviderEnvironmentIFCRef env(new HostEnvironment(logger));
        env->getLogger()->logError("e");
        env->getLogger()->logDebug("d");
    }
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    const std::string at = "1970-01-01T00:01:00Z ";
    EXPECT_EQ(at + "ERROR e\n" + at + "ERROR e\n" + at + "DEBUG d\n", text.str());
    EXPECT_THROW(HostLogger(dir + "/no/such/dir/log"), std::runtime_error);
    std::filesystem::remove_all(dir);
}

}  // namespace
