// First requests for QVX_MBMLogicalModule arriving on many threads at once.
// Each test runs in its own process, so the manager does not exist yet when
// the threads start.
#include "InventoryClient.hpp"
#include "PlatformDouble.hpp"
#include "StartLine.hpp"

#include "mbm/QVX_MBM.hpp"

#include "OW_CIMException.hpp"
#include "OW_CIMObjectPath.hpp"

#include <gtest/gtest.h>

#include <exception>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace OpenWBEM;
using qvx_test::InventoryClient;
using qvx_test::PlatformDouble;
using qvx_test::typedKey;
using qvx_test::typedProperty;

namespace {

const char* const kClass = "QVX_MBMLogicalModule";
const int kThreads = 8;

typedef QVX_MBMLogicalModuleInstanceManager Manager;

struct Outcome {
    Manager* seen = nullptr;
    std::vector<std::string> deviceIDs;
    std::vector<std::string> userTracking;
    std::string error;
};

TEST(MBMConcurrency, SimultaneousFirstRequestsShareOneManager) {
    PlatformDouble::instance().reset();
    PlatformDouble::instance().setEntry("QVX_MBMProvider", "MBMLogicalModule1UserTracking", "B");
    InventoryClient client;
    qvx_test::StartLine start(kThreads);
    std::vector<Outcome> outcomes(kThreads);
    std::vector<std::thread> threads;

    for (int k = 0; k < kThreads; ++k) {
        threads.emplace_back([&, k] {
            Outcome& out = outcomes[k];
            start.arriveAndWait();
            try {
                // Half the threads reach the manager directly, half through
                // a request, so both ways race for the creation.
                if (k % 2 == 0) out.seen = Manager::instance();
                for (const CIMObjectPath& path : client.enumInstanceNames(kClass)) {
                    out.deviceIDs.push_back(typedKey(path, "DeviceID"));
                    out.userTracking.push_back(
                        typedProperty(client.getInstance(path), "UserTracking"));
                }
                if (k % 2 == 1) out.seen = Manager::instance();
            } catch (const std::exception& e) {
                out.error = e.what();
            }
        });
    }
    for (std::thread& t : threads) t.join();

    Manager* manager = Manager::instance();
    ASSERT_NE(nullptr, manager);
    for (int k = 0; k < kThreads; ++k) {
        SCOPED_TRACE(k);
        const Outcome& out = outcomes[k];
        EXPECT_EQ("", out.error);
        EXPECT_EQ(manager, out.seen);
        EXPECT_EQ(
            (std::vector<std::string>{"string MBMLogicalModule0", "string MBMLogicalModule1"}),
            out.deviceIDs);
        EXPECT_EQ((std::vector<std::string>{"string ", "string B"}), out.userTracking);
    }
    EXPECT_TRUE(client.logLines().empty());
}

TEST(MBMConcurrency, SimultaneousWritesEachLandAndStamp) {
    PlatformDouble::instance().reset();
    InventoryClient client;
    qvx_test::StartLine start(kThreads);
    std::vector<std::string> errors(kThreads);
    std::vector<std::thread> threads;

    for (int k = 0; k < kThreads; ++k) {
        threads.emplace_back([&, k] {
            start.arriveAndWait();
            try {
                CIMInstance change(kClass);
                change.setProperty("CreationClassName", CIMValue("QVX_MBMLogicalModule"));
                change.setProperty("DeviceID",
                                   CIMValue(("MBMLogicalModule" + std::to_string(k % 2)).c_str()));
                change.setProperty("UserTracking",
                                   CIMValue(("writer " + std::to_string(k)).c_str()));
                client.modifyInstance(change);
            } catch (const std::exception& e) {
                errors[k] = e.what();
            }
        });
    }
    for (std::thread& t : threads) t.join();

    for (int k = 0; k < kThreads; ++k) EXPECT_EQ("", errors[k]) << k;
    PlatformDouble& platform = PlatformDouble::instance();
    EXPECT_EQ(static_cast<size_t>(kThreads), platform.count("KduSetRegEntryString"));
    EXPECT_EQ(static_cast<size_t>(kThreads), platform.count("KduSetRegEntryInt"));
    // Each module keeps the text of one of its own writers.
    for (int i = 0; i < 2; ++i) {
        std::optional<std::string> text = platform.textEntry(
            "QVX_MBMProvider", "MBMLogicalModule" + std::to_string(i) + "UserTracking");
        ASSERT_TRUE(text);
        ASSERT_EQ(0u, text->rfind("writer ", 0));
        EXPECT_EQ(i, std::stoi(text->substr(7)) % 2);
    }
}

}  // namespace
