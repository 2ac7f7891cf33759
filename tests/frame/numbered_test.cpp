// What the expansion chassis and the MBM modules share as numbered records:
// their user-tracking text in the registry and their keyed lookup.
#include "ProviderTest.hpp"

using namespace qvx_test;

namespace {

class NumberedTest : public ProviderTest, public ::testing::WithParamInterface<Numbered> {};

TEST_P(NumberedTest, UserTrackingIsWrittenAsTextUnderEachRecordsEntryAndStamped) {
    const Numbered& n = GetParam();
    const std::string longest(255, 'u');  // what the 256-byte read holds
    const struct {
        int index;
        CIMValue value;
        std::string stored;
    } rows[] = {{0, CIMValue("rack 40"), "rack 40"},
                {1, CIMValue(UInt8(7)), "7"},
                {0, CIMValue(longest.c_str()), longest}};
    for (const auto& row : rows) {
        platform().reset();
        const std::vector<std::string> expected = {"KduSetRegEntryString(Providers," +
                                                       std::string(n.registryProvider) + "," +
                                                       n.entry(row.index) + "," + row.stored + ")",
                                                   "STAMP"};
        EXPECT_EQ(expected,
                  callsOf([&] { modify(n.change(n.path(row.index), "UserTracking", row.value)); }));
        EXPECT_EQ("string " + row.stored, typedProperty(get(n.path(row.index)), "UserTracking"));
        EXPECT_EQ("string ", typedProperty(get(n.path(1 - row.index)), "UserTracking"));
    }
    // A refused stamp does not fail the write.
    platform().fail("KduSetRegEntryInt", 4);
    modify(n.change(n.path(1), "UserTracking", CIMValue("kept")));
    EXPECT_EQ(std::string("kept"), platform().entry(n.registryProvider, n.entry(1)));
    EXPECT_TRUE(logged().empty());
}

TEST_P(NumberedTest, ARefusedWriteFailsTheRequestWithoutStamp) {
    const Numbered& n = GetParam();
    platform().fail("KduSetRegEntryString", 13, n.entry(0));
    CIMException e = cimError([&] { modify(n.change(n.path(0), "UserTracking", CIMValue("x"))); });
    EXPECT_EQ(CIMException::FAILED, e.getErrNo());
    EXPECT_STREQ(n.providerFile, e.getFile());
    EXPECT_EQ(0u, platform().count("KduSetRegEntryInt"));
    EXPECT_EQ(1u, logged().size());
}

// The creation class name is compared before the index, both exactly; all
// keys are read before either.
TEST_P(NumberedTest, KeysThatNameNoRecordAreNotFoundWithoutMessage) {
    const Numbered& n = GetParam();
    const std::string lower = String(n.tag(0).c_str()).toLowerCase().c_str();
    const std::string otherCase = String(n.creationClassName).toUpperCase().c_str();
    const struct {
        std::optional<std::string> index;
        std::optional<std::string> creationClass;
        const char* file;
    } rows[] = {
        {n.tag(2), n.creationClassName, n.managerFile},  // only two records
        {lower, n.creationClassName, n.managerFile},
        {n.tag(0), "QVX_Z64ExpansionChassis",
         n.managerFile},  // a served class, not the creation class
        {n.tag(0), otherCase, n.managerFile},
        {std::nullopt, n.creationClassName, n.providerFile},
        {n.tag(0), std::nullopt, n.providerFile},
    };
    for (const auto& row : rows) {
        CIMObjectPath path = n.path(row.index ? row.index->c_str() : nullptr,
                                    row.creationClass ? row.creationClass->c_str() : nullptr);
        SCOPED_TRACE(path.toString().c_str());
        expectNotFound(path, n.change(path, "UserTracking", CIMValue("x")), row.file);
    }
    EXPECT_TRUE(logged().empty());
}

INSTANTIATE_TEST_SUITE_P(Classes, NumberedTest, ::testing::ValuesIn(kNumbered), numberedName);

}  // namespace
