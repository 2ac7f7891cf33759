// CIMInstance and CIMObjectPath: exact texts, case-insensitive lookups that
// keep the stored spelling, key handling, and what null objects do.

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "OW_CIMException.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;
using owtest::Action;
using owtest::arr;

CIMInstance makeX() {
    CIMInstance inst("X");
    inst.setProperty("A", CIMValue(String("a")));
    inst.setProperty("B", CIMValue(UInt8(3)));
    inst.setProperty("C", CIMValue(true));
    inst.setProperty("D", CIMValue(CIMNULL));
    return inst;
}

std::vector<std::string> names(const CIMPropertyArray& props) {
    std::vector<std::string> out;
    for (size_t i = 0; i < props.size(); ++i) out.push_back(props[i].getName().c_str());
    return out;
}

TEST(OwCIMInstance, Texts) {
    struct Case {
        String got;
        const char* want;
        const char* why;
    };
    const Case cases[] = {
        {makeX().toString(), "instance of X {\nA = a;\nB = 3;\nC = true;\nD = null;\n}\n",
         "toString: unindented, strings raw, null as null"},
        {makeX().toMOF(), "INSTANCE OF X\n{\n  A=\"a\";\n  B=3;\n  C=true;\n  D=NULL;\n};\n",
         "toMOF: indented, strings quoted, null as NULL"},
        {CIMInstance().toString(), "instance of  {\n}\n", "empty default instance"},
        {CIMInstance().toMOF(), "INSTANCE OF \n{\n};\n", "empty default instance as MOF"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.why;
}

TEST(OwCIMInstance, SetPropertyReplacesOrAppends) {
    CIMInstance inst = makeX();
    inst.setProperty("b", CIMValue(String("17")));
    CIMProperty b = inst.getProperty("B");
    ASSERT_TRUE(static_cast<bool>(b));
    EXPECT_EQ(b.getName(), "B") << "stored spelling kept";
    EXPECT_EQ(b.getValue().getType(), CIMDataType::UINT8) << "converted to the declared type";
    EXPECT_EQ(b.getValue().toUInt8(), 17);
    EXPECT_EQ(names(inst.getProperties()), (std::vector<std::string>{"A", "B", "C", "D"}));

    inst.setProperty("new", CIMValue(UInt32(5)));
    inst.setProperty("D", CIMValue("now set"));
    EXPECT_EQ(inst.toString(),
              "instance of X {\nA = a;\nB = 17;\nC = true;\nD = now set;\nnew = 5;\n}\n");
    EXPECT_EQ(inst.getProperty("d").getDataType().getType(), CIMDataType::STRING)
        << "a property added with a null value takes the type of its first value";

    // A whole property replaces the one of the same name in place.
    inst.setProperty(CIMProperty("c", CIMValue("s")));
    EXPECT_EQ(names(inst.getProperties()), (std::vector<std::string>{"A", "B", "c", "D", "new"}));
    EXPECT_EQ(inst.getPropertyValue("C").toString(), "s");
    inst.setProperty(CIMProperty(CIMNULL));
    EXPECT_EQ(inst.getProperties().size(), 5u) << "a null property is ignored";

    try {
        inst.setProperty("B", CIMValue("abc"));
        ADD_FAILURE() << "\"abc\" stored into a uint8 property";
    } catch (const CIMException& e) {
        EXPECT_EQ(e.getErrNo(), CIMException::FAILED);
        EXPECT_EQ(inst.getPropertyValue("B").toUInt8(), 17) << "failed set leaves the value";
    }
}

TEST(OwCIMInstance, LookupsAndKeys) {
    const CIMInstance inst = makeX();
    EXPECT_EQ(inst.getProperty("a").getName(), "A");
    EXPECT_TRUE(!inst.getProperty("zz")) << "missing property is a null CIMProperty";
    EXPECT_TRUE(!inst.getPropertyValue("zz"));
    ASSERT_TRUE(static_cast<bool>(inst.getProperty("d"))) << "null value, but present";
    EXPECT_TRUE(!inst.getProperty("d").getValue());
    EXPECT_FALSE(inst.propertyHasValue("D"));
    EXPECT_TRUE(inst.propertyHasValue("c"));
    EXPECT_EQ(inst.getKeyValuePairs().size(), 0u) << "setProperty never makes keys";
    EXPECT_EQ(names(inst.getProperties(CIMDataType::UINT8)), (std::vector<std::string>{"B"}));
    EXPECT_EQ(names(inst.getProperties(CIMDataType::STRING)), (std::vector<std::string>{"A"}));
    EXPECT_TRUE(inst.getProperties(CIMDataType::REAL64).empty());
    EXPECT_THROW(inst.getPropertyT("zz"), NoSuchPropertyException);

    CIMInstance copy = inst;
    copy.setProperty("A", CIMValue("changed")).setClassName("Y");
    EXPECT_EQ(inst.getPropertyValue("A").toString(), "a") << "copy-on-write";
    EXPECT_EQ(inst.getClassName(), "X");
}

CIMObjectPath chassis() {
    CIMObjectPath p("C", "root/cimv2");
    p.setKeyValue("Tag", CIMValue(String("Chassis")));
    p.setKeyValue("CreationClassName", CIMValue(String("QVX_Chassis")));
    return p;
}

TEST(OwCIMObjectPath, ToString) {
    CIMObjectPath typed("C", "ns");
    typed.setKeyValue("N", CIMValue(UInt8(3))).setKeyValue("B", CIMValue(true));
    CIMObjectPath escaped("C", "ns");
    escaped.setKeyValue("K", CIMValue("a\\b\"c\nd"));
    CIMObjectPath nullKey("C", "ns");
    nullKey.setKeys(arr<CIMProperty>({CIMProperty("K")}));
    CIMObjectPath replaced = chassis();
    replaced.setKeys(arr<CIMProperty>({CIMProperty("Only", CIMValue("1"))}));
    CIMObjectPath valueReplaced = chassis();
    valueReplaced.setKeyValue("tag", CIMValue("Other"));
    CIMObjectPath remote = chassis();
    remote.setHost("myhost");
    CIMObjectPath local = CIMObjectPath("C", "ns").setHost("localhost");

    struct Case {
        CIMObjectPath path;
        const char* want;
        const char* why;
    };
    const Case cases[] = {
        {chassis(), "/root/cimv2:C.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"",
         "keys in insertion order, not sorted"},
        {typed, "/ns:C.N=\"3\",B=\"true\"", "values quoted whatever their type"},
        {escaped, "/ns:C.K=\"a\\\\b\\\"c\\nd\"", "backslash, quote and newline escaped"},
        {nullKey, "/ns:C.K=\"null\"", "null key value"},
        {replaced, "/root/cimv2:C.Only=\"1\"", "setKeys replaces all keys"},
        {valueReplaced, "/root/cimv2:C.Tag=\"Other\",CreationClassName=\"QVX_Chassis\"",
         "setKeyValue replaces in place, keeping the spelling"},
        {CIMObjectPath("C"), "/:C", "empty namespace"},
        {CIMObjectPath("C", ""), "/:C", "empty namespace given"},
        {CIMObjectPath("C", "/root/x"), "/root/x:C", "leading '/' stripped"},
        {CIMObjectPath("C", " //root/x "), "/root/x:C", "spaces and all leading '/' stripped"},
        {CIMObjectPath("C").setNameSpace("/interop"), "/interop:C", "setNameSpace strips too"},
        {remote, "http://myhost/root/cimv2:C.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"",
         "non-local host"},
        {local, "/ns:C", "localhost is local"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.path.toString(), c.want) << c.why;
    EXPECT_EQ(local.getHost(), "127.0.0.1");
    EXPECT_EQ(CIMObjectPath().getHost(), "127.0.0.1");
    EXPECT_EQ(CIMObjectPath("C", "/root/x").getNameSpace(), "root/x");
}

TEST(OwCIMObjectPath, Keys) {
    const CIMObjectPath p = chassis();
    CIMProperty tag = p.getKey("tag");
    ASSERT_TRUE(static_cast<bool>(tag));
    EXPECT_EQ(tag.getName(), "Tag");
    EXPECT_EQ(tag.getValue().toString(), "Chassis");
    EXPECT_EQ(p.getKeyValue("CREATIONCLASSNAME").toString(), "QVX_Chassis");
    EXPECT_TRUE(!p.getKey("nope"));
    EXPECT_TRUE(!p.getKeyValue("nope"));
    EXPECT_FALSE(p.keyHasValue("nope"));
    EXPECT_THROW(p.getKeyT("nope"), NoSuchPropertyException);
    EXPECT_EQ(names(p.getKeys()), (std::vector<std::string>{"Tag", "CreationClassName"}));
    EXPECT_TRUE(p.isInstancePath());
    EXPECT_TRUE(CIMObjectPath("C").isClassPath());
    EXPECT_EQ(CIMObjectPath("root/cimv2", makeX()).getKeys().size(), 0u)
        << "an instance built with setProperty has no keys to give";
}

TEST(OwCIMObjectPath, Equals) {
    auto path = [](const char* ns, const char* cls, const char* k1, const char* v1, const char* k2,
                   const char* v2) {
        CIMObjectPath p(cls, ns);
        p.setKeyValue(k1, CIMValue(v1));
        if (k2) p.setKeyValue(k2, CIMValue(v2));
        return p;
    };
    const CIMObjectPath base = path("root/cimv2", "C", "A", "1", "B", "2");
    CIMObjectPath otherHost = base;
    otherHost.setHost("elsewhere");
    struct Case {
        CIMObjectPath other;
        bool equal;
        const char* why;
    };
    const Case cases[] = {
        {path("root/cimv2", "C", "B", "2", "A", "1"), true, "key order ignored"},
        {path("ROOT/CIMV2", "c", "a", "1", "b", "2"), true, "names ignore case"},
        {otherHost, true, "host ignored"},
        {path("root/other", "C", "A", "1", "B", "2"), false, "namespace differs"},
        {path("root/cimv2", "D", "A", "1", "B", "2"), false, "class differs"},
        {path("root/cimv2", "C", "A", "1", "B", "3"), false, "value differs"},
        {path("root/cimv2", "C", "A", "1", nullptr, nullptr), false, "key missing"},
        {path("root/cimv2", "C", "A", "1", "X", "2"), false, "other key name"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(base.equals(c.other), c.equal) << c.why;
        EXPECT_EQ(c.other == base, c.equal) << c.why;
        EXPECT_EQ(base != c.other, !c.equal) << c.why;
    }
    CIMObjectPath lower = base;
    lower.setKeyValue("A", CIMValue("x"));
    CIMObjectPath upper = base;
    upper.setKeyValue("A", CIMValue("X"));
    EXPECT_FALSE(lower.equals(upper)) << "string key values compare case-sensitively";
}

TEST(OwCIMObjectPath, ParseRoundTrip) {
    CIMObjectPath escaped("QVX_Port", "root/cimv2");
    escaped.setKeyValue("Name", CIMValue("a,b.c=d \"q\" \\ \n end"));
    escaped.setKeyValue("Slot", CIMValue("3"));
    const CIMObjectPath paths[] = {
        chassis(),
        escaped,
        CIMObjectPath("C", "root/cimv2"),
        CIMObjectPath("C"),
    };
    for (const CIMObjectPath& p : paths) {
        CIMObjectPath back = CIMObjectPath::parse(p.toString());
        EXPECT_EQ(back.toString(), p.toString());
        EXPECT_TRUE(back.equals(p)) << p.toString();
        EXPECT_EQ(names(back.getKeys()), names(p.getKeys())) << p.toString();
    }
    EXPECT_EQ(CIMObjectPath::parse(escaped.toString()).getKeyValue("name").toString(),
              "a,b.c=d \"q\" \\ \n end");
}

TEST(OwNullObjects, AccessorsThrow) {
    const CIMValue v(CIMNULL);
    const CIMInstance i(CIMNULL);
    const CIMObjectPath p(CIMNULL);
    const Action cases[] = {
        {"CIMValue::getType", [&] { v.getType(); }},
        {"CIMValue::isArray", [&] { v.isArray(); }},
        {"CIMValue::toMOF", [&] { v.toMOF(); }},
        {"CIMValue::toStringArray", [&] { v.toStringArray(); }},
        {"CIMInstance::getClassName", [&] { i.getClassName(); }},
        {"CIMInstance::getProperty", [&] { i.getProperty("A"); }},
        {"CIMInstance::setProperty", [&] { CIMInstance(i).setProperty("A", CIMValue(true)); }},
        {"CIMInstance::toString", [&] { i.toString(); }},
        {"CIMObjectPath::toString", [&] { p.toString(); }},
        {"CIMObjectPath::getKey", [&] { p.getKey("K"); }},
        {"CIMObjectPath::setNameSpace", [&] { CIMObjectPath(p).setNameSpace("x"); }},
        {"CIMObjectPath::equals", [&] { CIMObjectPath("C").equals(p); }},
        {"CIMProperty::getName", [] { CIMProperty(CIMNULL).getName(); }},
        {"CIMProperty from a null value", [&] { CIMProperty("N", v); }},
        {"setKeyValue with a null value", [&] { CIMObjectPath("C").setKeyValue("K", v); }},
    };
    for (const Action& a : cases) {
        try {
            a.run();
            ADD_FAILURE() << a.what << " did not throw";
        } catch (const CIMException&) {
            ADD_FAILURE() << a.what << " threw a CIMException";
        } catch (const NULLCOWIntrusiveReferenceException& e) {
            EXPECT_STREQ(e.getMessage(), "NULL COWReference dereferenced") << a.what;
        }
    }
}

TEST(OwNullObjects, SafeBool) {
    EXPECT_TRUE(!CIMValue(CIMNULL));
    EXPECT_TRUE(!CIMInstance(CIMNULL));
    EXPECT_TRUE(!CIMObjectPath(CIMNULL));
    EXPECT_TRUE(!CIMProperty(CIMNULL));
    EXPECT_TRUE(static_cast<bool>(CIMInstance()));
    EXPECT_TRUE(static_cast<bool>(CIMObjectPath()));
    EXPECT_TRUE(static_cast<bool>(CIMProperty()));
    EXPECT_TRUE(static_cast<bool>(CIMValue(false))) << "a false boolean is still a value";
    CIMValue v(UInt8(1));
    v.setNull();
    EXPECT_TRUE(!v);
}

}  // namespace
