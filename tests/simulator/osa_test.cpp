// The stand-in libosa through its C functions: which key each answers, texts
// cut within the caller's size, argument checks, injected faults, re-reading
// of the appliance file, what a broken file does, and readers racing a writer.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/osa.h"
#include "simulator/result_codes.h"
#include "sim_test_support.h"

namespace {

using qvxsim_test::writeFile;
using Call = std::function<int32_t(std::string& answer)>;

Call text(int32_t (*f)(char*, int32_t)) {
    return [f](std::string& answer) {
        char buf[256];
        std::memset(buf, 'x', sizeof buf);
        const int32_t rc = f(buf, sizeof buf);
        answer.assign(buf, strnlen(buf, sizeof buf));
        return rc;
    };
}
Call number(int32_t (*f)(uint16_t*)) {
    return [f](std::string& answer) {
        uint16_t value = 0;
        const int32_t rc = f(&value);
        answer = std::to_string(value);
        return rc;
    };
}
Call presence(int32_t index) {
    return [index](std::string& answer) {
        uint8_t present = 0;
        const int32_t rc = osIsChasisPresent(index, &present);
        answer = std::to_string(present);
        return rc;
    };
}

// Every function of osa.h: its name, the file that makes it answer "@" with
// the "@" filled in, and a call with valid arguments.
const struct Function {
    std::string name, yaml;
    Call call;
} kFunctions[] = {
    {"osGetSystemSubType", "sub_type: @", number(osGetSystemSubType)},
    {"osGetHardwareType", "hardware_type: @", number(osGetHardwareType)},
    {"osGetHardwareRevision", "hardware_revision: @", number(osGetHardwareRevision)},
    {"osGetSecsiRegion", "region: @", number(osGetSecsiRegion)},
    {"osGetManfId", "manufacturer_id: @", number(osGetManfId)},
    {"osIsChasisPresent", "expansion_chassis: [{present: @}, {}]", presence(0)},
    {"osIsChasisPresent", "expansion_chassis: [{}, {present: @}]", presence(1)},
    {"osGetSerialNumber", "serial_number: \"@\"", text(osGetSerialNumber)},
    {"osGetSystemId", "system_id: \"@\"", text(osGetSystemId)},
    {"osGetPartNumber", "part_number: \"@\"", text(osGetPartNumber)},
    {"osGetPCBASerialNumber", "pcba_serial_number: \"@\"", text(osGetPCBASerialNumber)},
    {"osGetHDSerialNumber", "hd_serial_number: \"@\"", text(osGetHDSerialNumber)},
    {"osGetCNICOneSerialNumber", "cnic_one_serial_number: \"@\"", text(osGetCNICOneSerialNumber)},
    {"osGetCSCSerialNumber", "csc_serial_number: \"@\"", text(osGetCSCSerialNumber)},
    {"osGetManfInfo", "manufacturer_info: \"@\"", text(osGetManfInfo)},
    {"osGetManfDate", "manufacture_date: \"@\"", text(osGetManfDate)},
    {"osGetEth1Addr", "ethernet: {eth1: \"@\"}", text(osGetEth1Addr)},
    {"osGetEth2Addr", "ethernet: {eth2: \"@\"}", text(osGetEth2Addr)},
    {"osGetEth3Addr", "ethernet: {eth3: \"@\"}", text(osGetEth3Addr)},
};

std::string fill(std::string yaml, const std::string& value) {
    return yaml.replace(yaml.find('@'), 1, value) + "\n";
}

// Every answer, as "rc answer"; what a failed call leaves, the same way.
std::vector<std::string> answers() {
    std::vector<std::string> all;
    for (const Function& f : kFunctions) {
        std::string answer;
        all.push_back(std::to_string(f.call(answer)) + " " + answer);
    }
    return all;
}
std::string failed(int32_t code, const Function& f) {
    return std::to_string(code) + (f.yaml.find('"') != std::string::npos ? " " : " 0");
}

class OsaTest : public ::testing::Test {
protected:
    qvxsim_test::TempDir dir_;
    std::string file_ = dir_.file("appliance.yaml");
    qvxsim_test::ScopedEnv env_{"QVX_SIM_APPLIANCE", file_};
};

TEST_F(OsaTest, EachFunctionAnswersItsOwnKeyAndTheDefaultsWithoutAFile) {
    env_.set(std::nullopt);
    const std::vector<std::string> defaults = answers();
    EXPECT_EQ(std::count(defaults.begin(), defaults.end(), "0 "), 0) << "nothing empty";
    for (const char* value : {"", QVXSIM_SAMPLE_APPLIANCE}) {
        env_.set(std::string(value));
        EXPECT_EQ(answers(), defaults) << "QVX_SIM_APPLIANCE='" << value << "'";
    }
    env_.set(file_);
    for (size_t i = 0; i < std::size(kFunctions); ++i) {
        writeFile(file_, fill(kFunctions[i].yaml, std::to_string(200 + i)));
        std::string answer;
        EXPECT_EQ(kFunctions[i].call(answer), 0) << kFunctions[i].name;
        EXPECT_EQ(answer, std::to_string(200 + i)) << kFunctions[i].name;
    }
}

// Every text function shares the same code, and every number one too.
TEST_F(OsaTest, TextsAreCutWithinTheCallersSizeAndBadArgumentsRefused) {
    std::string longValue;  // 300 characters, each position recognisable
    for (int i = 0; longValue.size() < 300; ++i) longValue += static_cast<char>('A' + i % 26);
    writeFile(file_, "serial_number: " + longValue + "\n");
    for (int32_t size : {1, 2, 256, 300, 301}) {
        std::vector<char> buf(512, '\x7f');
        ASSERT_EQ(osGetSerialNumber(buf.data(), size), 0);
        std::string want = longValue.substr(0, std::min(300, size - 1)) + '\0';
        want.resize(buf.size(), '\x7f');
        EXPECT_EQ(std::string(buf.data(), buf.size()), want) << "size " << size;
    }
    char buf[4] = {'k', 'e', 'e', 'p'};
    for (int32_t size : {0, -1, std::numeric_limits<int32_t>::min()}) {
        EXPECT_EQ(osGetSystemId(buf, size), QVXSIM_BAD_ARGUMENT) << size;
    }
    EXPECT_EQ(std::string(buf, 4), "keep");
    uint8_t present = 0xee;
    for (int32_t index : {-1, 2, std::numeric_limits<int32_t>::max()}) {
        EXPECT_EQ(osIsChasisPresent(index, &present), QVXSIM_BAD_ARGUMENT) << index;
    }
    EXPECT_EQ(present, 0xee);
    EXPECT_EQ(osGetManfDate(nullptr, 256), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(osGetManfId(nullptr), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(osIsChasisPresent(0, nullptr), QVXSIM_BAD_ARGUMENT);
}

TEST_F(OsaTest, EachFunctionFailsWithItsInjectedCodeAndOnlyIt) {
    writeFile(file_, "");
    const std::vector<std::string> normal = answers();
    for (const Function& target : kFunctions) {
        for (int32_t code : {-1, std::numeric_limits<int32_t>::min(), 2147483647}) {
            writeFile(file_, "faults: {" + target.name + ": " + std::to_string(code) + "}\n", true);
            std::vector<std::string> want = normal;
            for (size_t i = 0; i < want.size(); ++i) {
                if (kFunctions[i].name == target.name) want[i] = failed(code, kFunctions[i]);
            }
            EXPECT_EQ(answers(), want) << target.name << " " << code;
        }
    }
}

// Each step writes its text to the current file (in place, or renamed over
// it with r), after e has pointed the variable elsewhere ("-": unset, ".":
// the directory itself).
// Same-size files written back to back: the time stamp alone may not move.
TEST_F(OsaTest, SeesEveryChangeAtOnceAndABrokenFileFailsEveryCall) {
    std::vector<std::string> broken;  // every answer of a broken file
    for (const Function& f : kFunctions) broken.push_back(failed(QVXSIM_BAD_BACKING_FILE, f));
    const struct {
        char op;
        std::string arg, text;
        const char* region;  // the answer of osGetSecsiRegion; null: the file is broken
    } steps[] = {
        {'w', "", "region: 1\n", "1"},
        {'w', "", "region: 2\n", "2"},
        {'w', "", "region: 3\n", "3"},
        {'r', "", "region: 4\n", "4"},
        {'w', "", "sub_type: [1\n", nullptr},
        {'w', "", "region: 5\n", "5"},
        {'r', "", "faults:\n  osGetNothing: 1\n", nullptr},
        {'r', "", "expansion_chassis: []\n", nullptr},
        {'e', "other.yaml", "region: 6\n", "6"},
        {'e', "-", "", "1"},  // the built-in appliance's region
        {'e', ".", "", nullptr},
        {'e', "late.yaml", "", nullptr},
        {'w', "", "region: 8\n", "8"},  // a file that appears later is used
    };
    std::string current = file_;
    for (const auto& s : steps) {
        if (s.op == 'e') {
            current = s.arg == "." ? dir_.path() : dir_.file(s.arg);
            env_.set(s.arg == "-" ? std::nullopt : std::optional(current));
        }
        if (!s.text.empty()) writeFile(current, s.text, s.op == 'r');
        const std::vector<std::string> all = answers();
        EXPECT_EQ(s.region ? std::vector<std::string>{all[3]} : all,
                  s.region ? std::vector<std::string>{"0 " + std::string(s.region)} : broken)
            << s.arg << s.text;
    }
}

TEST_F(OsaTest, ThreadsReadConsistentAnswersWhileTheFileIsReplaced) {
    const std::string versions[] = {
        "serial_number: \"AAAA\"\nexpansion_chassis: [{present: 1}, {}]\n",
        "serial_number: \"BBBB\"\nexpansion_chassis: [{present: 0}, {}]\n"};
    writeFile(file_, versions[0], true);
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::atomic<long> calls{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                char buf[21];
                uint8_t present = 0xee;
                bad += osGetSerialNumber(buf, sizeof buf) != 0 ||
                       (std::strcmp(buf, "AAAA") != 0 && std::strcmp(buf, "BBBB") != 0) ||
                       osIsChasisPresent(0, &present) != 0 || present > 1;
                ++calls;
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        writeFile(file_, versions[(i + 1) % 2], true);
        // Let the readers see each version before the next replacement.
        const long seen = calls.load();
        while (calls.load() < seen + 8) std::this_thread::yield();
    }
    stop = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(bad.load(), 0);
}

}  // namespace
