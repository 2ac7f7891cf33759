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

namespace qvxsim_test {

class TempDir {
public:
    TempDir() {
        if (::mkdtemp(path_.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << path_;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_ = (std::filesystem::temp_directory_path() / "qvxsim-XXXXXX").string();
};

// Sets (or, with nullopt, removes) an environment variable for the life of
// the object and puts the old value back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = ::getenv(name)) old_ = old;
        set(value);
    }
    ~ScopedEnv() { set(old_); }
    void set(const std::optional<std::string>& value) {
        if (value)
            ::setenv(name_.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Overwrites the file in place (same inode), as an editor saving over it
// does; with rename, writes a new file and renames it over path, so readers
// see old or new only.
inline void writeFile(const std::string& path, const std::string& text, bool rename = false) {
    const std::string target = rename ? path + ".next" : path;
    ASSERT_TRUE(std::ofstream(target, std::ios::binary | std::ios::trunc) << text << std::flush)
        << target;
    ASSERT_TRUE(!rename || std::rename(target.c_str(), path.c_str()) == 0) << path;
}

}  // namespace qvxsim_test

#endif
