// The appliance-file parser on its own: what a valid file changes, and that
// every kind of mistake is refused with a message that points at it.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "simulator/appliance.h"

using qvxsim::Appliance;
using qvxsim::defaultAppliance;
using qvxsim::parseAppliance;

TEST(ApplianceParse, ValidFilesChangeOnlyWhatTheyName) {
    std::ifstream in(QVXSIM_SAMPLE_APPLIANCE, std::ios::binary);
    const std::string sample{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(sample.empty()) << QVXSIM_SAMPLE_APPLIANCE;
    const std::pair<std::string, std::function<void(Appliance&)>> cases[] = {
        {sample, [](Appliance&) {}},  // the sample file is the built-in appliance
        {"# only a comment\nfaults:\n", [](Appliance&) {}},
        {"hardware_type: 0x1f\n", [](Appliance& a) { a.hardwareType = 31; }},
        {"region: 65535\n", [](Appliance& a) { a.region = 65535; }},
        {"serial_number: 0012345\n", [](Appliance& a) { a.serialNumber = "0012345"; }},
        {"part_number:\n", [](Appliance& a) { a.partNumber.clear(); }},
        {"system_id: \"~\"\n", [](Appliance& a) { a.systemId = "~"; }},
        {"ethernet:\n  eth2: x\n", [](Appliance& a) { a.ethernet[1] = "x"; }},
        {"expansion_chassis:\n  - present: false\n  - present: yes\n",
         [](Appliance& a) {
             a.chassisPresent = {0, 1};
         }},
        {"expansion_chassis:\n  - present: 255\n  - {}\n",
         [](Appliance& a) { a.chassisPresent[0] = 255; }},
        {"faults:\n  osGetManfId: -2147483648\n  osIsChasisPresent: 2147483647\n  osGetPartNumber: "
         "0\n",
         [](Appliance& a) {
             a.faults["osGetManfId"] = INT32_MIN;
             a.faults["osIsChasisPresent"] = INT32_MAX;  // code 0 is no fault
         }},
    };
    for (const auto& [yaml, change] : cases) {
        Appliance expected = defaultAppliance();
        change(expected);
        try {
            EXPECT_TRUE(parseAppliance(yaml) == expected) << yaml;
        } catch (const qvxsim::ApplianceError& e) {
            ADD_FAILURE() << yaml << " refused: " << e.what();
        }
    }
}

TEST(ApplianceParse, RefusesMistakesWithAPointedMessage) {
    std::string nestedBlocks;
    for (int i = 0; i < 20000; ++i) nestedBlocks += "- ";
    const std::pair<std::string, const char*> cases[] = {
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
        // Deep nesting is refused, not a crash.
        {std::string(100000, '['), ""},
        {"a: " + std::string(100000, '{'), ""},
        {nestedBlocks, ""},
    };
    for (const auto& [yaml, messagePart] : cases) {
        try {
            parseAppliance(yaml);
            ADD_FAILURE() << yaml.substr(0, 80) << " accepted";
        } catch (const qvxsim::ApplianceError& e) {
            EXPECT_NE(std::string(e.what()).find(messagePart), std::string::npos) << e.what();
        }
    }
}
