// Stand-in for the platform's persistent registry, kept in an SQLite file:
// QVX_SIM_REGISTRY names it (default run/registry.sqlite under the current
// directory). Result codes are those of result_codes.h.

#include "platform/SblimUtilities.h"

#include <pthread.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "simulator/result_codes.h"

namespace {

constexpr const char* kEnvVar = "QVX_SIM_REGISTRY";
constexpr const char* kDefaultPath = "run/registry.sqlite";
// Writers in other processes hold the lock for one short transaction; waiting
// this long only matters when something is badly stuck.
constexpr int kBusyTimeoutMs = 15000;

// `value` has no declared type on purpose: it then keeps what was stored, an
// INTEGER or a TEXT, where a typed column would turn the text "007" into 7.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS entries ("
    " section TEXT NOT NULL,"
    " provider TEXT NOT NULL,"
    " property TEXT NOT NULL,"
    " value NOT NULL,"
    " PRIMARY KEY (section, provider, property)"
    ") WITHOUT ROWID";
constexpr const char* kSelect =
    "SELECT value FROM entries WHERE section = ?1 AND provider = ?2 AND property = ?3";
constexpr const char* kUpsert =
    "INSERT OR REPLACE INTO entries (section, provider, property, value)"
    " VALUES (?1, ?2, ?3, ?4)";

// Resets a statement whatever way the caller leaves, so it holds no read
// snapshot or lock between calls and no binding points at the caller's texts.
class StatementUse {
public:
    explicit StatementUse(sqlite3_stmt* statement) : statement_(statement) {}
    ~StatementUse() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;

private:
    sqlite3_stmt* statement_;
};

// One connection per process, used under a mutex: SQLite serialises writers
// anyway, and one connection keeps the prepared statements warm.
class Registry {
public:
    int32_t read(const char* section, const char* provider, const char* property, char* buf,
                 int32_t size) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!connect()) return QVXSIM_BAD_BACKING_FILE;
        StatementUse use(select_);
        if (!bindNames(select_, section, provider, property)) return QVXSIM_STORAGE_ERROR;
        const int rc = sqlite3_step(select_);
        if (rc == SQLITE_DONE) return QVXSIM_NOT_FOUND;
        if (rc != SQLITE_ROW) return QVXSIM_STORAGE_ERROR;
        // An INTEGER value comes back as its decimal text.
        const auto* value = sqlite3_column_text(select_, 0);
        const int bytes = sqlite3_column_bytes(select_, 0);
        if (value == nullptr && bytes > 0) return QVXSIM_STORAGE_ERROR;
        const size_t length = std::min(static_cast<size_t>(bytes), static_cast<size_t>(size) - 1);
        if (length > 0) std::memcpy(buf, value, length);
        buf[length] = '\0';
        return 0;
    }

    template <typename Bind>
    int32_t write(const char* section, const char* provider, const char* property, Bind bindValue) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!connect()) return QVXSIM_BAD_BACKING_FILE;
        StatementUse use(upsert_);
        if (!bindNames(upsert_, section, provider, property) ||
            bindValue(upsert_, 4) != SQLITE_OK) {
            return QVXSIM_STORAGE_ERROR;
        }
        // One statement in autocommit mode is one transaction: when it reports
        // DONE the commit is in the WAL file (see open()).
        return sqlite3_step(upsert_) == SQLITE_DONE ? 0 : QVXSIM_STORAGE_ERROR;
    }

    // Around fork: no other thread may be inside SQLite, and the child must not
    // inherit an open connection (SQLite forbids using one across fork, and its
    // per-process lock bookkeeping would make a fresh one in the child believe
    // it holds the parent's locks). Both processes reconnect on their next call.
    void beforeFork() {
        mutex_.lock();
        disconnect();
    }
    void afterFork() { mutex_.unlock(); }

private:
    static std::string wantedPath() {
        const char* env = std::getenv(kEnvVar);
        return (env != nullptr && env[0] != '\0') ? env : kDefaultPath;
    }

    bool connect() {
        const std::string wanted = wantedPath();
        if (db_ != nullptr && owner_ != ::getpid()) {
            // Forked without our handlers having run: leave the inherited
            // connection alone (closing it could checkpoint or unlock on the
            // parent's behalf) and start afresh.
            db_ = nullptr;
            select_ = upsert_ = nullptr;
        }
        if (db_ != nullptr && wanted != path_) disconnect();
        if (db_ != nullptr) return true;
        if (!open(wanted)) {
            disconnect();
            return false;
        }
        path_ = wanted;
        owner_ = ::getpid();
        return true;
    }

    bool open(const std::string& path) {
        const auto slash = path.rfind('/');
        if (slash != std::string::npos && slash > 0) {
            // The default lives in run/; make the one missing directory level.
            ::mkdir(path.substr(0, slash).c_str(), 0777);
        }
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) return false;
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        // Durability: once a commit returns, its pages are in the WAL through
        // write(), so the kernel keeps them even if the process is killed the
        // next instant. synchronous=FULL adds an fsync of the WAL per commit so
        // a power cut keeps them too; registry writes are rare administrator
        // actions, so that cost does not matter. WAL also lets readers in
        // other processes go on while one writer commits.
        return exec("PRAGMA journal_mode=WAL") && exec("PRAGMA synchronous=FULL") &&
               exec(kSchema) &&
               sqlite3_prepare_v3(db_, kSelect, -1, SQLITE_PREPARE_PERSISTENT, &select_, nullptr) ==
                   SQLITE_OK &&
               sqlite3_prepare_v3(db_, kUpsert, -1, SQLITE_PREPARE_PERSISTENT, &upsert_, nullptr) ==
                   SQLITE_OK;
    }

    // Set-up statements can meet a lock that the busy handler does not wait
    // for (switching a brand-new file to WAL while another process does the
    // same), so they get their own bounded retry.
    bool exec(const char* sql) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
        for (;;) {
            const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK) return true;
            const int primary = rc & 0xff;
            if ((primary != SQLITE_BUSY && primary != SQLITE_LOCKED) ||
                std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            sqlite3_sleep(10);
        }
    }

    void disconnect() {
        sqlite3_finalize(select_);
        sqlite3_finalize(upsert_);
        sqlite3_close(db_);
        select_ = upsert_ = nullptr;
        db_ = nullptr;
        path_.clear();
    }

    static bool bindNames(sqlite3_stmt* statement, const char* section, const char* provider,
                          const char* property) {
        return sqlite3_bind_text(statement, 1, section, -1, SQLITE_STATIC) == SQLITE_OK &&
               sqlite3_bind_text(statement, 2, provider, -1, SQLITE_STATIC) == SQLITE_OK &&
               sqlite3_bind_text(statement, 3, property, -1, SQLITE_STATIC) == SQLITE_OK;
    }

    std::mutex mutex_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* select_ = nullptr;
    sqlite3_stmt* upsert_ = nullptr;
    std::string path_;
    pid_t owner_ = 0;
};

Registry& registry() {
    // Never destroyed: calls from other threads may still arrive during exit.
    static Registry* const instance = [] {
        auto* created = new Registry;
        ::pthread_atfork([] { registry().beforeFork(); }, [] { registry().afterFork(); },
                         [] { registry().afterFork(); });
        return created;
    }();
    return *instance;
}

bool validNames(const char* section, const char* provider, const char* property) {
    return section != nullptr && provider != nullptr && property != nullptr;
}

}  // namespace

extern "C" {

int32_t KduGetRegEntryString(const char* section, const char* provider, const char* property,
                             char* buf, int32_t size) {
    if (buf == nullptr || size <= 0) return QVXSIM_BAD_ARGUMENT;
    buf[0] = '\0';
    if (!validNames(section, provider, property)) return QVXSIM_BAD_ARGUMENT;
    try {
        const int32_t rc = registry().read(section, provider, property, buf, size);
        if (rc != 0) buf[0] = '\0';
        return rc;
    } catch (...) {
        buf[0] = '\0';
        return QVXSIM_STORAGE_ERROR;
    }
}

int32_t KduSetRegEntryString(const char* section, const char* provider, const char* property,
                             const char* value) {
    if (!validNames(section, provider, property) || value == nullptr) return QVXSIM_BAD_ARGUMENT;
    try {
        return registry().write(section, provider, property, [value](sqlite3_stmt* s, int i) {
            return sqlite3_bind_text64(s, i, value, std::strlen(value), SQLITE_STATIC, SQLITE_UTF8);
        });
    } catch (...) {
        return QVXSIM_STORAGE_ERROR;
    }
}

int32_t KduSetRegEntryInt(const char* section, const char* provider, const char* property,
                          int32_t value) {
    if (!validNames(section, provider, property)) return QVXSIM_BAD_ARGUMENT;
    try {
        return registry().write(section, provider, property, [value](sqlite3_stmt* s, int i) {
            return sqlite3_bind_int(s, i, value);
        });
    } catch (...) {
        return QVXSIM_STORAGE_ERROR;
    }
}

}  // extern "C"
