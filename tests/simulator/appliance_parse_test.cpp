// The appliance-file parser on its own: what a valid file changes, and that
// every kind of mistake is refused with a message that points at it.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>

#include "simulator/appliance.h"

using qvxsim::Appliance;
using qvxsim::ApplianceError;
using qvxsim::defaultAppliance;
using qvxsim::parseAppliance;

TEST(ApplianceDefault, IsAPlausibleApplianceEqualToTheSampleFile) {
    const Appliance& a = defaultAppliance();
    EXPECT_TRUE(a.subType >= 1 && a.subType <= 3) << a.subType;
    EXPECT_TRUE(!a.serialNumber.empty() && a.serialNumber.size() <= 20u) << a.serialNumber;
    EXPECT_TRUE(!a.systemId.empty() && a.systemId.size() <= 12u) << a.systemId;
    for (const std::string& address : a.ethernet) EXPECT_FALSE(address.empty());
    EXPECT_NE(a.ethernet[0], a.ethernet[1]);
    EXPECT_NE(a.ethernet[1], a.ethernet[2]);
    EXPECT_EQ(a.chassisPresent[0] == 1, a.chassisPresent[1] != 1) << "exactly one plugged in";
    EXPECT_TRUE(a.faults.empty());

    std::ifstream in(QVXSIM_SAMPLE_APPLIANCE, std::ios::binary);
    const std::string sample{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(sample.empty()) << QVXSIM_SAMPLE_APPLIANCE;
    EXPECT_TRUE(parseAppliance(sample) == defaultAppliance());
}

TEST(ApplianceParse, ValidFilesChangeOnlyWhatTheyName) {
    const std::pair<const char*, std::function<void(Appliance&)>> cases[] = {
        {"# only a comment\n", [](Appliance&) {}},
        {"hardware_type: 0x1f\n", [](Appliance& a) { a.hardwareType = 31; }},
        {"region: 65535\n", [](Appliance& a) { a.region = 65535; }},
        {"serial_number: 0012345\n", [](Appliance& a) { a.serialNumber = "0012345"; }},
        {"part_number:\n", [](Appliance& a) { a.partNumber.clear(); }},
        {"system_id: \"~\"\n", [](Appliance& a) { a.systemId = "~"; }},
        {"manufacture_date: 1999 1 2 3 4\n",
         [](Appliance& a) { a.manufactureDate = "1999 1 2 3 4"; }},
        {"ethernet:\n  eth2: x\n", [](Appliance& a) { a.ethernet[1] = "x"; }},
        {"expansion_chassis:\n  - present: false\n  - present: yes\n",
         [](Appliance& a) {
             a.chassisPresent = {0, 1};
         }},
        {"expansion_chassis:\n  - present: 2\n  - {}\n",
         [](Appliance& a) { a.chassisPresent[0] = 2; }},
        {"faults:\n  osGetManfId: -7\n  osIsChasisPresent: 2147483647\n",
         [](Appliance& a) {
             a.faults["osGetManfId"] = -7;
             a.faults["osIsChasisPresent"] = std::numeric_limits<int32_t>::max();
         }},
        {"faults:\n  osGetSerialNumber: 0\n", [](Appliance&) {}},  // code 0 is no fault
        {"faults:\n", [](Appliance&) {}},
    };
    for (const auto& [yaml, change] : cases) {
        SCOPED_TRACE(yaml);
        Appliance expected = defaultAppliance();
        change(expected);
        try {
            EXPECT_TRUE(parseAppliance(yaml) == expected);
        } catch (const ApplianceError& e) {
            ADD_FAILURE() << "refused: " << e.what();
        }
    }
}

TEST(ApplianceParse, RefusesMistakesWithAPointedMessage) {
    const std::pair<const char*, const char*> cases[] = {
        // text, part of the message
        {"sub_type: [1\n", "line 2, column 1: end of sequence flow not found"},
        {"sub_type: 70000\n", "sub_type: expected an integer from 0 to 65535"},
        {"sub_type: -1\n", "sub_type"},
        {"sub_type: 1.5\n", "sub_type"},
        {"region: 1\nregion: 2\n", "line 2, column 1: key 'region' given twice"},
        {"serial_numbr: x\n", "unknown key 'serial_numbr'"},
        {"serial_number: [a, b]\n", "serial_number: expected a text"},
        {"manufacturer_info: {a: b}\n", "manufacturer_info: expected a text"},
        {"- 1\n- 2\n", "the top level: expected a mapping"},
        {"ethernet:\n  eth4: x\n", "unknown key 'ethernet.eth4'"},
        {"ethernet: 02:00\n", "ethernet: expected a mapping"},
        {"expansion_chassis:\n  - present: true\n", "exactly two"},
        {"expansion_chassis:\n  - present: 1\n  - present: 0\n  - present: 0\n", "exactly two"},
        {"expansion_chassis:\n  - present: 256\n  - present: 0\n", "expansion_chassis[0].present"},
        {"expansion_chassis:\n  - present: 0\n  - colour: red\n",
         "unknown key 'expansion_chassis[1].colour'"},
        {"faults:\n  osGetNothing: 1\n", "'osGetNothing' is not a function of libosa"},
        {"faults:\n  osGetManfId: 2147483648\n", "faults.osGetManfId"},
        {"faults:\n  osGetManfId: -2147483649\n", "faults.osGetManfId"},
        {"faults: 5\n", "faults: expected a mapping"},
    };
    for (const auto& [yaml, messagePart] : cases) {
        SCOPED_TRACE(yaml);
        try {
            parseAppliance(yaml);
            ADD_FAILURE() << "accepted";
        } catch (const ApplianceError& e) {
            EXPECT_NE(std::string(e.what()).find(messagePart), std::string::npos) << e.what();
        }
    }
}

TEST(ApplianceParse, DeepNestingIsRefusedNotACrash) {
    std::string nestedBlocks;
    for (int i = 0; i < 20000; ++i) nestedBlocks += "- ";
    for (const std::string& text :
         {std::string(100000, '['), "a: " + std::string(100000, '{'), nestedBlocks}) {
        EXPECT_THROW(parseAppliance(text), ApplianceError);
    }
}
