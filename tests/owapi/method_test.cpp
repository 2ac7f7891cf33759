// CIMMethod and CIMParameter: what a class declares for its methods, the
// MOF it prints for them, lookups ignoring case, and shared-data copies.

#include <gtest/gtest.h>

#include <string>

#include "OW_CIMClass.hpp"
#include "OW_CIMMethod.hpp"
#include "OW_CIMParameter.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_CIMValue.hpp"
#include "OW_Exception.hpp"

namespace {

using namespace OpenWBEM;

std::string str(const String& s) {
    return s.c_str();
}

CIMQualifier qual(const char* name, const CIMValue& value) {
    CIMQualifier q(name);
    q.setValue(value);
    return q;
}

CIMParameter param(const char* name, const CIMDataType& type, const char* flag = nullptr) {
    CIMParameter p(name);
    p.setDataType(type);
    if (flag) p.setQualifiers(CIMQualifierArray(1, qual(flag, CIMValue(true))));
    return p;
}

CIMMethod method(const char* name, CIMDataType::Type type) {
    CIMMethod m(name);
    m.setReturnType(type);
    return m;
}

TEST(OwCIMParameter, ToMOF) {
    const std::pair<CIMParameter, const char*> cases[] = {
        {param("Codes", CIMDataType(CIMDataType::UINT8, 0), "IN"), "[IN(true)] uint8 Codes[]"},
        {param("Fixed", CIMDataType(CIMDataType::SINT16, 4)), "sint16 Fixed[4]"},
        {param("Target", CIMDataType(String("A_T"))), "A_T REF Target"},
    };
    for (const auto& [parameter, mof] : cases) EXPECT_EQ(str(parameter.toMOF()), mof);
}

TEST(OwCIMParameter, QualifiersLookedUpIgnoringCase) {
    CIMParameter p = param("P", CIMDataType::STRING, "In");
    EXPECT_TRUE(p.hasTrueQualifier("IN"));
    EXPECT_FALSE(p.hasTrueQualifier("Out"));
    p.setQualifiers(CIMQualifierArray(1, qual("in", CIMValue(false))));
    EXPECT_FALSE(p.hasTrueQualifier("In"));
    EXPECT_FALSE(p.getQualifier("Out"));
}

TEST(OwCIMMethod, DeclarationAndLookup) {
    CIMMethod m = method("Reset", CIMDataType::UINT32);
    m.addParameter(param("Reason", CIMDataType::STRING, "IN"));
    m.addParameter(param("Codes", CIMDataType(CIMDataType::UINT8, 0), "OUT"));
    m.addParameter(CIMParameter(CIMNULL));  // ignored, as null properties are
    m.addQualifier(qual("Description", CIMValue("Resets.")));
    EXPECT_EQ(m.getReturnType().getType(), CIMDataType::UINT32);
    ASSERT_EQ(m.getParameters().size(), 2u);
    EXPECT_EQ(str(m.getQualifier("DESCRIPTION").getValue().toString()), "Resets.");
    EXPECT_EQ(str(m.toMOF()),
              "  [Description(\"Resets.\")]\n"
              "  uint32 Reset(\n"
              "    [IN(true)] string Reason,\n"
              "    [OUT(true)] uint8 Codes[]);\n");
    EXPECT_EQ(str(method("Ping", CIMDataType::BOOLEAN).toMOF()), "  boolean Ping();\n");
}

TEST(OwCIMMethod, CopiesShareUntilChangedAndNullHandlesThrow) {
    CIMMethod a = method("M", CIMDataType::STRING);
    CIMMethod b(a);
    b.addParameter(param("P", CIMDataType::STRING));
    b.setName("N");
    EXPECT_TRUE(a.getParameters().empty());
    EXPECT_EQ(str(a.getName()), "M");
    EXPECT_FALSE(CIMMethod(CIMNULL));
    EXPECT_THROW(CIMMethod(CIMNULL).getName(), Exception);
    EXPECT_THROW(CIMParameter(CIMNULL).getType(), Exception);
}

TEST(OwCIMClass, MethodsAfterProperties) {
    CIMClass c("A_B");
    CIMProperty key("Id", CIMDataType::STRING);
    key.setQualifier(qual("Key", CIMValue(true)));
    c.addProperty(key);
    c.addProperty(CIMProperty("Peer", CIMDataType(String("A_B"))));
    c.addMethod(method("Ping", CIMDataType::BOOLEAN));
    c.addMethod(CIMMethod(CIMNULL));
    ASSERT_EQ(c.getAllMethods().size(), 1u);
    EXPECT_EQ(str(c.getMethod("PING").getName()), "Ping");
    EXPECT_FALSE(c.getMethod("Id"));
    EXPECT_EQ(str(c.toMOF()),
              "class A_B\n{\n"
              "  [Key(true)]\n  string Id;\n"
              "  A_B REF Peer;\n"
              "  boolean Ping();\n"
              "};\n");
}

}  // namespace
