// The stand-in libosa through its C functions: which key each answers, texts
// cut within the caller's size, argument checks, injected faults, re-reading
// of the appliance file and what a broken file does. Races: concurrency_test.cpp.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/osa.h"
#include "simulator/result_codes.h"
#include "sim_test_support.h"

namespace {

using qvxsim_test::setEnv;
using qvxsim_test::writeFile;
using Call = std::function<std::string()>;  // "rc answer"

Call text(int32_t (*f)(char*, int32_t)) {
    return [f] {
        char buf[256];
        std::memset(buf, 'x', sizeof buf);
        const int32_t rc = f(buf, sizeof buf);
        return std::to_string(rc) + " " + std::string(buf, strnlen(buf, sizeof buf));
    };
}
template <class T>
Call number(std::function<int32_t(T*)> f) {
    return [f] {
        T value = 0;
        const int32_t rc = f(&value);
        return std::to_string(rc) + " " + std::to_string(value);
    };
}

// Every key, each with its own value; a present of 255 is the largest taken.
const char kEveryKey[] =
    "sub_type: 1\nhardware_type: 2\nhardware_revision: 3\nregion: 4\nmanufacturer_id: 5\n"
    "expansion_chassis: [{present: 255}, {present: 7}]\nserial_number: a\nsystem_id: b\n"
    "part_number: c\npcba_serial_number: d\nhd_serial_number: e\ncnic_one_serial_number: f\n"
    "csc_serial_number: g\nmanufacturer_info: h\nmanufacture_date: i\n"
    "ethernet: {eth1: j, eth2: k, eth3: l}\n";

// Every function of osa.h: its name, a call, and its answer to kEveryKey.
const struct Function {
    std::string name;
    Call call;
    const char* answer;
} kFunctions[] = {
    {"osGetSystemSubType", number<uint16_t>(osGetSystemSubType), "1"},
    {"osGetHardwareType", number<uint16_t>(osGetHardwareType), "2"},
    {"osGetHardwareRevision", number<uint16_t>(osGetHardwareRevision), "3"},
    {"osGetSecsiRegion", number<uint16_t>(osGetSecsiRegion), "4"},
    {"osGetManfId", number<uint16_t>(osGetManfId), "5"},
    {"osIsChasisPresent", number<uint8_t>([](uint8_t* p) { return osIsChasisPresent(0, p); }),
     "255"},
    {"osIsChasisPresent", number<uint8_t>([](uint8_t* p) { return osIsChasisPresent(1, p); }), "7"},
    {"osGetSerialNumber", text(osGetSerialNumber), "a"},
    {"osGetSystemId", text(osGetSystemId), "b"},
    {"osGetPartNumber", text(osGetPartNumber), "c"},
    {"osGetPCBASerialNumber", text(osGetPCBASerialNumber), "d"},
    {"osGetHDSerialNumber", text(osGetHDSerialNumber), "e"},
    {"osGetCNICOneSerialNumber", text(osGetCNICOneSerialNumber), "f"},
    {"osGetCSCSerialNumber", text(osGetCSCSerialNumber), "g"},
    {"osGetManfInfo", text(osGetManfInfo), "h"},
    {"osGetManfDate", text(osGetManfDate), "i"},
    {"osGetEth1Addr", text(osGetEth1Addr), "j"},
    {"osGetEth2Addr", text(osGetEth2Addr), "k"},
    {"osGetEth3Addr", text(osGetEth3Addr), "l"},
};

std::vector<std::string> answers() {
    std::vector<std::string> all;
    for (const Function& f : kFunctions) all.push_back(f.call());
    return all;
}
// A failed call leaves an empty text or a zero.
std::string failed(int32_t code, const Function& f) {
    return std::to_string(code) + (f.answer[0] <= '9' ? " 0" : " ");
}

class OsaTest : public ::testing::Test {
protected:
    void SetUp() override { setEnv("QVX_SIM_APPLIANCE", file_); }
    qvxsim_test::TempDir dir_;
    std::string file_ = dir_.file("appliance.yaml");
};

// Installing the shipped sample changes nothing: it is the built-in appliance.
TEST_F(OsaTest, TheShippedSampleIsTheBuiltInAppliance) {
    setEnv("QVX_SIM_APPLIANCE", std::nullopt);
    const std::vector<std::string> builtIn = answers();
    setEnv("QVX_SIM_APPLIANCE", std::string(QVXSIM_SAMPLE_APPLIANCE));
    EXPECT_EQ(answers(), builtIn);
    EXPECT_EQ(builtIn[7].substr(0, 2), "0 ");  // the serial number is answered
}

// Each function has its own fault code, so one answering another's key, or
// failing with another's code, shows. A broken file fails every call.
TEST_F(OsaTest, EachFunctionAnswersItsKeyOrFailsWithItsCode) {
    writeFile(file_, kEveryKey);
    std::vector<std::string> want, faulty, broken;
    std::map<std::string, int32_t> codes;
    std::string faults = "faults:\n";
    for (const Function& f : kFunctions) {
        want.push_back("0 " + std::string(f.answer));
        const int32_t n = int32_t(codes.size()), code = n % 2 ? INT32_MAX - n : INT32_MIN + n;
        if (codes.emplace(f.name, code).second)
            faults += "  " + f.name + ": " + std::to_string(code) + "\n";
        faulty.push_back(failed(codes[f.name], f));
        broken.push_back(failed(QVXSIM_BAD_BACKING_FILE, f));
    }
    EXPECT_EQ(answers(), want);
    writeFile(file_, faults, true);
    EXPECT_EQ(answers(), faulty);
    for (const char* text : {"sub_type: [1\n", "region: 1\nregion: 2\n",
                             "expansion_chassis: [{present: 256}, {}]\n"}) {
        writeFile(file_, text);
        EXPECT_EQ(answers(), broken) << text;
    }
}

// Every text function shares the same code, and every number one too.
TEST_F(OsaTest, TextsAreCutWithinTheCallersSizeAndBadArgumentsRefused) {
    const std::string longValue = std::string(299, 'A') + 'B';  // 300 characters
    writeFile(file_, "serial_number: " + longValue + "\n");
    for (int32_t size : {1, 300, 301}) {
        std::vector<char> buf(512, '\x7f');
        ASSERT_EQ(osGetSerialNumber(buf.data(), size), 0);
        std::string want = longValue.substr(0, std::min(300, size - 1)) + '\0';
        want.resize(buf.size(), '\x7f');
        EXPECT_EQ(std::string(buf.data(), buf.size()), want) << "size " << size;
    }
    char buf[4] = {'k', 'e', 'e', 'p'};
    uint8_t present = 0xee;
    EXPECT_EQ(osGetSystemId(buf, 0), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(osGetSystemId(buf, INT32_MIN), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(osIsChasisPresent(-1, &present), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(osIsChasisPresent(2, &present), QVXSIM_BAD_ARGUMENT);
    EXPECT_EQ(std::string(buf, 4) + std::to_string(present), "keep238");
}

}  // namespace
