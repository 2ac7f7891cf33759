// CIM-XML requests decoded to typed requests, each kind of fault the reader
// refuses, and the writer's texts. Whole replies are the server's golden test's;
// robustness and well-formed output are the fuzzer's.
#include "CimXml.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace OpenWBEM;
using namespace qvx_cimom;

namespace {

const char kXmlDecl[] = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";

std::string s(const String& x) {
    return std::string(x.c_str(), x.length());
}

std::string corpus(const std::string& name) {
    std::ifstream in(std::string(QVX_CIMXML_CORPUS) + "/" + name, std::ios::binary);
    std::stringstream body;
    body << in.rdbuf();
    return body.str();
}

std::string message(const std::string& inside) {
    return std::string(kXmlDecl) +
           "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\">" +
           inside + "</MESSAGE></CIM>";
}

// An intrinsic call framed as the client frames it.
std::string imethod(const std::string& method, const std::string& params,
                    const std::string& id = "4711") {
    return std::string(kXmlDecl) + "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"" +
           id + "\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><IMETHODCALL NAME=\"" + method +
           "\"><LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/><NAMESPACE NAME=\"cimv2\"/>"
           "</LOCALNAMESPACEPATH>" +
           params + "</IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>\n";
}

std::string iparam(const std::string& name, const std::string& value) {
    return "<IPARAMVALUE NAME=\"" + name + "\">" + value + "</IPARAMVALUE>";
}

const std::string kChassisName =
    "<INSTANCENAME CLASSNAME=\"QVX_Z64Chassis\"><KEYBINDING NAME=\"Tag\"><KEYVALUE>Chassis"
    "</KEYVALUE></KEYBINDING></INSTANCENAME>";
const std::string kChassisKeys = "root/cimv2:QVX_Z64Chassis{Tag=string \"Chassis\";}";

// GetInstance of class C with the given KEYBINDINGs.
std::string keys(const std::string& bindings) {
    return imethod("GetInstance", iparam("InstanceName", "<INSTANCENAME CLASSNAME=\"C\">" +
                                                             bindings + "</INSTANCENAME>"));
}

std::string modifyWith(const std::string& instanceXml) {
    return imethod("ModifyInstance",
                   iparam("ModifiedInstance", "<VALUE.NAMEDINSTANCE>" + kChassisName + instanceXml +
                                                  "</VALUE.NAMEDINSTANCE>"));
}

// ModifyInstance of a chassis with the given properties.
std::string props(const std::string& properties) {
    return modifyWith("<INSTANCE CLASSNAME=\"QVX_Z64Chassis\">" + properties + "</INSTANCE>");
}

// ModifyInstance with one property P of the type and value text.
std::string prop(const std::string& type, const std::string& text) {
    return props("<PROPERTY NAME=\"P\" TYPE=\"" + type + "\"><VALUE>" + text +
                 "</VALUE></PROPERTY>");
}

// The client's SetOwner call with other PARAMVALUEs.
std::string cmWith(const std::string& params) {
    std::string body = corpus("ok-cm.xml");
    size_t from = body.find("<PARAMVALUE");
    return body.replace(from, body.find("</METHODCALL>") - from, params);
}

// A value as "<type> <MOF text>", or NULL.
std::string typed(const CIMValue& v) {
    if (!v) return "NULL";
    return s(CIMDataType(v.getType()).toString()) + (v.isArray() ? "[] " : " ") + s(v.toMOF());
}

std::string pathText(const CIMObjectPath& p) {
    std::string out = s(p.getNameSpace()) + ":" + s(p.getClassName()) + "{";
    for (const CIMProperty& k : p.getKeys())
        out += s(k.getName()) + "=" + typed(k.getValue()) + ";";
    return out + "}";
}

// The error decodeRequest throws; a test failure when it returns.
CimXmlError decodeError(const std::string& body) {
    try {
        decodeRequest(body);
    } catch (const CimXmlError& e) {
        return e;
    }
    ADD_FAILURE() << "decoded without error:\n" << body.substr(0, 400);
    return CimXmlError(CIMException::SUCCESS, "");
}

// ------------------------------------------------------------ requests

// Default flags, property lists and the common calls are the golden replies'.
TEST(DecodeRequest, SkipsParametersItDoesNotRead) {
    // Parameters the method does not define, and unknown ones, are skipped unread.
    CimRequest r = decodeRequest(
        imethod("GetInstance", iparam("InstanceName", kChassisName) + iparam("ClassName", "<X/>") +
                                   iparam("DeepInheritance", "<VALUE>maybe</VALUE>") +
                                   iparam("FutureThing", "<X/>") + iparam("PropertyList", "")));
    EXPECT_EQ(kChassisKeys, pathText(r.instanceName));
    EXPECT_EQ("", r.className);
    EXPECT_FALSE(r.hasPropertyList) << "a NULL list asks for all properties";
}

TEST(DecodeRequest, TypedValues) {
    const std::string keyRows[][3] = {
        // KEYVALUE attributes, text, value
        {"VALUETYPE=\"string\"", " 7 ", "string \" 7 \""},
        {"VALUETYPE=\"numeric\"", "2.5", "real64 2.5"},
        {"VALUETYPE=\"numeric\" TYPE=\"sint64\"", "-9223372036854775808",
         "sint64 -9223372036854775808"},
        {"VALUETYPE=\"numeric\" TYPE=\"uint64\"", "18446744073709551615",
         "uint64 18446744073709551615"},
        {"VALUETYPE=\"boolean\" TYPE=\"boolean\"", "True", "boolean true"},
        {"", "a&lt;b &amp; &#x47;r&#252;", "string \"a<b & Gr\xC3\xBC\""},
    };
    for (const auto& row : keyRows) {
        CimRequest r = decodeRequest(keys("<KEYBINDING NAME=\"K\"><KEYVALUE " + row[0] + ">" +
                                          row[1] + "</KEYVALUE></KEYBINDING>"));
        EXPECT_EQ(row[2], typed(r.instanceName.getKeyValue("K"))) << row[1];
    }
    const char* propertyRows[][3] = {
        // PROPERTY TYPE, text, value
        {"sint32", "+17", "sint32 17"},
        {"real32", "1.5", "real32 1.5"},
        {"boolean", " fAlSe ", "boolean false"},
        {"datetime", "00000001020304.000005:000", "datetime \"00000001020304.000005:000\""},
    };
    for (const auto& row : propertyRows) {
        CimRequest r = decodeRequest(prop(row[0], row[1]));
        EXPECT_EQ(row[2], typed(r.instance.getPropertyValue("P"))) << row[0];
    }
}

// ------------------------------------------------------------ refused bodies

// How a request is refused: the CIM status code, or the HTTP status and
// CIMError, then ": " and the start of the description.
const std::string kNotXml = "400 request-not-loosely-valid: ";

void expectRefusals(const std::vector<std::pair<std::string, std::string>>& rows) {
    for (const auto& [body, expected] : rows) {
        CimXmlError e = decodeError(body);
        std::string got = (e.httpStatus ? std::to_string(e.httpStatus) + " " + e.cimError
                                        : std::to_string(e.code)) +
                          ": " + e.description;
        EXPECT_EQ(0u, got.rfind(expected, 0)) << got;
    }
}

std::string nested(int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) open += "<A>", close += "</A>";
    return open + close;
}

// Faults in the envelope, and bodies that are not CIM-XML at all.
TEST(DecodeRequest, RefusedEnvelopes) {
    std::string huge = imethod("X", std::string(kCimXmlMaxBodyBytes, ' '));
    const std::string cim = "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\">";
    expectRefusals({
        // The client pastes values unescaped: OwnerName="a<b & c".
        {corpus("bad-mi-unescaped.xml"),
         "400 request-not-well-formed: request is not well-formed XML (line 5): "},
        {"<!DOCTYPE CIM [<!ENTITY a \"aaaa\">]><CIM>&a;&a;</CIM>",
         kNotXml + "DOCTYPE declarations are not accepted"},
        {nested(65), kNotXml + "elements nested deeper than 64 levels"},
        {nested(64), kNotXml + "the root element is A, not CIM"},
        {huge, "4: request body of " + std::to_string(huge.size()) +
                   " bytes exceeds the limit of 1048576"},
        {"<CIM CIMVERSION=\"3.0\" DTDVERSION=\"2.0\"/>",
         "501 unsupported-cim-version: CIMVERSION \"3.0\" is not supported"},
        {"<CIM CIMVERSION=\"2.0\" DTDVERSION=\"1.1\"/>",
         "501 unsupported-dtd-version: DTDVERSION \"1.1\" is not supported"},
        {cim + "<MESSAGE ID=\"1\" PROTOCOLVERSION=\"2.0\"/></CIM>",
         "501 unsupported-protocol-version: PROTOCOLVERSION \"2.0\" is not supported"},
        {message("<MULTIREQ/>"),
         "501 multiple-requests-unsupported: multiple requests (MULTIREQ) are not supported"},
    });
}

// Faults in parameters, keys, instances and values are CIM errors: one row
// for each kind of fault.
TEST(DecodeRequest, RefusedParameters) {
    const std::string name = iparam("InstanceName", kChassisName);
    auto gi = [&](const std::string& more) { return imethod("GetInstance", name + more); };
    auto key = [](const std::string& kv) {
        return keys("<KEYBINDING NAME=\"N\"><KEYVALUE " + kv + "</KEYVALUE></KEYBINDING>");
    };
    auto pv = [](const std::string& p) {
        return cmWith("<PARAMVALUE NAME=" + p + "</PARAMVALUE>");
    };
    const std::string longName(300, 'N');
    std::vector<std::pair<std::string, std::string>> rows = {
        {imethod("EnumerateInstances", ""), "4: EnumerateInstances needs the ClassName parameter"},
        {keys("<KEYBINDING NAME=\"" + longName + "\"><KEYVALUE>v</KEYVALUE></KEYBINDING>"),
         "4: KEYBINDING NAME longer than 256 bytes"},
        {gi(iparam("LocalOnly", "<VALUE>yes</VALUE>")),
         "4: IPARAMVALUE LocalOnly: \"yes\" is not a boolean"},
        {gi(iparam("localonly", "<VALUE>true</VALUE>") +
            iparam("LocalOnly", "<VALUE>true</VALUE>")),
         "4: IPARAMVALUE LocalOnly given twice"},
        {keys("<KEYBINDING NAME=\"R\"><VALUE.REFERENCE/></KEYBINDING>"),
         "7: key R: reference keys are not supported"},
        {key("VALUETYPE=\"numeric\" TYPE=\"string\">1"),
         "4: key N: TYPE string does not go with VALUETYPE numeric"},
        {prop("int", "1"), "4: property P: unknown PROPERTY type \"int\""},
        {modifyWith("<INSTANCE CLASSNAME=\"Other\"></INSTANCE>"),
         "4: IPARAMVALUE ModifiedInstance: INSTANCENAME of class QVX_Z64Chassis names an INSTANCE "
         "of class Other"},
        {pv("\"D\" PARAMTYPE=\"uint32\"><VALUE>soon</VALUE>"),
         "4: PARAMVALUE D: \"soon\" is not a valid uint32"},
    };
    // Out of range for the type, or not a number or date at all.
    const char* values[][2] = {{"sint8", "-129"},
                               {"uint64", "18446744073709551616"},
                               {"real32", "1e39"},
                               {"datetime", "2023051412000x.000000+060"}};
    for (const auto& v : values) {
        rows.push_back({prop(v[0], v[1]),
                        std::string("4: property P: \"") + v[1] + "\" is not a valid " + v[0]});
    }
    expectRefusals(rows);
}

// What the start of the body told is kept for the error response, even when
// the rest is not XML; an ID that does not read plainly is not guessed at.
TEST(DecodeRequest, ErrorsCarryIdAndMethod) {
    struct Row {
        std::string body, id, method;
        bool extrinsic;
    } rows[] = {
        {corpus("bad-mi-unescaped.xml"), "4715", "ModifyInstance", false},
        {cmWith("<PARAMVALUE NAME=\"Owner\"><VALUE>a<b</VALUE></PARAMVALUE>"), "4720", "SetOwner",
         true},
        {"<CIM><MESSAGE ID=\"a&amp;b\" PROTOCOLVERSION=\"1.0\"><", "", "", false},
    };
    for (const Row& row : rows) {
        CimXmlError e = decodeError(row.body);
        EXPECT_EQ(row.id, e.messageId) << e.description;
        EXPECT_EQ(row.method, e.method) << e.description;
        EXPECT_EQ(row.extrinsic, e.extrinsic) << e.description;
    }
}

// ------------------------------------------------------------ responses

std::string response(const std::string& id, const std::string& inner) {
    return "<?xml version=\"1.0\" ?><CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"" +
           id + "\" PROTOCOLVERSION=\"1.0\"><SIMPLERSP>" + inner +
           "</SIMPLERSP></MESSAGE></CIM>\r\n";
}

// An intrinsic response holding one return value.
std::string returning(const std::string& method, const std::string& value) {
    return response("1", "<IMETHODRESPONSE NAME=\"" + method + "\"><IRETURNVALUE>" + value +
                             "</IRETURNVALUE></IMETHODRESPONSE>");
}

// NULL properties by their declared type, output parameters, and the five
// entities and raw UTF-8 in the error's attribute; the shapes the golden
// replies hold are theirs.
TEST(Encode, ExactTexts) {
    CIMParamValueArray out(1, CIMParamValue("Previous", CIMValue("Lab 2")));
    out.push_back(CIMParamValue("Missing"));
    out.push_back(CIMParamValue("Codes", CIMValue(UInt16Array(2, UInt16(1)))));
    CIMInstance nulls("C");
    nulls.setProperty(CIMProperty("N", CIMDataType(CIMDataType::UINT32)));
    nulls.setProperty(CIMProperty("A", CIMDataType(CIMDataType::STRING, 0)));
    nulls.setProperty(CIMProperty("F", CIMDataType(CIMDataType::UINT8, 4)));
    nulls.setProperty(CIMProperty("Untyped"));
    nulls.setProperty("T", CIMValue(Int32Array(1, -5)));
    const std::string special = "bad <v> & \"q\" 'a'\nGr\xC3\xBC\xC3\x9F";
    const std::string rows[][2] = {
        // as written, as expected
        {encodeInstance("1", "GetInstance", nulls, false, false),
         returning("GetInstance",
                   R"(<INSTANCE CLASSNAME="C"><PROPERTY NAME="N" TYPE="uint32" ></PROPERTY>)"
                   R"(<PROPERTY.ARRAY NAME="A" TYPE="string" ></PROPERTY.ARRAY>)"
                   R"(<PROPERTY.ARRAY NAME="F" TYPE="uint8" ARRAYSIZE="4" ></PROPERTY.ARRAY>)"
                   R"(<PROPERTY NAME="Untyped" TYPE="string" ></PROPERTY><PROPERTY.ARRAY )"
                   R"(NAME="T" TYPE="sint32" ><VALUE.ARRAY><VALUE>-5</VALUE></VALUE.ARRAY>)"
                   R"(</PROPERTY.ARRAY></INSTANCE>)")},
        {encodeMethodResponse("9", "SetOwner", CIMValue(UInt32(0)), out),
         response("9", R"(<METHODRESPONSE NAME="SetOwner"><RETURNVALUE><VALUE>0</VALUE>)"
                       R"(</RETURNVALUE><PARAMVALUE NAME="Previous"><VALUE>Lab 2</VALUE>)"
                       R"(</PARAMVALUE><PARAMVALUE NAME="Missing"></PARAMVALUE><PARAMVALUE )"
                       R"(NAME="Codes"><VALUE.ARRAY><VALUE>1</VALUE><VALUE>1</VALUE></VALUE.ARRAY>)"
                       R"(</PARAMVALUE></METHODRESPONSE>)")},
        // A raw newline: the clients refuse character references.
        {encodeError("42", "Reset", true, CIMException::INVALID_PARAMETER, special),
         "<?xml version=\"1.0\" ?><CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"42\" "
         "PROTOCOLVERSION=\"1.0\"><SIMPLERSP>\r\n<METHODRESPONSE NAME=\"Reset\">\r\n<ERROR "
         "CODE=\"4\" DESCRIPTION=\"bad &lt;v&gt; &amp; &quot;q&quot; &apos;a&apos;\nGr\xC3\xBC"
         "\xC3\x9F\"></ERROR>\r\n</METHODRESPONSE>\r\n</SIMPLERSP>\r\n</MESSAGE></CIM>\r\n"},
    };
    for (const auto& row : rows) EXPECT_EQ(row[1], row[0]);
}

// Each type's text and the escapes, in a property value.
TEST(Encode, ValueTexts) {
    struct Row {
        CIMValue value;
        const char *type, *text;
    } rows[] = {
        {CIMValue(UInt64(UINT64_MAX)), "uint64", "18446744073709551615"},
        {CIMValue(Int64(INT64_MIN)), "sint64", "-9223372036854775808"},
        {CIMValue(Real32(0.1f)), "real32", "0.100000001"},
        {CIMValue(true), "boolean", "true"},
        {CIMValue("Z64 <\"rev\" 'B'> & more"), "string",
         "Z64 &lt;&quot;rev&quot; &apos;B&apos;&gt; &amp; more"},
        // Not UTF-8, or not an XML character: U+FFFD each byte.
        {CIMValue("a\377b\303c\001d\355\240\200e\357\277\277"), "string",
         "a\357\277\275b\357\277\275c\357\277\275d\357\277\275\357\277\275\357\277\275e\357\277\275"
         "\357\277\275\357\277\275"},
    };
    for (const Row& row : rows) {
        CIMInstance inst("C");
        inst.setProperty("P", row.value);
        EXPECT_EQ(
            returning("GetInstance",
                      std::string("<INSTANCE CLASSNAME=\"C\"><PROPERTY NAME=\"P\" TYPE=\"") +
                          row.type + "\" ><VALUE>" + row.text + "</VALUE></PROPERTY></INSTANCE>"),
            encodeInstance("1", "GetInstance", inst, false, false));
    }
}

// The golden replies hold no superclass, origin or class property list.
TEST(Encode, ClassWithFlags) {
    CIMClass cls("QVX_Z64Chassis");
    cls.setSuperClass("CIM_Chassis");
    CIMProperty tag("Tag", CIMDataType(CIMDataType::STRING));
    tag.setOriginClass("CIM_PhysicalElement");
    tag.setPropagated(true);
    CIMProperty owner("OwnerName", CIMDataType(CIMDataType::UINT16));
    owner.setOriginClass("QVX_Z64Chassis");
    cls.addProperty(tag);
    cls.addProperty(owner);
    const std::string open = R"(<CLASS NAME="QVX_Z64Chassis" SUPERCLASS="CIM_Chassis">)";
    const std::string tagPlain = R"(<PROPERTY NAME="Tag" TYPE="string" ></PROPERTY>)";
    const std::string ownerPlain = R"(<PROPERTY NAME="OwnerName" TYPE="uint16" ></PROPERTY>)";
    std::vector<std::string> list = {"Unknown", "TAG"}, none;
    struct Row {
        bool localOnly, origin;
        const std::vector<std::string>* list;
        std::string expected;
    } rows[] = {
        {false, false, nullptr, tagPlain + ownerPlain},
        // The class's own properties name it as their origin.
        {false, true, nullptr,
         R"(<PROPERTY NAME="Tag" TYPE="string" CLASSORIGIN="CIM_PhysicalElement" PROPAGATED="true" )"
         R"(></PROPERTY><PROPERTY NAME="OwnerName" TYPE="uint16" CLASSORIGIN="QVX_Z64Chassis" >)"
         R"(</PROPERTY>)"},
        {true, false, nullptr, ownerPlain},  // drops what the superclass brought
        {false, false, &list, tagPlain},
        {false, false, &none, ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(returning("GetClass", open + row.expected + "</CLASS>"),
                  encodeClass("1", "GetClass", cls, row.localOnly, false, row.origin, row.list,
                              QualifierFlavorTable()));
    }
}

}  // namespace
