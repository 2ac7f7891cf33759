// qvx-cimom end to end with the Debian WBEM command-line client: the real
// provider over the simulator libraries, each test with its own state
// directory and appliance file.
#include "server_test_support.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace qvx_test;

namespace {

const char kChassis[] = "QVX_Z64Chassis.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"";
const char kExpansion0[] =
    "QVX_Z64ExpansionChassis.Tag=\"ExpansionChassis0\",CreationClassName=\"QVX_ExpansionChassis\"";
const char kExpansion1[] =
    "QVX_Z64ExpansionChassis.Tag=\"ExpansionChassis1\",CreationClassName=\"QVX_ExpansionChassis\"";
const char kModule0[] =
    "QVX_MBMLogicalModule.SystemCreationClassName=\"QVX_System\",SystemName=\"QVX\","
    "CreationClassName=\"QVX_MBMLogicalModule\",DeviceID=\"MBMLogicalModule0\"";
const char kModule1[] =
    "QVX_MBMLogicalModule.SystemCreationClassName=\"QVX_System\",SystemName=\"QVX\","
    "CreationClassName=\"QVX_MBMLogicalModule\",DeviceID=\"MBMLogicalModule1\"";

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) out.push_back(line);
    }
    return out;
}

class WbemcliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(runCommand({"wbemcli", "-h"}).exitCode == 127, false)
            << "wbemcli is not installed (Debian package sblim-wbemcli)";
        start();
    }

    void start(const std::vector<std::string>& args = {}, const std::string& appliance = "") {
        server.reset();
        server.reset(new ServerProcess(dir, args, appliance));
        ASSERT_TRUE(server->ready()) << server->failure();
    }

    // wbemcli OP URL:OBJECT [ARGS...]
    CommandResult wbemcli(const std::string& op, const std::string& object,
                          const std::vector<std::string>& args = {},
                          const std::string& credentials = "") {
        std::vector<std::string> argv = {"wbemcli", op, server->url(credentials) + ":" + object};
        argv.insert(argv.end(), args.begin(), args.end());
        return runCommand(argv);
    }

    // The listed "localhost:PORT/root/cimv2:" prefix of every path.
    std::string prefix() const {
        return "localhost:" + std::to_string(server->port()) + "/root/cimv2:";
    }

    TempDir dir;
    std::unique_ptr<ServerProcess> server;
};

TEST_F(WbemcliTest, EnumerateInstanceNamesListsEveryInstanceOfEachClass) {
    struct Case {
        const char* cls;
        std::vector<std::string> paths;
    } cases[] = {
        {"QVX_Z64Chassis", {kChassis}},
        {"QVX_Z64ExpansionChassis", {kExpansion0, kExpansion1}},
        {"QVX_MBMLogicalModule", {kModule0, kModule1}},
    };
    for (const Case& c : cases) {
        CommandResult r = wbemcli("ein", c.cls);
        ASSERT_EQ(r.exitCode, 0) << c.cls << ": " << r.output;
        std::vector<std::string> expected;
        for (const std::string& p : c.paths) expected.push_back(prefix() + p);
        EXPECT_EQ(lines(r.output), expected) << c.cls;
    }
}

TEST_F(WbemcliTest, EnumerateInstancesShowsEveryPropertyOfTheClass) {
    struct Case {
        const char* cls;
        std::size_t instances;
        std::vector<std::string> fragments;  // in every instance, in this order
    } cases[] = {
        {"QVX_Z64Chassis",
         1,
         {"Tag=\"Chassis\"", "SerialNumber=\"QVX2005113000042\"", "Version=\"04.03\"",
          "OwnerName=", "Location=", "PhysicalType=3", "UserTracking=", "CanBeFRUed=TRUE",
          "ManufactureDate=20051130140500.000000+000", "CNICOneSerialNumber=\"CN05471234\""}},
        {"QVX_Z64ExpansionChassis",
         2,
         {"Tag=\"ExpansionChassis", "PhysicalType=3",
          "UserTracking=", "ChassisNo=", "PresentStatus="}},
        {"QVX_MBMLogicalModule",
         2,
         {"SystemName=\"QVX\"", "DeviceID=\"MBMLogicalModule", "PhysicalType=9",
          "UserTracking=", "CanBeFRUed="}},
    };
    for (const Case& c : cases) {
        CommandResult r = wbemcli("ei", c.cls);
        ASSERT_EQ(r.exitCode, 0) << c.cls << ": " << r.output;
        std::vector<std::string> got = lines(r.output);
        ASSERT_EQ(got.size(), c.instances) << r.output;
        for (const std::string& line : got) {
            std::size_t at = 0;
            for (const std::string& f : c.fragments) {
                std::size_t found = line.find(f, at);
                EXPECT_NE(found, std::string::npos) << f << " in " << line;
                if (found != std::string::npos) at = found;
            }
        }
    }
    CommandResult expansion = wbemcli("ei", "QVX_Z64ExpansionChassis");
    EXPECT_NE(expansion.output.find("ChassisNo=1,PresentStatus=TRUE"), std::string::npos);
    EXPECT_NE(expansion.output.find("ChassisNo=2,PresentStatus=FALSE"), std::string::npos);
}

TEST_F(WbemcliTest, GetInstanceOfEveryListedPath) {
    for (const char* cls : {"QVX_Z64Chassis", "QVX_Z64ExpansionChassis", "QVX_MBMLogicalModule"}) {
        CommandResult names = wbemcli("ein", cls);
        ASSERT_EQ(names.exitCode, 0) << names.output;
        for (const std::string& path : lines(names.output)) {
            CommandResult r = runCommand({"wbemcli", "gi", "http://" + path});
            ASSERT_EQ(r.exitCode, 0) << path << ": " << r.output;
            // The reply names the instance and lists its properties after it.
            EXPECT_EQ(r.output.compare(0, path.size() + 1, path + " "), 0) << r.output;
            EXPECT_NE(r.output.find("UserTracking="), std::string::npos) << r.output;
        }
    }
}

struct Writable {
    const char* path;
    const char* property;
};
const Writable kWritable[] = {
    {kChassis, "OwnerName"},       {kChassis, "Location"},        {kChassis, "UserTracking"},
    {kExpansion0, "UserTracking"}, {kExpansion1, "UserTracking"}, {kModule0, "UserTracking"},
    {kModule1, "UserTracking"},
};

TEST_F(WbemcliTest, ModifyEveryWritablePropertyAndReadItBack) {
    int n = 0;
    for (const Writable& w : kWritable) {
        std::string value = std::string("set-") + w.property + "-" + std::to_string(++n);
        CommandResult mi = wbemcli("mi", w.path, {std::string(w.property) + "=" + value});
        ASSERT_EQ(mi.exitCode, 0) << w.path << " " << w.property << ": " << mi.output;
        CommandResult gi = wbemcli("gi", w.path, {w.property});
        ASSERT_EQ(gi.exitCode, 0) << gi.output;
        EXPECT_NE(gi.output.find(std::string(w.property) + "=\"" + value + "\""), std::string::npos)
            << gi.output;
    }
    // Each write went to its own instance and property.
    CommandResult chassis = wbemcli("gi", kChassis, {"OwnerName,Location,UserTracking"});
    EXPECT_NE(chassis.output.find("OwnerName=\"set-OwnerName-1\",Location=\"set-Location-2\","
                                  "UserTracking=\"set-UserTracking-3\""),
              std::string::npos)
        << chassis.output;
    CommandResult module0 = wbemcli("gi", kModule0, {"UserTracking"});
    EXPECT_NE(module0.output.find("UserTracking=\"set-UserTracking-6\""), std::string::npos)
        << module0.output;
}

TEST_F(WbemcliTest, ValuesSurviveAServerRestart) {
    ASSERT_EQ(wbemcli("mi", kChassis, {"Location=rack 7"}).exitCode, 0);
    ASSERT_EQ(wbemcli("mi", kModule1, {"UserTracking=spare"}).exitCode, 0);
    EXPECT_EQ(server->stop(), 0) << server->errors();
    start();
    CommandResult chassis = wbemcli("gi", kChassis, {"Location"});
    EXPECT_NE(chassis.output.find("Location=\"rack 7\""), std::string::npos) << chassis.output;
    CommandResult module = wbemcli("gi", kModule1, {"UserTracking"});
    EXPECT_NE(module.output.find("UserTracking=\"spare\""), std::string::npos) << module.output;
}

TEST_F(WbemcliTest, Utf8QuotesAndGreaterThanSurviveAWriteAndARead) {
    // wbemcli sends values unescaped; '"' and '>' are still well-formed text.
    CommandResult mi = wbemcli("mi", kChassis, {"OwnerName=Grüße \"quoted\" > more"});
    ASSERT_EQ(mi.exitCode, 0) << mi.output;
    CommandResult gi = wbemcli("gi", kChassis, {"OwnerName"});
    ASSERT_EQ(gi.exitCode, 0) << gi.output;
    // wbemcli shows '"' inside a value as \".
    EXPECT_NE(gi.output.find("OwnerName=\"Grüße \\\"quoted\\\" > more\""), std::string::npos)
        << gi.output;
}

TEST_F(WbemcliTest, UnescapedMarkupIsAnInvalidParameterAndChangesNothing) {
    ASSERT_EQ(wbemcli("mi", kChassis, {"OwnerName=before"}).exitCode, 0);
    for (const char* value : {"a<b", "fish & chips"}) {
        CommandResult mi = wbemcli("mi", kChassis, {std::string("OwnerName=") + value});
        EXPECT_EQ(mi.exitCode, 16) << mi.output;
        EXPECT_NE(mi.output.find("(4) CIM_ERR_INVALID_PARAMETER"), std::string::npos) << mi.output;
        EXPECT_NE(mi.output.find("not well-formed"), std::string::npos) << mi.output;
    }
    CommandResult gi = wbemcli("gi", kChassis, {"OwnerName"});
    ASSERT_EQ(gi.exitCode, 0) << gi.output;
    EXPECT_NE(gi.output.find("OwnerName=\"before\""), std::string::npos) << gi.output;
}

TEST_F(WbemcliTest, CreateAndDeleteAreRefusedByTheProvider) {
    struct Case {
        const char* op;
        std::string object;
        std::vector<std::string> args;
    } cases[] = {
        {"ci", kChassis, {"Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\""}},
        {"ci", kExpansion0, {"UserTracking=x"}},
        {"ci", kModule1, {"UserTracking=x"}},
        {"di", kChassis, {}},
        {"di", kExpansion1, {}},
        {"di", kModule0, {}},
    };
    for (const Case& c : cases) {
        CommandResult r = wbemcli(c.op, c.object, c.args);
        EXPECT_EQ(r.exitCode, 16) << c.op << " " << c.object << ": " << r.output;
        EXPECT_NE(r.output.find("(7) CIM_ERR_NOT_SUPPORTED"), std::string::npos)
            << c.op << " " << c.object << ": " << r.output;
    }
    // The refusals reached the provider: the log shows the operations. A
    // request's line is written after its reply, so read it once stopped.
    EXPECT_EQ(server->stop(), 0) << server->errors();
    std::string log = server->log();
    EXPECT_NE(log.find("method=CreateInstance class=QVX_Z64Chassis http=200 "
                       "cim=CIM_ERR_NOT_SUPPORTED(7)"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("method=DeleteInstance class=QVX_MBMLogicalModule http=200 "
                       "cim=CIM_ERR_NOT_SUPPORTED(7)"),
              std::string::npos)
        << log;
}

TEST_F(WbemcliTest, MethodCallOnADeclaredMethodReachesTheProvider) {
    // The shipped classes declare no methods: a test schema adds one.
    std::string mof = readFile(QVX_SCHEMA_FILE);
    const std::string last = "string CNICOneSerialNumber;";
    std::string::size_type at = mof.find(last);
    ASSERT_NE(at, std::string::npos);
    mof.insert(at + last.size(), "\n    uint32 Reset(string Reason);");
    writeFile(dir.file("with-method.mof"), mof);
    start({"--schema", dir.file("with-method.mof")});

    CommandResult r = wbemcli("cm", kChassis, {"Reset.Reason=test"});
    EXPECT_EQ(r.exitCode, 16) << r.output;
    EXPECT_NE(r.output.find("(7) CIM_ERR_NOT_SUPPORTED"), std::string::npos) << r.output;
    EXPECT_EQ(server->stop(), 0) << server->errors();
    EXPECT_NE(server->log().find("method=Reset class=QVX_Z64Chassis http=200 "
                                 "cim=CIM_ERR_NOT_SUPPORTED(7)"),
              std::string::npos)
        << server->log();
}

TEST_F(WbemcliTest, MethodTheClassDoesNotDeclareIsNotFound) {
    CommandResult r = wbemcli("cm", kChassis, {"Reset"});
    EXPECT_EQ(r.exitCode, 16) << r.output;
    EXPECT_NE(r.output.find("(17) CIM_ERR_METHOD_NOT_FOUND"), std::string::npos) << r.output;
}

TEST_F(WbemcliTest, ErrorsReachTheClientWithTheirCode) {
    struct Case {
        const char* why;
        const char* op;
        std::string object;
        const char* expected;
    } cases[] = {
        {"class not in the schema", "ein", "CIM_Chassis", "(5) CIM_ERR_INVALID_CLASS"},
        {"class not in the schema", "ei", "QVX_Nothing", "(5) CIM_ERR_INVALID_CLASS"},
        {"class not in the schema", "gi", "QVX_Nothing.Tag=\"x\"", "(5) CIM_ERR_INVALID_CLASS"},
        {"unknown class declaration", "gc", "QVX_Nothing", "(6) CIM_ERR_NOT_FOUND"},
        {"wrong key value", "gi", "QVX_Z64Chassis.Tag=\"Nope\",CreationClassName=\"QVX_Chassis\"",
         "(6) CIM_ERR_NOT_FOUND"},
        {"wrong key value", "gi",
         "QVX_Z64ExpansionChassis.Tag=\"ExpansionChassis2\",CreationClassName="
         "\"QVX_ExpansionChassis\"",
         "(6) CIM_ERR_NOT_FOUND"},
        {"wrong key value", "gi",
         "QVX_MBMLogicalModule.SystemCreationClassName=\"QVX_System\",SystemName=\"QVX\","
         "CreationClassName=\"QVX_MBMLogicalModule\",DeviceID=\"MBMLogicalModule9\"",
         "(6) CIM_ERR_NOT_FOUND"},
        {"key missing", "gi", "QVX_Z64Chassis.CreationClassName=\"QVX_Chassis\"",
         "(6) CIM_ERR_NOT_FOUND"},
    };
    for (const Case& c : cases) {
        CommandResult r = wbemcli(c.op, c.object);
        EXPECT_EQ(r.exitCode, 16) << c.why << ": " << r.output;
        EXPECT_NE(r.output.find(c.expected), std::string::npos) << c.why << ": " << r.output;
    }
    CommandResult ns = runCommand(
        {"wbemcli", "ein",
         "http://localhost:" + std::to_string(server->port()) + "/root/other:QVX_Z64Chassis"});
    EXPECT_EQ(ns.exitCode, 16);
    EXPECT_NE(ns.output.find("(3) CIM_ERR_INVALID_NAMESPACE"), std::string::npos) << ns.output;
}

TEST_F(WbemcliTest, PropertyListSelectsWhatIsSent) {
    CommandResult ei = wbemcli("ei", "QVX_Z64Chassis", {"Tag,Model"});
    ASSERT_EQ(ei.exitCode, 0) << ei.output;
    EXPECT_EQ(lines(ei.output),
              std::vector<std::string>{prefix() + kChassis +
                                       " Tag=\"Chassis\",Model=\"QVX64a (with ADSL Router)\""});
    CommandResult gi = wbemcli("gi", kModule0, {"DeviceID,NoSuchProperty"});
    ASSERT_EQ(gi.exitCode, 0) << gi.output;
    EXPECT_EQ(lines(gi.output),
              std::vector<std::string>{prefix() + kModule0 + " DeviceID=\"MBMLogicalModule0\""});
}

TEST_F(WbemcliTest, HardwareFaultReachesTheClientWithTheProvidersText) {
    writeFile(dir.file("faulty.yaml"), "faults: {osGetSerialNumber: 5}\n");
    start({}, dir.file("faulty.yaml"));
    CommandResult r = wbemcli("gi", kChassis);
    EXPECT_EQ(r.exitCode, 16) << r.output;
    EXPECT_NE(r.output.find("(1) CIM_ERR_FAILED: Failed to retrieve property SerialNumber"),
              std::string::npos)
        << r.output;
    // Classes that do not read the serial number are still served.
    EXPECT_EQ(wbemcli("ein", "QVX_MBMLogicalModule").exitCode, 0);
}

TEST_F(WbemcliTest, ClassNamesAndClassDeclarations) {
    CommandResult ecn = runCommand({"wbemcli", "ecn", server->url()});
    ASSERT_EQ(ecn.exitCode, 0) << ecn.output;
    EXPECT_EQ(lines(ecn.output), (std::vector<std::string>{prefix() + "QVX_Z64Chassis",
                                                           prefix() + "QVX_Z64ExpansionChassis",
                                                           prefix() + "QVX_MBMLogicalModule"}));
    CommandResult gc = wbemcli("gc", "QVX_Z64ExpansionChassis");
    ASSERT_EQ(gc.exitCode, 0) << gc.output;
    EXPECT_NE(gc.output.find("Tag=,CreationClassName=,ElementName=,Manufacturer=,PhysicalType=,"
                             "UserTracking=,CanBeFRUed=,ChassisNo=,PresentStatus="),
              std::string::npos)
        << gc.output;
}

TEST_F(WbemcliTest, BasicAuthenticationWithAUserFromThePasswordFile) {
    std::string file = dir.file("passwd");
    CommandResult add = runCommand({QVX_CIMOM_EXE, "passwd", file, "alice"}, "s3cret\n");
    ASSERT_EQ(add.exitCode, 0) << add.output;
    start({"--passwd", file});

    CommandResult good = wbemcli("ein", "QVX_Z64Chassis", {}, "alice:s3cret");
    EXPECT_EQ(good.exitCode, 0) << good.output;
    EXPECT_EQ(lines(good.output).size(), 1u) << good.output;
    CommandResult mi = wbemcli("mi", kChassis, {"OwnerName=alice"}, "alice:s3cret");
    EXPECT_EQ(mi.exitCode, 0) << mi.output;

    CommandResult none = wbemcli("ein", "QVX_Z64Chassis");
    EXPECT_EQ(none.exitCode, 16);
    EXPECT_NE(none.output.find("Username/password required"), std::string::npos) << none.output;
    CommandResult wrong = wbemcli("mi", kChassis, {"OwnerName=mallory"}, "alice:guess");
    EXPECT_EQ(wrong.exitCode, 16);
    EXPECT_NE(wrong.output.find("Invalid username/password"), std::string::npos) << wrong.output;

    CommandResult gi = wbemcli("gi", kChassis, {"OwnerName"}, "alice:s3cret");
    EXPECT_NE(gi.output.find("OwnerName=\"alice\""), std::string::npos) << gi.output;
    EXPECT_EQ(server->stop(), 0) << server->errors();
    EXPECT_NE(server->log().find("authentication failed for user alice from 127.0.0.1"),
              std::string::npos)
        << server->log();
}

}  // namespace
