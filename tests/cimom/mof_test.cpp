// The MOF reader and the class repository: the shipped schema against the
// inventory's property tables, the error line and text of malformed input,
// string escapes, typed values, methods, limits, and provider routing.
#include "ClassRepository.hpp"
#include "MofReader.hpp"

#include "OW_Bool.hpp"
#include "OW_CIMClass.hpp"
#include "OW_CIMMethod.hpp"
#include "OW_CIMParameter.hpp"
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

// ---------------------------------------------------------------- shipped schema

struct PropertyRow {
    const char* name;
    CIMDataType::Type type;
    bool key;
    bool write;
};
struct ClassRow {
    const char* name;
    std::vector<PropertyRow> properties;
};

const CIMDataType::Type S = CIMDataType::STRING, U8 = CIMDataType::UINT8, B = CIMDataType::BOOLEAN,
                        DT = CIMDataType::DATETIME;

// The served classes as the inventory defines them: names and order of the
// properties, CIM types, keys and the properties an administrator may set.
const ClassRow kServedClasses[] = {
    {"QVX_Z64Chassis",
     {{"Tag", S, true, false},
      {"CreationClassName", S, true, false},
      {"ElementName", S, false, false},
      {"Manufacturer", S, false, false},
      {"Model", S, false, false},
      {"SerialNumber", S, false, false},
      {"Version", S, false, false},
      {"PartNumber", S, false, false},
      {"OwnerName", S, false, true},
      {"Location", S, false, true},
      {"PhysicalType", U8, false, false},
      {"UserTracking", S, false, true},
      {"CanBeFRUed", B, false, false},
      {"SystemID", S, false, false},
      {"MiscInfo", S, false, false},
      {"ManufactureDate", DT, false, false},
      {"PCBASerialNumber", S, false, false},
      {"CSCSerialNumber", S, false, false},
      {"HDSerialNumber", S, false, false},
      {"CNICOneSerialNumber", S, false, false}}},
    {"QVX_Z64ExpansionChassis",
     {{"Tag", S, true, false},
      {"CreationClassName", S, true, false},
      {"ElementName", S, false, false},
      {"Manufacturer", S, false, false},
      {"PhysicalType", U8, false, false},
      {"UserTracking", S, false, true},
      {"CanBeFRUed", B, false, false},
      {"ChassisNo", U8, false, false},
      {"PresentStatus", B, false, false}}},
    {"QVX_MBMLogicalModule",
     {{"SystemCreationClassName", S, true, false},
      {"SystemName", S, true, false},
      {"CreationClassName", S, true, false},
      {"DeviceID", S, true, false},
      {"Manufacturer", S, false, false},
      {"PhysicalType", U8, false, false},
      {"UserTracking", S, false, true},
      {"CanBeFRUed", B, false, false}}},
};

bool hasText(const CIMQualifier& q) {
    return q && q.getValue() && q.getValue().getType() == CIMDataType::STRING &&
           !q.getValue().isArray() && !q.getValue().toString().empty();
}

// Each served class has exactly the properties of the table, in order.
void expectServedClasses(const std::vector<CIMClass>& classes) {
    ASSERT_EQ(classes.size(), std::size(kServedClasses));
    for (size_t c = 0; c < classes.size(); ++c) {
        const ClassRow& want = kServedClasses[c];
        const CIMClass& cls = classes[c];
        SCOPED_TRACE(want.name);
        EXPECT_EQ(str(cls.getName()), want.name);
        EXPECT_TRUE(hasText(cls.getQualifier("Description")));
        EXPECT_TRUE(cls.getAllMethods().empty());
        CIMPropertyArray props = cls.getAllProperties();
        ASSERT_EQ(props.size(), want.properties.size());
        for (size_t p = 0; p < props.size(); ++p) {
            const PropertyRow& row = want.properties[p];
            SCOPED_TRACE(row.name);
            EXPECT_EQ(str(props[p].getName()), row.name);
            EXPECT_EQ(props[p].getDataType().getType(), row.type);
            EXPECT_FALSE(props[p].getDataType().isArrayType());
            EXPECT_EQ(props[p].isKey(), row.key);
            EXPECT_EQ(props[p].hasTrueQualifier("Write"), row.write);
            EXPECT_FALSE(props[p].getValue()) << "no default values";
            EXPECT_TRUE(hasText(props[p].getQualifier("Description")));
        }
    }
}

TEST(MofSchema, ShippedSchemaHasTheServedClasses) {
    expectServedClasses(readMofFile(QVX_SCHEMA_FILE));
}

TEST(MofSchema, ShippedSchemaKeysInDeclarationOrder) {
    ClassRepository repo = ClassRepository::fromMofFile(QVX_SCHEMA_FILE);
    CIMPropertyArray keys = repo.getClass("QVX_MBMLogicalModule").getKeys();
    std::vector<std::string> names;
    for (const CIMProperty& k : keys) names.push_back(str(k.getName()));
    EXPECT_EQ(names, (std::vector<std::string>{"SystemCreationClassName", "SystemName",
                                               "CreationClassName", "DeviceID"}));
}

TEST(MofSchema, EveryShippedClassRoutesToTheInventoryProvider) {
    ClassRepository repo = ClassRepository::fromMofFile(QVX_SCHEMA_FILE);
    std::vector<String> names = repo.classNames();
    ASSERT_EQ(names.size(), 3u);
    for (const String& name : names) {
        EXPECT_EQ(str(repo.providerFor(name)), "QVXInventoryProvider") << name;
    }
}

// What the class printer writes, the reader reads back unchanged.
TEST(MofSchema, PrintedClassesReadBack) {
    std::string printed;
    for (const CIMClass& c : readMofFile(QVX_SCHEMA_FILE)) printed += str(c.toMOF());
    std::vector<CIMClass> again = readMof(printed, "printed.mof");
    expectServedClasses(again);
    EXPECT_EQ(
        str(again[0].getProperty("Version").getQualifier("Description").getValue().toString()),
        "Hardware type and revision as two hexadecimal numbers, \"tt.rr\".");
}

// The fuzzer's seeds are declarations that read cleanly, so that mutations
// start from valid input.
TEST(MofSchema, FuzzSeedsRead) {
    size_t seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QVX_MOF_CORPUS)) {
        SCOPED_TRACE(entry.path().string());
        EXPECT_FALSE(readMofFile(entry.path().string()).empty());
        ++seeds;
    }
    EXPECT_GE(seeds, 5u);
}

// ---------------------------------------------------------------- malformed input

struct ErrorCase {
    const char* why;
    const char* text;
    unsigned line;
    const char* message;
};

const ErrorCase kErrors[] = {
    {"missing ';' is reported where it belongs", "class A_B {\n  string X\n  string Y;\n};", 2,
     "expected ';' after the declaration of property X, found 'string'"},
    {"unknown type", "class A_B {\n  strin X;\n};", 2, "unknown data type 'strin'"},
    {"string cut by a line end", "class A_B {\n [Description(\"abc\n)] string X;\n};", 2,
     "unterminated string"},
    {"string cut by the end of input", "class A_B {\n [Description(\"abc", 2,
     "unterminated string"},
    {"comment never closed: the line it opens on", "\nclass A_B {};\n/* a\n\n\n", 3,
     "unterminated comment"},
    {"property named twice, ignoring case", "class A_B {\n string X;\n uint8 x;\n};", 3,
     "duplicate property or method x in class A_B"},
    {"property and method share names", "class A_B {\n string X;\n uint32 X();\n};", 3,
     "duplicate property or method X in class A_B"},
    {"class named twice, ignoring case", "class A_B {};\n\nclass a_b {};", 3,
     "duplicate class a_b"},
    {"closing brace missing", "class A_B {\n string X;\n", 3,
     "missing '}' at the end of class A_B"},
    {"';' after class missing", "class A_B {\n}\n", 2,
     "expected ';' after the declaration of class A_B, found end of input"},
    {"'{' missing", "class A_B\n string X;\n};", 1,
     "expected '{' after the name of class A_B, found 'string'"},
    {"class name missing", "class {};", 1, "expected a class name, found '{'"},
    {"stray brace", "};", 1, "expected a class or qualifier declaration, found '}'"},
    {"qualifiers before something else", "[Description(\"x\")]\nstring X;", 2,
     "expected 'class' after a qualifier list, found 'string'"},
    {"Key on a class", "[Key]\nclass A_B {};", 1, "qualifier Key is not allowed on a class"},
    {"Write on a method", "class A_B { [Write] uint32 M(); };", 1,
     "qualifier Write is not allowed on a method"},
    {"Key takes a boolean", "class A_B {\n [Key(\"yes\")] string X; };", 2,
     "qualifier Key needs a boolean value, found a string"},
    {"Key(null) would read as true", "class A_B { [Key(null)] string X; };", 1,
     "qualifier Key cannot be null"},
    {"nor may other qualifiers be null", "[Note(null)] class A_B {};", 1,
     "qualifier Note cannot be null"},
    {"Description needs text", "[Description] class A_B {};", 1,
     "qualifier Description needs a value"},
    {"MaxLen is a number", "class A_B { [MaxLen(\"64\")] string X; };", 1,
     "qualifier MaxLen needs a uint32 value, found a string"},
    {"Values is an array", "class A_B { [Values(\"a\")] uint8 X; };", 1,
     "qualifier Values takes an array value in braces"},
    {"qualifier given twice", "class A_B { [Key, key] string X; };", 1,
     "duplicate qualifier key on property X"},
    {"qualifier list not closed", "class A_B { [Key string X; };", 1,
     "expected ']' at the end of the qualifier list, found 'string'"},
    {"uint8 above range", "class A_B {\n uint8 X = 256; };", 2,
     "value 256 is out of range for uint8 (property X)"},
    {"negative unsigned", "class A_B { uint16 X = -1; };", 1,
     "value -1 is out of range for uint16 (property X)"},
    {"sint8 below range", "class A_B { sint8 X = -129; };", 1,
     "value -129 is out of range for sint8 (property X)"},
    {"beyond 64 bits", "class A_B { uint64 X = 18446744073709551616; };", 1,
     "number 18446744073709551616 is too large"},
    {"not a number", "class A_B { uint8 X = 12ab; };", 1, "invalid number '12ab'"},
    {"8 is no octal digit", "class A_B { uint8 X = 08; };", 1, "invalid number '08'"},
    {"string for a number", "class A_B { uint8 X = \"1\"; };", 1,
     "property X needs a uint8 value, found a string"},
    {"array for a scalar", "class A_B { string X = {\"a\"}; };", 1,
     "property X takes a single value, not an array"},
    {"scalar for an array", "class A_B { string X[] = \"a\"; };", 1,
     "property X takes an array value in braces"},
    {"null inside an array", "class A_B { string X[] = {\"a\", null}; };", 1,
     "property X: null is not allowed inside an array"},
    {"arrays do not nest", "class A_B { [Values{{\"a\"}}] uint8 X; };", 1,
     "nested arrays are not allowed"},
    {"array size zero", "class A_B { string X[0]; };", 1, "invalid array size 0 for property X"},
    {"datetime text checked", "class A_B { datetime D = \"2005\"; };", 1,
     "invalid datetime \"2005\" (property D)"},
    {"datetime month 13", "class A_B { datetime D = \"20051301000000.000000+000\"; };", 1,
     "invalid datetime \"20051301000000.000000+000\" (property D)"},
    {"unknown escape", "[Description(\"a\\qb\")] class A_B {};", 1,
     "unknown escape sequence \\q ('q')"},
    {"\\x without digits", "[Description(\"a\\xg\")] class A_B {};", 1,
     "escape \\x needs hexadecimal digits"},
    {"\\x0 is a NUL", "[Description(\"a\\x00\")] class A_B {};", 1,
     "escape \\x0 would put a NUL character in a string"},
    {"\\x surrogate", "[Description(\"\\xD800\")] class A_B {};", 1,
     "escape \\x names a surrogate, not a character"},
    {"own superclass", "class A_B : a_b {};", 1, "class A_B cannot be its own superclass"},
    {"instances are not read", "class A_B {};\ninstance of A_B { X = 1; };", 2,
     "instance declarations are not supported"},
    {"aliases are not read", "class A_B {\n A_C REF R = $x; };", 2,
     "default values of references are not supported"},
    {"alias sign", "class A_B $x {};", 1, "aliases are not supported"},
    {"char16 literal", "class A_B { char16 C = 'a'; };", 1, "char16 literals are not supported"},
    {"reference arrays", "class A_B { A_C REF R[]; };", 1, "reference R cannot be an array"},
    {"method returning a reference", "class A_B { A_C REF M(); };", 1,
     "method M cannot return a reference"},
    {"parameter named twice", "class A_B { uint32 M(string P,\n uint8 p); };", 2,
     "duplicate parameter p in method M"},
    {"parameter default", "class A_B { uint32 M(string P = \"x\"); };", 1,
     "default values of parameters are not supported"},
    {"parameter list not closed", "class A_B { uint32 M(string P; };", 1,
     "expected ')' at the end of the parameters of method M, found ';'"},
    {"In on a property", "class A_B { [In] string P; };", 1,
     "qualifier In is not allowed on a property"},
    {"pragma include would lose text", "#pragma include (\"other.mof\")\n", 1,
     "#pragma include is not supported"},
    {"other directives", "\n#define X 1\n", 2, "unknown directive '#define'"},
    {"pragma without name", "#pragma\n", 1, "expected a pragma name after #pragma"},
    {"stray character", "class A_B {\n @ };", 2, "unexpected '@'"},
    {"control byte", "class A_B {\x01};", 1, "unexpected byte 0x01"},
    {"qualifier type named twice",
     "Qualifier Q : boolean, Scope(any);\nQualifier q : string, Scope(any);", 2,
     "duplicate declaration of qualifier q"},
    {"qualifier type without scope", "Qualifier Q : boolean;", 1,
     "expected ',' before the scope of qualifier Q, found ';'"},
    {"unknown scope", "Qualifier Q : boolean, Scope(everything);", 1, "unknown scope 'everything'"},
    {"unknown flavor", "Qualifier Q : boolean, Scope(any), Flavor(Sticky);", 1,
     "unknown flavor 'Sticky'"},
    {"qualifier type default checked", "Qualifier Q : uint8 = 300, Scope(any);", 1,
     "value 300 is out of range for uint8 (default value of qualifier Q)"},
    {"declared type replaces the standard one",
     "Qualifier Key : string, Scope(property);\nclass A_B { [Key] string X; };", 2,
     "qualifier Key needs a value"},
    {"declared scope is used",
     "Qualifier Mark : boolean, Scope(class);\nclass A_B { [Mark] string X; };", 2,
     "qualifier Mark is not allowed on a property"},
    {"flavor after ':' checked", "class A_B { [Key : Sticky] string X; };", 1,
     "expected a flavor after ':', found 'Sticky'"},
};

TEST(MofErrors, LineAndMessage) {
    for (const ErrorCase& c : kErrors) {
        SCOPED_TRACE(c.why);
        MofError e = errorOf(c.text);
        EXPECT_EQ(e.line(), c.line);
        EXPECT_EQ(e.message(), c.message);
    }
}

TEST(MofErrors, WhatNamesSourceAndLine) {
    try {
        readMof("class A_B {\n  string X\n};", "QVX_Inventory.mof");
        FAIL() << "no error";
    } catch (const MofError& e) {
        EXPECT_STREQ(e.what(),
                     "QVX_Inventory.mof:2: expected ';' after the declaration of property X, "
                     "found '}'");
        EXPECT_EQ(e.source(), "QVX_Inventory.mof");
    }
}

TEST(MofErrors, FileThatCannotBeRead) {
    try {
        readMofFile("/nonexistent/dir/x.mof");
        FAIL() << "no error";
    } catch (const MofError& e) {
        EXPECT_EQ(e.line(), 0u);
        EXPECT_EQ(std::string(e.what()).rfind("/nonexistent/dir/x.mof: cannot open: ", 0), 0u)
            << e.what();
    }
}

// ---------------------------------------------------------------- what is read

struct EscapeCase {
    const char* literal;  // as written in the MOF, quotes included
    const char* value;
};

const EscapeCase kEscapes[] = {
    {R"("plain")", "plain"},
    {R"("a\"b")", "a\"b"},
    {R"("back\\slash")", "back\\slash"},
    {R"("\n\t\r\b\f")", "\n\t\r\b\f"},
    {R"("it\'s")", "it's"},
    {R"("\x41\X42")", "AB"},
    {R"("\x263A")", "\xe2\x98\xba"},  // four digits at most: one character
    {R"("\x00e9")", "\xc3\xa9"},
    {R"("\x410")", "\xd0\x90"},  // greedy up to four digits
    {R"("\x41000")",
     "\xe4\x84\x80"
     "0"},
    {R"("con" "cat")", "concat"},
    {"\"across\"\n  // comment between\n  \" lines\"", "across lines"},
    {R"("" "")", ""},
    {R"("// not a comment")", "// not a comment"},
};

TEST(MofValues, StringEscapesAndConcatenation) {
    for (const EscapeCase& c : kEscapes) {
        SCOPED_TRACE(c.literal);
        CIMClass cls = onlyClass(std::string("[Description(") + c.literal + ")] class A_B {};");
        ASSERT_TRUE(cls);
        EXPECT_EQ(str(cls.getQualifier("Description").getValue().toString()), c.value);
    }
}

struct DefaultCase {
    const char* declaration;
    const char* mofValue;  // CIMValue::toMOF of the default
    CIMDataType::Type type;
    bool array;
};

const DefaultCase kDefaults[] = {
    {"uint8 X = 0x1F;", "31", CIMDataType::UINT8, false},
    {"uint8 X = 101b;", "5", CIMDataType::UINT8, false},
    {"uint8 X = 017;", "15", CIMDataType::UINT8, false},
    {"uint8 X = 255;", "255", CIMDataType::UINT8, false},
    {"sint8 X = -128;", "-128", CIMDataType::SINT8, false},
    {"sint64 X = -9223372036854775808;", "-9223372036854775808", CIMDataType::SINT64, false},
    {"uint64 X = 18446744073709551615;", "18446744073709551615", CIMDataType::UINT64, false},
    {"uint32 X = +7;", "7", CIMDataType::UINT32, false},
    {"boolean X = TRUE;", "true", CIMDataType::BOOLEAN, false},
    {"string X = \"a\" \"b\";", "\"ab\"", CIMDataType::STRING, false},
    {"datetime X = \"20051130140500.000000+060\";", "\"20051130140500.000000+060\"",
     CIMDataType::DATETIME, false},
    {"datetime X = \"00000001020304.000005:000\";", "\"00000001020304.000005:000\"",
     CIMDataType::DATETIME, false},
    {"uint16 X[] = {1, 2, 0x10};", "{1,2,16}", CIMDataType::UINT16, true},
    {"string X[4] = {\"a\", \"b\" \"c\"};", "{\"a\",\"bc\"}", CIMDataType::STRING, true},
    {"boolean X[] = {true, false};", "{true,false}", CIMDataType::BOOLEAN, true},
    {"string X[] = {};", "{}", CIMDataType::STRING, true},
};

TEST(MofValues, TypedDefaults) {
    for (const DefaultCase& c : kDefaults) {
        SCOPED_TRACE(c.declaration);
        CIMClass cls = onlyClass(std::string("class A_B { ") + c.declaration + " };");
        ASSERT_TRUE(cls);
        CIMProperty p = cls.getProperty("x");
        ASSERT_TRUE(p);
        EXPECT_EQ(p.getDataType().getType(), c.type);
        EXPECT_EQ(p.getDataType().isArrayType(), c.array);
        ASSERT_TRUE(p.getValue());
        EXPECT_EQ(p.getValue().getType(), c.type);
        EXPECT_EQ(str(p.getValue().toMOF()), c.mofValue);
    }
}

TEST(MofValues, RealDefaults) {
    CIMClass cls = onlyClass("class A_B { real64 D = -1.5e3; real32 F = .25; real64 I = 2; };");
    Real64 d = 0;
    cls.getProperty("D").getValue().get(d);
    EXPECT_EQ(d, -1500.0);
    Real32 f = 0;
    cls.getProperty("F").getValue().get(f);
    EXPECT_EQ(f, 0.25f);
    cls.getProperty("I").getValue().get(d);
    EXPECT_EQ(d, 2.0);
    EXPECT_EQ(errorOf("class A_B { real32 F = 1e39; };").message(),
              "value 1e39 is out of range for real32 (property F)");
}

TEST(MofValues, NullDefaultLeavesNoValue) {
    CIMClass cls = onlyClass("class A_B { string S = null; uint8 A[] = NULL; };");
    EXPECT_FALSE(cls.getProperty("S").getValue());
    EXPECT_FALSE(cls.getProperty("A").getValue());
    EXPECT_TRUE(cls.getProperty("A").getDataType().isArrayType());
}

TEST(MofValues, QualifierValuesTakeTheirTypes) {
    CIMClass cls = onlyClass(
        "[Abstract, Version(\"1.0\"), Provider(\"c++::P\")]\n"
        "class A_B {\n"
        "  [Key, MaxLen(64), Write(false), Values{\"a\", \"b\"}, ValueMap{\"1\", \"2\"},\n"
        "   Hint(-3), Weight(2.5), Tags{\"x\"}, Flag, Note(\"n\") : Translatable]\n"
        "  string X;\n"
        "};");
    ASSERT_TRUE(cls);
    EXPECT_EQ(cls.getQualifier("abstract").getValue(), CIMValue(true));
    EXPECT_EQ(cls.getQualifier("Version").getValue(), CIMValue("1.0"));
    CIMProperty x = cls.getProperty("X");
    EXPECT_EQ(x.getQualifier("Key").getValue(), CIMValue(true));
    EXPECT_TRUE(x.isKey());
    EXPECT_EQ(x.getQualifier("MaxLen").getValue(), CIMValue(UInt32(64)));
    EXPECT_EQ(x.getQualifier("Write").getValue(), CIMValue(false));
    EXPECT_FALSE(x.hasTrueQualifier("Write"));
    StringArray values;
    values.push_back("a");
    values.push_back("b");
    EXPECT_EQ(x.getQualifier("Values").getValue(), CIMValue(values));
    EXPECT_EQ(str(x.getQualifier("ValueMap").getValue().toMOF()), "{\"1\",\"2\"}");
    // Qualifiers that nothing declares are typed by their value.
    EXPECT_EQ(x.getQualifier("Hint").getValue(), CIMValue(Int64(-3)));
    EXPECT_EQ(x.getQualifier("Weight").getValue(), CIMValue(Real64(2.5)));
    EXPECT_EQ(str(x.getQualifier("Tags").getValue().toMOF()), "{\"x\"}");
    EXPECT_EQ(x.getQualifier("Flag").getValue(), CIMValue(true));
    EXPECT_EQ(x.getQualifier("Note").getValue(), CIMValue("n"));
}

TEST(MofValues, DeclaredQualifierTypesApply) {
    CIMClass cls = onlyClass(
        "Qualifier Weight : uint16 = 1, Scope(property, method), Flavor(EnableOverride);\n"
        "Qualifier Labels : string[], Scope(any);\n"
        "class A_B { [Weight(7), Labels{\"p\"}] string X; };");
    CIMProperty x = cls.getProperty("X");
    EXPECT_EQ(x.getQualifier("Weight").getValue(), CIMValue(UInt16(7)));
    EXPECT_EQ(str(x.getQualifier("Labels").getValue().toMOF()), "{\"p\"}");
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
    EXPECT_EQ(str(classes[0].getName()), "A_B");
    EXPECT_EQ(str(classes[0].getSuperClass()), "A_Base");
    ASSERT_EQ(classes[0].getAllProperties().size(), 2u);
    EXPECT_EQ(classes[0].getProperty("level").getDataType().getType(), CIMDataType::UINT8);
    EXPECT_EQ(str(classes[1].getName()), "A_C");
    EXPECT_TRUE(classes[1].getAllProperties().empty());
    EXPECT_TRUE(readMof("  // nothing but a comment\n", "t.mof").empty());
    EXPECT_TRUE(readMof("", "t.mof").empty());
}

TEST(MofReading, MethodsWithParameters) {
    CIMClass cls = onlyClass(
        "class A_B {\n"
        "  [Description(\"Resets the module.\")]\n"
        "  uint32 Reset([IN, Description(\"Why\")] string Reason,\n"
        "               [IN, OUT] uint8 Codes[],\n"
        "               [IN(false), OUT] A_Target REF Target,\n"
        "               [IN] A_Target ref Others[]);\n"
        "  boolean Ping();\n"
        "};");
    ASSERT_TRUE(cls);
    CIMMethodArray methods = cls.getAllMethods();
    ASSERT_EQ(methods.size(), 2u);
    CIMMethod reset = cls.getMethod("RESET");
    ASSERT_TRUE(reset);
    EXPECT_EQ(reset.getReturnType().getType(), CIMDataType::UINT32);
    EXPECT_EQ(str(reset.getQualifier("description").getValue().toString()), "Resets the module.");
    CIMParameterArray params = reset.getParameters();
    ASSERT_EQ(params.size(), 4u);
    EXPECT_EQ(str(params[0].getName()), "Reason");
    EXPECT_EQ(params[0].getType().getType(), CIMDataType::STRING);
    EXPECT_TRUE(params[0].hasTrueQualifier("In"));
    EXPECT_FALSE(params[0].hasTrueQualifier("Out"));
    EXPECT_TRUE(params[1].getType().isArrayType());
    EXPECT_EQ(params[1].getType().getType(), CIMDataType::UINT8);
    EXPECT_TRUE(params[1].hasTrueQualifier("OUT"));
    EXPECT_TRUE(params[2].getType().isReferenceType());
    EXPECT_EQ(str(params[2].getType().getRefClassName()), "A_Target");
    EXPECT_FALSE(params[2].hasTrueQualifier("In"));
    EXPECT_TRUE(params[3].getType().isReferenceType());
    EXPECT_TRUE(params[3].getType().isArrayType());
    EXPECT_FALSE(reset.getParameter("nothing"));
    EXPECT_TRUE(cls.getMethod("ping").getParameters().empty());
    EXPECT_FALSE(cls.getMethod("Reason"));
    EXPECT_TRUE(cls.getAllProperties().empty());
}

TEST(MofReading, MethodsPrintAndReadBack) {
    const char* text =
        "class A_B {\n"
        "  [Key] string Id;\n"
        "  [Description(\"Resets.\")] uint32 Reset([IN, OUT] uint8 Codes[], A_T REF Target,"
        " [IN] string S[3]);\n"
        "};";
    CIMClass first = onlyClass(text);
    std::string printed = str(first.toMOF());
    EXPECT_NE(printed.find("A_T REF Target"), std::string::npos) << printed;
    EXPECT_NE(printed.find("string S[3]"), std::string::npos) << printed;
    CIMClass again = onlyClass(printed);
    ASSERT_TRUE(again);
    EXPECT_EQ(str(again.toMOF()), printed);
    EXPECT_EQ(again.getMethod("Reset").getParameter("S").getType().getSize(), 3);
}

// ---------------------------------------------------------------- limits

std::string classWithProperties(size_t n) {
    std::string text = "class A_B {\n";
    for (size_t i = 0; i < n; ++i) text += "uint8 P" + std::to_string(i) + ";\n";
    return text + "};\n";
}

TEST(MofLimits, Properties) {
    EXPECT_EQ(onlyClass(classWithProperties(kMofMaxProperties)).getAllProperties().size(),
              kMofMaxProperties);
    MofError e = errorOf(classWithProperties(kMofMaxProperties + 1));
    EXPECT_EQ(e.line(), kMofMaxProperties + 2);
    EXPECT_EQ(e.message(), "class A_B has more than 10000 properties");
}

TEST(MofLimits, IdentifierLength) {
    std::string name(kMofMaxIdentifierLength, 'n');
    EXPECT_TRUE(onlyClass("class A_B { string " + name + "; };").getProperty(name.c_str()));
    MofError e = errorOf("class A_B {\n string " + name + "x; };");
    EXPECT_EQ(e.line(), 2u);
    EXPECT_EQ(e.message(), "identifier longer than 256 characters");
}

TEST(MofLimits, StringLengthAfterConcatenation) {
    std::string half(kMofMaxStringBytes / 2, 'a');
    std::string atLimit = "[Description(\"" + half + "\" \"" + half + "\")] class A_B {};";
    EXPECT_EQ(onlyClass(atLimit).getQualifier("Description").getValue().toString().length(),
              kMofMaxStringBytes);
    EXPECT_EQ(errorOf("[Description(\"" + half + "\" \"" + half + "a\")] class A_B {};").message(),
              "string longer than 65536 bytes");
    EXPECT_EQ(errorOf("[Description(\"" + half + half + "a\")] class A_B {};").message(),
              "string longer than 65536 bytes");
}

TEST(MofLimits, InputSize) {
    std::string padding(kMofMaxInputBytes - 12, ' ');
    EXPECT_EQ(readMof("class A_B{};" + padding, "t.mof").size(), 1u);
    MofError e = errorOf("class A_B{};" + padding + " ");
    EXPECT_EQ(e.line(), 0u);
    EXPECT_EQ(e.message(), "input larger than 1048576 bytes");
    EXPECT_STREQ(e.what(), "t.mof: input larger than 1048576 bytes");
}

TEST(MofLimits, ArraysQualifiersParametersNumbers) {
    std::string many = "[Values{";
    for (size_t i = 0; i <= kMofMaxArrayElements; ++i) many += "\"v\",";
    many += "\"v\"}] class A_B {};";
    EXPECT_EQ(errorOf(many).message(), "array value with more than 10000 elements");

    std::string quals = "[";
    for (size_t i = 0; i <= kMofMaxQualifiers; ++i) quals += "Q" + std::to_string(i) + ",";
    quals += "Q] class A_B {};";
    EXPECT_EQ(errorOf(quals).message(), "more than 256 qualifiers on one element");

    std::string params = "class A_B { uint32 M(";
    for (size_t i = 0; i <= kMofMaxParameters; ++i) params += "uint8 P" + std::to_string(i) + ",";
    params += "uint8 P); };";
    EXPECT_EQ(errorOf(params).message(), "method M has more than 256 parameters");

    EXPECT_EQ(errorOf("class A_B { uint8 X = " + std::string(65, '1') + "; };").message(),
              "number longer than 64 characters");
}

// Odd shapes at the lexer's edges; fuzz findings join this table.
const ErrorCase kRegressions[] = {
    {"lone sign before a point", "class A_B { real32 X = -.; };", 1, "unexpected '-'"},
    {"exponent without digits", "class A_B { real64 X = 1e; };", 1, "invalid number '1e'"},
    {"binary digits missing", "class A_B { uint8 X = 2b; };", 1, "invalid number '2b'"},
    {"hex prefix alone", "class A_B { uint8 X = 0x; };", 1, "invalid number '0x'"},
    {"escape at end of input", "[Description(\"\\", 1, "unterminated string"},
    {"only a hash", "#", 1, "unknown directive '#'"},
    {"open bracket at the end", "[", 1, "expected a qualifier name, found end of input"},
};

TEST(MofErrors, Regressions) {
    for (const ErrorCase& c : kRegressions) {
        SCOPED_TRACE(c.why);
        MofError e = errorOf(c.text);
        EXPECT_EQ(e.line(), c.line);
        EXPECT_EQ(e.message(), c.message);
    }
    MofError nul = errorOf(std::string("class A_B {\n\0};", 15));
    EXPECT_EQ(nul.line(), 2u);
    EXPECT_EQ(nul.message(), "unexpected byte 0x00");
}

// ---------------------------------------------------------------- repository

TEST(ClassRepository, LookupIgnoresCaseAndKeepsOrder) {
    ClassRepository repo;
    repo.addClasses(readMof("class A_Base {}; class A_Sub : a_base {}; class B_X {};", "t.mof"));
    EXPECT_EQ(str(repo.getClass("a_sub").getName()), "A_Sub");
    EXPECT_TRUE(repo.hasClass("B_X"));
    EXPECT_FALSE(repo.getClass("A_Missing"));
    std::vector<std::string> names;
    for (const String& n : repo.classNames()) names.push_back(str(n));
    EXPECT_EQ(names, (std::vector<std::string>{"A_Base", "A_Sub", "B_X"}));
}

TEST(ClassRepository, RefusesDuplicatesAndMissingSuperclasses) {
    ClassRepository repo;
    repo.addClasses(readMof("class A_B {};", "t.mof"));
    try {
        repo.addClass(CIMClass("a_b"));
        FAIL() << "duplicate accepted";
    } catch (const RepositoryError& e) {
        EXPECT_STREQ(e.what(), "class a_b is already defined");
    }
    try {
        repo.addClasses(readMof("class A_D {};\nclass A_C : A_Missing {};", "t.mof"));
        FAIL() << "missing superclass accepted";
    } catch (const RepositoryError& e) {
        EXPECT_STREQ(e.what(), "class A_C: superclass A_Missing is not defined");
    }
    EXPECT_FALSE(repo.hasClass("A_D")) << "all classes or none";
    EXPECT_EQ(repo.classNames().size(), 1u);
}

struct ProviderCase {
    const char* qualifier;  // the class's Provider qualifier value, or null for none
    const char* id;
};

const ProviderCase kProviderIds[] = {
    {"c++::QVXInventoryProvider", "QVXInventoryProvider"},
    {"C++::QVXInventoryProvider", "QVXInventoryProvider"},
    {"c++:QVXInventoryProvider", "QVXInventoryProvider"},
    {"cmpi::QVXInventoryProvider", ""},
    {"QVXInventoryProvider", ""},
    {"c++::", ""},
    {"", ""},
    {nullptr, ""},
};

TEST(ClassRepository, ProviderFromQualifier) {
    for (const ProviderCase& c : kProviderIds) {
        SCOPED_TRACE(c.qualifier ? c.qualifier : "(none)");
        CIMClass cls("A_B");
        if (c.qualifier) cls.addQualifier(CIMQualifier("Provider", CIMValue(c.qualifier)));
        ClassRepository repo;
        repo.addClass(cls);
        EXPECT_EQ(str(repo.providerFor("a_b")), c.id);
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
    EXPECT_EQ(str(repo.providerFor("A_Sub")), "Base");
    EXPECT_EQ(str(repo.providerFor("A_Own")), "Own");
    EXPECT_EQ(str(repo.providerFor("A_Alone")), "");
    EXPECT_EQ(str(repo.providerFor("A_Unknown")), "");
    CIMClass numeric("A_N");
    numeric.addQualifier(CIMQualifier("Provider", CIMValue(UInt32(5))));
    repo.addClass(numeric);
    EXPECT_EQ(str(repo.providerFor("A_N")), "");
}

}  // namespace
