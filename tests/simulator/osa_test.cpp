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

using qvxsim_test::ScopedEnv;
using qvxsim_test::TempDir;

constexpr const char* kEnv = "QVX_SIM_APPLIANCE";

using TextFunction = int32_t (*)(char*, int32_t);
using NumberFunction = int32_t (*)(uint16_t*);

struct TextCase {
    const char* name;
    TextFunction function;
    const char* key;  // YAML key, dotted for nested ones
    const std::string qvxsim::Appliance::*field;
    int ethernet;  // index into ethernet when field is null
};

const std::vector<TextCase>& textCases() {
    using A = qvxsim::Appliance;
    static const std::vector<TextCase> cases = {
        {"osGetSerialNumber", osGetSerialNumber, "serial_number", &A::serialNumber, -1},
        {"osGetSystemId", osGetSystemId, "system_id", &A::systemId, -1},
        {"osGetPartNumber", osGetPartNumber, "part_number", &A::partNumber, -1},
        {"osGetPCBASerialNumber", osGetPCBASerialNumber, "pcba_serial_number", &A::pcbaSerialNumber,
         -1},
        {"osGetHDSerialNumber", osGetHDSerialNumber, "hd_serial_number", &A::hdSerialNumber, -1},
        {"osGetCNICOneSerialNumber", osGetCNICOneSerialNumber, "cnic_one_serial_number",
         &A::cnicOneSerialNumber, -1},
        {"osGetCSCSerialNumber", osGetCSCSerialNumber, "csc_serial_number", &A::cscSerialNumber,
         -1},
        {"osGetManfInfo", osGetManfInfo, "manufacturer_info", &A::manufacturerInfo, -1},
        {"osGetManfDate", osGetManfDate, "manufacture_date", &A::manufactureDate, -1},
        {"osGetEth1Addr", osGetEth1Addr, "ethernet.eth1", nullptr, 0},
        {"osGetEth2Addr", osGetEth2Addr, "ethernet.eth2", nullptr, 1},
        {"osGetEth3Addr", osGetEth3Addr, "ethernet.eth3", nullptr, 2},
    };
    return cases;
}

const std::string& expectedText(const TextCase& c, const qvxsim::Appliance& a) {
    return c.field != nullptr ? a.*(c.field) : a.ethernet[static_cast<size_t>(c.ethernet)];
}

// One YAML line (or nested block) setting the text of a case.
std::string yamlFor(const TextCase& c, const std::string& value) {
    const std::string key = c.key;
    const auto dot = key.find('.');
    if (dot == std::string::npos) return key + ": \"" + value + "\"\n";
    return key.substr(0, dot) + ":\n  " + key.substr(dot + 1) + ": \"" + value + "\"\n";
}

struct NumberCase {
    const char* name;
    NumberFunction function;
    uint16_t qvxsim::Appliance::*field;
};

const std::vector<NumberCase>& numberCases() {
    using A = qvxsim::Appliance;
    static const std::vector<NumberCase> cases = {
        {"osGetSystemSubType", osGetSystemSubType, &A::subType},
        {"osGetHardwareType", osGetHardwareType, &A::hardwareType},
        {"osGetHardwareRevision", osGetHardwareRevision, &A::hardwareRevision},
        {"osGetSecsiRegion", osGetSecsiRegion, &A::region},
        {"osGetManfId", osGetManfId, &A::manufacturerId},
    };
    return cases;
}

// Every function of osa.h by name, called with valid arguments. For a text
// function, `text` receives what it wrote.
struct AnyCall {
    std::string name;
    std::function<int32_t(std::string& text)> call;
};

std::vector<AnyCall> allFunctions() {
    std::vector<AnyCall> all;
    for (const NumberCase& c : numberCases()) {
        all.push_back({c.name, [f = c.function](std::string& text) {
                           uint16_t value = 0;
                           const int32_t rc = f(&value);
                           text = std::to_string(value);
                           return rc;
                       }});
    }
    for (const TextCase& c : textCases()) {
        all.push_back({c.name, [f = c.function](std::string& text) {
                           char buf[256];
                           std::memset(buf, 'x', sizeof buf);
                           const int32_t rc = f(buf, sizeof buf);
                           text.assign(buf, strnlen(buf, sizeof buf));
                           return rc;
                       }});
    }
    for (int32_t index : {0, 1}) {
        all.push_back({"osIsChasisPresent", [index](std::string& text) {
                           uint8_t present = 0;
                           const int32_t rc = osIsChasisPresent(index, &present);
                           text = std::to_string(present);
                           return rc;
                       }});
    }
    return all;
}

uint8_t chassis(int32_t index) {
    uint8_t present = 0xee;
    EXPECT_EQ(osIsChasisPresent(index, &present), 0);
    return present;
}

class OsaTest : public ::testing::Test {
protected:
    TempDir dir_;
    std::string file_ = dir_.file("appliance.yaml");
    ScopedEnv env_{kEnv, file_};
};

class OsaDefaultTest : public ::testing::Test {
protected:
    ScopedEnv env_{kEnv, std::nullopt};
};

TEST_F(OsaDefaultTest, AnswersThePlausibleBuiltInAppliance) {
    uint16_t subType = 0;
    ASSERT_EQ(osGetSystemSubType(&subType), 0);
    EXPECT_GE(subType, 1);
    EXPECT_LE(subType, 3);
    for (const NumberCase& c : numberCases()) {
        uint16_t value = 0;
        EXPECT_EQ(c.function(&value), 0) << c.name;
        EXPECT_EQ(value, qvxsim::defaultAppliance().*(c.field)) << c.name;
    }

    for (const TextCase& c : textCases()) {
        char buf[256];
        EXPECT_EQ(c.function(buf, sizeof buf), 0) << c.name;
        EXPECT_EQ(buf, expectedText(c, qvxsim::defaultAppliance())) << c.name;
        EXPECT_NE(buf[0], '\0') << c.name;
    }

    char serial[21];
    ASSERT_EQ(osGetSerialNumber(serial, sizeof serial), 0);
    EXPECT_EQ(serial, qvxsim::defaultAppliance().serialNumber) << "fits 20 characters uncut";
    char systemId[13];
    ASSERT_EQ(osGetSystemId(systemId, sizeof systemId), 0);
    EXPECT_EQ(systemId, qvxsim::defaultAppliance().systemId) << "fits 12 characters uncut";

    char date[32];
    ASSERT_EQ(osGetManfDate(date, sizeof date), 0);
    std::istringstream fields(date);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    ASSERT_TRUE(fields >> year >> month >> day >> hour >> minute) << date;
    EXPECT_TRUE(year > 1970 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 &&
                minute <= 59)
        << date;

    EXPECT_EQ(chassis(0), 1) << "chassis 1 plugged in";
    EXPECT_EQ(chassis(1), 0) << "chassis 2 absent";
}

TEST_F(OsaDefaultTest, EmptyVariableMeansDefaultAndSampleFileAnswersTheSame) {
    std::vector<std::string> builtIn;
    for (AnyCall& f : allFunctions()) {
        std::string text;
        ASSERT_EQ(f.call(text), 0) << f.name;
        builtIn.push_back(text);
    }
    for (const std::string& value : {std::string(), std::string(QVXSIM_SAMPLE_APPLIANCE)}) {
        SCOPED_TRACE("QVX_SIM_APPLIANCE='" + value + "'");
        ScopedEnv env(kEnv, value);
        size_t i = 0;
        for (AnyCall& f : allFunctions()) {
            std::string text;
            EXPECT_EQ(f.call(text), 0) << f.name;
            EXPECT_EQ(text, builtIn[i++]) << f.name;
        }
    }
}

TEST_F(OsaTest, TextsAreCutWithinTheCallersSize) {
    // 300 characters, each position recognisable.
    std::string longValue;
    for (int i = 0; longValue.size() < 300; ++i) longValue += static_cast<char>('A' + i % 26);

    for (const TextCase& c : textCases()) {
        SCOPED_TRACE(c.name);
        for (const std::string& value : {longValue, std::string("SN-20-characters-ok!"),
                                         std::string("twelve-chars"), std::string()}) {
            qvxsim_test::writeInPlace(file_, yamlFor(c, value));
            std::vector<int32_t> sizes = {1, 2, 5, 13, 21, 32, 255, 256, 400};
            sizes.push_back(static_cast<int32_t>(value.size()));      // cut by one
            sizes.push_back(static_cast<int32_t>(value.size()) + 1);  // exact fit
            for (int32_t size : sizes) {
                if (size <= 0) continue;
                SCOPED_TRACE("value length " + std::to_string(value.size()) + ", size " +
                             std::to_string(size));
                std::vector<char> buf(512, '\x7f');
                ASSERT_EQ(c.function(buf.data(), size), 0);
                const size_t kept = std::min(value.size(), static_cast<size_t>(size) - 1);
                EXPECT_EQ(std::string(buf.data(), kept), value.substr(0, kept));
                EXPECT_EQ(buf[kept], '\0');
                for (size_t i = kept + 1; i < buf.size(); ++i) {
                    ASSERT_EQ(buf[i], '\x7f') << "byte " << i << " written";
                }
            }
        }
    }
}

TEST_F(OsaTest, NullPointersAndBadSizesAreRefused) {
    qvxsim_test::writeInPlace(file_, "");
    for (const TextCase& c : textCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.function(nullptr, 256), QVXSIM_BAD_ARGUMENT);
        for (int32_t size : {0, -1, std::numeric_limits<int32_t>::min()}) {
            char buf[4] = {'k', 'e', 'e', 'p'};
            EXPECT_EQ(c.function(buf, size), QVXSIM_BAD_ARGUMENT) << size;
            EXPECT_EQ(std::string(buf, 4), "keep") << size;
        }
    }
    for (const NumberCase& c : numberCases()) {
        EXPECT_EQ(c.function(nullptr), QVXSIM_BAD_ARGUMENT) << c.name;
    }
    EXPECT_EQ(osIsChasisPresent(0, nullptr), QVXSIM_BAD_ARGUMENT);
    for (int32_t index : {-1, 2, std::numeric_limits<int32_t>::max()}) {
        uint8_t present = 0xee;
        EXPECT_EQ(osIsChasisPresent(index, &present), QVXSIM_BAD_ARGUMENT) << index;
        EXPECT_EQ(present, 0xee) << index;
    }
}

TEST_F(OsaTest, EachFunctionFailsWithItsInjectedCodeAndOnlyIt) {
    const int32_t codes[] = {5, -1, std::numeric_limits<int32_t>::min(),
                             std::numeric_limits<int32_t>::max()};
    std::vector<AnyCall> all = allFunctions();
    for (const AnyCall& target : all) {
        for (int32_t code : codes) {
            SCOPED_TRACE(target.name + " -> " + std::to_string(code));
            qvxsim_test::replaceFile(
                file_, "faults:\n  " + target.name + ": " + std::to_string(code) + "\n");
            for (AnyCall& f : all) {
                std::string text;
                const int32_t rc = f.call(text);
                EXPECT_EQ(rc, f.name == target.name ? code : 0) << f.name;
            }
        }
    }
}

TEST_F(OsaTest, FailedTextCallLeavesTheEmptyText) {
    for (const TextCase& c : textCases()) {
        qvxsim_test::replaceFile(file_, std::string("faults:\n  ") + c.name + ": 9\n");
        char buf[256];
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(c.function(buf, sizeof buf), 9) << c.name;
        EXPECT_EQ(buf[0], '\0') << c.name;
    }
}

TEST_F(OsaTest, SeesTheFileRewrittenInPlaceAtOnce) {
    // Same size each time, written back to back: the stamp alone may not move.
    qvxsim_test::writeInPlace(file_, "expansion_chassis:\n  - present: 1\n  - present: 1\n");
    EXPECT_EQ(chassis(1), 1);
    qvxsim_test::writeInPlace(file_, "expansion_chassis:\n  - present: 1\n  - present: 0\n");
    EXPECT_EQ(chassis(1), 0) << "chassis 2 unplugged";
    qvxsim_test::writeInPlace(file_, "expansion_chassis:\n  - present: 0\n  - present: 0\n");
    EXPECT_EQ(chassis(0), 0) << "chassis 1 unplugged";

    qvxsim_test::writeInPlace(file_, "faults:\n  osGetManfId: -3\n");
    uint16_t id = 0;
    EXPECT_EQ(osGetManfId(&id), -3);
    qvxsim_test::writeInPlace(file_, "faults:\n  osGetManfId: -4\n");
    EXPECT_EQ(osGetManfId(&id), -4);
    qvxsim_test::writeInPlace(file_, "faults: {}\n");
    EXPECT_EQ(osGetManfId(&id), 0);
    EXPECT_EQ(id, qvxsim::defaultAppliance().manufacturerId);
}

TEST_F(OsaTest, SeesTheFileReplacedByRename) {
    qvxsim_test::replaceFile(file_, "serial_number: \"FIRST\"\n");
    char buf[21];
    ASSERT_EQ(osGetSerialNumber(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "FIRST");
    qvxsim_test::replaceFile(file_, "serial_number: \"NEXT!\"\n");
    ASSERT_EQ(osGetSerialNumber(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "NEXT!");
}

TEST_F(OsaTest, FollowsTheVariableToAnotherFileAndBackToTheDefault) {
    const std::string other = dir_.file("other.yaml");
    qvxsim_test::writeInPlace(file_, "region: 7\n");
    qvxsim_test::writeInPlace(other, "region: 8\n");
    uint16_t region = 0;
    ASSERT_EQ(osGetSecsiRegion(&region), 0);
    EXPECT_EQ(region, 7);
    env_.set(other);
    ASSERT_EQ(osGetSecsiRegion(&region), 0);
    EXPECT_EQ(region, 8);
    env_.set(std::nullopt);
    ASSERT_EQ(osGetSecsiRegion(&region), 0);
    EXPECT_EQ(region, qvxsim::defaultAppliance().region);
    env_.set(file_);
    ASSERT_EQ(osGetSecsiRegion(&region), 0);
    EXPECT_EQ(region, 7);
}

TEST_F(OsaTest, BrokenFileFailsEveryCallUntilFixed) {
    const char* broken[] = {
        "sub_type: [1\n",                // not YAML
        "serial_numbr: x\n",             // unknown key
        "sub_type: 70000\n",             // out of range
        "faults:\n  osGetNothing: 1\n",  // unknown function
        "expansion_chassis: []\n",       // wrong shape
    };
    for (const char* text : broken) {
        SCOPED_TRACE(text);
        qvxsim_test::replaceFile(file_, "region: 9\n");
        uint16_t region = 0;
        ASSERT_EQ(osGetSecsiRegion(&region), 0);
        ASSERT_EQ(region, 9);

        qvxsim_test::replaceFile(file_, text);
        for (AnyCall& f : allFunctions()) {
            std::string out;
            EXPECT_EQ(f.call(out), QVXSIM_BAD_BACKING_FILE) << f.name;
        }
        char buf[32];
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(osGetManfDate(buf, sizeof buf), QVXSIM_BAD_BACKING_FILE);
        EXPECT_EQ(buf[0], '\0');

        qvxsim_test::replaceFile(file_, "region: 10\n");
        ASSERT_EQ(osGetSecsiRegion(&region), 0) << "answers again once fixed";
        EXPECT_EQ(region, 10);
    }
}

TEST_F(OsaTest, MissingOrUnreadableFileFailsEveryCall) {
    for (const std::string& path : {dir_.file("absent.yaml"), dir_.path()}) {
        SCOPED_TRACE(path);
        env_.set(path);
        for (AnyCall& f : allFunctions()) {
            std::string out;
            EXPECT_EQ(f.call(out), QVXSIM_BAD_BACKING_FILE) << f.name;
        }
    }
    env_.set(dir_.file("late.yaml"));
    uint16_t region = 0;
    EXPECT_EQ(osGetSecsiRegion(&region), QVXSIM_BAD_BACKING_FILE);
    qvxsim_test::writeInPlace(dir_.file("late.yaml"), "region: 11\n");
    ASSERT_EQ(osGetSecsiRegion(&region), 0) << "a file that appears later is used";
    EXPECT_EQ(region, 11);
}

TEST_F(OsaTest, ThreadsReadConsistentAnswersWhileTheFileIsReplaced) {
    const std::string first = "serial_number: \"AAAA\"\nexpansion_chassis: [{present: 1}, {}]\n";
    const std::string second = "serial_number: \"BBBB\"\nexpansion_chassis: [{present: 0}, {}]\n";
    qvxsim_test::replaceFile(file_, first);

    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::atomic<long> calls{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                char buf[21];
                uint8_t present = 0xee;
                if (osGetSerialNumber(buf, sizeof buf) != 0 ||
                    (std::strcmp(buf, "AAAA") != 0 && std::strcmp(buf, "BBBB") != 0)) {
                    ++bad;
                }
                if (osIsChasisPresent(0, &present) != 0 || present > 1) ++bad;
                ++calls;
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        qvxsim_test::replaceFile(file_, i % 2 == 0 ? second : first);
        // Let the readers see each version before the next replacement.
        const long seen = calls.load();
        while (calls.load() < seen + 8) std::this_thread::yield();
    }
    stop = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(bad.load(), 0);
}

}  // namespace
