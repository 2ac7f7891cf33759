// The shared frame: error guard, key lookup, record conversions and the
// property modify loop, on a small record of the test's own.
#include "frame/QVX_Globals.hpp"
#include "frame/QVX_ProviderFrame.hpp"
#include "ProviderCalls.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace OpenWBEM;
using qvx_test::cimError;
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

TEST_F(FrameTest, GuardTurnsOtherExceptionsIntoFailedWithLoggedMessage) {
    struct Case {
        QVX_Operation operation;
        const char* name;
        bool standard;
    } cases[] = {
        {QVX_ENUM_INSTANCE_NAMES, "enumInstanceNames", true},
        {QVX_ENUM_INSTANCES, "enumInstances", true},
        {QVX_GET_INSTANCE, "getInstance", true},
        {QVX_MODIFY_INSTANCE, "modifyInstance", true},
        // No what() text, and no line break for it, for a non-standard exception.
        {QVX_ENUM_INSTANCES, "enumInstances", false},
    };
    for (const Case& c : cases) {
        Harness request;  // the guard logs through the request's environment ...
        CIMException e = cimError([&] {
            QVX_guard(
                request.env, QVX_Source{"Unit.cpp", 7}, c.operation, [] { return String("S"); },
                [&] {
                    if (c.standard) throw std::runtime_error("boom");
                    throw 42;
                });
        });
        const std::string expected = std::string("Unknown Error:  while performing ") + c.name +
                                     " operation on S\n" + (c.standard ? "boom\n" : "");
        EXPECT_EQ(CIMException::FAILED, e.getErrNo());
        EXPECT_EQ(expected, e.Exception::getMessage());
        EXPECT_STREQ("Unit.cpp", e.getFile());
        EXPECT_EQ(7, e.getLine());
        EXPECT_EQ(std::vector<std::string>{"ERROR: " + expected}, request.logger->lines());
    }
    // ... never through gLogger.
    EXPECT_TRUE(harness.logger->lines().empty());
}

TEST_F(FrameTest, GuardPassesCIMExceptionUnchangedAndUnlogged) {
    bool askedSubject = false;
    CIMException e = cimError([&] {
        QVX_guard(
            harness.env, QVX_Source{"Guard.cpp", 1}, QVX_GET_INSTANCE,
            [&] {
                askedSubject = true;
                return String("S");
            },
            [] { throw CIMException("Thrower.cpp", 99, CIMException::NOT_FOUND); });
    });
    EXPECT_EQ(CIMException::NOT_FOUND, e.getErrNo());
    EXPECT_STREQ("", e.Exception::getMessage());
    EXPECT_STREQ("Thrower.cpp", e.getFile());
    EXPECT_EQ(99, e.getLine());
    EXPECT_FALSE(askedSubject);
    EXPECT_TRUE(harness.logger->lines().empty());
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
    // Both overloads: a path's keys and an instance's properties.
    for (const CIMException& e : {cimError([&] {
                                      QVX_readKeys(missing, names, QVX_Source{"Mine.cpp", 3});
                                  }),
                                  cimError([&] {
                                      QVX_readKeys(nullValue, names, QVX_Source{"Mine.cpp", 3});
                                  })}) {
        EXPECT_EQ(CIMException::NOT_FOUND, e.getErrNo());
        EXPECT_STREQ("", e.Exception::getMessage());
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
    CIMException e = cimError([&] { QVX_recordToPath(record, keys, path, QVX_HERE); });
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
        CIMException e = cimError([&] {
            QVX_modifyProperties(record, *i, kWritable, QVX_Source{"P.cpp", 4});
        });
        std::string m1 =
            std::string("Failed to modify property  ") + i->toString().c_str() + ".Beta";
        EXPECT_EQ(CIMException::FAILED, e.getErrNo());
        EXPECT_EQ(m1 + "#PTM_ERROR_failedModifyProperty#", e.Exception::getMessage());
        EXPECT_STREQ("P.cpp", e.getFile());
        EXPECT_EQ("ERROR: " + m1 + ":  with return code: 0", harness.logger->lines().back());
    }
    EXPECT_EQ(std::vector<std::string>{"Alpha=a2"}, record.writes);
    EXPECT_EQ(2u, harness.logger->lines().size());
}

}  // namespace
