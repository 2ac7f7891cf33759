// First requests for the expansion chassis and the MBM modules arriving on
// many threads at once. Each test runs in its own process, so the class's
// manager does not exist yet when the threads start.
#include "InventoryClient.hpp"
#include "PlatformDouble.hpp"
#include "StartLine.hpp"

#include "expansion/QVX_Z64ExpansionChassisNew.hpp"
#include "mbm/QVX_MBM.hpp"

#include <gtest/gtest.h>

#include <exception>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>
#include "OW_CIMClass.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CIMParamValue.hpp"

using namespace OpenWBEM;
using qvx_test::PlatformDouble;

namespace {

const int kThreads = 8;

// One class with two instances, told apart by an index key "<prefix><i>"
// that also names its user-tracking entry in the registry.
struct Subject {
    const char* name;
    const char* className;
    const char* creationClassName;
    const char* indexKey;
    const char* prefix;
    const char* registryProvider;
    const void* (*manager)();
};
const Subject kSubjects[] = {
    {"expansion", "QVX_Z64ExpansionChassis", "QVX_ExpansionChassis", "Tag", "ExpansionChassis",
     "QVX_Z64ExpansionChassisProvider",
     [] { return static_cast<const void*>(QVX_Z64ExpansionChassisInstanceManager::instance()); }},
    {"mbm", "QVX_MBMLogicalModule", "QVX_MBMLogicalModule", "DeviceID", "MBMLogicalModule",
     "QVX_MBMProvider",
     [] { return static_cast<const void*>(QVX_MBMLogicalModuleInstanceManager::instance()); }},
};

void PrintTo(const Subject& s, std::ostream* out) { *out << s.name; }

class FirstRequests : public ::testing::TestWithParam<Subject> {
protected:
    // Runs body(k) on kThreads threads released together; returns what each threw.
    template <class Body>
    std::vector<std::string> race(Body body) {
        qvx_test::StartLine start(kThreads);
        std::vector<std::string> errors(kThreads);
        std::vector<std::thread> threads;
        for (int k = 0; k < kThreads; ++k) {
            threads.emplace_back([&, k] {
                start.arriveAndWait();
                try {
                    body(k);
                } catch (const std::exception& e) {
                    errors[k] = e.what();
                }
            });
        }
        for (std::thread& t : threads) t.join();
        return errors;
    }
    std::string entry(int i) const {
        return GetParam().prefix + std::to_string(i) + "UserTracking";
    }

    struct Reset {
        Reset() { PlatformDouble::instance().reset(); }
    } m_reset;
    qvx_test::InventoryClient client;
};

TEST_P(FirstRequests, ShareOneManagerAndGetTheRightAnswers) {
    const Subject& s = GetParam();
    PlatformDouble::instance().setEntry(s.registryProvider, entry(1), "B");
    std::vector<const void*> seen(kThreads);
    std::vector<std::vector<std::string>> answers(kThreads);

    std::vector<std::string> errors = race([&](int k) {
        // Half the threads reach the manager directly, half through a request.
        if (k % 2 == 0) seen[k] = s.manager();
        for (const CIMObjectPath& path : client.enumInstanceNames(s.className)) {
            answers[k].push_back(qvx_test::typedKey(path, s.indexKey));
            answers[k].push_back(qvx_test::typedProperty(client.getInstance(path), "UserTracking"));
        }
        for (const CIMInstance& inst : client.enumInstances(s.className)) {
            answers[k].push_back(qvx_test::typedProperty(inst, "UserTracking"));
        }
        if (k % 2 == 1) seen[k] = s.manager();
    });

    const void* manager = s.manager();
    ASSERT_NE(nullptr, manager);
    const std::string p = std::string("string ") + s.prefix;
    const std::vector<std::string> expected = {p + "0",    "string ", p + "1",
                                               "string B", "string ", "string B"};
    for (int k = 0; k < kThreads; ++k) {
        EXPECT_EQ("", errors[k]) << k;
        EXPECT_EQ(manager, seen[k]) << k;
        EXPECT_EQ(expected, answers[k]) << k;
    }
    EXPECT_TRUE(client.logLines().empty());
}

TEST_P(FirstRequests, SimultaneousWritesEachLandAndStamp) {
    const Subject& s = GetParam();
    std::vector<std::string> errors = race([&](int k) {
        CIMInstance change(s.className);
        change.setProperty("CreationClassName", CIMValue(s.creationClassName));
        change.setProperty(s.indexKey, CIMValue((s.prefix + std::to_string(k % 2)).c_str()));
        change.setProperty("UserTracking", CIMValue(("writer " + std::to_string(k)).c_str()));
        client.modifyInstance(change);
    });

    for (int k = 0; k < kThreads; ++k) EXPECT_EQ("", errors[k]) << k;
    PlatformDouble& platform = PlatformDouble::instance();
    EXPECT_EQ(static_cast<size_t>(kThreads), platform.count("KduSetRegEntryString"));
    EXPECT_EQ(static_cast<size_t>(kThreads), platform.count("KduSetRegEntryInt"));
    // Each instance keeps the text of one of its own writers.
    for (int i = 0; i < 2; ++i) {
        std::optional<std::string> text = platform.textEntry(s.registryProvider, entry(i));
        ASSERT_TRUE(text);
        ASSERT_EQ(0u, text->rfind("writer ", 0));
        EXPECT_EQ(i, std::stoi(text->substr(7)) % 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Classes, FirstRequests, ::testing::ValuesIn(kSubjects),
                         [](const ::testing::TestParamInfo<Subject>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
