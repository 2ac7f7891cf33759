// CIMException (what a client sees as error code and description, and what
// a log line shows) and Logger (which calls reach the host's hook).

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "OW_CIMException.hpp"
#include "OW_Logger.hpp"

namespace {

using namespace OpenWBEM;

// The description, the message as given, the code and the type, as logged.
std::string logged(const CIMException& e) {
    std::ostringstream out;
    out << e << " | " << e.Exception::getMessage() << " | " << e.getErrNo() << " | " << e.type();
    return out.str();
}

TEST(OwCIMException, MessageIsTheStandardTextThenTheMessage) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {1, "boom", "general error (boom) | boom"},
        {6, nullptr, "requested object could not be found | "},
        {5, "", "class does not exist | "},
        {2, nullptr, "Access to CIM resource unavailable to client | "},
        {3, "root/x", "namespace does not exist (root/x) | root/x"},
        {17, "Reset", "extrinsic method does not exist (Reset) | Reset"},
        {18, "m", "unknown error (m) | m"},
        {1, "general error: disk", "general error: disk | general error: disk"},
    };
    for (const auto& [code, msg, want] : cases) {
        const CIMException e("x.cpp", 1, CIMException::ErrNoType(code), msg);
        EXPECT_EQ(logged(e), "x.cpp: 1 CIMException: " + std::string(want) + " | " +
                                 std::to_string(code) + " | CIMException");
        EXPECT_STREQ(e.what(), e.getMessage());
    }
    EXPECT_EQ(logged(CIMException(nullptr, 0, CIMException::NOT_FOUND)),
              "[no file]: [no line] CIMException: requested object could not be found |  | 6 | "
              "CIMException");
}

[[noreturn]] void throwFailed(int* line, const String& why) {
    *line = __LINE__ + 1;
    OW_THROWCIMMSG(CIMException::FAILED, why.c_str());
}

TEST(OwCIMException, MacroRecordsFileAndLineAndCopiesKeepEverything) {
    int line = 0;
    try {
        throwFailed(&line, String("slot ") + String(UInt32(3)));
        FAIL() << "nothing thrown";
    } catch (const std::exception& std) {  // caught as a standard exception too
        const CIMException* e = dynamic_cast<const CIMException*>(&std);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(logged(*e), std::string(__FILE__) + ": " + std::to_string(line) +
                                  " CIMException: general error (slot 3) | slot 3 | 1 | "
                                  "CIMException");
    }
    std::unique_ptr<CIMException> src(new CIMException("a.cpp", 7, CIMException::FAILED, "m"));
    CIMException copy(*src), assigned("other.cpp", 1, CIMException::ACCESS_DENIED);
    assigned = *src;
    std::unique_ptr<CIMException> cloned(src->clone());
    src.reset();  // the copies own their texts
    for (CIMException* e : {&copy, &assigned, cloned.get()}) {
        EXPECT_EQ(logged(*e), "a.cpp: 7 CIMException: general error (m) | m | 1 | CIMException");
    }
    copy.setErrNo(CIMException::NOT_FOUND);
    EXPECT_STREQ(copy.getMessage(), "requested object could not be found (m)");
}

using Lines = std::vector<std::string>;

// Records each message as "<level> <message>".
class RecordingLogger : public Logger {
public:
    explicit RecordingLogger(Lines* out) : m_out(out) {}
    RecordingLogger(Lines* out, ELogLevel level) : Logger(level), m_out(out) {}

protected:
    void doLogMessage(const String& message, const ELogLevel level) const override {
        m_out->push_back(std::to_string(level) + " " + message.c_str());
    }

private:
    Lines* m_out;
};

TEST(OwLogger, LevelDecidesWhatReachesTheHook) {
    Lines got;
    RecordingLogger log(&got);
    EXPECT_EQ(log.getLogLevel(), E_ERROR_LEVEL);
    EXPECT_EQ(RecordingLogger(&got, E_INFO_LEVEL).getLogLevel(), E_INFO_LEVEL);
    const std::pair<const char*, Lines> cases[] = {
        {"fatalerror", {"0 m"}},
        {"Error", {"0 m", "1 m"}},
        {"info", {"0 m", "1 m", "2 m"}},
        {"DEBUG", {"0 m", "1 m", "2 m", "3 m"}},
        {"verbose", {"0 m"}},  // an unknown name logs the least
        {"", {"0 m"}},
    };
    for (const auto& [level, want] : cases) {
        got.clear();
        log.setLogLevel(E_DEBUG_LEVEL);
        log.setLogLevel(String(level));
        log.logFatalError("m");
        log.logError("m");
        log.logInfo("m");
        log.logDebug("m");
        EXPECT_EQ(got, want) << "level " << level;
    }
}

}  // namespace
