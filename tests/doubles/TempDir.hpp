// A fresh directory under the system's temporary folder, removed with
// everything in it at the end of the test.
#ifndef QVX_TESTS_TEMPDIR_HPP
#define QVX_TESTS_TEMPDIR_HPP

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace qvx_test {

class TempDir {
public:
    TempDir() {
        if (::mkdtemp(m_path.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << m_path;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path = (std::filesystem::temp_directory_path() / "qvx-test-XXXXXX").string();
};

}  // namespace qvx_test

#endif
