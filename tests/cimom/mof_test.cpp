// The MOF reader and the class repository: the shipped schema against the
// inventory's property tables, the error line and text of malformed input,
// string escapes, typed values, methods, limits, and provider routing.
#include "ClassRepository.hpp"
#include "MofReader.hpp"

#include "OW_Bool.hpp"
#include "OW_CIMClass.hpp"
#include "OW_CIMMethod.hpp"
#include "OW_CIMParameter.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_CIMValue.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace OpenWBEM;
using namespace qvx_cimom;

namespace {

std::string str(const String& s) {
    return std::string(s.c_str(), s.length());
}

// The error a text must give; fails the test when it reads cleanly.
MofError errorOf(const std::string& text) {
    try {
        readMof(text, "t.mof");
    } catch (const MofError& e) {
        return e;
    }
    ADD_FAILURE() << "read without error: " << text.substr(0, 200);
    return MofError("t.mof", 0, "no error");
}

CIMClass onlyClass(const std::string& text) {
    std::vector<CIMClass> classes = readMof(text, "t.mof");
    if (classes.size() != 1) {
        ADD_FAILURE() << classes.size() << " classes in " << text;
        return CIMClass(CIMNULL);
    }
    return classes[0];
}

std::string typeText(const CIMDataType& t) {
    std::string out = t.isReferenceType() ? str(t.getRefClassName()) + " REF" : str(t.toString());
    if (t.isArrayType()) out += t.getSize() > 0 ? "[" + std::to_string(t.getSize()) + "]" : "[]";
    return out;
}

// A class in one line: its properties with type, key, Write and default in
// order, then its methods with In and Out of each parameter.
std::string describe(const CIMClass& c) {
    std::string out = str(c.getName());
    if (!c.getSuperClass().empty()) out += " : " + str(c.getSuperClass());
    for (const CIMProperty& p : c.getAllProperties()) {
        out += " " + str(p.getName()) + " " + typeText(p.getDataType()) + (p.isKey() ? " key" : "") +
               (p.hasTrueQualifier("Write") ? " write" : "") +
               (p.getValue() ? " = " + str(p.getValue().toMOF()) : "") + ";";
    }
    for (const CIMMethod& m : c.getAllMethods()) {
        out += " " + typeText(m.getReturnType()) + " " + str(m.getName()) + "(";
        for (const CIMParameter& p : m.getParameters()) {
            out += str(p.getName()) + " " + typeText(p.getType()) +
                   (p.hasTrueQualifier("In") ? " in" : "") + (p.hasTrueQualifier("Out") ? " out" : "") + ",";
        }
        out += ");";
    }
    return out;
}

// ---------------------------------------------------------------- shipped schema

// The served classes as the inventory defines them: names and order of the
// properties, CIM types, keys and the properties an administrator may set.
const std::vector<std::string> kServedClasses = {
    "QVX_Z64Chassis Tag string key; CreationClassName string key; ElementName string; "
    "Manufacturer string; Model string; SerialNumber string; Version string; PartNumber string; "
    "OwnerName string write; Location string write; PhysicalType uint8; UserTracking string write; "
    "CanBeFRUed boolean; SystemID string; MiscInfo string; ManufactureDate datetime; "
    "PCBASerialNumber string; CSCSerialNumber string; HDSerialNumber string; CNICOneSerialNumber string;",
    "QVX_Z64ExpansionChassis Tag string key; CreationClassName string key; ElementName string; "
    "Manufacturer string; PhysicalType uint8; UserTracking string write; CanBeFRUed boolean; "
    "ChassisNo uint8; PresentStatus boolean;",
    "QVX_MBMLogicalModule SystemCreationClassName string key; SystemName string key; "
    "CreationClassName string key; DeviceID string key; Manufacturer string; PhysicalType uint8; "
    "UserTracking string write; CanBeFRUed boolean;",
};

bool hasText(const CIMQualifier& q) {
    return q && q.getValue() && q.getValue().getType() == CIMDataType::STRING &&
           !q.getValue().isArray() && !q.getValue().toString().empty();
}

// Exactly the table's classes, each one and each property described.
void expectServedClasses(const std::vector<CIMClass>& classes) {
    std::vector<std::string> described;
    for (const CIMClass& c : classes) {
        described.push_back(describe(c));
        EXPECT_TRUE(hasText(c.getQualifier("Description"))) << str(c.getName());
        for (const CIMProperty& p : c.getAllProperties()) {
            EXPECT_TRUE(hasText(p.getQualifier("Description"))) << str(p.getName());
        }
    }
    EXPECT_EQ(kServedClasses, described);
}

TEST(MofSchema, ShippedSchemaHasTheServedClassesRoutedToTheProvider) {
    expectServedClasses(readMofFile(QVX_SCHEMA_FILE));
    ClassRepository repo = ClassRepository::fromMofFile(QVX_SCHEMA_FILE);
    std::string keys;
    for (const CIMProperty& k : repo.getClass("QVX_MBMLogicalModule").getKeys()) keys += str(k.getName()) + ";";
    EXPECT_EQ("SystemCreationClassName;SystemName;CreationClassName;DeviceID;", keys);
    std::vector<String> names = repo.classNames();
    ASSERT_EQ(names.size(), 3u);
    for (const String& name : names) EXPECT_EQ(str(repo.providerFor(name)), "QVXInventoryProvider") << name;
}

// What the class printer writes, the reader reads back unchanged.
TEST(MofSchema, PrintedClassesReadBack) {
    std::string printed;
    for (const CIMClass& c : readMofFile(QVX_SCHEMA_FILE)) printed += str(c.toMOF());
    std::vector<CIMClass> again = readMof(printed, "printed.mof");
    expectServedClasses(again);
    EXPECT_EQ(str(again[0].getProperty("Version").getQualifier("Description").getValue().toString()),
              "Hardware type and revision as two hexadecimal numbers, \"tt.rr\".");
}

// The fuzzer's seeds are declarations that read cleanly, so that mutations
// start from valid input.
TEST(MofSchema, FuzzSeedsRead) {
    size_t seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QVX_MOF_CORPUS)) {
        EXPECT_FALSE(readMofFile(entry.path().string()).empty()) << entry.path();
        ++seeds;
    }
    EXPECT_GE(seeds, 5u);
}

// ---------------------------------------------------------------- malformed input

struct ErrorCase {
    std::string text;
    unsigned line;
    const char* message;
};

const ErrorCase kErrors[] = {
    // Where the ';' belongs, not where the next token is.
    {"class A_B {\n  string X\n  string Y;\n};", 2, "expected ';' after the declaration of property X, found 'string'"},
    {"class A_B {\n  strin X;\n};", 2, "unknown data type 'strin'"},
    {"class A_B {\n [Description(\"abc\n)] string X;\n};", 2, "unterminated string"},
    {"class A_B {\n [Description(\"abc", 2, "unterminated string"},
    {"\nclass A_B {};\n/* a\n\n\n", 3, "unterminated comment"},  // the line it opens on
    {"class A_B {\n string X;\n uint8 x;\n};", 3, "duplicate property or method x in class A_B"},
    {"class A_B {};\n\nclass a_b {};", 3, "duplicate class a_b"},
    {"class A_B {\n string X;\n", 3, "missing '}' at the end of class A_B"},
    {"class A_B {\n}\n", 2, "expected ';' after the declaration of class A_B, found end of input"},
    {"class A_B\n string X;\n};", 1, "expected '{' after the name of class A_B, found 'string'"},
    {"class {};", 1, "expected a class name, found '{'"},
    {"};", 1, "expected a class or qualifier declaration, found '}'"},
    {"[Description(\"x\")]\nstring X;", 2, "expected 'class' after a qualifier list, found 'string'"},
    {"[Key]\nclass A_B {};", 1, "qualifier Key is not allowed on a class"},
    {"class A_B {\n [Key(\"yes\")] string X; };", 2, "qualifier Key needs a boolean value, found a string"},
    {"class A_B { [Key(null)] string X; };", 1, "qualifier Key cannot be null"},  // would read as true
    {"[Description] class A_B {};", 1, "qualifier Description needs a value"},
    {"class A_B { [MaxLen(\"64\")] string X; };", 1, "qualifier MaxLen needs a uint32 value, found a string"},
    {"class A_B { [Values(\"a\")] uint8 X; };", 1, "qualifier Values takes an array value in braces"},
    {"class A_B { [Key, key] string X; };", 1, "duplicate qualifier key on property X"},
    {"class A_B { [Key string X; };", 1, "expected ']' at the end of the qualifier list, found 'string'"},
    {"class A_B {\n uint8 X = 256; };", 2, "value 256 is out of range for uint8 (property X)"},
    {"class A_B { sint8 X = -129; };", 1, "value -129 is out of range for sint8 (property X)"},
    {"class A_B { uint16 X = -1; };", 1, "value -1 is out of range for uint16 (property X)"},
    {"class A_B { uint64 X = 18446744073709551616; };", 1, "number 18446744073709551616 is too large"},
    {"class A_B { real32 F = 1e39; };", 1, "value 1e39 is out of range for real32 (property F)"},
    {"class A_B { uint8 X = 08; };", 1, "invalid number '08'"},  // no octal digit
    {"class A_B { uint8 X = \"1\"; };", 1, "property X needs a uint8 value, found a string"},
    {"class A_B { string X = {\"a\"}; };", 1, "property X takes a single value, not an array"},
    {"class A_B { string X[] = \"a\"; };", 1, "property X takes an array value in braces"},
    {"class A_B { string X[] = {\"a\", null}; };", 1, "property X: null is not allowed inside an array"},
    {"class A_B { [Values{{\"a\"}}] uint8 X; };", 1, "nested arrays are not allowed"},
    {"class A_B { string X[0]; };", 1, "invalid array size 0 for property X"},
    {"class A_B { datetime D = \"2005\"; };", 1, "invalid datetime \"2005\" (property D)"},
    {"class A_B { datetime D = \"20051301000000.000000+000\"; };", 1, "invalid datetime \"20051301000000.000000+000\" (property D)"},
    {"[Description(\"a\\qb\")] class A_B {};", 1, "unknown escape sequence \\q ('q')"},
    {"[Description(\"a\\xg\")] class A_B {};", 1, "escape \\x needs hexadecimal digits"},
    {"[Description(\"a\\x00\")] class A_B {};", 1, "escape \\x0 would put a NUL character in a string"},
    {"[Description(\"\\xD800\")] class A_B {};", 1, "escape \\x names a surrogate, not a character"},
    {"class A_B : a_b {};", 1, "class A_B cannot be its own superclass"},
    {"class A_B {};\ninstance of A_B { X = 1; };", 2, "instance declarations are not supported"},
    {"class A_B {\n A_C REF R = $x; };", 2, "default values of references are not supported"},
    {"class A_B $x {};", 1, "aliases are not supported"},
    {"class A_B { char16 C = 'a'; };", 1, "char16 literals are not supported"},
    {"class A_B { A_C REF R[]; };", 1, "reference R cannot be an array"},
    {"class A_B { A_C REF M(); };", 1, "method M cannot return a reference"},
    {"class A_B { uint32 M(string P,\n uint8 p); };", 2, "duplicate parameter p in method M"},
    {"class A_B { uint32 M(string P = \"x\"); };", 1, "default values of parameters are not supported"},
    {"class A_B { uint32 M(string P; };", 1, "expected ')' at the end of the parameters of method M, found ';'"},
    {"#pragma include (\"other.mof\")\n", 1, "#pragma include is not supported"},  // would lose text
    {"\n#define X 1\n", 2, "unknown directive '#define'"},
    {"#pragma\n", 1, "expected a pragma name after #pragma"},
    {"class A_B {\n @ };", 2, "unexpected '@'"},
    {"class A_B {\x01};", 1, "unexpected byte 0x01"},
    {std::string("class A_B {\n\0};", 15), 2, "unexpected byte 0x00"},
    {"Qualifier Q : boolean, Scope(any);\nQualifier q : string, Scope(any);", 2, "duplicate declaration of qualifier q"},
    {"Qualifier Q : boolean;", 1, "expected ',' before the scope of qualifier Q, found ';'"},
    {"Qualifier Q : boolean, Scope(everything);", 1, "unknown scope 'everything'"},
    {"Qualifier Q : boolean, Scope(any), Flavor(Sticky);", 1, "unknown flavor 'Sticky'"},
    {"Qualifier Q : uint8 = 300, Scope(any);", 1, "value 300 is out of range for uint8 (default value of qualifier Q)"},
    // A declared type and scope replace the standard ones.
    {"Qualifier Key : string, Scope(property);\nclass A_B { [Key] string X; };", 2, "qualifier Key needs a value"},
    {"Qualifier Mark : boolean, Scope(class);\nclass A_B { [Mark] string X; };", 2, "qualifier Mark is not allowed on a property"},
    {"class A_B { [Key : Sticky] string X; };", 1, "expected a flavor after ':', found 'Sticky'"},
    // Odd shapes at the lexer's edges; fuzz findings join here.
    {"class A_B { real32 X = -.; };", 1, "unexpected '-'"},
    {"class A_B { real64 X = 1e; };", 1, "invalid number '1e'"},
    {"class A_B { uint8 X = 2b; };", 1, "invalid number '2b'"},
    {"class A_B { uint8 X = 0x; };", 1, "invalid number '0x'"},
    {"[Description(\"\\", 1, "unterminated string"},
    {"#", 1, "unknown directive '#'"},
    {"[", 1, "expected a qualifier name, found end of input"},
};

TEST(MofErrors, LineAndMessage) {
    for (const ErrorCase& c : kErrors) {
        MofError e = errorOf(c.text);
        EXPECT_EQ(e.line(), c.line) << c.text;
        EXPECT_EQ(e.message(), c.message) << c.text;
    }
    try {
        readMof("class A_B {\n  string X\n};", "QVX_Inventory.mof");
        ADD_FAILURE() << "no error";
    } catch (const MofError& e) {
        EXPECT_STREQ(e.what(), "QVX_Inventory.mof:2: expected ';' after the declaration of property X, found '}'");
        EXPECT_EQ(e.source(), "QVX_Inventory.mof");
    }
    try {
        readMofFile("/nonexistent/dir/x.mof");
        ADD_FAILURE() << "no error";
    } catch (const MofError& e) {
        EXPECT_EQ(e.line(), 0u);
        EXPECT_EQ(std::string(e.what()).rfind("/nonexistent/dir/x.mof: cannot open: ", 0), 0u) << e.what();
    }
}

// ---------------------------------------------------------------- what is read

TEST(MofValues, StringEscapesAndConcatenation) {
    struct Row {
        const char *literal, *value;  // as written in the MOF, quotes included
    } rows[] = {
        {R"("a\"b")", "a\"b"},
        {R"("back\\slash")", "back\\slash"},
        {R"("\n\t\r\b\f")", "\n\t\r\b\f"},
        {R"("it\'s")", "it's"},
        {R"("\x41\X42")", "AB"},
        {R"("\x263A")", "\xe2\x98\xba"},
        {R"("\x410")", "\xd0\x90"},  // greedy up to four digits
        {R"("\x41000")", "\xe4\x84\x80" "0"},
        {"\"across\"\n  // comment between\n  \" lines\"", "across lines"},
        {R"("" "")", ""},
        {R"("// not a comment")", "// not a comment"},
    };
    for (const Row& c : rows) {
        CIMClass cls = onlyClass(std::string("[Description(") + c.literal + ")] class A_B {};");
        ASSERT_TRUE(cls);
        EXPECT_EQ(str(cls.getQualifier("Description").getValue().toString()), c.value) << c.literal;
    }
}

TEST(MofValues, TypedDefaults) {
    const char* rows[][2] = {  // declaration, as described
        {"uint8 X = 0x1F;", "X uint8 = 31;"},
        {"uint8 X = 101b;", "X uint8 = 5;"},
        {"uint8 X = 017;", "X uint8 = 15;"},
        {"sint8 X = -128;", "X sint8 = -128;"},
        {"sint64 X = -9223372036854775808;", "X sint64 = -9223372036854775808;"},
        {"uint64 X = 18446744073709551615;", "X uint64 = 18446744073709551615;"},
        {"uint32 X = +7;", "X uint32 = 7;"},
        {"boolean X = TRUE;", "X boolean = true;"},
        {"string X = \"a\" \"b\";", "X string = \"ab\";"},
        {"datetime X = \"20051130140500.000000+060\";", "X datetime = \"20051130140500.000000+060\";"},
        {"datetime X = \"00000001020304.000005:000\";", "X datetime = \"00000001020304.000005:000\";"},
        {"uint16 X[] = {1, 2, 0x10};", "X uint16[] = {1,2,16};"},
        {"string X[4] = {\"a\", \"b\" \"c\"};", "X string[4] = {\"a\",\"bc\"};"},
        {"string X[] = {};", "X string[] = {};"},
        {"string S = null;", "S string;"},
        {"uint8 A[] = NULL;", "A uint8[];"},
    };
    for (const auto& row : rows) {
        CIMClass cls = onlyClass(std::string("class A_B { ") + row[0] + " };");
        ASSERT_TRUE(cls);
        EXPECT_EQ(std::string("A_B ") + row[1], describe(cls));
        CIMValue v = cls.getAllProperties()[0].getValue();
        if (v) {
            EXPECT_EQ(v.getType(), cls.getAllProperties()[0].getDataType().getType()) << row[0];
        }
    }
    CIMClass cls = onlyClass("class A_B { real64 D = -1.5e3; real32 F = .25; real64 I = 2; };");
    EXPECT_EQ(cls.getProperty("D").getValue(), CIMValue(Real64(-1500.0)));
    EXPECT_EQ(cls.getProperty("F").getValue(), CIMValue(Real32(0.25f)));
    EXPECT_EQ(cls.getProperty("I").getValue(), CIMValue(Real64(2.0)));
}

TEST(MofValues, QualifierValuesTakeTheirTypes) {
    CIMClass cls = onlyClass(
        "Qualifier Weight : uint16 = 1, Scope(property, method), Flavor(EnableOverride);\n"
        "Qualifier Labels : string[], Scope(any);\n"
        "[Abstract, Version(\"1.0\"), Provider(\"c++::P\")]\n"
        "class A_B {\n"
        "  [Key, MaxLen(64), Write(false), Values{\"a\", \"b\"}, Weight(7), Labels{\"p\"},\n"
        "   Hint(-3), Scale(2.5), Tags{\"x\"}, Flag, Note(\"n\") : Translatable]\n"
        "  string X;\n"
        "};");
    ASSERT_TRUE(cls);
    EXPECT_EQ(cls.getQualifier("abstract").getValue(), CIMValue(true));
    EXPECT_EQ(cls.getQualifier("Version").getValue(), CIMValue("1.0"));
    CIMProperty x = cls.getProperty("X");
    EXPECT_EQ("A_B X string key;", describe(cls));  // Write(false) is not Write
    std::string qualifiers;
    for (const CIMQualifier& q : x.getQualifiers()) {
        qualifiers += str(q.getName()) + "=" + str(CIMDataType(q.getValue().getType()).toString()) +
                      (q.getValue().isArray() ? "[] " : " ") +
                      str(q.getValue().toMOF()) + ";";
    }
    // Declared qualifiers take the declared type; undeclared ones the type of their value.
    EXPECT_EQ("Key=boolean true;MaxLen=uint32 64;Write=boolean false;Values=string[] {\"a\",\"b\"};"
              "Weight=uint16 7;Labels=string[] {\"p\"};Hint=sint64 -3;Scale=real64 2.5;Tags=string[] {\"x\"};"
              "Flag=boolean true;Note=string \"n\";",
              qualifiers);
}

TEST(MofReading, CommentsPragmasAndLayout) {
    std::vector<CIMClass> classes = readMof(
        "\xef\xbb\xbf#pragma locale (\"en_US\")\r\n"
        "  #  pragma namespace(\"root/cimv2\") // trailing\r\n"
        "/* block\n comment */ class A_B /* inside */ : A_Base\n"
        "{ // line comment\n"
        "  STRING Name; Uint8 Level;\n"
        "};\n"
        "class A_C {};",
        "t.mof");
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ("A_B : A_Base Name string; Level uint8;", describe(classes[0]));
    EXPECT_EQ("A_C", describe(classes[1]));
    EXPECT_TRUE(readMof("  // nothing but a comment\n", "t.mof").empty());
    EXPECT_TRUE(readMof("", "t.mof").empty());
}

TEST(MofReading, MethodsWithParametersReadAndPrintBack) {
    CIMClass cls = onlyClass(
        "class A_B {\n"
        "  [Description(\"Resets the module.\")]\n"
        "  uint32 Reset([IN, Description(\"Why\")] string Reason,\n"
        "               [IN, OUT] uint8 Codes[],\n"
        "               [IN(false), OUT] A_Target REF Target,\n"
        "               [IN] A_Target ref Others[], [IN] string S[3]);\n"
        "  boolean Ping();\n"
        "};");
    ASSERT_TRUE(cls);
    const std::string expected =
        "A_B uint32 Reset(Reason string in,Codes uint8[] in out,Target A_Target REF out,"
        "Others A_Target REF[] in,S string[3] in,); boolean Ping();";
    EXPECT_EQ(expected, describe(cls));
    EXPECT_EQ(str(cls.getMethod("RESET").getQualifier("description").getValue().toString()), "Resets the module.");
    EXPECT_FALSE(cls.getMethod("Reason"));
    std::string printed = str(cls.toMOF());
    CIMClass again = onlyClass(printed);
    ASSERT_TRUE(again);
    EXPECT_EQ(expected, describe(again));
    EXPECT_EQ(str(again.toMOF()), printed);
}

// ---------------------------------------------------------------- limits

// head, then item0 sep item1 sep ... (n of them), then tail.
std::string repeated(const std::string& head, const std::string& item, size_t n, const char* sep,
                     const std::string& tail) {
    std::string text = head;
    for (size_t i = 0; i < n; ++i) text += item + std::to_string(i) + sep;
    return text + tail;
}

TEST(MofLimits, AtAndBeyond) {
    auto properties = [](size_t n) { return repeated("class A_B {\n", "uint8 P", n, ";\n", "};\n"); };
    EXPECT_EQ(onlyClass(properties(kMofMaxProperties)).getAllProperties().size(), kMofMaxProperties);
    std::string name(kMofMaxIdentifierLength, 'n');
    EXPECT_TRUE(onlyClass("class A_B { string " + name + "; };").getProperty(name.c_str()));
    std::string half(kMofMaxStringBytes / 2, 'a');
    EXPECT_EQ(onlyClass("[Description(\"" + half + "\" \"" + half + "\")] class A_B {};")
                  .getQualifier("Description").getValue().toString().length(),
              kMofMaxStringBytes);
    std::string padding(kMofMaxInputBytes - 12, ' ');
    EXPECT_EQ(readMof("class A_B{};" + padding, "t.mof").size(), 1u);

    const ErrorCase rows[] = {
        {properties(kMofMaxProperties + 1), unsigned(kMofMaxProperties + 2), "class A_B has more than 10000 properties"},
        {"class A_B {\n string " + name + "x; };", 2, "identifier longer than 256 characters"},
        {"[Description(\"" + half + "\" \"" + half + "a\")] class A_B {};", 1, "string longer than 65536 bytes"},
        {"[Description(\"" + half + half + "a\")] class A_B {};", 1, "string longer than 65536 bytes"},
        {"class A_B{};" + padding + " ", 0, "input larger than 1048576 bytes"},
        {repeated("[Values{", "\"v", kMofMaxArrayElements + 1, "\",", "\"v\"}] class A_B {};"), 1, "array value with more than 10000 elements"},
        {repeated("[", "Q", kMofMaxQualifiers + 1, ",", "Q] class A_B {};"), 1, "more than 256 qualifiers on one element"},
        {repeated("class A_B { uint32 M(", "uint8 P", kMofMaxParameters + 1, ",", "uint8 P); };"), 1, "method M has more than 256 parameters"},
        {"class A_B { uint8 X = " + std::string(65, '1') + "; };", 1, "number longer than 64 characters"},
    };
    for (const ErrorCase& c : rows) {
        MofError e = errorOf(c.text);
        EXPECT_EQ(e.line(), c.line) << c.message;
        EXPECT_EQ(e.message(), c.message);
    }
    EXPECT_STREQ(errorOf("class A_B{};" + padding + " ").what(), "t.mof: input larger than 1048576 bytes");
}

// ---------------------------------------------------------------- repository

TEST(ClassRepository, LookupOrderDuplicatesAndSuperclasses) {
    ClassRepository repo;
    repo.addClasses(readMof("class A_Base {}; class A_Sub : a_base {}; class B_X {};", "t.mof"));
    EXPECT_EQ(str(repo.getClass("a_sub").getName()), "A_Sub");
    EXPECT_TRUE(repo.hasClass("B_X"));
    EXPECT_FALSE(repo.getClass("A_Missing"));
    std::string names;
    for (const String& n : repo.classNames()) names += str(n) + ";";
    EXPECT_EQ(names, "A_Base;A_Sub;B_X;");
    try {
        repo.addClass(CIMClass("a_sub"));
        ADD_FAILURE() << "duplicate accepted";
    } catch (const RepositoryError& e) {
        EXPECT_STREQ(e.what(), "class a_sub is already defined");
    }
    try {
        repo.addClasses(readMof("class A_D {};\nclass A_C : A_Missing {};", "t.mof"));
        ADD_FAILURE() << "missing superclass accepted";
    } catch (const RepositoryError& e) {
        EXPECT_STREQ(e.what(), "class A_C: superclass A_Missing is not defined");
    }
    EXPECT_FALSE(repo.hasClass("A_D")) << "all classes or none";
    EXPECT_EQ(repo.classNames().size(), 3u);
}

TEST(ClassRepository, ProviderFromQualifier) {
    struct Row {
        const char *qualifier, *id;  // the class's Provider qualifier value, or null for none
    } rows[] = {
        {"c++::QVXInventoryProvider", "QVXInventoryProvider"},
        {"C++::QVXInventoryProvider", "QVXInventoryProvider"},
        {"c++:QVXInventoryProvider", "QVXInventoryProvider"},
        {"cmpi::QVXInventoryProvider", ""},
        {"QVXInventoryProvider", ""},
        {"c++::", ""},
        {nullptr, ""},
    };
    for (const Row& c : rows) {
        CIMClass cls("A_B");
        if (c.qualifier) {
            CIMQualifier provider("Provider");
            provider.setValue(CIMValue(c.qualifier));
            cls.addQualifier(provider);
        }
        ClassRepository repo;
        repo.addClass(cls);
        EXPECT_EQ(str(repo.providerFor("a_b")), c.id) << (c.qualifier ? c.qualifier : "(none)");
    }
}

TEST(ClassRepository, ProviderPassesToSubclasses) {
    ClassRepository repo;
    repo.addClasses(
        readMof("[Provider(\"c++::Base\")] class A_Base {};\n"
                "class A_Sub : A_Base {};\n"
                "[Provider(\"c++::Own\")] class A_Own : A_Sub {};\n"
                "class A_Alone {};",
                "t.mof"));
    CIMClass numeric("A_N");
    CIMQualifier provider("Provider");
    provider.setValue(CIMValue(UInt32(5)));
    numeric.addQualifier(provider);
    repo.addClass(numeric);
    std::string ids;
    for (const char* cls : {"A_Sub", "A_Own", "A_Alone", "A_Unknown", "A_N"}) ids += str(repo.providerFor(cls)) + ";";
    EXPECT_EQ("Base;Own;;;;", ids);
}

}  // namespace
