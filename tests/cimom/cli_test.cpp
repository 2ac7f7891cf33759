// The qvx-inventory program end to end: the real provider library over the
// simulator libraries, each test with its own appliance file and registry.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char kChassis[] = "QVX_Z64Chassis.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"";

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              (std::string("qvx-cli-") + info->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        appliance("");
        setenv("QVX_SIM_APPLIANCE", (dir / "appliance.yaml").c_str(), 1);
        setenv("QVX_SIM_REGISTRY", (dir / "registry.db").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("QVX_SIM_APPLIANCE");
        unsetenv("QVX_SIM_REGISTRY");
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void appliance(const std::string& yaml) { std::ofstream(dir / "appliance.yaml") << yaml; }
    Outcome run(const std::vector<std::string>& args) {
        std::string cmd = quote(QVX_INVENTORY_EXE);
        for (const std::string& a : args) cmd += " " + quote(a);
        cmd += " >" + quote((dir / "out").string()) + " 2>" + quote((dir / "err").string());
        int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir / "out"),
                readFile(dir / "err")};
    }
    fs::path dir;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Each class listed and read; a write read back by a later process came
// through the registry. Values are the provider tests'.
TEST_F(CliTest, ListsReadsAndModifies) {
    appliance("expansion_chassis:\n  - present: true\n  - present: false\n");
    const char* cases[][2] = {
        {"QVX_Z64Chassis", "1"}, {"QVX_Z64ExpansionChassis", "2"}, {"QVX_MBMLogicalModule", "2"}};
    for (const auto& c : cases) {
        Outcome ein = run({"ein", c[0]}), ei = run({"ei", c[0]});
        EXPECT_EQ(std::stoul(c[1]), std::count(ein.out.begin(), ein.out.end(), '\n')) << ein.err;
        EXPECT_EQ(0u, ein.out.find(std::string("/root/cimv2:") + c[0] + ".")) << ein.out;
        EXPECT_EQ(0, ei.exitCode) << ei.err;
        EXPECT_TRUE(contains(ei.out, std::string("INSTANCE OF ") + c[0])) << ei.out;
    }
    ASSERT_EQ(0, run({"mi", kChassis, "OwnerName=ops 'b'", "Location=lab 2"}).exitCode);
    Outcome gi = run({"gi", kChassis});
    EXPECT_TRUE(contains(gi.out, "OwnerName=\"ops 'b'\";")) << gi.out;
    EXPECT_TRUE(contains(gi.out, "Location=\"lab 2\";")) << gi.out;
}

// The provider's own log line comes first on a hardware failure.
TEST_F(CliTest, Failures) {
    struct Case {
        std::string yaml;
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {"faults: {osGetSerialNumber: 5}\n",
         {"gi", kChassis},
         "CIM_ERR_FAILED: Failed to retrieve property SerialNumber\n"},
        {"", {"cm", kChassis, "Reset"}, "CIM_ERR_NOT_SUPPORTED\n"},
        {"", {"ei", "qvx_z64chassis"}, "CIM_ERR_INVALID_CLASS\n"},
        {"", {"mi", kChassis, "NoSuch=1"}, "CIM_ERR_NO_SUCH_PROPERTY: NoSuch\n"},
    };
    for (const Case& c : cases) {
        appliance(c.yaml);
        Outcome r = run(c.args);
        EXPECT_EQ(1, r.exitCode) << c.args[0] << " " << r.err;
        ASSERT_GE(r.err.size(), c.err.size()) << r.err;
        EXPECT_EQ(c.err, r.err.substr(r.err.size() - c.err.size())) << r.err;
    }
}

TEST_F(CliTest, UsageAndLoadErrors) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{}, "no command given"},
        {{"frob", "X"}, "unknown command 'frob'"},
        {{"gi"}, "wrong number of arguments for 'gi'"},
        {{"gi", "QVX_Z64Chassis"}, "cannot read instance path"},
        {{"mi", kChassis, "novalue"}, "expected PROP=VALUE"},
        {{"--bogus", "ein", "X"}, "unknown option '--bogus'"},
        {{"--library"}, "--library needs a value"},
    };
    for (const Case& c : cases) {
        Outcome r = run(c.args);
        EXPECT_EQ(2, r.exitCode) << r.err;
        EXPECT_TRUE(contains(r.err, c.err)) << r.err;
        EXPECT_TRUE(contains(r.err, "usage: qvx-inventory")) << r.err;
    }
    Outcome help = run({"--help"});
    EXPECT_EQ(0, help.exitCode);
    EXPECT_TRUE(contains(help.out, "qvx-inventory ein QVX_Z64Chassis")) << help.out;

    std::string missing = (dir / "libNothing.so").string(), log = (dir / "cimom.log").string();
    Outcome r = run({"--library", missing, "--log", log, "ein", "QVX_Z64Chassis"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_TRUE(contains(r.err, missing + ": dlopen: ")) << r.err;
    EXPECT_TRUE(contains(readFile(log), " ERROR " + missing + ": dlopen: ")) << readFile(log);
}

}  // namespace
