// The stand-in registry through its C functions: round trips, cut-off, missing
// entries, refused writes, which file it uses and durability across a kill -9.

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/SblimUtilities.h"
#include "simulator/result_codes.h"
#include "sim_test_support.h"

namespace {

// Reads into a 512-byte buffer of 0x7f whose first `size` bytes the call may
// use; "rc text". Bytes past the text must be intact.
std::string get(const std::string& provider, const std::string& property, int32_t size = 256) {
    std::vector<char> buf(512, '\x7f');
    buf.back() = '\0';
    const int32_t rc =
        KduGetRegEntryString("Providers", provider.c_str(), property.c_str(), buf.data(), size);
    const std::string text = buf.data();
    for (size_t i = text.size() + 1; i < buf.size() - 1; ++i) {
        if (buf[i] != '\x7f') ADD_FAILURE() << "byte " << i << " written, size " << size;
    }
    return std::to_string(rc) + " " + text;
}

// Writes value as a text, or with asInt as the integer it spells.
int32_t set(const std::string& provider, const std::string& property, const std::string& value,
            bool asInt = false) {
    return asInt ? KduSetRegEntryInt("Providers", provider.c_str(), property.c_str(),
                                     std::stoi(value))
                 : KduSetRegEntryString("Providers", provider.c_str(), property.c_str(),
                                        value.c_str());
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { qvxsim_test::setEnv("QVX_SIM_REGISTRY", dir_.file("registry.sqlite")); }
    qvxsim_test::TempDir dir_;
};

// One store, then others, in order: each step writes (s: a text, i: an
// integer), reads (g, with `size`), points the variable at a file (f) or
// makes the current store refuse inserts (t, through a second connection).
// `want` is the result code, and for g the text read back.
TEST_F(RegistryTest, Steps) {
    const std::string missing = std::to_string(QVXSIM_NOT_FOUND) + " ";
    const char* kRefuse =
        "CREATE TRIGGER refuse BEFORE INSERT ON entries BEGIN SELECT RAISE(ABORT, 'no'); END";
    const std::string abc = std::string(255, 'a') + std::string(45, 'b');  // 300 characters
    const std::string untouched(511, '\x7f'), utf8 = " 007 Z\xc3\xbcrich \xe2\x82\xac ";
    const struct {
        char op;
        std::string provider, property, value, want;
        int32_t size;
    } steps[] = {
        {'s', "P", "k", utf8, "0", 0},  // "007" stays a text, spaces and UTF-8 unchanged
        {'g', "P", "k", "", "0 " + utf8, 256},
        {'i', "P", "k", "-2147483648", "0", 0},
        {'g', "P", "k", "", "0 -21", 4},  // integers are cut like any text
        {'s', "P", "k", abc, "0", 0},
        {'g', "P", "k", "", "0 " + abc.substr(0, 299), 300},
        {'s', "a", "bc", "a/bc", "0", 0},
        {'g', "ab", "c", "", missing, 256},  // the names keep entries apart
        {'g', "P", "k", "", std::to_string(QVXSIM_BAD_ARGUMENT) + " " + untouched, -1},
        {'t', "", "", "", "0", 0},
        {'s', "P", "k", "v", std::to_string(QVXSIM_STORAGE_ERROR), 0},
        {'g', "P", "k", "", "0 " + abc.substr(0, 255), 256},  // the refused write changed nothing
        // Another file, in a directory it creates; the first one stays.
        {'f', "", "", "sub/other.sqlite", "0", 0},
        {'g', "P", "k", "", missing, 256},
        {'f', "", "", "registry.sqlite", "0", 0},
        {'g', "P", "k", "", "0 " + abc.substr(0, 255), 256},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        std::string got = "0";
        if (s.op == 'f') {
            qvxsim_test::setEnv("QVX_SIM_REGISTRY", dir_.file(s.value));
        } else if (s.op == 't') {
            sqlite3* db = nullptr;
            sqlite3_open(::getenv("QVX_SIM_REGISTRY"), &db);
            got = std::to_string(sqlite3_exec(db, kRefuse, nullptr, nullptr, nullptr));
            sqlite3_close(db);
        } else if (s.op == 'g') {
            got = get(s.provider, s.property, s.size);
        } else {
            got = std::to_string(set(s.provider, s.property, s.value, s.op == 'i'));
        }
        EXPECT_EQ(got, s.want) << "step " << i;
    }
}

// A child writes entries one after the other and acknowledges each through
// a pipe once the call returned 0; the parent kills it with SIGKILL
// mid-stream. Every acknowledged entry must be there.
TEST_F(RegistryTest, AcknowledgedWritesSurviveKill9) {
    int acks[2];
    ASSERT_EQ(::pipe(acks), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(acks[0]);
        for (uint32_t i = 0;; ++i) {  // runs until killed
            const std::string n = std::to_string(i);
            if (set("Crash", "E" + n, n, i % 2) != 0 || ::write(acks[1], &i, sizeof i) != sizeof i)
                ::_exit(1);
        }
    }
    ::close(acks[1]);
    // A 4-byte write to a pipe is atomic: a read gets all of it or nothing.
    // Acknowledgements still in the pipe after the kill count too.
    uint32_t acknowledged = 0, index = 0;
    while (::read(acks[0], &index, sizeof index) == sizeof index) {
        EXPECT_EQ(index, acknowledged++) << "acknowledgements arrive in order";
        if (acknowledged == 60 && ::kill(child, SIGKILL) != 0) ADD_FAILURE() << "kill failed";
    }
    ::close(acks[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "killed mid-stream";
    ASSERT_GE(acknowledged, 60u);
    for (uint32_t i = 0; i < acknowledged; ++i) {
        ASSERT_EQ(get("Crash", "E" + std::to_string(i)), "0 " + std::to_string(i)) << i;
    }
}

}  // namespace
