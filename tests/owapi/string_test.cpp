// String: which constructor a number reaches, the text helpers providers
// build keys with, and the numeric conversions (which tell a string with no
// buffer from an empty one).

#include <gtest/gtest.h>

#include <string>

#include "OW_String.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;
using owtest::outcome;

String formatted(const char* text) {
    String s("old");
    s.format("%s", text);
    return s;
}

std::string str(const String& s) {
    return std::string(s.c_str(), s.length());
}

TEST(OwString, Texts) {
    const std::string longArg(300, 'q');
    const std::pair<String, std::string> cases[] = {
        // Promotions: small integers and bool are numbers, a plain char a character.
        {String(UInt8(3)), "3"},
        {String(true), "1"},
        {String('A'), "A"},
        {String("x") + 65, "xA"},
        // Six significant digits, the shorter of fixed and scientific.
        {String(1.5), "1.5"},
        {String(100.0), "100"},
        {String(1234567.0), "1.23457e+06"},
        {String("ab").concat('\0').concat('c'), std::string("ab\0c", 4)},
        {String("\t\nx y\r\n").ltrim(), "x y\r\n"},
        {String("\t\nx y\r\n").rtrim(), "\t\nx y"},
        {String("abcabc").substring(4, 99), "bc"},
        {String("abc").substring(2), "c"},
        {formatted(longArg.c_str()), longArg},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(str(got), want);
    EXPECT_EQ(String("x").format("%s", longArg.c_str()), 300);
}

// The value, or "!" and what the StringConversionException says.
template <class T, class... Base>
std::string conv(const String& s, T (String::*to)(Base...) const) {
    return outcome([&] { return std::to_string(+(s.*to)(Base(10)...)); });
}
std::string hex(const String& s) {
    return outcome([&] { return std::to_string(s.toUInt32(16)); });
}
std::string boolean(const String& s) {
    return outcome([&] { return std::string(s.toBool() ? "true" : "false"); });
}

// A string with no buffer (String(), and what erases or trims a text away)
// looks like one with an empty buffer (String("")), but only the second
// reads as 0.
TEST(OwString, NumericConversions) {
    String erased("abc");
    erased.erase();
    const String none[] = {String(),
                           erased,
                           String("abc").substring(3),
                           String(nullptr),
                           String(" \t").trim(),
                           String(" \t").rtrim()};
    for (const String& s : none) EXPECT_TRUE(s.empty() && s == String() && s == "" && !*s.c_str());
    const std::string bad = "!StringConversionException: Unable to convert \"";
    const bool lp64 = sizeof(long) == 8;
    const std::pair<std::string, std::string> cases[] = {
        {conv(String(), &String::toUInt32), bad + "\" into UInt32"},
        {conv(erased, &String::toReal64), bad + "\" into Real64"},
        {conv(String("abc").substring(3), &String::toReal32), bad + "\" into Real32"},
        {conv(String(nullptr), &String::toInt8), bad + "\" into Int8"},
        {conv(String(" \t").trim(), &String::toUInt32), bad + "\" into UInt32"},
        {boolean(String(" \t").rtrim()), bad + "\" into bool"},
        {conv(String(""), &String::toUInt32), "0"},
        {conv(String("abc", 0), &String::toInt8), "0"},
        {conv(formatted(""), &String::toReal64), "0.000000"},
        // Leading blanks and a sign are read, anything after the number is not.
        {conv(" 5", &String::toUInt32), "5"},
        {conv("+7", &String::toUInt32), "7"},
        {conv("5 ", &String::toUInt32), bad + "5 \" into UInt32"},
        {conv("0x10", &String::toUInt32), bad + "0x10\" into UInt32"},
        {hex("0x10"), "16"},
        // A negative text wraps in unsigned long, then must fit the type.
        {conv("-1", &String::toUInt8), bad + "-1\" into UInt8"},
        {conv("-1", &String::toUInt32), lp64 ? bad + "-1\" into UInt32" : "4294967295"},
        {conv("-1", &String::toUInt64), "18446744073709551615"},
        // Range: the type's own, and the C library's.
        {conv("256", &String::toUInt8), bad + "256\" into UInt8"},
        {conv("-129", &String::toInt8), bad + "-129\" into Int8"},
        {conv("2147483648", &String::toInt32), bad + "2147483648\" into Int32"},
        {conv("-9000000000", &String::toInt64), "-9000000000"},
        {conv("18446744073709551616", &String::toUInt64),
         bad + "18446744073709551616\" into UInt64"},
        {conv("1e999", &String::toReal64), bad + "1e999\" into Real64"},
        {conv("1e300", &String::toReal32), bad + "1e300\" into Real32"},
        {boolean("TRUE"), "true"},
        {boolean("False"), "false"},
        {boolean("yes"), bad + "yes\" into bool"},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

}  // namespace
