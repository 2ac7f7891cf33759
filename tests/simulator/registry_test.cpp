// The stand-in registry through its C functions: round trips, cut-off, missing
// entries, argument checks, integers, durability across a kill -9, and
// concurrent writers in threads and processes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
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

constexpr const char* kEnv = "QVX_SIM_REGISTRY";
constexpr const char* kSection = "Providers";

// Reads with the callers' 256-byte buffer; the result code goes to rc.
std::string get(const std::string& provider, const std::string& property, int32_t* rc = nullptr,
                int32_t size = 256) {
    std::vector<char> buf(512, 'x');
    const int32_t result =
        KduGetRegEntryString(kSection, provider.c_str(), property.c_str(), buf.data(), size);
    if (rc != nullptr) *rc = result;
    return std::string(buf.data(), strnlen(buf.data(), buf.size()));
}

// Writes value as a text, or with asInt as the integer it spells.
int32_t set(const std::string& provider, const std::string& property, const std::string& value,
            bool asInt = false) {
    return asInt
               ? KduSetRegEntryInt(kSection, provider.c_str(), property.c_str(), std::stoi(value))
               : KduSetRegEntryString(kSection, provider.c_str(), property.c_str(), value.c_str());
}

// Opens the file directly, next to the library's own connection.
std::string integrityCheck(const std::string& path) {
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return result;
}

// A 4-byte write to a pipe is atomic, so a read gets all of it or nothing.
bool readIndex(int fd, uint32_t* index) {
    ssize_t n;
    while ((n = ::read(fd, index, sizeof *index)) < 0 && errno == EINTR) {
    }
    return n == sizeof *index;
}

int waitStatus(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Kills and reaps a child that a failed assertion left running.
struct ChildGuard {
    pid_t pid;
    ~ChildGuard() {
        if (pid > 0 && ::kill(pid, SIGKILL) == 0) waitStatus(pid);
    }
};

class RegistryTest : public ::testing::Test {
protected:
    TempDir dir_;
    std::string db_ = dir_.file("registry.sqlite");
    ScopedEnv env_{kEnv, db_};
};

TEST_F(RegistryTest, TextsAndIntegersComeBackAsWritten) {
    // One entry, overwritten in turn by texts and integers.
    const std::pair<bool, std::string> cases[] = {
        {false, ""},         {false, "Z\xc3\xbcrich \xe2\x82\xac"},  // UTF-8 unchanged
        {false, "007"},      {false, "  padded  "},  // "007" stays a text, not the number 7
        {false, std::string(255, 'q')}, {true, "0"}, {true, "-1"}, {false, "soon"},
        {true, "2147483647"}, {true, "-2147483648"}};
    for (const auto& [asInt, text] : cases) {
        SCOPED_TRACE(text);
        ASSERT_EQ(set("P", "k", text, asInt), 0);
        int32_t rc = -1;
        EXPECT_EQ(get("P", "k", &rc), text);
        EXPECT_EQ(rc, 0);
    }
    EXPECT_EQ(get("P", "k", nullptr, 4), "-21") << "integers are cut like any text";
}

TEST_F(RegistryTest, TheThreeNamesKeepEntriesApart) {
    const char* names[][3] = {{"Providers", "ab", "c"}, {"Providers", "a", "bc"},
                              {"Provider", "sab", "c"}, {"Providers", "ab", "C"}, {"", "", ""}};
    for (size_t i = 0; i < std::size(names); ++i) {
        const std::string value = "value " + std::to_string(i);
        ASSERT_EQ(KduSetRegEntryString(names[i][0], names[i][1], names[i][2], value.c_str()), 0);
    }
    for (size_t i = 0; i < std::size(names); ++i) {
        char buf[256];
        ASSERT_EQ(KduGetRegEntryString(names[i][0], names[i][1], names[i][2], buf, sizeof buf), 0);
        EXPECT_EQ(std::string(buf), "value " + std::to_string(i));
    }
}

TEST_F(RegistryTest, ReadsAreCutWithinTheGivenSize) {
    std::string value;
    for (int i = 0; value.size() < 300; ++i) value += static_cast<char>('a' + i % 26);
    ASSERT_EQ(set("QVX_MBMProvider", "MBM1UserTracking", value), 0);
    for (int32_t size : {1, 2, 256, 300, 301, 400}) {
        SCOPED_TRACE(size);
        std::vector<char> buf(512, '\x7f');
        ASSERT_EQ(
            KduGetRegEntryString(kSection, "QVX_MBMProvider", "MBM1UserTracking", buf.data(), size),
            0);
        const size_t kept = std::min(value.size(), static_cast<size_t>(size) - 1);
        EXPECT_EQ(std::string(buf.data()), value.substr(0, kept));
        for (size_t i = kept + 1; i < buf.size(); ++i) ASSERT_EQ(buf[i], '\x7f') << i;
    }
}

TEST_F(RegistryTest, MissingEntryGivesNonZeroAndTheEmptyText) {
    ASSERT_EQ(set("QVX_Z64ChassisProvider", "Location", "here"), 0);
    const std::pair<const char*, const char*> missing[] = {
        {"QVX_Z64ChassisProvider", "OwnerName"}, {"QVX_Z64ChassisProvider", "location"},
        {"QVX_OtherProvider", "Location"}};
    for (const auto& [provider, property] : missing) {
        SCOPED_TRACE(std::string(provider) + "/" + property);
        int32_t rc = 0;
        EXPECT_EQ(get(provider, property, &rc), "");
        EXPECT_EQ(rc, QVXSIM_NOT_FOUND);
    }
}

TEST_F(RegistryTest, NullPointersAndBadSizesAreRefused) {
    const char *s = kSection, *p = "QVX_Z64ChassisProvider", *q = "OwnerName";
    ASSERT_EQ(KduSetRegEntryString(s, p, q, "stored"), 0);

    struct Case { const char *section, *provider, *property; bool buffer; int32_t size; };
    const Case cases[] = {{nullptr, p, q, true, 256},
                          {s, nullptr, q, true, 256},
                          {s, p, nullptr, true, 256},
                          {s, p, q, false, 256},
                          {s, p, q, true, 0},
                          {s, p, q, true, -1},
                          {s, p, q, true, std::numeric_limits<int32_t>::min()}};
    for (const Case& c : cases) {
        char buf[8] = "keepme!";
        EXPECT_EQ(KduGetRegEntryString(c.section, c.provider, c.property, c.buffer ? buf : nullptr,
                                       c.size), QVXSIM_BAD_ARGUMENT);
        // A usable buffer gets the empty text; a bad size leaves it alone.
        EXPECT_STREQ(buf, c.size > 0 && c.buffer ? "" : "keepme!");
        if (c.buffer && c.size > 0) {
            EXPECT_EQ(KduSetRegEntryString(c.section, c.provider, c.property, "v"),
                      QVXSIM_BAD_ARGUMENT);
            EXPECT_EQ(KduSetRegEntryInt(c.section, c.provider, c.property, 1), QVXSIM_BAD_ARGUMENT);
        }
    }
    EXPECT_EQ(KduSetRegEntryString(s, p, q, nullptr), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(get(p, q), "stored") << "refused writes change nothing";
}

TEST_F(RegistryTest, FollowsTheVariableAndDefaultsToRunRegistry) {
    const std::string other = dir_.file("sub/other.sqlite");
    ASSERT_EQ(set("P", "k", "first file"), 0);
    env_.set(other);
    int32_t rc = 0;
    EXPECT_EQ(get("P", "k", &rc), "");
    EXPECT_EQ(rc, QVXSIM_NOT_FOUND);
    ASSERT_EQ(set("P", "k", "second file"), 0) << "missing directory level is created";
    env_.set(db_);
    EXPECT_EQ(get("P", "k"), "first file");
    env_.set(other);
    EXPECT_EQ(get("P", "k"), "second file");

    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
    env_.set(std::nullopt);
    rc = set("P", "k", "default place");
    const std::string readBack = get("P", "k");
    struct stat st {};
    const bool created = ::stat("run/registry.sqlite", &st) == 0 && S_ISREG(st.st_mode);
    ASSERT_EQ(::chdir(previous), 0);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(readBack, "default place");
    EXPECT_TRUE(created);
}

TEST_F(RegistryTest, UnusableDatabasePathFailsAndReadsLeaveTheEmptyText) {
    const std::string garbage = dir_.file("garbage.sqlite");
    qvxsim_test::writeInPlace(garbage, std::string(4096, 'g'));
    for (const std::string& path : {dir_.file("no/such/dir/registry.sqlite"), garbage}) {
        SCOPED_TRACE(path);
        env_.set(path);
        EXPECT_EQ(set("P", "k", "v"), QVXSIM_BAD_BACKING_FILE);
        EXPECT_EQ(set("P", "k", "1", true), QVXSIM_BAD_BACKING_FILE);
        int32_t rc = 0;
        EXPECT_EQ(get("P", "k", &rc), "");
        EXPECT_EQ(rc, QVXSIM_BAD_BACKING_FILE);
    }
}

// The store opened fine, then refuses the write itself (here a trigger added
// through a second connection): the caller hears of it.
TEST_F(RegistryTest, AWriteTheOpenStoreRefusesFails) {
    ASSERT_EQ(set("P", "k", "before"), 0);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(db_.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db,
                           "CREATE TRIGGER refuse BEFORE INSERT ON entries "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(set("P", "k", "after"), QVXSIM_STORAGE_ERROR);
    EXPECT_EQ(set("P", "k", "7", true), QVXSIM_STORAGE_ERROR);
    EXPECT_EQ(get("P", "k"), "before");
}

// Entry i of the crash test: every third one an integer.
std::string crashValue(uint32_t i) {
    return i % 3 == 0 ? std::to_string(static_cast<int32_t>(i) * -7) : "value " + std::to_string(i);
}

// A child writes entries one after the other and acknowledges each through a
// pipe once the call returned 0; the parent kills it with SIGKILL in the middle
// of the stream. Every acknowledged entry must be there and the file sound.
TEST_F(RegistryTest, AcknowledgedWritesSurviveKill9) {
    constexpr uint32_t kKillAfter = 60;
    int acks[2];
    ASSERT_EQ(::pipe(acks), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(acks[0]);
        for (uint32_t i = 0;; ++i) {  // runs until killed
            if (set("Crash", "Entry" + std::to_string(i), crashValue(i), i % 3 == 0) != 0 ||
                ::write(acks[1], &i, sizeof i) != sizeof i) {
                ::_exit(1);
            }
        }
    }
    ChildGuard guard{child};
    ::close(acks[1]);
    uint32_t acknowledged = 0, index = 0;
    while (acknowledged < kKillAfter && readIndex(acks[0], &index)) {
        ASSERT_EQ(index, acknowledged++) << "acknowledgements arrive in order";
    }
    ASSERT_EQ(acknowledged, kKillAfter) << "child stopped early";
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    guard.pid = -1;
    while (readIndex(acks[0], &index)) {  // acknowledgements already in the pipe count too
        ASSERT_EQ(index, acknowledged++);
    }
    ::close(acks[0]);
    const int status = waitStatus(child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "killed mid-stream";
    for (uint32_t i = 0; i < acknowledged; ++i) {
        int32_t rc = -1;
        ASSERT_EQ(get("Crash", "Entry" + std::to_string(i), &rc), crashValue(i)) << "entry " << i;
        ASSERT_EQ(rc, 0);
    }
    EXPECT_EQ(integrityCheck(db_), "ok");
}

// Each writer owns some keys and also overwrites keys every writer shares; a
// shared key must end up holding one writer's complete value.
constexpr int kSharedKeys = 4;

std::string ownValue(int writer, int i) {
    return "writer " + std::to_string(writer) + " entry " + std::to_string(i);
}

std::string sharedValue(int writer, int i) {
    return i % 2 == 0 ? ownValue(writer, i) : std::to_string(writer * 100000 + i);
}

// Returns the number of calls that failed or read back something else.
int runWriter(int writer, int entries) {
    int failures = 0;
    for (int i = 0; i < entries; ++i) {
        const std::string property = "W" + std::to_string(writer) + "E" + std::to_string(i);
        failures += set("Own", property, ownValue(writer, i)) != 0;
        failures += get("Own", property) != ownValue(writer, i);
        failures += set("Shared", "S" + std::to_string(i % kSharedKeys), sharedValue(writer, i),
                        i % 2 == 1) != 0;
    }
    return failures;
}

void expectAllWritten(const std::string& db, int writers, int entries) {
    std::set<std::string> possible;
    for (int w = 0; w < writers; ++w) {
        for (int i = 0; i < entries; ++i) {
            int32_t rc = -1;
            ASSERT_EQ(get("Own", "W" + std::to_string(w) + "E" + std::to_string(i), &rc),
                      ownValue(w, i));
            ASSERT_EQ(rc, 0);
            possible.insert(sharedValue(w, i));
        }
    }
    for (int k = 0; k < kSharedKeys; ++k) {
        const std::string value = get("Shared", "S" + std::to_string(k));
        EXPECT_EQ(possible.count(value), 1u) << "shared key " << k << " holds '" << value << "'";
    }
    EXPECT_EQ(integrityCheck(db), "ok");
}

// Runs `count` writers, numbered from `first`, in threads; the failures.
int runWriterThreads(int first, int count, int entries) {
    std::vector<int> failures(count, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t) {
        threads.emplace_back(
            [&failures, t, first, entries] { failures[t] = runWriter(first + t, entries); });
    }
    int total = 0;
    for (int t = 0; t < count; ++t) {
        threads[t].join();
        total += failures[t];
    }
    return total;
}

// Several processes, each with several threads: covers both kinds of writer.
TEST_F(RegistryTest, ConcurrentProcessesAndThreadsLoseNothing) {
    constexpr int kProcesses = 4, kThreadsEach = 2, kEntries = 40;
    // The parent has a connection open when it forks; each child must use its own.
    ASSERT_EQ(set("P", "created", "before the writers start"), 0);
    int go[2];  // the children wait on this pipe so that they all start together
    ASSERT_EQ(::pipe(go), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(go[1]);
            char byte = 0;
            if (::read(go[0], &byte, 1) != 0) ::_exit(2);  // 0: parent closed it, go
            ::_exit(runWriterThreads(p * kThreadsEach, kThreadsEach, kEntries) == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    ::close(go[0]);
    ::close(go[1]);
    for (pid_t child : children) {
        const int status = waitStatus(child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << child;
    }
    expectAllWritten(db_, kProcesses * kThreadsEach, kEntries);
    ASSERT_EQ(set("P", "created", "after the writers"), 0);
    EXPECT_EQ(get("P", "created"), "after the writers");
    EXPECT_EQ(integrityCheck(db_), "ok");
}

}  // namespace
