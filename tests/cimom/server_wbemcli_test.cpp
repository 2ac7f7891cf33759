// qvx-cimom end to end with the Debian WBEM command-line client: the real
// provider over the simulator libraries, each test with its own state
// directory and appliance file.
#include "server_test_support.hpp"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace qvx_test;

namespace {

const std::string kChassis = "QVX_Z64Chassis.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"";
const std::string kExpansion =
    "QVX_Z64ExpansionChassis.Tag=\"ExpansionChassis%\",CreationClassName=\"QVX_ExpansionChassis\"";
const std::string kModule =
    "QVX_MBMLogicalModule.SystemCreationClassName=\"QVX_System\",SystemName=\"QVX\","
    "CreationClassName=\"QVX_MBMLogicalModule\",DeviceID=\"MBMLogicalModule%\"";

// The path with '%' replaced by the instance number.
std::string nth(const std::string& path, const std::string& n) {
    return path.substr(0, path.find('%')) + n + path.substr(path.find('%') + 1);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) out.push_back(line);
    }
    return out;
}

class WbemcliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(runCommand({"wbemcli", "-h"}).exitCode, 127)
            << "wbemcli is not installed (Debian package sblim-wbemcli)";
    }

    void start(const std::vector<std::string>& args = {}, const std::string& appliance = "") {
        server.reset();
        server.reset(new ServerProcess(dir, args, appliance));
        ASSERT_TRUE(server->ready()) << server->failure();
    }

    // wbemcli OP [TLS...] http[s]://[CREDENTIALS@]localhost:PORT/NAMESPACE[:OBJECT] [ARGS...]
    CommandResult wbemcli(const std::string& op, const std::string& object,
                          const std::vector<std::string>& args = {},
                          const std::string& credentials = "",
                          const std::string& ns = "root/cimv2") {
        std::string url = server->url(credentials, !tls.empty());
        url = url.substr(0, url.size() - 10) + ns + (object.empty() ? "" : ":" + object);
        std::vector<std::string> argv = {"wbemcli", op};
        argv.insert(argv.end(), tls.begin(), tls.end());
        argv.push_back(url);
        argv.insert(argv.end(), args.begin(), args.end());
        return runCommand(argv);
    }

    // What wbemcli puts before every listed path.
    std::string prefix() const {
        return "localhost:" + std::to_string(tls.empty() ? server->port() : server->tlsPort()) +
               "/root/cimv2:";
    }

    TempDir dir;
    std::unique_ptr<ServerProcess> server;
    std::vector<std::string> tls;  // wbemcli's TLS options; none: plain HTTP
};

TEST_F(WbemcliTest, EveryOperationOnEveryClass) {
    // A test schema adds a method, and a property the provider leaves NULL.
    std::string mof = readFile(QVX_SCHEMA_FILE);
    const std::string last = "string CNICOneSerialNumber;";
    std::string::size_type at = mof.find(last);
    ASSERT_NE(at, std::string::npos);
    mof.insert(at + last.size(), "\n    [Write] string AssetTag;\n    uint32 Reset(string Reason);");
    writeFile(dir.file("test.mof"), mof);
    start({"--schema", dir.file("test.mof")});
    const std::string notSupported = "(7) CIM_ERR_NOT_SUPPORTED";
    const std::string notFound = "(6) CIM_ERR_NOT_FOUND";
    const struct {
        const char* op;
        std::string object;
        std::vector<std::string> args;
        int exitCode;
        std::vector<std::string> out;  // '@' stands for prefix()
        bool whole = false;  // out is every line, else fragments
        const char* ns = "root/cimv2";
    } cases[] = {
        {"ein", "QVX_Z64Chassis", {}, 0, {"@" + kChassis}, true},
        {"ein", "QVX_Z64ExpansionChassis", {}, 0,
         {"@" + nth(kExpansion, "0"), "@" + nth(kExpansion, "1")}, true},
        {"ein", "QVX_MBMLogicalModule", {}, 0, {"@" + nth(kModule, "0"), "@" + nth(kModule, "1")},
         true},
        // Instances as the provider built them: no key qualifiers, so names
        // without keys, and no NULL AssetTag added from the class.
        {"ei", "QVX_Z64Chassis", {}, 0,
         {"@QVX_Z64Chassis.*KEYBINDING=\"MISSING*\" Tag=\"Chassis\"", "SerialNumber=\"QVX2005113000042\"",
          "Version=\"04.03\"", "OwnerName=", "PhysicalType=3", "CanBeFRUed=true",
          "ManufactureDate=20051130140500.000000+000", "CNICOneSerialNumber=\"CN05471234\"\n"}},
        {"ei", "QVX_Z64ExpansionChassis", {}, 0,
         {"ChassisNo=1,PresentStatus=true", "ChassisNo=2,PresentStatus=false", "UserTracking="}},
        {"ei", "QVX_MBMLogicalModule", {}, 0,
         {"DeviceID=\"MBMLogicalModule0\"", "DeviceID=\"MBMLogicalModule1\"", "PhysicalType=9"}},
        {"gi", kChassis, {}, 0, {"@" + kChassis + " ", "UserTracking="}},
        {"gi", nth(kExpansion, "0"), {}, 0, {"@" + nth(kExpansion, "0") + " ", "UserTracking="}},
        {"gi", nth(kExpansion, "1"), {}, 0, {"@" + nth(kExpansion, "1") + " ", "UserTracking="}},
        {"gi", nth(kModule, "0"), {}, 0, {"@" + nth(kModule, "0") + " ", "UserTracking="}},
        {"gi", nth(kModule, "1"), {}, 0, {"@" + nth(kModule, "1") + " ", "UserTracking="}},
        // Property lists are the provider's, which ignores them.
        {"ei", "QVX_Z64Chassis", {"Tag,Model"}, 0, {"\" Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\",ElementName="}},
        // The client's spelling reaches the provider for paths, the class's for enumerations.
        {"gi", "qvx_z64chassis" + kChassis.substr(14), {}, 16, {"(5) CIM_ERR_INVALID_CLASS: class does not exist\n"}},
        {"ein", "qvx_z64chassis", {}, 0, {"@" + kChassis}, true},
        // Properties one at a time; a read-only one is left as it was.
        {"gp", kChassis, {"CanBeFRUed"}, 0, {"true"}, true},
        {"sp", kChassis, {"Location=desk"}, 0, {}, true},
        {"gp", kChassis, {"Location"}, 0, {"desk"}, true},
        {"sp", kChassis, {"SerialNumber=forged"}, 0, {}, true},
        {"gp", kChassis, {"SerialNumber"}, 0, {"QVX2005113000042"}, true},
        {"gp", kChassis, {"Colour"}, 16, {"(12) CIM_ERR_NO_SUCH_PROPERTY: specified property does not exist (Colour)"}},
        {"di", "QVX_Z64Chassis.Tag=\"Nope\",CreationClassName=\"QVX_Chassis\"", {}, 16, {"(6) CIM_ERR_NOT_FOUND: requested object could not be found\n"}},
        {"ecn", "", {}, 0,
         {"@QVX_Z64Chassis", "@QVX_Z64ExpansionChassis", "@QVX_MBMLogicalModule"}, true},
        {"gc", "QVX_Z64ExpansionChassis", {}, 0,
         {"Tag=,CreationClassName=,ElementName=,Manufacturer=,PhysicalType=,UserTracking=,"
          "CanBeFRUed=,ChassisNo=,PresentStatus="}},
        // Refused by the provider.
        {"ci", kChassis, {"Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\""}, 16, {notSupported}},
        {"di", nth(kModule, "0"), {}, 16, {notSupported}},
        {"cm", kChassis, {"Reset.Reason=test"}, 16, {notSupported}},
        // Refused by the server.
        {"cm", kChassis, {"Frobnicate"}, 16, {"(17) CIM_ERR_METHOD_NOT_FOUND: extrinsic method does not exist (Frobnicate)"}},
        {"ein", "CIM_Chassis", {}, 16, {"(5) CIM_ERR_INVALID_CLASS"}},
        {"gc", "QVX_Nothing", {}, 16, {notFound}},
        {"gi", "QVX_Z64Chassis.Tag=\"Nope\",CreationClassName=\"QVX_Chassis\"", {}, 16, {notFound}},
        {"gi", "QVX_Z64Chassis.CreationClassName=\"QVX_Chassis\"", {}, 16, {notFound}},
        {"gi", nth(kModule, "9"), {}, 16, {notFound}},
        {"ein", "QVX_Z64Chassis", {}, 16, {"(3) CIM_ERR_INVALID_NAMESPACE"}, false, "root/other"},
    };
    for (const auto& c : cases) {
        CommandResult r = wbemcli(c.op, c.object, c.args, "", c.ns);
        std::string what = std::string(c.op) + " " + c.object + ": " + r.output;
        EXPECT_EQ(r.exitCode, c.exitCode) << what;
        std::vector<std::string> out;
        for (std::string o : c.out) out.push_back(o[0] == '@' ? prefix() + o.substr(1) : o);
        if (c.whole) {
            EXPECT_EQ(lines(r.output), out) << what;
        } else {
            for (const std::string& o : out) EXPECT_NE(r.output.find(o), std::string::npos) << o << " in " << what;
        }
    }
    // The refusals came from the provider: the log shows the operations. A
    // request's line is written after its reply, so read it once stopped.
    EXPECT_EQ(server->stop(), 0) << server->errors();
    std::string log = server->log();
    for (const char* line : {"method=CreateInstance class=QVX_Z64Chassis", "method=Reset class=QVX_Z64Chassis",
                             "method=DeleteInstance class=QVX_MBMLogicalModule"}) {
        EXPECT_NE(log.find(std::string(line) + " http=200 cim=CIM_ERR_NOT_SUPPORTED(7)"), std::string::npos)
            << line << " in " << log;
    }
}

TEST_F(WbemcliTest, WritesAreReadBackAndSurviveARestart) {
    start();
    const struct {
        std::string path;
        const char* property;
        std::string value, shown;
    } cases[] = {
        // wbemcli sends values unescaped; '"' and '>' are still well-formed
        // text. It shows '"' inside a value as \".
        {kChassis, "OwnerName", "Grüße \"quoted\" > more", "Grüße \\\"quoted\\\" > more"},
        {kChassis, "Location", "rack 7", "rack 7"},
        {kChassis, "UserTracking", "chassis", "chassis"},
        {nth(kExpansion, "0"), "UserTracking", "exp0", "exp0"},
        {nth(kExpansion, "1"), "UserTracking", "exp1", "exp1"},
        {nth(kModule, "0"), "UserTracking", "mod0", "mod0"},
        {nth(kModule, "1"), "UserTracking", "mod1", "mod1"},
    };
    for (bool restarted : {false, true}) {
        for (const auto& c : cases) {
            const std::string property = c.property;
            if (!restarted) {
                CommandResult mi = wbemcli("mi", c.path, {property + "=" + c.value});
                ASSERT_EQ(mi.exitCode, 0) << c.path << " " << property << ": " << mi.output;
            }
            CommandResult gp = wbemcli("gp", c.path, {property});
            EXPECT_EQ(gp.output, c.shown + "\n") << (restarted ? "after the restart" : "");
        }
        // Markup wbemcli does not escape is refused (400) and changes nothing.
        CommandResult bad = wbemcli("mi", kChassis, {"OwnerName=a<b"});
        EXPECT_EQ(bad.exitCode, 16) << bad.output;
        EXPECT_NE(bad.output.find("HTTP response code said error"), std::string::npos) << bad.output;
        EXPECT_EQ(server->stop(), 0) << server->errors();
        start();
    }
}

TEST_F(WbemcliTest, HardwareFaultReachesTheClientWithTheProvidersText) {
    writeFile(dir.file("faulty.yaml"), "faults: {osGetSerialNumber: 5}\n");
    start({}, dir.file("faulty.yaml"));
    CommandResult r = wbemcli("gi", kChassis);
    EXPECT_EQ(r.exitCode, 16) << r.output;
    EXPECT_NE(r.output.find("(1) CIM_ERR_FAILED: general error (Failed to retrieve property SerialNumber)"),
              std::string::npos)
        << r.output;
    // Classes that do not read the serial number are still served.
    EXPECT_EQ(wbemcli("ein", "QVX_MBMLogicalModule").exitCode, 0);
}

TEST_F(WbemcliTest, HttpsForClientsThatTrustTheCertificateOrDoNotCheck) {
    ASSERT_TRUE(makeCertificate(dir, "other"));
    start(withTls(dir));
    const struct {
        const char* name;
        std::vector<std::string> paths;
        const char* read;
    } classes[] = {
        {"QVX_Z64Chassis", {kChassis}, "SerialNumber=\"QVX2005113000042\""},
        {"QVX_Z64ExpansionChassis",
         {nth(kExpansion, "0"), nth(kExpansion, "1")},
         "ChassisNo=2,PresentStatus=false"},
        {"QVX_MBMLogicalModule",
         {nth(kModule, "0"), nth(kModule, "1")},
         "DeviceID=\"MBMLogicalModule1\""},
    };
    const struct {
        std::vector<std::string> options;
        bool trusted;
    } clients[] = {
        {{"-cacert", dir.file("server.pem")}, true},
        {{"-noverify"}, true},
        {{"-cacert", dir.file("other.pem")}, false},
    };
    for (std::size_t i = 0; i < std::size(clients); ++i) {
        tls = clients[i].options;
        const std::string owner = "client " + std::to_string(i);
        std::vector<CommandResult> results = {wbemcli("mi", kChassis, {"OwnerName=" + owner}),
                                              wbemcli("gi", kChassis, {"OwnerName"})};
        for (const auto& c : classes) {
            std::vector<std::string> names;
            for (const std::string& p : c.paths) names.push_back(prefix() + p);
            CommandResult listed = wbemcli("ein", c.name), read = wbemcli("ei", c.name);
            if (clients[i].trusted) {
                EXPECT_EQ(lines(listed.output), names) << tls[0];
                EXPECT_NE(read.output.find(c.read), std::string::npos) << tls[0] << read.output;
            }
            results.insert(results.end(), {listed, read});
        }
        for (const CommandResult& r : results) {
            EXPECT_EQ(r.exitCode, clients[i].trusted ? 0 : 16) << tls[0] << ": " << r.output;
            EXPECT_EQ(r.output.find("SSL peer certificate") == std::string::npos,
                      clients[i].trusted)
                << tls[0] << ": " << r.output;
        }
        if (clients[i].trusted) {
            EXPECT_NE(results[1].output.find("OwnerName=\"" + owner + "\""), std::string::npos)
                << results[1].output;
        }
    }
    // The refused client wrote nothing; the log is HTTP's.
    tls = {"-noverify"};
    EXPECT_NE(wbemcli("gi", kChassis, {"OwnerName"}).output.find("OwnerName=\"client 1\""),
              std::string::npos);
    EXPECT_NE(readFile("/proc/" + std::to_string(server->pid()) + "/maps").find("libssl"),
              std::string::npos);
    EXPECT_EQ(server->stop(), 0) << server->errors();
    EXPECT_NE(server->log().find("method=ModifyInstance class=QVX_Z64Chassis http=200 cim=OK"),
              std::string::npos);
}

TEST_F(WbemcliTest, BasicAuthenticationWithAUserFromThePasswordFile) {
    std::string file = dir.file("passwd");
    ASSERT_EQ(runCommand({QVX_CIMOM_EXE, "passwd", file, "alice"}, "s3cret\n").exitCode, 0);
    start({"--passwd", file});
    const struct {
        const char* credentials;
        int exitCode;
        const char* out;
    } cases[] = {
        {"alice:s3cret", 0, "QVX_Z64Chassis.Tag=\"Chassis\""},
        {"", 16, "Username/password required"},
        {"alice:guess", 16, "Invalid username/password"},
    };
    for (const auto& c : cases) {
        CommandResult r = wbemcli("ein", "QVX_Z64Chassis", {}, c.credentials);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
        EXPECT_NE(r.output.find(c.out), std::string::npos) << r.output;
    }
}

}  // namespace
