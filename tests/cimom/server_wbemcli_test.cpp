// qvx-cimom end to end with the Debian WBEM command-line client: the real
// provider over the simulator libraries. The values are the provider's own
// tests' business; here each operation and class must get through, and
// errors must come back as CIM status codes.
#include "server_test_support.hpp"

#include <sstream>

using namespace qvx_test;

namespace {

const auto npos = std::string::npos;
const std::string kChassis = "QVX_Z64Chassis.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"";
const std::string kModule =
    "QVX_MBMLogicalModule.SystemCreationClassName=\"QVX_System\",SystemName=\"QVX\","
    "CreationClassName=\"QVX_MBMLogicalModule\",DeviceID=\"MBMLogicalModule%\"";

// The path with '%' replaced by the instance number.
std::string nth(const std::string& path, const std::string& n) {
    return replaced(path, "%", n);
}

// The text without its empty lines.
std::string lines(const std::string& text) {
    std::string out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) out += (out.empty() ? "" : "\n") + line;
    }
    return out;
}

class WbemcliTest : public ServerTest {
protected:
    void SetUp() override {
        ASSERT_NE(runCommand({"wbemcli", "-h"}).exitCode, 127)
            << "wbemcli is not installed (Debian package sblim-wbemcli)";
    }

    // wbemcli OP [TLS...] http[s]://[CREDENTIALS@]localhost:PORT/root/cimv2[:OBJECT] [ARGS...]
    CommandResult wbemcli(const std::string& op, const std::string& object,
                          const std::vector<std::string>& args = {}) {
        std::vector<std::string> argv = {"wbemcli", op};
        argv.insert(argv.end(), tls.begin(), tls.end());
        argv.push_back((tls.empty() ? "http://" : "https://") +
                       (credentials.empty() ? "" : credentials + "@") + prefix() +
                       (object.empty() ? "" : ":" + object));
        argv.insert(argv.end(), args.begin(), args.end());
        return runCommand(argv);
    }

    // What wbemcli puts before every listed path, but the colon.
    std::string prefix() const {
        return "localhost:" + std::to_string(tls.empty() ? port : tlsPort) + "/root/cimv2";
    }

    std::vector<std::string> tls;  // wbemcli's TLS options; none: plain HTTP
    std::string credentials;
};

// Over HTTPS with a user from the password file, as the appliance is run.
TEST_F(WbemcliTest, EveryOperationReachesTheProviderOrIsRefusedWithAStatus) {
    // A test schema adds a method for the provider to refuse.
    const std::string last = "string CNICOneSerialNumber;";
    std::string mof =
        replaced(readFile(QVX_SCHEMA_FILE), last, last + "\n    uint32 Reset(string Reason);");
    ASSERT_NE(mof.find("Reset"), npos);
    writeFile(dir.file("test.mof"), mof);
    ASSERT_EQ(runCommand({QVX_CIMOM_EXE, "passwd", dir.file("pw"), "alice"}, "s3cret\n").exitCode,
              0);
    const std::vector<std::string> args = {"--schema", dir.file("test.mof"), "--passwd",
                                           dir.file("pw")};
    start(withTls(args));
    tls = {"-cacert", dir.file("server.pem")};
    credentials = "alice:s3cret";
    const std::string notSupported = "(7) CIM_ERR_NOT_SUPPORTED";
    const struct {
        const char* op;
        std::string object;
        std::vector<std::string> args;
        int exitCode;
        std::string out;     // '@' stands for prefix() and a colon
        bool whole = false;  // out is every line but empty ones, else a part
    } cases[] = {
        {"ein",
         "QVX_MBMLogicalModule",
         {},
         0,
         "@" + nth(kModule, "0") + "\n@" + nth(kModule, "1"),
         true},
        {"ecn",
         "",
         {},
         0,
         "@QVX_Z64Chassis\n@QVX_Z64ExpansionChassis\n@QVX_MBMLogicalModule",
         true},
        {"ei", "QVX_Z64Chassis", {}, 0, "SerialNumber=\"QVX2005113000042\""},
        {"gi", nth(kModule, "1"), {}, 0, "@" + nth(kModule, "1") + " "},
        {"sp", kChassis, {"Location=desk"}, 0, "", true},
        {"gp", kChassis, {"Location"}, 0, "desk", true},
        // Refused by the provider.
        {"ci", kChassis, {"Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\""}, 16, notSupported},
        {"di", nth(kModule, "0"), {}, 16, notSupported},
        {"cm", kChassis, {"Reset.Reason=test"}, 16, notSupported},
        {"gi", nth(kModule, "9"), {}, 16, "(6) CIM_ERR_NOT_FOUND"},
        // Refused by the server.
        {"gp", kChassis, {"Colour"}, 16, "(12) CIM_ERR_NO_SUCH_PROPERTY"},
        {"cm", kChassis, {"Frobnicate"}, 16, "(17) CIM_ERR_METHOD_NOT_FOUND"},
        {"ein", "CIM_Chassis", {}, 16, "(5) CIM_ERR_INVALID_CLASS"},
    };
    for (const auto& c : cases) {
        CommandResult r = wbemcli(c.op, c.object, c.args);
        const std::string out = replaced(c.out, "@", prefix() + ":");
        EXPECT_EQ(r.exitCode, c.exitCode) << c.op << " " << c.object << ": " << r.output;
        EXPECT_TRUE(c.whole ? lines(r.output) == out : r.output.find(out) != npos)
            << c.op << " " << c.object << ": " << r.output << "\nwanted: " << out;
    }
    // A client that trusts another certificate is refused.
    ASSERT_TRUE(makeCertificate("other"));
    tls = {"-cacert", dir.file("other.pem")};
    CommandResult wrongCa = wbemcli("ein", "QVX_Z64Chassis");
    EXPECT_EQ(wrongCa.exitCode, 16) << wrongCa.output;
    EXPECT_NE(wrongCa.output.find("SSL peer certificate"), npos) << wrongCa.output;
    // The refusals came from the provider: the log shows the operations. A
    // request's line is written after its reply, so read it once stopped.
    EXPECT_EQ(stop(), 0) << errors();
    for (const char* line :
         {"method=Reset class=QVX_Z64Chassis http=200 cim=CIM_ERR_NOT_SUPPORTED(7)",
          "method=Frobnicate class=QVX_Z64Chassis http=200 cim=CIM_ERR_METHOD_NOT_FOUND(17)"}) {
        EXPECT_NE(log().find(line), npos) << line << " in " << log();
    }
    // Writes survive a restart. wbemcli sends values unescaped: '"' and '>'
    // are still well-formed.
    const struct {
        std::string path;
        std::string property, value, shown;
    } writes[] = {
        {kChassis, "OwnerName", "Grüße \"quoted\" > more", "Grüße \\\"quoted\\\" > more"},
        {nth(kModule, "1"), "UserTracking", "mod1", "mod1"},
    };
    start(withTls(args));
    tls = {"-noverify"};
    for (const auto& c : writes) {
        CommandResult mi = wbemcli("mi", c.path, {c.property + "=" + c.value});
        EXPECT_EQ(mi.exitCode, 0) << c.path << " " << mi.output;
    }
    EXPECT_EQ(stop(), 0) << errors();
    start(withTls(args));
    for (const auto& c : writes) {
        EXPECT_EQ(wbemcli("gp", c.path, {c.property}).output, c.shown + "\n") << c.property;
    }
}

TEST_F(WbemcliTest, HardwareFaultReachesTheClientWithTheProvidersText) {
    writeFile(dir.file("faulty.yaml"), "faults: {osGetSerialNumber: 5}\n");
    start({}, dir.file("faulty.yaml"));
    CommandResult r = wbemcli("gi", kChassis);
    EXPECT_EQ(r.exitCode, 16) << r.output;
    EXPECT_NE(r.output.find("(1) CIM_ERR_FAILED: general error (Failed to retrieve property "
                            "SerialNumber)"),
              npos)
        << r.output;
    // Classes that do not read the serial number are still served.
    EXPECT_EQ(wbemcli("ein", "QVX_MBMLogicalModule").exitCode, 0);
}

}  // namespace
