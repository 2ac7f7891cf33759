// The shared frame: error guard, key lookup, record conversions and the
// property modify loop, on a small record of the test's own.
#include "frame/QVX_Globals.hpp"
#include "frame/QVX_ProviderFrame.hpp"
#include "ProviderTest.hpp"

#include <stdexcept>

using namespace qvx_test;

namespace {

struct FakeRecord {
    std::vector<std::string> writes;
    std::string refuse;  // property whose write fails

    bool write(const char* name, const String& value) {
        if (refuse == name) return false;
        writes.push_back(std::string(name) + "=" + value.c_str());
        return true;
    }
};

const QVX_Writable<FakeRecord> kWritable[] = {
    {"Alpha", [](FakeRecord& r, const String& v) { return r.write("Alpha", v); }},
    {"Beta", [](FakeRecord& r, const String& v) { return r.write("Beta", v); }},
    {"Gamma", [](FakeRecord& r, const String& v) { return r.write("Gamma", v); }},
};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override { gLogger = harness.logger; }
    void TearDown() override { gLogger = 0; }
    Harness harness;
};

enum Thrown { kStandard, kOther, kCIM };

// Each operation's name is the routing test's. An exception of no standard
// type adds no text of its own; a CIMException passes unchanged and unlogged,
// without asking for the subject.
TEST_F(FrameTest, GuardTurnsOtherExceptionsIntoFailedLoggedToTheRequest) {
    const struct {
        QVX_Operation operation;
        const char* name;
        Thrown thrown;
    } rows[] = {{QVX_MODIFY_INSTANCE, "modifyInstance", kStandard},
                {QVX_ENUM_INSTANCES, "enumInstances", kOther},
                {QVX_GET_INSTANCE, "getInstance", kCIM}};
    for (const auto& row : rows) {
        Harness request;
        bool askedSubject = false;
        const auto subject = [&] {
            askedSubject = true;
            return String("S");
        };
        CIMException e = cimError([&] {
            QVX_guard(request.env, QVX_Source{"Unit.cpp", 7}, row.operation, subject, [&] {
                if (row.thrown == kCIM)
                    throw CIMException("Thrower.cpp", 99, CIMException::NOT_FOUND);
                if (row.thrown == kStandard) throw std::runtime_error("boom");
                throw 42;
            });
        });
        const std::string message =
            guardMessage(row.name, "S", row.thrown == kStandard ? "boom\n" : "");
        const bool cim = row.thrown == kCIM;
        EXPECT_EQ(cim ? error(CIMException::NOT_FOUND, "Thrower.cpp")
                      : error(CIMException::FAILED, "Unit.cpp", message),
                  describe(e));
        EXPECT_EQ(cim ? 99 : 7, e.getLine());
        EXPECT_EQ(!cim, askedSubject);
        EXPECT_EQ(cim ? std::vector<std::string>() : std::vector<std::string>{"ERROR: " + message},
                  request.logger->lines());
    }
    EXPECT_TRUE(harness.logger->lines().empty()) << "never through the global logger";
}

// Keys found are the classes' tests'.
TEST_F(FrameTest, MissingOrNullKeysAreNotFound) {
    const char* const names[] = {"Tag", "CreationClassName"};
    CIMObjectPath missing("C", "root/cimv2");
    missing.setKeyValue("CreationClassName", CIMValue("c"));
    CIMInstance nullValue("C");
    nullValue.setProperty("Tag", CIMValue("t")).setProperty("CreationClassName", CIMValue(CIMNULL));
    const QVX_Source mine{"Mine.cpp", 3};
    EXPECT_EQ(error(CIMException::NOT_FOUND, "Mine.cpp"),
              describe(cimError([&] { QVX_readKeys(missing, names, mine); })));
    EXPECT_EQ(error(CIMException::NOT_FOUND, "Mine.cpp"),
              describe(cimError([&] { QVX_readKeys(nullValue, names, mine); })));
}

TEST_F(FrameTest, ModifyLoopWritesMatchingNonNullPropertiesInInstanceOrder) {
    FakeRecord record;
    CIMInstance inst("C");
    inst.setProperty("Beta", CIMValue("b"));
    inst.setProperty("Key", CIMValue("k"));                       // not writable
    inst.setProperty("gamma", CIMValue("lower"));                 // other case
    inst.setProperty(CIMProperty("Alpha", CIMDataType::STRING));  // null
    CIMInstance second("C");
    second.setProperty("Alpha", CIMValue(UInt8(7)));  // written in its text form
    QVX_modifyProperties(record, inst, kWritable, QVX_HERE);
    QVX_modifyProperties(record, second, kWritable, QVX_HERE);
    EXPECT_EQ((std::vector<std::string>{"Beta=b", "Alpha=7"}), record.writes);
    EXPECT_TRUE(harness.logger->lines().empty());
}

// The classes' modify failures are this message: the classes' tests check
// only the code and that nothing was stamped.
TEST_F(FrameTest, ModifyLoopStopsAtTheFirstFailedWriteWithoutRollback) {
    FakeRecord record;
    record.refuse = "Beta";
    CIMInstance inst("C");
    inst.setProperty("Alpha", CIMValue("a")).setProperty("Beta", CIMValue("b"));
    inst.setProperty("Gamma", CIMValue("g")).setProperty("Alpha", CIMValue("a2"));
    CIMException e = cimError([&] {
        QVX_modifyProperties(record, inst, kWritable, QVX_Source{"P.cpp", 4});
    });
    const std::string m1 = "Failed to modify property  " + std::string(inst.toString().c_str());
    EXPECT_EQ(error(CIMException::FAILED, "P.cpp", m1 + ".Beta#PTM_ERROR_failedModifyProperty#"),
              describe(e));
    EXPECT_EQ(std::vector<std::string>{"ERROR: " + m1 + ".Beta:  with return code: 0"},
              harness.logger->lines());
    // Alpha's value was replaced in its place, before Beta.
    EXPECT_EQ(std::vector<std::string>{"Alpha=a2"}, record.writes);
}

}  // namespace
