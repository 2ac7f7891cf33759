// Array copy-on-write and index checks.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OW_Array.hpp"
#include "OW_Exception.hpp"
#include "OW_String.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;
using owtest::arr;

TEST(OwArray, CopyOnWrite) {
    StringArray s = arr<String>({"x", "y"});
    StringArray t = s;
    *t.begin() = "changed";
    t.push_back("z");
    EXPECT_EQ(owtest::strings(s), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(owtest::strings(t), (std::vector<std::string>{"changed", "y", "z"}));
    Array<int> a = arr<int>({1, 2, 3}), b = a;
    b[0] = 9;
    b.remove(1);
    EXPECT_EQ(a, arr<int>({1, 2, 3}));
    EXPECT_EQ(b, arr<int>({9, 3}));
}

TEST(OwArray, OutOfRangeIndex) {
    const std::pair<Array<int>, size_t> cases[] = {{arr<int>({1, 2, 3}), 3}, {Array<int>(), 0}};
    for (const auto& [a, index] : cases) {
        const std::string want = "Array Index out of bounds. size = " + std::to_string(a.size()) +
                                 ", index = " + std::to_string(index);
        try {
            (void)a[index];
            ADD_FAILURE() << "const index " << index << " accepted";
        } catch (const OutOfBoundsException& e) {
            EXPECT_EQ(e.getMessage(), want);
        }
        Array<int> writable = a;
        try {
            writable[index] = 1;
            ADD_FAILURE() << "index " << index << " accepted";
        } catch (const OutOfBoundsException& e) {
            EXPECT_EQ(e.getMessage(), want);
        }
        EXPECT_EQ(writable, a) << "failed write changed nothing";
    }
}

TEST(OwArray, AppendArray) {
    Array<int> a = arr<int>({1, 2});
    a.appendArray(a);
    EXPECT_EQ(a, arr<int>({1, 2, 1, 2}));
    Array<int> shared = a;
    shared.appendArray(a);
    EXPECT_EQ(shared.size(), 8u);
    EXPECT_EQ(a.size(), 4u);
    Array<int> empty;
    empty.appendArray(empty);
    empty += 6;
    empty.append(7);
    EXPECT_EQ(empty, arr<int>({6, 7}));
}

}  // namespace
