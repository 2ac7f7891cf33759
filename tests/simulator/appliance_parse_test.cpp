// The appliance-file parser on its own: what a valid file changes, and that
// every kind of mistake is refused with a message that points at it.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "simulator/appliance.h"
#include "sim_test_support.h"

using qvxsim::Appliance;
using qvxsim::ApplianceError;
using qvxsim::defaultAppliance;
using qvxsim::parseAppliance;

TEST(ApplianceDefault, IsAPlausibleAppliance) {
    const Appliance& a = defaultAppliance();
    EXPECT_GE(a.subType, 1);
    EXPECT_LE(a.subType, 3);
    EXPECT_FALSE(a.serialNumber.empty());
    EXPECT_LE(a.serialNumber.size(), 20u);
    EXPECT_FALSE(a.systemId.empty());
    EXPECT_LE(a.systemId.size(), 12u);
    for (const std::string& address : a.ethernet) EXPECT_FALSE(address.empty());
    EXPECT_NE(a.ethernet[0], a.ethernet[1]);
    EXPECT_NE(a.ethernet[1], a.ethernet[2]);
    EXPECT_EQ(a.chassisPresent[0] == 1, a.chassisPresent[1] != 1)
        << "exactly one expansion chassis is plugged in";
    EXPECT_TRUE(a.faults.empty());
}

TEST(ApplianceDefault, EqualsTheSampleFile) {
    const std::string sample = qvxsim_test::readFile(QVXSIM_SAMPLE_APPLIANCE);
    ASSERT_FALSE(sample.empty()) << QVXSIM_SAMPLE_APPLIANCE;
    EXPECT_TRUE(parseAppliance(sample) == defaultAppliance());
}

struct ValidCase {
    const char* name;
    const char* yaml;
    std::function<void(Appliance&)> expectedChange;  // applied to the default
};

TEST(ApplianceParse, ValidFilesChangeOnlyWhatTheyName) {
    const ValidCase cases[] = {
        {"empty text", "", [](Appliance&) {}},
        {"only a comment", "# nothing here\n", [](Appliance&) {}},
        {"number", "sub_type: 3\n", [](Appliance& a) { a.subType = 3; }},
        {"hex number", "hardware_type: 0x1f\n", [](Appliance& a) { a.hardwareType = 31; }},
        {"largest number", "region: 65535\n", [](Appliance& a) { a.region = 65535; }},
        {"digits as text", "serial_number: 0012345\n",
         [](Appliance& a) { a.serialNumber = "0012345"; }},
        {"empty text value", "part_number:\n", [](Appliance& a) { a.partNumber.clear(); }},
        {"quoted tilde", "system_id: \"~\"\n", [](Appliance& a) { a.systemId = "~"; }},
        {"unquoted date", "manufacture_date: 1999 1 2 3 4\n",
         [](Appliance& a) { a.manufactureDate = "1999 1 2 3 4"; }},
        {"one ethernet address", "ethernet:\n  eth2: x\n",
         [](Appliance& a) { a.ethernet[1] = "x"; }},
        {"chassis flags", "expansion_chassis:\n  - present: false\n  - present: yes\n",
         [](Appliance& a) {
             a.chassisPresent = {0, 1};
         }},
        {"raw chassis value", "expansion_chassis:\n  - present: 2\n  - {}\n",
         [](Appliance& a) { a.chassisPresent[0] = 2; }},
        {"faults", "faults:\n  osGetManfId: -7\n  osIsChasisPresent: 2147483647\n",
         [](Appliance& a) {
             a.faults["osGetManfId"] = -7;
             a.faults["osIsChasisPresent"] = std::numeric_limits<int32_t>::max();
         }},
        {"fault code 0 is no fault", "faults:\n  osGetSerialNumber: 0\n", [](Appliance&) {}},
        {"empty faults", "faults:\n", [](Appliance&) {}},
    };
    for (const ValidCase& c : cases) {
        SCOPED_TRACE(c.name);
        Appliance expected = defaultAppliance();
        c.expectedChange(expected);
        try {
            EXPECT_TRUE(parseAppliance(c.yaml) == expected);
        } catch (const ApplianceError& e) {
            ADD_FAILURE() << "refused: " << e.what();
        }
    }
}

struct InvalidCase {
    const char* yaml;
    const char* messagePart;  // the message must point at the mistake
};

TEST(ApplianceParse, RefusesMistakesWithAPointedMessage) {
    const InvalidCase cases[] = {
        {"sub_type: [1\n", "line 2, column 1: end of sequence flow not found"},
        {"sub_type: 70000\n", "sub_type: expected an integer from 0 to 65535"},
        {"sub_type: -1\n", "sub_type"},
        {"sub_type: two\n", "sub_type"},
        {"sub_type: 1.5\n", "sub_type"},
        {"region: 1\nregion: 2\n", "line 2, column 1: key 'region' given twice"},
        {"serial_numbr: x\n", "unknown key 'serial_numbr'"},
        {"serial_number: [a, b]\n", "serial_number: expected a text"},
        {"manufacturer_info: {a: b}\n", "manufacturer_info: expected a text"},
        {"- 1\n- 2\n", "the top level: expected a mapping"},
        {"just words\n", "the top level: expected a mapping"},
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
        {"faults:\n  osGetManfId: oops\n", "faults.osGetManfId"},
        {"faults: 5\n", "faults: expected a mapping"},
        {"faults:\n  - osGetManfId\n", "faults: expected a mapping"},
    };
    for (const InvalidCase& c : cases) {
        SCOPED_TRACE(c.yaml);
        try {
            parseAppliance(c.yaml);
            ADD_FAILURE() << "accepted";
        } catch (const ApplianceError& e) {
            EXPECT_NE(std::string(e.what()).find(c.messagePart), std::string::npos)
                << "message: " << e.what();
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
