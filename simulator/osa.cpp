// Stand-in for the appliance's hardware-information library. Answers from the
// appliance file named by QVX_SIM_APPLIANCE (layout and failure behaviour in
// appliance.yaml), or from the built-in default appliance when it is unset.

#include "platform/osa.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

#include "simulator/appliance.h"
#include "simulator/result_codes.h"

namespace {

using qvxsim::Appliance;

constexpr const char* kEnvVar = "QVX_SIM_APPLIANCE";
// Appliance files are a few hundred bytes; anything this big is a mistake.
constexpr off_t kMaxFileBytes = 1 << 20;
// Timestamps of some filesystems are this coarse (FAT: 2 s).
constexpr time_t kStampGranularitySeconds = 2;

struct Snapshot {
    int32_t status = 0;  // 0, or the code every call returns
    Appliance appliance;
};

struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    struct timespec mtime {};
    struct timespec ctime {};

    static FileStamp of(const struct stat& st) {
        return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    }
    bool operator==(const FileStamp& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
               ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

// Holds the current description and swaps in a new immutable snapshot when
// the file changes; callers keep their snapshot alive through shared_ptr, so a
// reload never pulls data from under a thread that is still copying it.
class ApplianceSource {
public:
    std::shared_ptr<const Snapshot> current() {
        const char* env = std::getenv(kEnvVar);
        const std::string wanted = (env != nullptr) ? env : "";
        std::lock_guard<std::mutex> lock(mutex_);
        if (!snapshot_ || wanted != path_) {
            path_ = wanted;
            haveStamp_ = false;
            content_.clear();
            if (path_.empty()) snapshot_ = defaultSnapshot();
        }
        if (!path_.empty()) refresh();
        return snapshot_;
    }

    // The mutex must not be held by another thread at fork, or the child's
    // first call would wait forever.
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }

private:
    static std::shared_ptr<const Snapshot> defaultSnapshot() {
        static const auto instance =
            std::make_shared<const Snapshot>(Snapshot{0, qvxsim::defaultAppliance()});
        return instance;
    }

    // Called with the mutex held. stat() on every call is the cheap check; the
    // contents are read again only when the stamp moved, or while the stamp is
    // too recent to tell two quick same-size writes apart.
    void refresh() {
        struct stat st {};
        if (::stat(path_.c_str(), &st) != 0) {
            failWith(std::string("cannot read it: ") + std::strerror(errno));
            return;
        }
        if (haveStamp_ && !racy_ && FileStamp::of(st) == stamp_) return;

        std::string text;
        std::string error;
        if (!readFile(text, error)) {
            failWith(error);
            return;
        }
        struct timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        racy_ = now.tv_sec - stamp_.mtime.tv_sec <= kStampGranularitySeconds;
        if (haveStamp_ && text == content_) return;
        haveStamp_ = true;
        content_ = std::move(text);
        try {
            snapshot_ =
                std::make_shared<const Snapshot>(Snapshot{0, qvxsim::parseAppliance(content_)});
            reported_.clear();
        } catch (const qvxsim::ApplianceError& e) {
            failWith(e.what());
        }
    }

    // Reads the whole file through one descriptor and takes the stamp from
    // that same descriptor, so stamp and contents belong together.
    bool readFile(std::string& text, std::string& error) {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            error = std::string("cannot read it: ") + std::strerror(errno);
            return false;
        }
        struct stat st {};
        bool ok = ::fstat(fd, &st) == 0;
        if (!ok) {
            error = std::string("cannot read it: ") + std::strerror(errno);
        } else if (!S_ISREG(st.st_mode)) {
            error = "not a regular file";
            ok = false;
        } else if (st.st_size > kMaxFileBytes) {
            error = "larger than " + std::to_string(kMaxFileBytes) + " bytes";
            ok = false;
        }
        char chunk[4096];
        while (ok) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                error = std::string("cannot read it: ") + std::strerror(errno);
                ok = false;
            } else if (got == 0) {
                break;
            } else if (text.size() + static_cast<size_t>(got) >
                       static_cast<size_t>(kMaxFileBytes)) {
                error = "larger than " + std::to_string(kMaxFileBytes) + " bytes";
                ok = false;
            } else {
                text.append(chunk, static_cast<size_t>(got));
            }
        }
        ::close(fd);
        if (ok) stamp_ = FileStamp::of(st);
        return ok;
    }

    // Every call fails until the file is fixed: answering from an older
    // description would hide the mistake behind plausible values.
    void failWith(const std::string& reason) {
        auto failed = std::make_shared<Snapshot>();
        failed->status = QVXSIM_BAD_BACKING_FILE;
        snapshot_ = std::move(failed);
        haveStamp_ = false;
        content_.clear();
        if (reason != reported_) {
            std::fprintf(stderr, "libosa: appliance file %s: %s; every call returns %d\n",
                         path_.c_str(), reason.c_str(), QVXSIM_BAD_BACKING_FILE);
            reported_ = reason;
        }
    }

    std::mutex mutex_;
    std::string path_;
    std::shared_ptr<const Snapshot> snapshot_;
    bool haveStamp_ = false;
    bool racy_ = false;
    FileStamp stamp_;
    std::string content_;
    std::string reported_;
};

ApplianceSource& source() {
    // Never destroyed: calls from other threads may still arrive during exit.
    static ApplianceSource* const instance = [] {
        auto* created = new ApplianceSource;
        ::pthread_atfork([] { source().lock(); }, [] { source().unlock(); },
                         [] { source().unlock(); });
        return created;
    }();
    return *instance;
}

// Returns the snapshot to answer from, or sets code to the result to return.
std::shared_ptr<const Snapshot> answer(const char* function, int32_t& code) {
    auto snapshot = source().current();
    code = snapshot->status != 0 ? snapshot->status : snapshot->appliance.faultFor(function);
    return snapshot;
}

template <typename Field>
int32_t number(const char* function, uint16_t* out, Field field) {
    if (out == nullptr) return QVXSIM_BAD_ARGUMENT;
    try {
        int32_t code = 0;
        auto snapshot = answer(function, code);
        if (code == 0) *out = field(snapshot->appliance);
        return code;
    } catch (...) {
        return QVXSIM_BAD_BACKING_FILE;
    }
}

using TextField = const std::string& (*)(const Appliance&);

// The text is cut to size - 1 bytes; it always ends with a NUL inside buf,
// and on failure buf holds the empty text.
int32_t text(const char* function, char* buf, int32_t size, TextField field) {
    if (buf == nullptr || size <= 0) return QVXSIM_BAD_ARGUMENT;
    buf[0] = '\0';
    try {
        int32_t code = 0;
        auto snapshot = answer(function, code);
        if (code != 0) return code;
        const std::string& value = field(snapshot->appliance);
        const size_t length = std::min(value.size(), static_cast<size_t>(size) - 1);
        std::memcpy(buf, value.data(), length);
        buf[length] = '\0';
        return 0;
    } catch (...) {
        return QVXSIM_BAD_BACKING_FILE;
    }
}

}  // namespace

extern "C" {

int32_t osGetSystemSubType(uint16_t* subType) {
    return number(__func__, subType, [](const Appliance& a) { return a.subType; });
}

int32_t osGetHardwareType(uint16_t* type) {
    return number(__func__, type, [](const Appliance& a) { return a.hardwareType; });
}

int32_t osGetHardwareRevision(uint16_t* revision) {
    return number(__func__, revision, [](const Appliance& a) { return a.hardwareRevision; });
}

int32_t osGetSecsiRegion(uint16_t* region) {
    return number(__func__, region, [](const Appliance& a) { return a.region; });
}

int32_t osGetManfId(uint16_t* manfId) {
    return number(__func__, manfId, [](const Appliance& a) { return a.manufacturerId; });
}

#define QVXSIM_TEXT_FUNCTION(name, member)                                              \
    int32_t name(char* buf, int32_t size) {                                             \
        return text(__func__, buf, size,                                                \
                    [](const Appliance& a) -> const std::string& { return a.member; }); \
    }

QVXSIM_TEXT_FUNCTION(osGetSerialNumber, serialNumber)
QVXSIM_TEXT_FUNCTION(osGetSystemId, systemId)
QVXSIM_TEXT_FUNCTION(osGetPartNumber, partNumber)
QVXSIM_TEXT_FUNCTION(osGetPCBASerialNumber, pcbaSerialNumber)
QVXSIM_TEXT_FUNCTION(osGetHDSerialNumber, hdSerialNumber)
QVXSIM_TEXT_FUNCTION(osGetCNICOneSerialNumber, cnicOneSerialNumber)
QVXSIM_TEXT_FUNCTION(osGetCSCSerialNumber, cscSerialNumber)
QVXSIM_TEXT_FUNCTION(osGetManfInfo, manufacturerInfo)
QVXSIM_TEXT_FUNCTION(osGetEth1Addr, ethernet[0])
QVXSIM_TEXT_FUNCTION(osGetEth2Addr, ethernet[1])
QVXSIM_TEXT_FUNCTION(osGetEth3Addr, ethernet[2])
QVXSIM_TEXT_FUNCTION(osGetManfDate, manufactureDate)

#undef QVXSIM_TEXT_FUNCTION

int32_t osIsChasisPresent(int32_t index, uint8_t* present) {
    if (present == nullptr || index < 0 || index > 1) return QVXSIM_BAD_ARGUMENT;
    try {
        int32_t code = 0;
        auto snapshot = answer(__func__, code);
        if (code == 0) *present = snapshot->appliance.chassisPresent[static_cast<size_t>(index)];
        return code;
    } catch (...) {
        return QVXSIM_BAD_BACKING_FILE;
    }
}

}  // extern "C"
