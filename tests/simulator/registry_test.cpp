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

int32_t set(const std::string& provider, const std::string& property, const std::string& value) {
    return KduSetRegEntryString(kSection, provider.c_str(), property.c_str(), value.c_str());
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

// Writes all of buf to fd; false if the reader is gone.
bool writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Reads exactly size bytes; false at end of file.
bool readAll(int fd, void* data, size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

int waitStatus(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Kills and reaps a child that a failed assertion left running.
class ChildGuard {
public:
    explicit ChildGuard(pid_t pid) : pid_(pid) {}
    ~ChildGuard() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            waitStatus(pid_);
        }
    }
    ChildGuard(const ChildGuard&) = delete;
    ChildGuard& operator=(const ChildGuard&) = delete;

    // Hands over the reaping to the caller.
    pid_t release() {
        const pid_t pid = pid_;
        pid_ = -1;
        return pid;
    }

private:
    pid_t pid_;
};

class RegistryTest : public ::testing::Test {
protected:
    TempDir dir_;
    std::string db_ = dir_.file("registry.sqlite");
    ScopedEnv env_{kEnv, db_};
};

TEST_F(RegistryTest, TextsComeBackAsWritten) {
    const std::string values[] = {
        "",
        "a",
        "Lab 3, rack 7",
        "Z\xc3\xbcrich \xe2\x82\xac",  // UTF-8 passes through unchanged
        "007",                         // stays a text, not the number 7
        "  padded  ",
        std::string(255, 'q'),
    };
    for (const std::string& value : values) {
        SCOPED_TRACE(value);
        ASSERT_EQ(set("QVX_Z64ChassisProvider", "OwnerName", value), 0);
        int32_t rc = -1;
        EXPECT_EQ(get("QVX_Z64ChassisProvider", "OwnerName", &rc), value);
        EXPECT_EQ(rc, 0);
    }
}

TEST_F(RegistryTest, TheThreeNamesKeepEntriesApart) {
    const char* names[][3] = {
        {"Providers", "ab", "c"},
        {"Providers", "a", "bc"},
        {"Provider", "sab", "c"},
        {"Providers", "ab", "C"},
        {"", "", ""},
    };
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
    for (int32_t size : {1, 2, 13, 255, 256, 300, 301, 400}) {
        SCOPED_TRACE(size);
        std::vector<char> buf(512, '\x7f');
        ASSERT_EQ(
            KduGetRegEntryString(kSection, "QVX_MBMProvider", "MBM1UserTracking", buf.data(), size),
            0);
        const size_t kept = std::min(value.size(), static_cast<size_t>(size) - 1);
        EXPECT_EQ(std::string(buf.data()), value.substr(0, kept));
        for (size_t i = kept + 1; i < buf.size(); ++i) {
            ASSERT_EQ(buf[i], '\x7f') << "byte " << i << " written";
        }
    }
    EXPECT_EQ(get("QVX_MBMProvider", "MBM1UserTracking").size(), 255u) << "callers' size 256";
}

TEST_F(RegistryTest, MissingEntryGivesNonZeroAndTheEmptyText) {
    ASSERT_EQ(set("QVX_Z64ChassisProvider", "Location", "here"), 0);
    const std::pair<const char*, const char*> missing[] = {
        {"QVX_Z64ChassisProvider", "OwnerName"},
        {"QVX_Z64ChassisProvider", "location"},
        {"QVX_OtherProvider", "Location"},
    };
    for (const auto& [provider, property] : missing) {
        SCOPED_TRACE(std::string(provider) + "/" + property);
        int32_t rc = 0;
        EXPECT_EQ(get(provider, property, &rc), "");
        EXPECT_EQ(rc, QVXSIM_NOT_FOUND);
    }
}

TEST_F(RegistryTest, NullPointersAndBadSizesAreRefused) {
    const char* s = kSection;
    const char* p = "QVX_Z64ChassisProvider";
    const char* q = "OwnerName";
    ASSERT_EQ(KduSetRegEntryString(s, p, q, "stored"), 0);

    struct ReadCase {
        const char *section, *provider, *property;
        bool buffer;
        int32_t size;
        bool bufferCleared;  // a usable buffer gets the empty text
    };
    const ReadCase reads[] = {
        {nullptr, p, q, true, 256, true},
        {s, nullptr, q, true, 256, true},
        {s, p, nullptr, true, 256, true},
        {s, p, q, false, 256, false},
        {s, p, q, true, 0, false},
        {s, p, q, true, -1, false},
        {s, p, q, true, std::numeric_limits<int32_t>::min(), false},
    };
    for (const ReadCase& c : reads) {
        char buf[8] = "keepme!";
        EXPECT_EQ(KduGetRegEntryString(c.section, c.provider, c.property, c.buffer ? buf : nullptr,
                                       c.size),
                  QVXSIM_BAD_ARGUMENT);
        EXPECT_STREQ(buf, c.bufferCleared ? "" : "keepme!");
    }

    EXPECT_EQ(KduSetRegEntryString(nullptr, p, q, "v"), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(KduSetRegEntryString(s, nullptr, q, "v"), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(KduSetRegEntryString(s, p, nullptr, "v"), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(KduSetRegEntryString(s, p, q, nullptr), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(KduSetRegEntryInt(nullptr, p, q, 1), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(KduSetRegEntryInt(s, nullptr, q, 1), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(KduSetRegEntryInt(s, p, nullptr, 1), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(get(p, q), "stored") << "refused writes change nothing";
}

TEST_F(RegistryTest, IntegerEntriesReadAsDecimalText) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "0"},
        {42, "42"},
        {-1, "-1"},
        {1133359500, "1133359500"},
        {std::numeric_limits<int32_t>::max(), "2147483647"},
        {std::numeric_limits<int32_t>::min(), "-2147483648"},
    };
    for (const auto& [value, text] : cases) {
        ASSERT_EQ(KduSetRegEntryInt(kSection, "QVX_SystemProvider", "LastChangeTime", value), 0);
        int32_t rc = -1;
        EXPECT_EQ(get("QVX_SystemProvider", "LastChangeTime", &rc), text);
        EXPECT_EQ(rc, 0);
    }
    // Cut like any text, and an entry may change between integer and text.
    EXPECT_EQ(get("QVX_SystemProvider", "LastChangeTime", nullptr, 4), "-21");
    ASSERT_EQ(set("QVX_SystemProvider", "LastChangeTime", "soon"), 0);
    EXPECT_EQ(get("QVX_SystemProvider", "LastChangeTime"), "soon");
    ASSERT_EQ(KduSetRegEntryInt(kSection, "QVX_SystemProvider", "LastChangeTime", 7), 0);
    EXPECT_EQ(get("QVX_SystemProvider", "LastChangeTime"), "7");
}

TEST_F(RegistryTest, FollowsTheVariableToAnotherFile) {
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
}

TEST_F(RegistryTest, DefaultIsRunRegistryUnderTheCurrentDirectory) {
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
    env_.set(std::nullopt);
    const int32_t rc = set("P", "k", "default place");
    const std::string readBack = get("P", "k");
    struct stat st {};
    const bool created = ::stat("run/registry.sqlite", &st) == 0 && S_ISREG(st.st_mode);
    ASSERT_EQ(::chdir(previous), 0);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(readBack, "default place");
    EXPECT_TRUE(created);
}

TEST_F(RegistryTest, UnusableDatabasePathFailsAndReadsLeaveTheEmptyText) {
    env_.set(dir_.file("no/such/dir/registry.sqlite"));
    EXPECT_EQ(set("P", "k", "v"), QVXSIM_BAD_BACKING_FILE);
    EXPECT_EQ(KduSetRegEntryInt(kSection, "P", "k", 1), QVXSIM_BAD_BACKING_FILE);
    int32_t rc = 0;
    EXPECT_EQ(get("P", "k", &rc), "");
    EXPECT_EQ(rc, QVXSIM_BAD_BACKING_FILE);

    const std::string notADatabase = dir_.file("garbage.sqlite");
    qvxsim_test::writeInPlace(notADatabase, std::string(4096, 'g'));
    env_.set(notADatabase);
    EXPECT_NE(set("P", "k", "v"), 0);
    EXPECT_EQ(get("P", "k", &rc), "");
    EXPECT_NE(rc, 0);
}

TEST_F(RegistryTest, ForkedChildUsesItsOwnConnection) {
    ASSERT_EQ(set("P", "parent", "before fork"), 0);  // parent has a connection open
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char buf[256];
        const bool ok = KduGetRegEntryString(kSection, "P", "parent", buf, sizeof buf) == 0 &&
                        std::strcmp(buf, "before fork") == 0 &&
                        KduSetRegEntryString(kSection, "P", "child", "from child") == 0;
        ::_exit(ok ? 0 : 1);
    }
    const int status = waitStatus(child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(get("P", "child"), "from child");
    ASSERT_EQ(set("P", "parent", "after fork"), 0);
    EXPECT_EQ(get("P", "parent"), "after fork");
    EXPECT_EQ(integrityCheck(db_), "ok");
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
            const std::string property = "Entry" + std::to_string(i);
            const std::string value = "value of entry " + std::to_string(i);
            const int32_t rc = (i % 3 == 0) ? KduSetRegEntryInt(kSection, "Crash", property.c_str(),
                                                                static_cast<int32_t>(i) * -7)
                                            : KduSetRegEntryString(kSection, "Crash",
                                                                   property.c_str(), value.c_str());
            if (rc != 0 || !writeAll(acks[1], &i, sizeof i)) ::_exit(1);
        }
    }
    ChildGuard guard(child);
    ::close(acks[1]);
    uint32_t acknowledged = 0;
    uint32_t index = 0;
    while (acknowledged < kKillAfter && readAll(acks[0], &index, sizeof index)) {
        ASSERT_EQ(index, acknowledged) << "acknowledgements arrive in order";
        ++acknowledged;
    }
    ASSERT_EQ(acknowledged, kKillAfter) << "child stopped early";
    ASSERT_EQ(::kill(guard.release(), SIGKILL), 0);
    // Acknowledgements already in the pipe count too.
    while (readAll(acks[0], &index, sizeof index)) {
        ASSERT_EQ(index, acknowledged);
        ++acknowledged;
    }
    ::close(acks[0]);
    const int status = waitStatus(child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "killed mid-stream";

    EXPECT_EQ(integrityCheck(db_), "ok");
    for (uint32_t i = 0; i < acknowledged; ++i) {
        const std::string expected = (i % 3 == 0) ? std::to_string(static_cast<int32_t>(i) * -7)
                                                  : "value of entry " + std::to_string(i);
        int32_t rc = -1;
        ASSERT_EQ(get("Crash", "Entry" + std::to_string(i), &rc), expected) << "entry " << i;
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

// Returns the number of calls that failed or read back something else.
int runWriter(int writer, int entries) {
    int failures = 0;
    for (int i = 0; i < entries; ++i) {
        const std::string property = "W" + std::to_string(writer) + "E" + std::to_string(i);
        const std::string value = ownValue(writer, i);
        if (KduSetRegEntryString(kSection, "Own", property.c_str(), value.c_str()) != 0) {
            ++failures;
        }
        char buf[256];
        if (KduGetRegEntryString(kSection, "Own", property.c_str(), buf, sizeof buf) != 0 ||
            value != buf) {
            ++failures;
        }
        const std::string shared = "S" + std::to_string(i % kSharedKeys);
        const int32_t rc =
            (i % 2 == 0)
                ? KduSetRegEntryString(kSection, "Shared", shared.c_str(), value.c_str())
                : KduSetRegEntryInt(kSection, "Shared", shared.c_str(), writer * 100000 + i);
        if (rc != 0) ++failures;
    }
    return failures;
}

void expectAllWritten(const std::string& db, int writers, int entries) {
    for (int w = 0; w < writers; ++w) {
        for (int i = 0; i < entries; ++i) {
            int32_t rc = -1;
            ASSERT_EQ(get("Own", "W" + std::to_string(w) + "E" + std::to_string(i), &rc),
                      ownValue(w, i));
            ASSERT_EQ(rc, 0);
        }
    }
    std::set<std::string> possible;
    for (int w = 0; w < writers; ++w) {
        for (int i = 0; i < entries; ++i) {
            possible.insert(i % 2 == 0 ? ownValue(w, i) : std::to_string(w * 100000 + i));
        }
    }
    for (int k = 0; k < kSharedKeys; ++k) {
        const std::string value = get("Shared", "S" + std::to_string(k));
        EXPECT_EQ(possible.count(value), 1u) << "shared key " << k << " holds '" << value << "'";
    }
    EXPECT_EQ(integrityCheck(db), "ok");
}

TEST_F(RegistryTest, ConcurrentThreadsLoseNothing) {
    constexpr int kThreads = 6;
    constexpr int kEntries = 60;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] { failures[t] = runWriter(t, kEntries); });
    }
    for (std::thread& t : threads) t.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
    expectAllWritten(db_, kThreads, kEntries);
}

TEST_F(RegistryTest, ConcurrentProcessesLoseNothing) {
    constexpr int kProcesses = 4;
    constexpr int kThreadsEach = 2;
    constexpr int kEntries = 40;
    ASSERT_EQ(set("P", "created", "before the writers start"), 0);
    // The children wait on this pipe so that they all start together.
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(go[1]);
            char byte = 0;
            if (::read(go[0], &byte, 1) != 0) ::_exit(2);  // 0: parent closed it, go
            int failures[kThreadsEach] = {};
            std::thread threads[kThreadsEach];
            for (int t = 0; t < kThreadsEach; ++t) {
                const int writer = p * kThreadsEach + t;
                threads[t] = std::thread(
                    [&failures, t, writer] { failures[t] = runWriter(writer, kEntries); });
            }
            int total = 0;
            for (int t = 0; t < kThreadsEach; ++t) {
                threads[t].join();
                total += failures[t];
            }
            ::_exit(total == 0 ? 0 : 1);
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
}

}  // namespace
