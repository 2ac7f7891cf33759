// CIMException (what a client sees as error code and description, and what
// a log line shows), Logger (which calls reach the host's hook) and
// Reference (how the logger and environment are shared).

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "OW_CIMException.hpp"
#include "OW_Logger.hpp"
#include "OW_Reference.hpp"

namespace {

using namespace OpenWBEM;

TEST(OwCIMException, MessageIsTheStandardTextThenTheMessage) {
    const struct {
        int code;
        const char* msg;
        const char* message;  // getMessage() and what(): the CIM-XML DESCRIPTION
        const char* raw;      // Exception::getMessage()
    } cases[] = {
        {1, "boom", "general error (boom)", "boom"},
        {6, nullptr, "requested object could not be found", ""},
        {5, "", "class does not exist", ""},
        {0, nullptr, "no error", ""},
        {2, nullptr, "Access to CIM resource unavailable to client", ""},
        {3, "root/x", "namespace does not exist (root/x)", "root/x"},
        {4, nullptr, "invalid parameter passed to method", ""},
        {7, nullptr, "requested operation is not supported", ""},
        {12, "Owner", "specified property does not exist (Owner)", "Owner"},
        {17, "Reset", "extrinsic method does not exist (Reset)", "Reset"},
        {18, "m", "unknown error (m)", "m"},
        {1, "general error: disk", "general error: disk", "general error: disk"},
    };
    for (const auto& c : cases) {
        CIMException e("x.cpp", 1, CIMException::ErrNoType(c.code), c.msg);
        EXPECT_EQ(std::string(e.getMessage()) + "|" + e.what() + "|" + e.Exception::getMessage() +
                      "|" + std::to_string(e.getErrNo()) + "|" + e.type(),
                  std::string(c.message) + "|" + c.message + "|" + c.raw + "|" +
                      std::to_string(c.code) + "|CIMException");
    }
    EXPECT_EQ(CIMException("x.cpp", 1, CIMException::FAILED).getSubClassId(), 1);
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
        EXPECT_STREQ(std.what(), "general error (slot 3)");
        const CIMException* e = dynamic_cast<const CIMException*>(&std);
        ASSERT_NE(e, nullptr);
        EXPECT_STREQ(e->getFile(), __FILE__);
        EXPECT_EQ(e->getLine(), line);
    }
    std::unique_ptr<CIMException> src(new CIMException("a.cpp", 7, CIMException::FAILED, "m"));
    CIMException copy(*src), assigned("other.cpp", 1, CIMException::ACCESS_DENIED);
    assigned = *src;
    std::unique_ptr<CIMException> cloned(src->clone());
    src.reset();  // the copies own their texts
    for (CIMException* e : {&copy, &assigned, cloned.get()}) {
        std::ostringstream logged;
        logged << *e << " " << e->Exception::getMessage() << " " << e->getErrNo();
        EXPECT_EQ(logged.str(), "a.cpp: 7 CIMException: general error (m) m 1");
    }
    copy.setErrNo(CIMException::NOT_FOUND);
    EXPECT_STREQ(copy.getMessage(), "requested object could not be found (m)");
}

TEST(OwCIMException, StreamedForLogs) {
    std::ostringstream a, b;
    a << CIMException("file.cpp", 42, CIMException::FAILED, "boom");
    b << CIMException(nullptr, 0, CIMException::NOT_FOUND);
    EXPECT_EQ(a.str(), "file.cpp: 42 CIMException: general error (boom)");
    EXPECT_EQ(b.str(), "[no file]: [no line] CIMException: requested object could not be found");
}

using Lines = std::vector<std::string>;

// Records each message as "<level> <message>".
class RecordingLogger : public Logger {
public:
    RecordingLogger(Lines* out, ELogLevel level) : Logger(level), m_out(out) {}
    explicit RecordingLogger(Lines* out) : m_out(out) {}

protected:
    void doLogMessage(const String& message, const ELogLevel level) const override {
        m_out->push_back(std::to_string(level) + " " + message.c_str());
    }

private:
    Lines* m_out;
};

TEST(OwLogger, LevelDecidesWhatReachesTheHook) {
    const std::function<void(Logger&)> calls[] = {
        [](Logger& l) { l.logFatalError("m"); }, [](Logger& l) { l.logError("m"); },
        [](Logger& l) { l.logInfo("m"); }, [](Logger& l) { l.logDebug("m"); }};
    const std::pair<ELogLevel, Lines> cases[] = {
        {E_FATAL_ERROR_LEVEL, {"0 m"}},
        {E_ERROR_LEVEL, {"0 m", "1 m"}},
        {E_INFO_LEVEL, {"0 m", "1 m", "2 m"}},
        {E_DEBUG_LEVEL, {"0 m", "1 m", "2 m", "3 m"}},
    };
    for (const auto& [level, want] : cases) {
        Lines got;
        RecordingLogger log(&got, level);
        for (const auto& call : calls) call(log);
        EXPECT_EQ(got, want) << "level " << level;
    }
    Lines got;
    RecordingLogger byDefault(&got);
    EXPECT_EQ(byDefault.getLogLevel(), E_ERROR_LEVEL);
    const std::pair<const char*, ELogLevel> names[] = {
        {"info", E_INFO_LEVEL},           {"DEBUG", E_DEBUG_LEVEL},
        {"Error", E_ERROR_LEVEL},         {"fatalerror", E_FATAL_ERROR_LEVEL},
        {"verbose", E_FATAL_ERROR_LEVEL}, {"", E_FATAL_ERROR_LEVEL},
    };
    for (const auto& [name, level] : names) {
        byDefault.setLogLevel(E_DEBUG_LEVEL);
        byDefault.setLogLevel(String(name));
        EXPECT_EQ(byDefault.getLogLevel(), level) << name;
    }
}

// Counts its own destruction, so tests see when the last reference goes.
struct Counted {
    explicit Counted(int* gone) : gone(gone) {}
    virtual ~Counted() { ++*gone; }
    int* gone;
};
struct Derived : Counted {
    using Counted::Counted;
};

TEST(OwReference, SharedCountDeletesOnceWithTheLastReference) {
    int gone = 0;
    {
        Reference<Counted> a(new Derived(&gone));
        Reference<Counted> b = a;
        Reference<Derived> d = a.cast_to<Derived>();
        EXPECT_TRUE(d);
        EXPECT_EQ(d.getPtr(), a.getPtr());
        EXPECT_FALSE(Reference<Counted>(new Counted(&gone)).cast_to<Derived>());
        EXPECT_EQ(gone, 1) << "the temporary went at once";
        a = 0;
        b = Reference<Counted>();
        EXPECT_EQ(gone, 1) << "d still holds it";
        EXPECT_TRUE(!a);
    }
    EXPECT_EQ(gone, 2);
    Reference<Counted> null;
    EXPECT_TRUE(null.isNull());
    EXPECT_THROW((void)null->gone, Exception);
    EXPECT_THROW((void)*null, Exception);
}

}  // namespace
