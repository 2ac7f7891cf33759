// The stand-in libosa through its C functions: default appliance, texts cut
// within the caller's size, argument checks, injected faults, live re-reading
// of the appliance file and what a broken file does.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/osa.h"
#include "simulator/appliance.h"
#include "simulator/result_codes.h"
#include "sim_test_support.h"

namespace {

using qvxsim::Appliance;
using qvxsim::defaultAppliance;
using qvxsim_test::replaceFile;
using qvxsim_test::ScopedEnv;
using qvxsim_test::writeInPlace;

constexpr const char* kEnv = "QVX_SIM_APPLIANCE";
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

struct TextCase {
    const char* name;
    int32_t (*function)(char*, int32_t);
    const char* key;  // YAML key, "ethernet.ethN" for the addresses
    const std::string Appliance::*field;  // null: the ethernet address of the key
};

const TextCase kTexts[] = {
    {"osGetSerialNumber", osGetSerialNumber, "serial_number", &Appliance::serialNumber},
    {"osGetSystemId", osGetSystemId, "system_id", &Appliance::systemId},
    {"osGetPartNumber", osGetPartNumber, "part_number", &Appliance::partNumber},
    {"osGetPCBASerialNumber", osGetPCBASerialNumber, "pcba_serial_number",
     &Appliance::pcbaSerialNumber},
    {"osGetHDSerialNumber", osGetHDSerialNumber, "hd_serial_number", &Appliance::hdSerialNumber},
    {"osGetCNICOneSerialNumber", osGetCNICOneSerialNumber, "cnic_one_serial_number",
     &Appliance::cnicOneSerialNumber},
    {"osGetCSCSerialNumber", osGetCSCSerialNumber, "csc_serial_number",
     &Appliance::cscSerialNumber},
    {"osGetManfInfo", osGetManfInfo, "manufacturer_info", &Appliance::manufacturerInfo},
    {"osGetManfDate", osGetManfDate, "manufacture_date", &Appliance::manufactureDate},
    {"osGetEth1Addr", osGetEth1Addr, "ethernet.eth1", nullptr},
    {"osGetEth2Addr", osGetEth2Addr, "ethernet.eth2", nullptr},
    {"osGetEth3Addr", osGetEth3Addr, "ethernet.eth3", nullptr},
};

const std::string& expectedText(const TextCase& c, const Appliance& a) {
    return c.field ? a.*(c.field) : a.ethernet[std::string(c.key).back() - '1'];
}

std::string yamlFor(const TextCase& c, const std::string& value) {
    const std::string key = c.key;
    const auto dot = key.find('.');
    if (dot == std::string::npos) return key + ": \"" + value + "\"\n";
    return key.substr(0, dot) + ":\n  " + key.substr(dot + 1) + ": \"" + value + "\"\n";
}

struct NumberCase {
    const char* name;
    int32_t (*function)(uint16_t*);
    uint16_t Appliance::*field;
};

const NumberCase kNumbers[] = {
    {"osGetSystemSubType", osGetSystemSubType, &Appliance::subType},
    {"osGetHardwareType", osGetHardwareType, &Appliance::hardwareType},
    {"osGetHardwareRevision", osGetHardwareRevision, &Appliance::hardwareRevision},
    {"osGetSecsiRegion", osGetSecsiRegion, &Appliance::region},
    {"osGetManfId", osGetManfId, &Appliance::manufacturerId}};

// Every function of osa.h by name, called with valid arguments; `text` gets
// what it answered (for a text function: what it wrote).
struct AnyCall {
    std::string name;
    bool isText;
    std::function<int32_t(std::string& text)> call;
};

std::vector<AnyCall> allFunctions() {
    std::vector<AnyCall> all;
    for (const NumberCase& c : kNumbers) {
        all.push_back({c.name, false, [f = c.function](std::string& text) {
                           uint16_t value = 0;
                           const int32_t rc = f(&value);
                           text = std::to_string(value);
                           return rc;
                       }});
    }
    for (const TextCase& c : kTexts) {
        all.push_back({c.name, true, [f = c.function](std::string& text) {
                           char buf[256];
                           std::memset(buf, 'x', sizeof buf);
                           const int32_t rc = f(buf, sizeof buf);
                           text.assign(buf, strnlen(buf, sizeof buf));
                           return rc;
                       }});
    }
    for (int32_t index : {0, 1}) {
        all.push_back({"osIsChasisPresent", false, [index](std::string& text) {
                           uint8_t present = 0;
                           const int32_t rc = osIsChasisPresent(index, &present);
                           text = std::to_string(present);
                           return rc;
                       }});
    }
    return all;
}

// Every call must fail with `code`; failed text calls leave the empty text.
void expectAllFail(int32_t code) {
    for (AnyCall& f : allFunctions()) {
        std::string text;
        EXPECT_EQ(f.call(text), code) << f.name;
        if (f.isText) { EXPECT_EQ(text, "") << f.name; }
    }
}

uint16_t region() {
    uint16_t value = 0;
    EXPECT_EQ(osGetSecsiRegion(&value), 0);
    return value;
}

class OsaTest : public ::testing::Test {
protected:
    qvxsim_test::TempDir dir_;
    std::string file_ = dir_.file("appliance.yaml");
    ScopedEnv env_{kEnv, file_};
};

TEST_F(OsaTest, DefaultAndSampleFileAnswerTheBuiltInAppliance) {
    const Appliance& a = defaultAppliance();
    std::vector<std::string> want;
    for (const NumberCase& c : kNumbers) want.push_back(std::to_string(a.*(c.field)));
    for (const TextCase& c : kTexts) want.push_back(expectedText(c, a));
    for (uint8_t present : a.chassisPresent) want.push_back(std::to_string(present));

    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>(QVXSIM_SAMPLE_APPLIANCE)}) {
        SCOPED_TRACE("QVX_SIM_APPLIANCE='" + value.value_or("(unset)") + "'");
        env_.set(value);
        size_t i = 0;
        for (AnyCall& f : allFunctions()) {
            std::string text;
            EXPECT_EQ(f.call(text), 0) << f.name;
            EXPECT_EQ(text, want[i++]) << f.name;
        }
    }
    std::istringstream fields(a.manufactureDate);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    ASSERT_TRUE(fields >> year >> month >> day >> hour >> minute) << a.manufactureDate;
    EXPECT_TRUE(year > 1970 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 &&
                minute <= 59) << a.manufactureDate;
}

TEST_F(OsaTest, TextsAreCutWithinTheCallersSize) {
    std::string longValue;  // 300 characters, each position recognisable
    for (int i = 0; longValue.size() < 300; ++i) longValue += static_cast<char>('A' + i % 26);
    for (const TextCase& c : kTexts) {
        for (const std::string& value : {longValue, std::string()}) {
            writeInPlace(file_, yamlFor(c, value));
            for (int32_t size : {1, 2, 13, 21, 255, 256, 299, 300, 301, 400}) {
                SCOPED_TRACE(std::string(c.name) + " length " + std::to_string(value.size()) +
                             " size " + std::to_string(size));
                std::vector<char> buf(512, '\x7f');
                ASSERT_EQ(c.function(buf.data(), size), 0);
                const size_t kept = std::min(value.size(), static_cast<size_t>(size) - 1);
                EXPECT_EQ(std::string(buf.data(), kept), value.substr(0, kept));
                EXPECT_EQ(buf[kept], '\0');
                for (size_t i = kept + 1; i < buf.size(); ++i) ASSERT_EQ(buf[i], '\x7f') << i;
            }
        }
    }
}

TEST_F(OsaTest, NullPointersAndBadSizesAreRefused) {
    writeInPlace(file_, "");
    for (const TextCase& c : kTexts) {
        EXPECT_EQ(c.function(nullptr, 256), QVXSIM_BAD_ARGUMENT) << c.name;
        for (int32_t size : {0, -1, kMin}) {
            char buf[4] = {'k', 'e', 'e', 'p'};
            EXPECT_EQ(c.function(buf, size), QVXSIM_BAD_ARGUMENT) << c.name << size;
            EXPECT_EQ(std::string(buf, 4), "keep") << c.name << size;
        }
    }
    for (const NumberCase& c : kNumbers)
        EXPECT_EQ(c.function(nullptr), QVXSIM_BAD_ARGUMENT) << c.name;
    EXPECT_EQ(osIsChasisPresent(0, nullptr), QVXSIM_BAD_ARGUMENT);
    for (int32_t index : {-1, 2, std::numeric_limits<int32_t>::max()}) {
        uint8_t present = 0xee;
        EXPECT_EQ(osIsChasisPresent(index, &present), QVXSIM_BAD_ARGUMENT) << index;
        EXPECT_EQ(present, 0xee) << index;
    }
}

TEST_F(OsaTest, EachFunctionFailsWithItsInjectedCodeAndOnlyIt) {
    for (const AnyCall& target : allFunctions()) {
        for (int32_t code : {-1, kMin, std::numeric_limits<int32_t>::max()}) {
            SCOPED_TRACE(target.name + " -> " + std::to_string(code));
            replaceFile(file_, "faults:\n  " + target.name + ": " + std::to_string(code) + "\n");
            for (AnyCall& f : allFunctions()) {
                std::string text;
                const bool hit = f.name == target.name;
                EXPECT_EQ(f.call(text), hit ? code : 0) << f.name;
                if (hit && f.isText) { EXPECT_EQ(text, "") << f.name; }
            }
        }
    }
}

TEST_F(OsaTest, SeesEveryChangeOfTheFileAtOnce) {
    // Same size each time, written back to back: the stamp alone may not move.
    for (const char* flags : {"1, 1", "1, 0", "0, 0"}) {
        writeInPlace(file_, "expansion_chassis: [{present: " + std::string(flags, 1) +
                                "}, {present: " + (flags + 3) + "}]\n");
        uint8_t present[2] = {0xee, 0xee};
        ASSERT_EQ(osIsChasisPresent(0, &present[0]), 0);
        ASSERT_EQ(osIsChasisPresent(1, &present[1]), 0);
        EXPECT_EQ(std::to_string(present[0]) + ", " + std::to_string(present[1]), flags);
    }
    uint16_t id = 0;
    for (int32_t code : {-3, -4, 0}) {
        writeInPlace(file_, "faults:\n  osGetManfId: " + std::to_string(code) + "\n");
        EXPECT_EQ(osGetManfId(&id), code);
    }
    EXPECT_EQ(id, defaultAppliance().manufacturerId);
    for (const char* serial : {"FIRST", "NEXT!"}) {
        replaceFile(file_, std::string("serial_number: \"") + serial + "\"\n");
        char buf[21];
        ASSERT_EQ(osGetSerialNumber(buf, sizeof buf), 0);
        EXPECT_STREQ(buf, serial);
    }
}

TEST_F(OsaTest, FollowsTheVariableToAnotherFileAndBackToTheDefault) {
    const std::string other = dir_.file("other.yaml");
    writeInPlace(file_, "region: 7\n");
    writeInPlace(other, "region: 8\n");
    EXPECT_EQ(region(), 7);
    env_.set(other);
    EXPECT_EQ(region(), 8);
    env_.set(std::nullopt);
    EXPECT_EQ(region(), defaultAppliance().region);
    env_.set(file_);
    EXPECT_EQ(region(), 7);
}

TEST_F(OsaTest, BrokenMissingOrUnreadableFileFailsEveryCallUntilFixed) {
    for (const char* text :
         {"sub_type: [1\n", "faults:\n  osGetNothing: 1\n", "expansion_chassis: []\n"}) {
        SCOPED_TRACE(text);
        replaceFile(file_, "region: 9\n");
        ASSERT_EQ(region(), 9);
        replaceFile(file_, text);
        expectAllFail(QVXSIM_BAD_BACKING_FILE);
        replaceFile(file_, "region: 10\n");
        EXPECT_EQ(region(), 10) << "answers again once fixed";
    }
    env_.set(dir_.path());  // a directory
    expectAllFail(QVXSIM_BAD_BACKING_FILE);
    env_.set(dir_.file("late.yaml"));
    expectAllFail(QVXSIM_BAD_BACKING_FILE);
    writeInPlace(dir_.file("late.yaml"), "region: 11\n");
    EXPECT_EQ(region(), 11) << "a file that appears later is used";
}

TEST_F(OsaTest, ThreadsReadConsistentAnswersWhileTheFileIsReplaced) {
    const std::string versions[] = {
        "serial_number: \"AAAA\"\nexpansion_chassis: [{present: 1}, {}]\n",
        "serial_number: \"BBBB\"\nexpansion_chassis: [{present: 0}, {}]\n"};
    replaceFile(file_, versions[0]);
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
        replaceFile(file_, versions[(i + 1) % 2]);
        // Let the readers see each version before the next replacement.
        const long seen = calls.load();
        while (calls.load() < seen + 8) std::this_thread::yield();
    }
    stop = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(bad.load(), 0);
}

}  // namespace
