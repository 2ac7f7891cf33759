// The stand-in registry through its C functions: round trips, cut-off, missing
// entries, argument checks, which file it uses, durability across a kill -9,
// and concurrent writers in threads and processes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/SblimUtilities.h"
#include "simulator/result_codes.h"
#include "sim_test_support.h"

namespace {

using qvxsim_test::ScopedEnv;
using qvxsim_test::TempDir;

// A name given as "~" is passed as a null pointer.
const char* arg(const std::string& name) {
    return name == "~" ? nullptr : name.c_str();
}

// Reads into a 512-byte buffer of 0x7f (terminated at its end) whose first
// `size` bytes the call may use; the text left there, and the result code.
std::string get(const std::string& provider, const std::string& property, int32_t* rc = nullptr,
                int32_t size = 256, const std::string& section = "Providers") {
    std::vector<char> buf(512, '\x7f');
    buf.back() = '\0';
    const int32_t result = KduGetRegEntryString(arg(section), arg(provider), arg(property),
                                                size == 1000 ? nullptr : buf.data(), size);
    if (rc != nullptr) *rc = result;
    const std::string text = buf.data();
    for (size_t i = text.size() + 1; i < buf.size() - 1; ++i) {
        if (buf[i] != '\x7f') ADD_FAILURE() << "byte " << i << " written, size " << size;
    }
    return text;
}

// Writes value as a text, or with asInt as the integer it spells.
int32_t set(const std::string& provider, const std::string& property, const std::string& value,
            bool asInt = false, const std::string& section = "Providers") {
    return asInt ? KduSetRegEntryInt(arg(section), arg(provider), arg(property), std::stoi(value))
                 : KduSetRegEntryString(arg(section), arg(provider), arg(property), arg(value));
}

// Opens the file directly, next to the library's own connection.
std::string integrity(const std::string& path) {
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_exec(
            db, "PRAGMA integrity_check",
            [](void* out, int, char** values, char**) {
                *static_cast<std::string*>(out) = values[0];
                return 0;
            },
            &result, nullptr);
    }
    sqlite3_close(db);
    return result;
}

int waitStatus(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

class RegistryTest : public ::testing::Test {
protected:
    TempDir dir_;
    std::string db_ = dir_.file("registry.sqlite");
    ScopedEnv env_{"QVX_SIM_REGISTRY", db_};
};

// One store, then others, in order: each step writes (s: a text, i: an
// integer), reads (g), points the variable at a file (f; "" unsets it, which
// means run/registry.sqlite under the current directory) or makes the
// current store refuse inserts (t, through a second connection).
TEST_F(RegistryTest, Steps) {
    constexpr int32_t kBad = QVXSIM_BAD_ARGUMENT, kMissing = QVXSIM_NOT_FOUND,
                      kUnusable = QVXSIM_BAD_BACKING_FILE, kRefused = QVXSIM_STORAGE_ERROR;
    std::string abc;  // 300 characters, each position recognisable
    for (int i = 0; abc.size() < 300; ++i) abc += static_cast<char>('a' + i % 26);
    const std::string untouched(511, '\x7f'), utf8 = " 007 Z\xc3\xbcrich \xe2\x82\xac ";
    qvxsim_test::writeFile(dir_.file("garbage.sqlite"), std::string(4096, 'g'));
    const struct {
        char op;
        std::string section, provider, property, value;  // g: the text read back
        int32_t rc, size;                                // size 1000: a null buffer
    } steps[] = {
        {'s', "Providers", "P", "k", utf8, 0, 0},  // "007" stays a text, spaces and UTF-8 unchanged
        {'g', "Providers", "P", "k", utf8, 0, 256},
        {'i', "Providers", "P", "k", "-2147483648", 0, 0},
        {'g', "Providers", "P", "k", "-21", 0, 4},  // integers are cut like any text
        {'s', "Providers", "P", "k", abc, 0, 0},
        {'g', "Providers", "P", "k", "", 0, 1},
        {'g', "Providers", "P", "k", abc.substr(0, 299), 0, 300},
        {'g', "Providers", "P", "k", abc, 0, 301},
        // The three names keep entries apart; letter case counts.
        {'s', "Providers", "a", "bc", "a/bc", 0, 0},
        {'s', "Provider", "sab", "c", "sab/c", 0, 0},
        {'g', "Providers", "ab", "c", "", kMissing, 256},
        {'g', "Provider", "sab", "c", "sab/c", 0, 256},
        {'g', "Providers", "P", "K", "", kMissing, 256},
        // Refused arguments: a usable buffer gets the empty text.
        {'g', "~", "P", "k", "", kBad, 256},
        {'g', "Providers", "P", "k", untouched, kBad, 1000},
        {'g', "Providers", "P", "k", untouched, kBad, 0},
        {'g', "Providers", "P", "k", untouched, kBad, -1},
        {'s', "Providers", "~", "k", "v", kBad, 0},
        {'s', "Providers", "P", "k", "~", kBad, 0},
        {'i', "Providers", "P", "~", "1", kBad, 0},
        {'t', "", "", "", "", 0, 0},
        {'s', "Providers", "P", "k", "v", kRefused, 0},
        {'i', "Providers", "P", "k", "1", kRefused, 0},
        {'g', "Providers", "P", "k", abc.substr(0, 255), 0, 256},  // refused writes changed nothing
        // Other files: a missing directory level is created; the first file stays.
        {'f', "", "", "", "sub/other.sqlite", 0, 0},
        {'g', "Providers", "P", "k", "", kMissing, 256},
        {'s', "Providers", "P", "k", "second file", 0, 0},
        {'f', "", "", "", "registry.sqlite", 0, 0},
        {'g', "Providers", "P", "k", abc.substr(0, 255), 0, 256},
        {'f', "", "", "", "", 0, 0},
        {'s', "Providers", "P", "k", "default place", 0, 0},
        {'f', "", "", "", "run/registry.sqlite", 0, 0},
        {'g', "Providers", "P", "k", "default place", 0, 256},
        {'f', "", "", "", "no/such/dir/registry.sqlite", 0, 0},
        {'i', "Providers", "P", "k", "1", kUnusable, 0},
        {'g', "Providers", "P", "k", "", kUnusable, 256},
        {'f', "", "", "", "garbage.sqlite", 0, 0},
        {'s', "Providers", "P", "k", "v", kUnusable, 0},
    };
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        int32_t rc = 0;
        if (s.op == 'f') {
            env_.set(s.value.empty() ? std::nullopt : std::optional(dir_.file(s.value)));
        } else if (s.op == 't') {
            sqlite3* db = nullptr;
            sqlite3_open(::getenv("QVX_SIM_REGISTRY"), &db);
            rc = sqlite3_exec(db,
                              "CREATE TRIGGER refuse BEFORE INSERT ON entries BEGIN SELECT "
                              "RAISE(ABORT, 'refused'); END",
                              nullptr, nullptr, nullptr);
            sqlite3_close(db);
        } else if (s.op == 'g') {
            EXPECT_EQ(get(s.provider, s.property, &rc, s.size, s.section), s.value) << i;
        } else {
            rc = set(s.provider, s.property, s.value, s.op == 'i', s.section);
        }
        EXPECT_EQ(rc, s.rc) << "step " << i;
    }
    ASSERT_EQ(::chdir(previous), 0);
}

// A child writes entries one after the other (every third an integer) and
// acknowledges each through a pipe once the call returned 0; the parent kills
// it with SIGKILL mid-stream. Every acknowledged entry must be there and the
// file sound.
TEST_F(RegistryTest, AcknowledgedWritesSurviveKill9) {
    auto value = [](uint32_t i) {
        return std::to_string(i % 3 == 0 ? -7 * int64_t(i) : int64_t(i));
    };
    int acks[2];
    ASSERT_EQ(::pipe(acks), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(acks[0]);
        for (uint32_t i = 0;; ++i) {  // runs until killed
            if (set("Crash", "E" + std::to_string(i), value(i), i % 3 == 0) != 0 ||
                ::write(acks[1], &i, sizeof i) != sizeof i) {
                ::_exit(1);
            }
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
    const int status = waitStatus(child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "killed mid-stream";
    ASSERT_GE(acknowledged, 60u);
    for (uint32_t i = 0; i < acknowledged; ++i) {
        int32_t rc = -1;
        ASSERT_EQ(get("Crash", "E" + std::to_string(i), &rc), value(i)) << "entry " << i;
        ASSERT_EQ(rc, 0);
    }
    EXPECT_EQ(integrity(db_), "ok");
}

// Each writer owns some keys and also overwrites keys every writer shares
// (as texts and integers); a shared key must end up holding one writer's
// complete value. Several processes, each with several threads: the parent
// has a connection open when it forks, and each child must use its own.
TEST_F(RegistryTest, ConcurrentProcessesAndThreadsLoseNothing) {
    constexpr int kProcesses = 4, kThreads = 2, kEntries = 40, kShared = 4;
    auto own = [](int w, int i) {
        return "writer " + std::to_string(w) + " entry " + std::to_string(i);
    };
    auto shared = [&](int w, int i) { return i % 2 ? std::to_string(w * 100000 + i) : own(w, i); };
    auto key = [](int w, int i) { return "W" + std::to_string(w) + "E" + std::to_string(i); };
    ASSERT_EQ(set("P", "created", "before the writers start"), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::vector<int> failures(kThreads, 0);
            std::vector<std::thread> threads;
            for (int t = 0; t < kThreads; ++t) {
                threads.emplace_back([&, t, w = p * kThreads + t] {
                    for (int i = 0; i < kEntries; ++i) {
                        failures[t] += set("Own", key(w, i), own(w, i)) != 0;
                        failures[t] += set("Shared", "S" + std::to_string(i % kShared),
                                           shared(w, i), i % 2 == 1) != 0;
                    }
                });
            }
            for (std::thread& t : threads) t.join();
            ::_exit(failures == std::vector<int>(kThreads, 0) ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        const int status = waitStatus(child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << child;
    }
    std::set<std::string> possible;
    for (int w = 0; w < kProcesses * kThreads; ++w) {
        for (int i = 0; i < kEntries; ++i) {
            ASSERT_EQ(get("Own", key(w, i)), own(w, i));
            possible.insert(shared(w, i));
        }
    }
    for (int k = 0; k < kShared; ++k) {
        EXPECT_EQ(possible.count(get("Shared", "S" + std::to_string(k))), 1u) << "shared key " << k;
    }
    EXPECT_EQ(integrity(db_), "ok");
}

}  // namespace
