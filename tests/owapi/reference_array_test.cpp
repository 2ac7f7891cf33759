// IntrusiveReference ownership (the host holds providers and loggers
// through it) and Array copy-on-write and index checks.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "OW_Array.hpp"
#include "OW_Exception.hpp"
#include "OW_IntrusiveCountableBase.hpp"
#include "OW_IntrusiveReference.hpp"
#include "OW_String.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;
using owtest::arr;

class Counted : public IntrusiveCountableBase {
public:
    explicit Counted(std::atomic<int>* deaths) : m_deaths(deaths) {}
    ~Counted() override { ++*m_deaths; }

private:
    std::atomic<int>* m_deaths;
};

class Derived : public Counted {
public:
    explicit Derived(std::atomic<int>* deaths) : Counted(deaths) {}
    int value = 7;
};

typedef IntrusiveReference<Counted> CountedRef;
typedef IntrusiveReference<Derived> DerivedRef;

TEST(OwIntrusiveReference, DeletedWithTheLastReference) {
    std::atomic<int> first(0), second(0), third(0);
    CountedRef a(new Counted(&first));
    {
        CountedRef b(a), c;
        c = b;
        EXPECT_TRUE(c == a);
    }
    a = a;
    EXPECT_EQ(first, 0) << "copies gone and self-assignment: the original still holds it";
    CountedRef b(new Counted(&second));
    Counted* pa = a.getPtr();
    a.swap(b);
    swap(a, b);
    EXPECT_EQ(a.getPtr(), pa);
    EXPECT_EQ(first + second, 0) << "swapping deletes nothing";
    a = b;  // a's object had no other holder
    EXPECT_EQ(first, 1);
    a = new Counted(&third);  // raw pointer assignment takes ownership
    EXPECT_EQ(second, 0) << "b still holds the second object";
    b = CountedRef();
    EXPECT_EQ(second, 1);
    EXPECT_TRUE(!b);
    a = static_cast<Counted*>(0);
    EXPECT_EQ(third, 1);
    EXPECT_TRUE(!a);
}

TEST(OwIntrusiveReference, Casts) {
    std::atomic<int> deaths(0);
    CountedRef base(new Derived(&deaths));
    DerivedRef d = base.cast_to<Derived>();
    ASSERT_TRUE(static_cast<bool>(d));
    EXPECT_EQ(d->value, 7);
    DerivedRef d2 = dynamic_pointer_cast<Derived>(base);
    EXPECT_TRUE(d2 == d);
    base = CountedRef();
    EXPECT_EQ(deaths, 0) << "the derived references still hold it";
    CountedRef up(d);  // implicit upcast shares the count
    d = DerivedRef();
    d2 = DerivedRef();
    EXPECT_EQ(deaths, 0);
    up = CountedRef();
    EXPECT_EQ(deaths, 1);

    CountedRef plain(new Counted(&deaths));
    EXPECT_TRUE(!plain.cast_to<Derived>()) << "failed cast gives null";
    EXPECT_TRUE(!dynamic_pointer_cast<Derived>(plain));
    EXPECT_EQ(deaths, 1) << "a failed cast does not release the object";
}

TEST(OwIntrusiveReference, CopiedObjectStartsAtZero) {
    std::atomic<int> deaths(0);
    CountedRef original(new Counted(&deaths));
    CountedRef extra(original);
    {
        // Had the copy inherited a count of 2, one release would not free it.
        CountedRef copy(new Counted(*original));
    }
    EXPECT_EQ(deaths, 1);

    std::atomic<int> otherDeaths(0);
    CountedRef other(new Counted(&otherDeaths));
    *other = *original;  // assignment leaves both counts alone
    other = CountedRef();
    EXPECT_EQ(deaths + otherDeaths, 2);
    extra = CountedRef();
    original = CountedRef();
    EXPECT_EQ(deaths + otherDeaths, 3);
}

TEST(OwIntrusiveReference, ConcurrentCopies) {
    std::atomic<int> deaths(0);
    const CountedRef shared(new Counted(&deaths));
    std::atomic<int> ready(0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&shared, &ready] {
            // Start together so the updates really overlap.
            ++ready;
            while (ready.load() < 4) std::this_thread::yield();
            for (int i = 0; i < 200000; ++i) {
                CountedRef a(shared);
                CountedRef b;
                b = a;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(deaths, 0) << "lost updates would have freed the object early";
    { CountedRef last(shared); }
    EXPECT_EQ(deaths, 0);
}

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
