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

// The CLI's own errors, with usage (2), and the provider's (1).
TEST_F(CliTest, ErrorsAndExitCodes) {
    struct Case {
        std::string yaml;
        std::vector<std::string> args;
        int exitCode;
        std::string err;
    } cases[] = {
        {"", {}, 2, "no command given"},
        {"", {"frob", "X"}, 2, "unknown command 'frob'"},
        {"", {"gi"}, 2, "wrong number of arguments for 'gi'"},
        {"", {"gi", "QVX_Z64Chassis"}, 2, "cannot read instance path"},
        {"", {"mi", kChassis, "novalue"}, 2, "expected PROP=VALUE"},
        {"", {"--bogus", "ein", "X"}, 2, "unknown option '--bogus'"},
        {"", {"--library"}, 2, "--library needs a value"},
        {"faults: {osGetSerialNumber: 5}\n",
         {"gi", kChassis},
         1,
         "CIM_ERR_FAILED: Failed to retrieve property SerialNumber\n"},
        {"", {"ei", "qvx_z64chassis"}, 1, "CIM_ERR_INVALID_CLASS\n"},
    };
    for (const Case& c : cases) {
        appliance(c.yaml);
        Outcome r = run(c.args);
        EXPECT_EQ(c.exitCode, r.exitCode) << r.err;
        EXPECT_TRUE(contains(r.err, c.err)) << r.err;
        EXPECT_EQ(c.exitCode == 2, contains(r.err, "\n\nusage: qvx-inventory")) << r.err;
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
