// CIMException (what a client sees as error code and description, and what
// a log line shows) and Logger (which calls reach the host's hook, and with
// which fields).

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "OW_CIMException.hpp"
#include "OW_Logger.hpp"

namespace {

using namespace OpenWBEM;

TEST(OwCIMException, Fields) {
    const CIMException e("f.cpp", 42, CIMException::FAILED, "boom");
    EXPECT_EQ(e.getErrNo(), CIMException::FAILED);
    EXPECT_EQ(e.getErrorCode(), 1);
    EXPECT_STREQ(e.getDescription(), "boom");
    EXPECT_STREQ(e.getMessage(), "general error (boom)");
    EXPECT_STREQ(e.what(), "general error (boom)");
    EXPECT_STREQ(e.type(), "CIMException");
    EXPECT_STREQ(e.getFile(), "f.cpp");
    EXPECT_EQ(e.getLine(), 42);
    EXPECT_EQ(e.getSubClassId(), 1);
    EXPECT_EQ(e.getSubException(), nullptr);
}

TEST(OwCIMException, MessageComposition) {
    struct Case {
        CIMException::ErrNoType code;
        const char* msg;
        const char* message;
        const char* why;
    };
    const Case cases[] = {
        {CIMException::FAILED, "boom", "general error (boom)", "code text, then the message"},
        {CIMException::NOT_FOUND, nullptr, "requested object could not be found", "no message"},
        {CIMException::INVALID_CLASS, "", "class does not exist", "empty message"},
        {CIMException::NOT_SUPPORTED, nullptr, "requested operation is not supported", "code 7"},
        {CIMException::SUCCESS, nullptr, "no error", "code 0"},
        {CIMException::ErrNoType(20), "m", "unknown error (m)", "code past the table"},
        {CIMException::ErrNoType(31), nullptr, "unknown error", "largest code the enum holds"},
        {CIMException::FAILED, "general error: disk", "general error: disk",
         "message already starting with the code text is used alone"},
    };
    for (const Case& c : cases) {
        CIMException e("x.cpp", 1, c.code, c.msg);
        EXPECT_STREQ(e.getMessage(), c.message) << c.why;
        EXPECT_STREQ(e.what(), c.message) << c.why;
        EXPECT_EQ(static_cast<int>(e.getErrNo()), static_cast<int>(c.code)) << c.why;
        if (c.msg) {
            ASSERT_NE(e.getDescription(), nullptr) << c.why;
            EXPECT_STREQ(e.getDescription(), c.msg) << c.why;
            EXPECT_NE(e.getDescription(), c.msg) << "the message is copied";
        } else {
            EXPECT_EQ(e.getDescription(), nullptr) << c.why;
        }
    }
    struct CodeText {
        int code;
        const char* text;
    };
    const CodeText texts[] = {{1, "general error"},
                              {5, "class does not exist"},
                              {6, "requested object could not be found"},
                              {7, "requested operation is not supported"},
                              {17, "extrinsic method does not exist"},
                              {18, "unknown error"}};
    for (const CodeText& t : texts) {
        EXPECT_STREQ(CIMException::getCodeDescription(CIMException::ErrNoType(t.code)), t.text)
            << t.code;
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
    } catch (const CIMException& e) {
        EXPECT_STREQ(e.getFile(), __FILE__);
        EXPECT_EQ(e.getLine(), line);
        EXPECT_STREQ(e.getDescription(), "slot 3");
        EXPECT_STREQ(e.getMessage(), "general error (slot 3)");
    }
    EXPECT_NE(line, 0);
}

TEST(OwCIMException, CopiesKeepEverything) {
    std::unique_ptr<CIMException> withMsg(new CIMException("a.cpp", 7, CIMException::FAILED, "m"));
    std::unique_ptr<CIMException> noMsg(new CIMException("b.cpp", 8, CIMException::NOT_FOUND));
    for (const CIMException* src : {withMsg.get(), noMsg.get()}) {
        CIMException copy(*src);
        CIMException assigned("other.cpp", 1, CIMException::ACCESS_DENIED, "other");
        assigned = *src;
        std::unique_ptr<CIMException> cloned(src->clone());
        ASSERT_NE(cloned, nullptr);
        const CIMException* results[] = {&copy, &assigned, cloned.get()};
        for (const CIMException* e : results) {
            SCOPED_TRACE(src->getFile());
            EXPECT_EQ(e->getErrNo(), src->getErrNo());
            EXPECT_STREQ(e->getMessage(), src->getMessage());
            EXPECT_STREQ(e->getFile(), src->getFile());
            EXPECT_EQ(e->getLine(), src->getLine());
            if (src->getDescription()) {
                EXPECT_STREQ(e->getDescription(), src->getDescription());
            } else {
                EXPECT_EQ(e->getDescription(), nullptr);
            }
        }
    }
    // The copy owns its texts.
    CIMException copy(*withMsg);
    withMsg.reset();
    EXPECT_STREQ(copy.getDescription(), "m");
    EXPECT_STREQ(copy.getFile(), "a.cpp");
}

TEST(OwCIMException, CaughtAsStdException) {
    try {
        OW_THROWCIMMSG(CIMException::FAILED, "boom");
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "general error (boom)");
        const CIMException* cim = dynamic_cast<const CIMException*>(&e);
        ASSERT_NE(cim, nullptr);
        EXPECT_STREQ(e.what(), cim->getMessage());
    }
}

TEST(OwCIMException, StreamedForLogs) {
    struct Case {
        CIMException e;
        const char* want;
    };
    const Case cases[] = {
        {CIMException("file.cpp", 42, CIMException::FAILED, "boom"),
         "file.cpp: 42 CIMException: general error (boom)"},
        {CIMException(nullptr, 0, CIMException::NOT_FOUND),
         "[no file]: [no line] CIMException: requested object could not be found"},
    };
    for (const Case& c : cases) {
        std::ostringstream os;
        os << c.e;
        EXPECT_EQ(os.str(), c.want);
    }
}

struct Record {
    std::string component, category, message;
    const char* file;
    int line;
    const char* method;
};

class RecordingLogger : public Logger {
public:
    RecordingLogger(std::vector<Record>* out, ELogLevel level) : Logger("qvx", level), m_out(out) {}

protected:
    void doProcessLogMessage(const LogMessage& m) const override {
        m_out->push_back({m.component.c_str(), m.category.c_str(), m.message.c_str(), m.filename,
                          m.fileline, m.methodname});
    }
    LoggerRef doClone() const override { return LoggerRef(new RecordingLogger(*this)); }

private:
    std::vector<Record>* m_out;
};

TEST(OwLogger, LevelDecidesWhatReachesTheHook) {
    enum Call { kFatal, kError, kInfo, kDebug };
    struct Case {
        ELogLevel level;
        Call call;
        const char* category;  // null: nothing may reach the hook
    };
    const Case cases[] = {
        {E_ERROR_LEVEL, kFatal, "FATAL"},       {E_ERROR_LEVEL, kError, "ERROR"},
        {E_ERROR_LEVEL, kInfo, nullptr},        {E_ERROR_LEVEL, kDebug, nullptr},
        {E_NONE_LEVEL, kFatal, nullptr},        {E_NONE_LEVEL, kError, nullptr},
        {E_FATAL_ERROR_LEVEL, kFatal, "FATAL"}, {E_FATAL_ERROR_LEVEL, kError, nullptr},
        {E_INFO_LEVEL, kInfo, "INFO"},          {E_INFO_LEVEL, kDebug, nullptr},
        {E_DEBUG_LEVEL, kDebug, "DEBUG"},       {E_ALL_LEVEL, kDebug, "DEBUG"},
    };
    for (const Case& c : cases) {
        std::vector<Record> got;
        LoggerRef log(new RecordingLogger(&got, c.level));
        switch (c.call) {
            case kFatal:
                log->logFatalError("m");
                break;
            case kError:
                log->logError("m");
                break;
            case kInfo:
                log->logInfo("m");
                break;
            case kDebug:
                log->logDebug("m");
                break;
        }
        SCOPED_TRACE(testing::Message() << "level " << c.level << " call " << c.call);
        if (!c.category) {
            EXPECT_TRUE(got.empty());
            continue;
        }
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].category, c.category);
        EXPECT_EQ(got[0].component, "qvx");
        EXPECT_EQ(got[0].message, "m");
        EXPECT_EQ(got[0].file, nullptr);
        EXPECT_EQ(got[0].line, -1);
        EXPECT_EQ(got[0].method, nullptr);
    }
}

TEST(OwLogger, LevelsMessagesAndClones) {
    std::vector<Record> got;
    LoggerRef log(new RecordingLogger(&got, E_ERROR_LEVEL));
    EXPECT_EQ(log->getLogLevel(), E_ERROR_LEVEL);

    log->logInfo("dropped");
    log->setLogLevel(E_INFO_LEVEL);
    log->logInfo("kept", "p.cpp", 12, "enumInstances");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, "kept");
    EXPECT_STREQ(got[0].file, "p.cpp");
    EXPECT_EQ(got[0].line, 12);
    EXPECT_STREQ(got[0].method, "enumInstances");

    log->setLogLevel(String("DEBUG"));
    EXPECT_EQ(log->getLogLevel(), E_DEBUG_LEVEL);
    log->setLogLevel(E_NONE_LEVEL);
    log->logMessage("CUSTOM", "ignores the level");
    log->logMessage("comp", "ERROR", "own component");
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1].category, "CUSTOM");
    EXPECT_EQ(got[1].component, "qvx");
    EXPECT_EQ(got[2].component, "comp");

    got.clear();
    log->setLogLevel(E_ERROR_LEVEL);
    int line = __LINE__ + 1;
    OW_LOG_ERROR(log, "via macro");
    OW_LOG_INFO(log, "filtered by the macro");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].category, "ERROR");
    EXPECT_STREQ(got[0].file, __FILE__);
    EXPECT_EQ(got[0].line, line);
    ASSERT_NE(got[0].method, nullptr);

    log->setDefaultComponent("other");
    LoggerRef copy = log->clone();
    ASSERT_TRUE(static_cast<bool>(copy));
    EXPECT_NE(copy.getPtr(), log.getPtr());
    EXPECT_EQ(copy->getLogLevel(), E_ERROR_LEVEL);
    EXPECT_EQ(copy->getDefaultComponent(), "other");
    got.clear();
    copy->logError("from the clone");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].component, "other");
}

}  // namespace
