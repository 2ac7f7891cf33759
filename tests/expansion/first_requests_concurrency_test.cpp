// First requests for the expansion chassis and the MBM modules arriving on
// many threads at once. Each test runs in its own process, so the class's
// manager does not exist yet when the threads start.
#include "ProviderTest.hpp"

#include "expansion/QVX_Z64ExpansionChassisNew.hpp"
#include "mbm/QVX_MBM.hpp"

using namespace qvx_test;

namespace {

const int kThreads = 8;

// The class's instance manager, as its first users reach it.
const void* manager(const Numbered& n) {
    if (n.className == kNumbered[0].className) {
        return QVX_Z64ExpansionChassisInstanceManager::instance();
    }
    return QVX_MBMLogicalModuleInstanceManager::instance();
}

class FirstRequests : public ProviderTest, public ::testing::WithParamInterface<Numbered> {};

TEST_P(FirstRequests, ShareOneManagerAndGetTheRightAnswers) {
    const Numbered& n = GetParam();
    platform().setEntry(n.registryProvider, n.entry(1), "B");
    std::vector<const void*> seen(kThreads);
    std::vector<std::vector<std::string>> answers(kThreads);

    std::vector<std::string> errors = race(kThreads, [&](int k) {
        // Half the threads reach the manager directly, half through a request.
        if (k % 2 == 0) seen[k] = manager(n);
        for (const CIMObjectPath& path : names(n.className)) {
            answers[k].push_back(typedText(path.getKey(n.indexKey)));
            answers[k].push_back(typedProperty(get(path), "UserTracking"));
        }
        for (const CIMInstance& inst : instances(n.className)) {
            answers[k].push_back(typedProperty(inst, "UserTracking"));
        }
        if (k % 2 == 1) seen[k] = manager(n);
    });

    const std::string p = std::string("string ") + n.prefix;
    const std::vector<std::string> expected = {p + "0",    "string ", p + "1",
                                               "string B", "string ", "string B"};
    for (int k = 0; k < kThreads; ++k) {
        EXPECT_EQ("", errors[k]) << k;
        EXPECT_EQ(manager(n), seen[k]) << k;
        EXPECT_EQ(expected, answers[k]) << k;
    }
    EXPECT_TRUE(logged().empty());
}

INSTANTIATE_TEST_SUITE_P(Classes, FirstRequests, ::testing::ValuesIn(kNumbered), numberedName);

}  // namespace
