// CIMException (what a client sees as error code and description, and what
// a log line shows) and Logger (which calls reach the host's hook, and with
// which fields).

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "OW_CIMException.hpp"
#include "OW_Logger.hpp"

namespace {

using namespace OpenWBEM;

TEST(OwCIMException, MessageComposition) {
    struct Case { int code; const char* msg; const char* message; };
    const Case cases[] = {
        {1, "boom", "general error (boom)"},
        {6, nullptr, "requested object could not be found"},
        {5, "", "class does not exist"},
        {0, nullptr, "no error"},
        {20, "m", "unknown error (m)"},
        {1, "general error: disk", "general error: disk"},  // starts with the code text: alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        CIMException e("x.cpp", 1, CIMException::ErrNoType(c.code), c.msg);
        EXPECT_STREQ(e.getMessage(), c.message);
        EXPECT_STREQ(e.what(), c.message);
        EXPECT_EQ(static_cast<int>(e.getErrNo()), c.code);
        EXPECT_EQ(e.getErrorCode(), c.code);
        EXPECT_STREQ(e.type(), "CIMException");
        EXPECT_EQ(e.getSubClassId(), 1);
        EXPECT_EQ(e.getSubException(), nullptr);
        if (c.msg) {
            ASSERT_NE(e.getDescription(), nullptr);
            EXPECT_STREQ(e.getDescription(), c.msg);
            EXPECT_NE(e.getDescription(), c.msg) << "the message is copied";
        } else {
            EXPECT_EQ(e.getDescription(), nullptr);
        }
    }
    const std::pair<int, const char*> texts[] = {
        {7, "requested operation is not supported"}, {17, "extrinsic method does not exist"},
        {18, "unknown error"}, {31, "unknown error"}};
    for (const auto& [code, text] : texts) {
        EXPECT_STREQ(CIMException::getCodeDescription(CIMException::ErrNoType(code)), text);
    }
}

[[noreturn]] void throwNotFound(int* line) {
    *line = __LINE__ + 1;
    OW_THROWCIM(CIMException::NOT_FOUND);
}

[[noreturn]] void throwFailed(int* line, const String& why) {
    *line = __LINE__ + 1;
    OW_THROWCIMMSG(CIMException::FAILED, why.c_str());
}

TEST(OwCIMException, MacrosRecordFileAndLine) {
    int line = 0;
    try {
        throwNotFound(&line);
    } catch (const CIMException& e) {
        EXPECT_STREQ(e.getFile(), __FILE__);
        EXPECT_EQ(e.getLine(), line);
        EXPECT_EQ(e.getErrNo(), CIMException::NOT_FOUND);
        EXPECT_EQ(e.getDescription(), nullptr);
    }
    EXPECT_NE(line, 0);
    line = 0;
    try {
        throwFailed(&line, String("slot ") + String(UInt32(3)));
    } catch (const std::exception& std) {  // caught as a standard exception too
        EXPECT_STREQ(std.what(), "general error (slot 3)");
        const CIMException* e = dynamic_cast<const CIMException*>(&std);
        ASSERT_NE(e, nullptr);
        EXPECT_STREQ(e->getFile(), __FILE__);
        EXPECT_EQ(e->getLine(), line);
        EXPECT_STREQ(e->getDescription(), "slot 3");
    }
    EXPECT_NE(line, 0);
}

TEST(OwCIMException, CopiesKeepEverything) {
    std::unique_ptr<CIMException> withMsg(new CIMException("a.cpp", 7, CIMException::FAILED, "m"));
    CIMException noMsg("b.cpp", 8, CIMException::NOT_FOUND);
    for (CIMException* src : {withMsg.get(), &noMsg}) {
        SCOPED_TRACE(src->getFile());
        CIMException copy(*src);
        CIMException assigned("other.cpp", 1, CIMException::ACCESS_DENIED, "other");
        assigned = *src;
        std::unique_ptr<CIMException> cloned(src->clone());
        ASSERT_NE(cloned, nullptr);
        for (CIMException* e : {&copy, &assigned, cloned.get()}) {
            EXPECT_EQ(e->getErrNo(), src->getErrNo());
            EXPECT_STREQ(e->getMessage(), src->getMessage());
            EXPECT_STREQ(e->getFile(), src->getFile());
            EXPECT_EQ(e->getLine(), src->getLine());
            EXPECT_STREQ(e->getDescription() ? e->getDescription() : "(none)",
                         src->getDescription() ? src->getDescription() : "(none)");
        }
    }
    CIMException copy(*withMsg);  // owns its texts
    withMsg.reset();
    EXPECT_STREQ(copy.getDescription(), "m");
    EXPECT_STREQ(copy.getFile(), "a.cpp");
}

TEST(OwCIMException, StreamedForLogs) {
    std::ostringstream a, b;
    a << CIMException("file.cpp", 42, CIMException::FAILED, "boom");
    b << CIMException(nullptr, 0, CIMException::NOT_FOUND);
    EXPECT_EQ(a.str(), "file.cpp: 42 CIMException: general error (boom)");
    EXPECT_EQ(b.str(), "[no file]: [no line] CIMException: requested object could not be found");
}

// Records each message as "CATEGORY component message file:line method",
// with "-" for a missing file or method.
class RecordingLogger : public Logger {
public:
    RecordingLogger(std::vector<std::string>* out, ELogLevel level)
        : Logger("qvx", level), m_out(out) {}

protected:
    void doProcessLogMessage(const LogMessage& m) const override {
        m_out->push_back(std::string(m.category.c_str()) + " " + m.component.c_str() + " " +
                         m.message.c_str() + " " + (m.filename ? m.filename : "-") + ":" +
                         std::to_string(m.fileline) + " " + (m.methodname ? m.methodname : "-"));
    }
    LoggerRef doClone() const override { return LoggerRef(new RecordingLogger(*this)); }

private:
    std::vector<std::string>* m_out;
};

using Lines = std::vector<std::string>;

TEST(OwLogger, LevelDecidesWhatReachesTheHook) {
    const std::function<void(Logger&)> calls[] = {[](Logger& l) { l.logFatalError("m"); },
                                                  [](Logger& l) { l.logError("m"); },
                                                  [](Logger& l) { l.logInfo("m"); },
                                                  [](Logger& l) { l.logDebug("m"); }};
    enum { kFatal, kError, kInfo, kDebug };
    struct Case { ELogLevel level; int call; const char* category; };  // null: nothing logged
    const Case cases[] = {
        {E_ERROR_LEVEL, kFatal, "FATAL"},       {E_ERROR_LEVEL, kError, "ERROR"},
        {E_ERROR_LEVEL, kInfo, nullptr},        {E_ERROR_LEVEL, kDebug, nullptr},
        {E_NONE_LEVEL, kFatal, nullptr},        {E_FATAL_ERROR_LEVEL, kFatal, "FATAL"},
        {E_FATAL_ERROR_LEVEL, kError, nullptr}, {E_INFO_LEVEL, kInfo, "INFO"},
        {E_INFO_LEVEL, kDebug, nullptr},        {E_DEBUG_LEVEL, kDebug, "DEBUG"},
    };
    for (const Case& c : cases) {
        Lines got;
        LoggerRef log(new RecordingLogger(&got, c.level));
        calls[c.call](*log);
        EXPECT_EQ(got, c.category ? Lines{std::string(c.category) + " qvx m -:-1 -"} : Lines{})
            << "level " << c.level << " call " << c.call;
    }
}

TEST(OwLogger, LevelsMessagesAndClones) {
    Lines got;
    LoggerRef log(new RecordingLogger(&got, E_ERROR_LEVEL));
    log->logInfo("dropped");
    log->setLogLevel(E_INFO_LEVEL);
    log->logInfo("kept", "p.cpp", 12, "enumInstances");
    log->setLogLevel(String("DEBUG"));
    EXPECT_EQ(log->getLogLevel(), E_DEBUG_LEVEL);
    log->setLogLevel(E_NONE_LEVEL);
    log->logMessage("CUSTOM", "ignores the level");
    log->logMessage("comp", "ERROR", "own component");
    EXPECT_EQ(got, (Lines{"INFO qvx kept p.cpp:12 enumInstances",
                          "CUSTOM qvx ignores the level -:-1 -",
                          "ERROR comp own component -:-1 -"}));

    got.clear();
    log->setLogLevel(E_ERROR_LEVEL);
    const int line = __LINE__ + 1;
    OW_LOG_ERROR(log, "via macro");
    OW_LOG_INFO(log, "filtered by the macro");
    ASSERT_EQ(got.size(), 1u);
    const std::string where = "ERROR qvx via macro " + std::string(__FILE__) + ":" +
                              std::to_string(line) + " ";
    EXPECT_EQ(got[0].substr(0, where.size()), where);
    EXPECT_GT(got[0].size(), where.size() + 1) << "a method name follows";

    log->setDefaultComponent("other");
    LoggerRef copy = log->clone();
    ASSERT_TRUE(static_cast<bool>(copy));
    EXPECT_NE(copy.getPtr(), log.getPtr());
    EXPECT_EQ(copy->getLogLevel(), E_ERROR_LEVEL);
    got.clear();
    copy->logError("from the clone");
    EXPECT_EQ(got, Lines{"ERROR other from the clone -:-1 -"});
}

}  // namespace
