// The shared frame: error guard, key lookup, record conversions and the
// property modify loop, on a small record of the test's own.
#include "frame/QVX_Globals.hpp"
#include "frame/QVX_ProviderFrame.hpp"
#include "ProviderHarness.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace OpenWBEM;
using qvx_test::Harness;

namespace {

struct FakeRecord {
    bool valid = true;
    std::vector<std::string> writes;
    std::string refuse;  // property whose write fails

    bool getName(String& out) const {
        out = "n1";
        return valid;
    }
    bool getKind(String& out) const {
        out = "k1";
        return true;
    }
    bool write(const char* name, const String& value) {
        if (refuse == name) return false;
        writes.push_back(std::string(name) + "=" + value.c_str());
        return true;
    }
};

const QVX_Writable<FakeRecord> kWritable[] = {
    {"Alpha", [](FakeRecord& r, const String& v) { return r.write("Alpha", v); }},
    {"Beta", [](FakeRecord& r, const String& v) { return r.write("Beta", v); }},
};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override { gLogger = harness.logger; }
    void TearDown() override { gLogger = 0; }
    Harness harness;
};

CIMException catchCIM(const std::function<void()>& f) {
    try {
        f();
    } catch (const CIMException& e) {
        return e;
    }
    ADD_FAILURE() << "no CIMException";
    return CIMException("none", 0, CIMException::SUCCESS);
}

TEST_F(FrameTest, GuardTurnsOtherExceptionsIntoFailedWithLoggedMessage) {
    struct Case {
        QVX_Operation operation;
        bool standard;
        const char* expected;
    } cases[] = {
        {QVX_ENUM_INSTANCE_NAMES, true,
         "Unknown Error:  while performing enumInstanceNames operation on S\nboom\n"},
        {QVX_ENUM_INSTANCES, true,
         "Unknown Error:  while performing enumInstances operation on S\nboom\n"},
        {QVX_GET_INSTANCE, true,
         "Unknown Error:  while performing getInstance operation on S\nboom\n"},
        {QVX_MODIFY_INSTANCE, true,
         "Unknown Error:  while performing modifyInstance operation on S\nboom\n"},
        // No what() text, and no line break for it, for a non-standard exception.
        {QVX_ENUM_INSTANCES, false,
         "Unknown Error:  while performing enumInstances operation on S\n"},
    };
    for (const Case& c : cases) {
        Harness request;  // the guard logs through the request's environment ...
        CIMException e = catchCIM([&] {
            QVX_guard(
                request.env, QVX_Source{"Unit.cpp", 7}, c.operation, [] { return String("S"); },
                [&] {
                    if (c.standard) throw std::runtime_error("boom");
                    throw 42;
                });
        });
        EXPECT_EQ(CIMException::FAILED, e.getErrNo());
        EXPECT_STREQ(c.expected, e.getDescription());
        EXPECT_STREQ("Unit.cpp", e.getFile());
        EXPECT_EQ(7, e.getLine());
        EXPECT_EQ(std::vector<std::string>{std::string("ERROR: ") + c.expected},
                  request.logger->lines());
    }
    // ... never through gLogger.
    EXPECT_TRUE(harness.logger->lines().empty());
}

TEST_F(FrameTest, GuardPassesCIMExceptionUnchangedAndUnlogged) {
    bool askedSubject = false;
    CIMException e = catchCIM([&] {
        QVX_guard(
            harness.env, QVX_Source{"Guard.cpp", 1}, QVX_GET_INSTANCE,
            [&] {
                askedSubject = true;
                return String("S");
            },
            [] { throw CIMException("Thrower.cpp", 99, CIMException::NOT_FOUND); });
    });
    EXPECT_EQ(CIMException::NOT_FOUND, e.getErrNo());
    EXPECT_EQ(nullptr, e.getDescription());
    EXPECT_STREQ("Thrower.cpp", e.getFile());
    EXPECT_EQ(99, e.getLine());
    EXPECT_FALSE(askedSubject);
    EXPECT_TRUE(harness.logger->lines().empty());
}

TEST_F(FrameTest, GuardReturnsTheWorksResult) {
    int r = QVX_guard(
        harness.env, QVX_HERE, QVX_GET_INSTANCE, [] { return String(); }, [] { return 5; });
    EXPECT_EQ(5, r);
}

TEST_F(FrameTest, KeyLookupFailsWithNotFoundForMissingOrNullKeys) {
    const char* const names[] = {"Tag", "CreationClassName"};
    CIMObjectPath good("C", "root/cimv2");
    good.setKeyValue("Tag", CIMValue("t")).setKeyValue("CreationClassName", CIMValue("c"));
    QVX_KeyTexts<2> keys = QVX_readKeys(good, names, QVX_HERE);
    EXPECT_EQ(String("t"), keys.text[0]);
    EXPECT_EQ(String("c"), keys.text[1]);

    CIMObjectPath missing("C", "root/cimv2");
    missing.setKeyValue("CreationClassName", CIMValue("c"));
    CIMInstance nullValue("C");
    nullValue.setProperty("Tag", CIMValue("t")).setProperty("CreationClassName", CIMValue(CIMNULL));
    for (auto lookup : std::vector<std::function<void()>>{
             [&] {
                 QVX_readKeys(missing, names, QVX_Source{"Mine.cpp", 3});
             },
             [&] {
                 QVX_readKeys(nullValue, names, QVX_Source{"Mine.cpp", 3});
             }}) {
        CIMException e = catchCIM(lookup);
        EXPECT_EQ(CIMException::NOT_FOUND, e.getErrNo());
        EXPECT_EQ(nullptr, e.getDescription());
        EXPECT_STREQ("Mine.cpp", e.getFile());
    }
    EXPECT_TRUE(harness.logger->lines().empty());
}

TEST_F(FrameTest, RecordToPathSetsKeysInOrderOrFailsWithNotFound) {
    const QVX_KeyGetter<FakeRecord> keys[] = {{"Name", &FakeRecord::getName},
                                              {"Kind", &FakeRecord::getKind}};
    FakeRecord record;
    CIMObjectPath path("C", "ns");
    path.setKeyValue("Old", CIMValue("x"));
    QVX_recordToPath(record, keys, path, QVX_HERE);
    EXPECT_EQ(String("/ns:C.Name=\"n1\",Kind=\"k1\""), path.toString());

    record.valid = false;
    CIMException e = catchCIM([&] { QVX_recordToPath(record, keys, path, QVX_HERE); });
    EXPECT_EQ(CIMException::NOT_FOUND, e.getErrNo());
}

TEST_F(FrameTest, RecordToInstanceSetPolicies) {
    FakeRecord record;
    record.valid = false;
    CIMInstance inst("C");
    QVX_setIfValid(inst, "IfValid", record, &FakeRecord::getName);
    QVX_setOrEmpty(inst, "OrEmpty", record, &FakeRecord::getName);
    QVX_setAlways(inst, "Always", record, &FakeRecord::getName);
    EXPECT_FALSE(inst.getProperty("IfValid"));
    EXPECT_EQ(String(""), inst.getPropertyValue("OrEmpty").toString());
    EXPECT_EQ(String("n1"), inst.getPropertyValue("Always").toString());
}

TEST_F(FrameTest, ModifyLoopWritesMatchingNonNullPropertiesInInstanceOrder) {
    FakeRecord record;
    CIMInstance inst("C");
    inst.setProperty("Beta", CIMValue("b"));
    inst.setProperty("Key", CIMValue("k"));                       // not writable: skipped
    inst.setProperty("alpha", CIMValue("lower"));                 // other case: skipped
    inst.setProperty("Gamma", CIMValue(CIMNULL));                 // unknown and null
    inst.setProperty(CIMProperty("Alpha", CIMDataType::STRING));  // null: nothing written
    CIMInstance second("C");
    second.setProperty("Alpha", CIMValue(UInt8(7)));  // written in its text form
    QVX_modifyProperties(record, inst, kWritable, QVX_HERE);
    QVX_modifyProperties(record, second, kWritable, QVX_HERE);
    EXPECT_EQ((std::vector<std::string>{"Beta=b", "Alpha=7"}), record.writes);
    EXPECT_TRUE(harness.logger->lines().empty());
}

TEST_F(FrameTest, ModifyLoopStopsAtFirstFailedWriteWithoutRollback) {
    FakeRecord record;
    record.refuse = "Beta";
    CIMInstance inst("C");
    inst.setProperty("Alpha", CIMValue("a"));
    inst.setProperty("Beta", CIMValue("b"));
    inst.setProperty("Alpha", CIMValue("a2"));  // replaces the value, same position
    CIMInstance later("C");
    later.setProperty("Beta", CIMValue("b")).setProperty("Alpha", CIMValue("never"));

    for (const CIMInstance* i : {&inst, &later}) {
        CIMException e = catchCIM([&] {
            QVX_modifyProperties(record, *i, kWritable, QVX_Source{"P.cpp", 4});
        });
        std::string m1 =
            std::string("Failed to modify property  ") + i->toString().c_str() + ".Beta";
        EXPECT_EQ(CIMException::FAILED, e.getErrNo());
        EXPECT_EQ(m1 + "#PTM_ERROR_failedModifyProperty#", e.getDescription());
        EXPECT_STREQ("P.cpp", e.getFile());
        EXPECT_EQ("ERROR: " + m1 + ":  with return code: 0", harness.logger->lines().back());
    }
    EXPECT_EQ(std::vector<std::string>{"Alpha=a2"}, record.writes);
    EXPECT_EQ(2u, harness.logger->lines().size());
}

TEST_F(FrameTest, NotSupportedAndNotFoundCarryNoMessage) {
    for (auto thrower :
         std::vector<std::function<void()>>{[] {
                                                QVX_throwNotSupported(QVX_Source{"U.cpp", 1});
                                            },
                                            [] {
                                                QVX_throwNotFound(QVX_Source{"U.cpp", 1});
                                            }}) {
        CIMException e = catchCIM(thrower);
        EXPECT_EQ(nullptr, e.getDescription());
        EXPECT_STREQ("U.cpp", e.getFile());
    }
}

}  // namespace
