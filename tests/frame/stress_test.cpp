// Many threads sending mixed requests for all three classes through one
// composite provider, as an object manager with a thread pool does. Run
// under ThreadSanitizer in CI.
#include "PlatformDouble.hpp"
#include "ProviderCalls.hpp"
#include "StartLine.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CIMParamValue.hpp"
#include "OW_CppProviderBaseIFC.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>

extern "C" OpenWBEM::CppProviderBaseIFC* createProviderQVXInventoryProvider();

using namespace OpenWBEM;
using namespace qvx_test;

namespace {

const int kThreads = 8;
const int kRounds = 25;

struct Target {
    const char* className;
    size_t count;
    int writable;  // properties a modify of a read-back instance writes
};
const Target kTargets[] = {
    {"QVX_Z64Chassis", 1, 3}, {"QVX_Z64ExpansionChassis", 2, 1}, {"QVX_MBMLogicalModule", 2, 1}};

TEST(StressTest, MixedRequestsFromManyThreads) {
    PlatformDouble& platform = PlatformDouble::instance();
    platform.reset();
    Reference<CppProviderBaseIFC> provider(createProviderQVXInventoryProvider());
    Harness harness;
    provider->initialize(harness.env);

    StartLine start(kThreads);
    std::atomic<int> failures(0);
    std::atomic<int> writes(0);
    std::mutex writtenMutex;
    std::set<std::string> written;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            Harness request;
            start.arriveAndWait();
            for (int round = 0; round < kRounds; ++round) {
                for (const Target& target : kTargets) {
                    std::vector<CIMObjectPath> paths =
                        names(*provider, request.env, target.className);
                    std::vector<CIMInstance> all =
                        instances(*provider, request.env, target.className);
                    if (paths.size() != target.count || all.size() != target.count) ++failures;
                    CIMInstance one = get(*provider, request.env, paths[round % paths.size()]);
                    std::string text = "t" + std::to_string(t) + "-" + std::to_string(round);
                    one.setProperty("UserTracking", CIMValue(text.c_str()));
                    modify(*provider, request.env, one);
                    writes += target.writable;
                    {
                        std::lock_guard<std::mutex> lock(writtenMutex);
                        written.insert(text);
                    }
                    CIMException refused = cimError([&] {
                        provider->getInstanceProvider()->createInstance(request.env, "root/cimv2",
                                                                        one);
                    });
                    if (refused.getErrNo() != CIMException::NOT_SUPPORTED) ++failures;
                    CIMException invalid =
                        cimError([&] { names(*provider, request.env, "QVX_Chassis"); });
                    if (invalid.getErrNo() != CIMException::INVALID_CLASS) ++failures;
                }
            }
            if (!request.logger->lines().empty()) ++failures;
        });
    }
    for (std::thread& t : threads) t.join();

    EXPECT_EQ(0, failures.load());
    // Every acknowledged write reached the registry, each with its stamp.
    EXPECT_EQ(static_cast<size_t>(writes.load()), platform.count("KduSetRegEntryString"));
    EXPECT_EQ(static_cast<size_t>(writes.load()), platform.count("KduSetRegEntryInt"));
    EXPECT_TRUE(platform.intEntry("QVX_SystemProvider", "LastChangeTime").has_value());
    // What the registry holds last is one of the texts written.
    const char* const entries[][2] = {
        {"QVX_Z64ChassisProvider", "UserTracking"},
        {"QVX_Z64ExpansionChassisProvider", "ExpansionChassis0UserTracking"},
        {"QVX_Z64ExpansionChassisProvider", "ExpansionChassis1UserTracking"},
        {"QVX_MBMProvider", "MBMLogicalModule0UserTracking"},
        {"QVX_MBMProvider", "MBMLogicalModule1UserTracking"}};
    for (const auto& e : entries) {
        std::optional<std::string> value = platform.textEntry(e[0], e[1]);
        ASSERT_TRUE(value.has_value()) << e[1];
        EXPECT_EQ(1u, written.count(*value)) << e[1];
    }
}

}  // namespace
