// Helpers shared by the simulator tests: a private temporary directory per
// test, environment variables restored afterwards, and file writers.
#ifndef QVX_TESTS_SIMULATOR_SIM_TEST_SUPPORT_H
#define QVX_TESTS_SIMULATOR_SIM_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

#include "../doubles/TempDir.hpp"

namespace qvxsim_test {

using qvx_test::TempDir;

// Sets (or, with nullopt, removes) an environment variable. Each test sets
// what it reads, so nothing needs restoring.
inline void setEnv(const char* name, const std::optional<std::string>& value) {
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

// Overwrites the file in place (same inode), as an editor saving over it
// does; with rename, renames a new file over it, so readers see old or new.
inline void writeFile(const std::string& path, const std::string& text, bool rename = false) {
    const std::string target = rename ? path + ".next" : path;
    ASSERT_TRUE(std::ofstream(target, std::ios::binary | std::ios::trunc) << text << std::flush)
        << target;
    ASSERT_TRUE(!rename || std::rename(target.c_str(), path.c_str()) == 0) << path;
}

}  // namespace qvxsim_test

#endif
