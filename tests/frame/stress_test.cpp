// Many threads sending mixed requests for all three classes through one
// composite provider, as an object manager with a thread pool does. Run
// under ThreadSanitizer in CI.
#include "ProviderTest.hpp"

#include <atomic>

using namespace qvx_test;

namespace {

const int kThreads = 8;
const int kRounds = 25;

const struct {
    const char* className;
    size_t count;
    int writable;  // properties a modify of a read-back instance writes
} kTargets[] = {
    {"QVX_Z64Chassis", 1, 3}, {"QVX_Z64ExpansionChassis", 2, 1}, {"QVX_MBMLogicalModule", 2, 1}};

class StressTest : public ProviderTest {};

TEST_F(StressTest, MixedRequestsFromManyThreads) {
    std::atomic<int> failures(0);
    std::atomic<int> writes(0);
    std::vector<std::string> errors = race(kThreads, [&](int t) {
        for (int round = 0; round < kRounds; ++round) {
            for (const auto& target : kTargets) {
                std::vector<CIMObjectPath> paths = names(target.className);
                std::vector<CIMInstance> all = instances(target.className);
                if (paths.size() != target.count || all.size() != target.count) ++failures;
                CIMInstance one = get(paths.at(round % paths.size()));
                std::string text = "t" + std::to_string(t) + "-" + std::to_string(round);
                one.setProperty("UserTracking", CIMValue(text.c_str()));
                modify(one);
                writes += target.writable;
            }
        }
    });

    EXPECT_EQ(std::vector<std::string>(kThreads), errors);
    EXPECT_EQ(0, failures.load());
    EXPECT_TRUE(logged().empty());
    // Every acknowledged write reached the registry, each with its stamp.
    EXPECT_EQ(static_cast<size_t>(writes.load()), platform().count("KduSetRegEntryString"));
    EXPECT_EQ(static_cast<size_t>(writes.load()), platform().count("KduSetRegEntryInt"));
}

}  // namespace
