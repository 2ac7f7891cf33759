// CIM-XML requests decoded to typed requests, each way the reader refuses a
// body, and the writer's texts. Whole replies are the server's golden test's;
// robustness and well-formed output are the fuzzer's.
#include "CimXml.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMDateTime.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
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

// Everything a decoded request carries, in one line: flags are LocalOnly,
// DeepInheritance, IncludeQualifiers, IncludeClassOrigin; a NULL property
// shows its declared type.
std::string summary(const CimRequest& r) {
    std::string out = r.messageId + (r.extrinsic ? " extrinsic " : " ") + r.method + " " +
                      r.nameSpace + " class=" + r.className +
                      " flags=" + std::to_string(r.localOnly) + std::to_string(r.deepInheritance) +
                      std::to_string(r.includeQualifiers) + std::to_string(r.includeClassOrigin);
    if (r.hasPropertyList) {
        out += " list=";
        for (const std::string& p : r.propertyList) out += p + ";";
    }
    if (r.instanceName) out += " name=" + pathText(r.instanceName);
    if (r.instance) {
        out += " instance=" + s(r.instance.getClassName()) + "{";
        for (const CIMProperty& p : r.instance.getProperties()) {
            CIMDataType t = p.getDataType();
            out += s(p.getName()) + "=" +
                   (p.getValue() ? typed(p.getValue())
                                 : "NULL " + s(t.toString()) + (t.isArrayType() ? "[]" : "")) +
                   ";";
        }
        out += "}";
    }
    if (r.objectPath) out += " target=" + pathText(r.objectPath);
    for (const CIMParamValue& p : r.inParams)
        out += " " + s(p.getName()) + "=" + typed(p.getValue());
    return out;
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

// The client's requests, kept as the fuzzer's seeds, by file name.
const std::map<std::string, std::string> kSeedSummaries = {
    {"ok-ein.xml", "4711 EnumerateInstanceNames root/cimv2 class=QVX_Z64Chassis flags=1000"},
    {"ok-ei.xml",  // self-closing NAMESPACE, flags in any case
     "4712 EnumerateInstances root/cimv2 class=QVX_Z64Chassis flags=0011 list=Tag;OwnerName;"},
    {"ok-gi.xml",  // keys in the order the user wrote them
     "4713 GetInstance root/cimv2 class= flags=0000 list=OwnerName; "
     "name=root/cimv2:QVX_Z64Chassis{CreationClassName=string \"QVX_Z64Chassis\";"
     "Tag=string \"Chassis\";}"},
    {"ok-mi.xml",
     "4715 ModifyInstance root/cimv2 class= flags=1010 "
     "name=root/cimv2:QVX_Z64Chassis{Tag=string \"Chassis\";"
     "CreationClassName=string \"QVX_Z64Chassis\";} instance=QVX_Z64Chassis{"
     "Tag=string \"Chassis\";CreationClassName=string \"QVX_Z64Chassis\";"
     "OwnerName=string \"Lab 3 & 4\";Location=NULL string;UserTracking=uint16 7;"
     "CanBeFRUed=boolean true;ManufactureDate=datetime \"20230514120000.000000+060\";"
     "Providers=string[] {\"a\",\"b\"};Sizes=NULL sint32[];}"},
    {"ok-ci.xml",
     "4717 CreateInstance root/cimv2 class= flags=1000 "
     "instance=QVX_MBMLogicalModule{Tag=string \"Module 3\";Slot=uint8 3;}"},
    {"ok-di.xml",
     "4718 DeleteInstance root/cimv2 class= flags=1000 name=root/cimv2:QVX_MBMLogicalModule{"
     "Tag=string \"Module 3\";Slot=uint64 3;Spare=boolean true;}"},
    {"ok-cm.xml",
     "4720 extrinsic SetOwner root/cimv2 class=QVX_Z64Chassis flags=1000 target=" + kChassisKeys +
         " Owner=string \"Lab 3\" Delay=uint32 30 Tags=string[] {\"x\",\"y\"} Note=NULL"},
    {"ok-ecn.xml", "4721 EnumerateClassNames root/cimv2 class= flags=1100"},
    {"ok-gc.xml", "4722 GetClass root/cimv2 class=QVX_Z64Chassis flags=0010"},
};

// Every seed decodes as its name says: ok-* to the summary above, bad-* to
// an error (crash inputs the fuzzer found stay there as bad-* files).
TEST(DecodeRequest, FuzzSeedsAsTheClientSendsThem) {
    size_t summarised = 0;
    for (const auto& f : std::filesystem::directory_iterator(QVX_CIMXML_CORPUS)) {
        std::string name = f.path().filename().string();
        SCOPED_TRACE(name);
        if (name.rfind("bad-", 0) == 0) {
            decodeError(corpus(name));
            continue;
        }
        std::string got = summary(decodeRequest(corpus(name)));
        auto row = kSeedSummaries.find(name);
        if (row == kSeedSummaries.end()) continue;
        EXPECT_EQ(row->second, got);
        ++summarised;
    }
    EXPECT_EQ(kSeedSummaries.size(), summarised);
}

TEST(DecodeRequest, DefaultsAndOddShapes) {
    const std::string cls = iparam("ClassName", "<CLASSNAME NAME=\"C\"/>");
    const std::string name = iparam("InstanceName", kChassisName);
    const std::string gi = "4711 GetInstance root/cimv2 class= flags=1000";
    const std::string ei = "4711 EnumerateInstances root/cimv2 class=C flags=1100";
    const std::string rows[][2] = {
        // Absent or NULL flags take each method's defaults.
        {imethod("EnumerateInstances", cls), ei},
        {imethod("GetClass", cls), "4711 GetClass root/cimv2 class=C flags=1010"},
        // An empty PropertyList asks for no properties, a NULL one for all.
        {imethod("GetInstance", name + iparam("PropertyList", "<VALUE.ARRAY/>")),
         gi + " list= name=" + kChassisKeys},
        {imethod("GetInstance", name + iparam("PropertyList", "")), gi + " name=" + kChassisKeys},
        // Parameters the method does not define, and unknown ones, are skipped unread.
        {imethod("GetInstance", name + cls + iparam("DeepInheritance", "<VALUE>maybe</VALUE>") +
                                    iparam("FutureThing", "<X/>")),
         gi + " name=" + kChassisKeys},
        // An unknown intrinsic method is the caller's to refuse.
        {imethod("ExecQuery", iparam("Query", "<VALUE>x</VALUE>")),
         "4711 ExecQuery root/cimv2 class= flags=1000"},
        // A static method on a class path.
        {message("<SIMPLEREQ><METHODCALL NAME=\"Rescan\"><LOCALCLASSPATH><LOCALNAMESPACEPATH>"
                 "<NAMESPACE NAME=\"root\"/></LOCALNAMESPACEPATH><CLASSNAME NAME=\"QVX_A\"/>"
                 "</LOCALCLASSPATH></METHODCALL></SIMPLEREQ>"),
         "1 extrinsic Rescan root class=QVX_A flags=1000 target=root:QVX_A{}"},
    };
    for (const auto& row : rows) EXPECT_EQ(row[1], summary(decodeRequest(row[0])));
}

TEST(DecodeRequest, TypedValues) {
    const std::string keyRows[][3] = {
        // KEYVALUE attributes, text, value
        {"VALUETYPE=\"string\"", " 7 ", "string \" 7 \""},
        {"VALUETYPE=\"numeric\"", "42", "uint64 42"},
        {"VALUETYPE=\"numeric\"", "-42", "sint64 -42"},
        {"VALUETYPE=\"numeric\"", "0x1F", "uint64 31"},
        {"VALUETYPE=\"numeric\"", "2.5", "real64 2.5"},
        {"VALUETYPE=\"numeric\" TYPE=\"sint64\"", "-9223372036854775808",
         "sint64 -9223372036854775808"},
        {"VALUETYPE=\"numeric\" TYPE=\"uint64\"", "18446744073709551615",
         "uint64 18446744073709551615"},
        {"VALUETYPE=\"boolean\" TYPE=\"boolean\"", "True", "boolean true"},
        {"VALUETYPE=\"string\" TYPE=\"datetime\"", "20230514120000.000000+060",
         "datetime \"20230514120000.000000+060\""},
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
        {"sint64", "-0", "sint64 0"},
        {"real32", "1.5", "real32 1.5"},
        {"real64", "-2.5e3", "real64 -2500"},
        {"boolean", " fAlSe ", "boolean false"},
        {"string", "  spaced  ", "string \"  spaced  \""},
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
        {"GET / HTTP/1.1", kNotXml + "request is not well-formed XML (line 1): "},
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
        {cim + "</CIM>", kNotXml + "CIM must hold one MESSAGE"},
        {cim + "<MESSAGE PROTOCOLVERSION=\"1.0\"/></CIM>", kNotXml + "MESSAGE without ID"},
        {cim + "<MESSAGE ID=\"1\" PROTOCOLVERSION=\"2.0\"/></CIM>",
         "501 unsupported-protocol-version: PROTOCOLVERSION \"2.0\" is not supported"},
        {message("<MULTIREQ/>"),
         "501 multiple-requests-unsupported: multiple requests (MULTIREQ) are not supported"},
        {message("<SIMPLERSP/>"), kNotXml + "MESSAGE must hold one SIMPLEREQ"},
        {message("<SIMPLEREQ>\n</SIMPLEREQ>"),
         kNotXml + "SIMPLEREQ holds no IMETHODCALL or METHODCALL"},
        {imethod("Get Instance", ""),
         kNotXml + "IMETHODCALL NAME \"Get Instance\" is not a CIM name"},
        {message("<SIMPLEREQ><IMETHODCALL NAME=\"GetClass\"/></SIMPLEREQ>"),
         kNotXml + "IMETHODCALL GetClass must start with LOCALNAMESPACEPATH"},
        {imethod("GetClass", "oops"), kNotXml + "unexpected text in IMETHODCALL"},
        {message("<SIMPLEREQ><METHODCALL NAME=\"M\"></METHODCALL></SIMPLEREQ>"),
         kNotXml + "METHODCALL M without LOCALINSTANCEPATH or LOCALCLASSPATH"},
    });
}

// Faults in parameters, keys, instances and values are CIM errors.
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
        {imethod("GetClass", iparam("ClassName", "")), "4: GetClass needs the ClassName parameter"},
        {imethod("DeleteInstance", ""), "4: DeleteInstance needs the InstanceName parameter"},
        {imethod("ModifyInstance", ""), "4: ModifyInstance needs the ModifiedInstance parameter"},
        {imethod("CreateInstance", ""), "4: CreateInstance needs the NewInstance parameter"},
        {imethod("GetClass", iparam("ClassName", "<" + longName + "/>")),
         "4: expected CLASSNAME, found \"" + longName.substr(0, 64) + "...\" (300 bytes)"},
        {keys("<KEYBINDING NAME=\"" + longName + "\"><KEYVALUE>v</KEYVALUE></KEYBINDING>"),
         "4: KEYBINDING NAME longer than 256 bytes"},
        {gi(iparam("LocalOnly", "<VALUE>yes</VALUE>")),
         "4: IPARAMVALUE LocalOnly: \"yes\" is not a boolean"},
        {gi(iparam("localonly", "<VALUE>true</VALUE>") +
            iparam("LocalOnly", "<VALUE>true</VALUE>")),
         "4: IPARAMVALUE LocalOnly given twice"},
        {imethod("GetInstance", iparam("InstanceName", kChassisName + kChassisName)),
         "4: IPARAMVALUE InstanceName holds more than one value"},
        {gi(iparam("PropertyList", "<VALUE.ARRAY><VALUE>a,b</VALUE></VALUE.ARRAY>")),
         "4: IPARAMVALUE PropertyList: \"a,b\" is not a property name"},
        {keys("<KEYBINDING NAME=\"K\"><KEYVALUE>1</KEYVALUE></KEYBINDING>"
              "<KEYBINDING NAME=\"k\"><KEYVALUE>2</KEYVALUE></KEYBINDING>"),
         "4: INSTANCENAME C: key k given twice"},
        {keys("<KEYVALUE>1</KEYVALUE>"), "7: INSTANCENAME C: a key without KEYBINDING is not"},
        {keys("<KEYBINDING NAME=\"R\"><VALUE.REFERENCE/></KEYBINDING>"),
         "7: key R: reference keys are not supported"},
        {key("VALUETYPE=\"numeric\">12abc"), "4: key N: \"12abc\" is not a valid uint64"},
        {key("VALUETYPE=\"numeric\" TYPE=\"string\">1"),
         "4: key N: TYPE string does not go with VALUETYPE numeric"},
        {key("VALUETYPE=\"numeric\" TYPE=\"uint8\">256"), "4: key N: \"256\" is not a valid uint8"},
        {key("VALUETYPE=\"number\">1"), "4: key N: unknown VALUETYPE \"number\""},
        {key("><b>1</b>"), "4: KEYVALUE may hold text only"},
        {prop("boolean", "1"), "4: property P: \"1\" is not a boolean"},
        {prop("int", "1"), "4: property P: unknown PROPERTY type \"int\""},
        {props("<PROPERTY NAME=\"A\"><VALUE>1</VALUE></PROPERTY>"), "4: PROPERTY without TYPE"},
        {prop("char16", "x"), "7: property P: values of type char16 are not supported"},
        {props("<PROPERTY.ARRAY NAME=\"A\" TYPE=\"uint8\"><VALUE.ARRAY><VALUE>1</VALUE><VALUE>x"
               "</VALUE></VALUE.ARRAY></PROPERTY.ARRAY>"),
         "4: property A: \"x\" is not a valid uint8"},
        {props("<PROPERTY.ARRAY NAME=\"A\" TYPE=\"uint8\"><VALUE.ARRAY><VALUE.NULL/></VALUE.ARRAY>"
               "</PROPERTY.ARRAY>"),
         "7: property A: NULL array elements are not supported"},
        {props("<PROPERTY NAME=\"A\" TYPE=\"uint8\"><VALUE.ARRAY/></PROPERTY>"),
         "4: PROPERTY A may hold QUALIFIERs and one VALUE, not VALUE.ARRAY"},
        {props("<PROPERTY NAME=\"A\" TYPE=\"string\"><VALUE>1</VALUE><VALUE>2</VALUE></PROPERTY>"),
         "4: PROPERTY A may hold QUALIFIERs and one VALUE, not VALUE"},
        {props("<PROPERTY NAME=\"A\" TYPE=\"string\" EMBEDDEDOBJECT=\"object\"></PROPERTY>"),
         "7: property A: embedded objects are not supported"},
        {props("<PROPERTY.REFERENCE NAME=\"Owner\"></PROPERTY.REFERENCE>"),
         "7: property \"Owner\": reference properties (PROPERTY.REFERENCE) are not supported"},
        {props("<PROPERTY NAME=\"A\" TYPE=\"string\"/><PROPERTY NAME=\"a\" TYPE=\"string\"/>"),
         "4: INSTANCE QVX_Z64Chassis: property a given twice"},
        {modifyWith("<INSTANCE CLASSNAME=\"Other\"></INSTANCE>"),
         "4: IPARAMVALUE ModifiedInstance: INSTANCENAME of class QVX_Z64Chassis names an INSTANCE "
         "of class Other"},
        {imethod("ModifyInstance",
                 iparam("ModifiedInstance",
                        "<VALUE.NAMEDINSTANCE>" + kChassisName + "</VALUE.NAMEDINSTANCE>")),
         "4: IPARAMVALUE ModifiedInstance: VALUE.NAMEDINSTANCE needs INSTANCENAME and INSTANCE"},
        {props("<METHOD NAME=\"M\"/>"), "4: unexpected METHOD in INSTANCE QVX_Z64Chassis"},
        {pv("\"D\" PARAMTYPE=\"uint32\"><VALUE>soon</VALUE>"),
         "4: PARAMVALUE D: \"soon\" is not a valid uint32"},
        {pv("\"R\" PARAMTYPE=\"reference\">"),
         "7: PARAMVALUE R: reference values are not supported"},
        {pv("\"R\"><VALUE.REFERENCE/>"),
         "7: PARAMVALUE R: VALUE.REFERENCE values are not supported"},
        {cmWith("<PARAMVALUE NAME=\"P\"/><PARAMVALUE NAME=\"p\"/>"), "4: PARAMVALUE p given twice"},
        {cmWith(iparam("P", "")), "4: expected PARAMVALUE, found IPARAMVALUE"},
    };
    // Out of range for the type, or not a number or date at all.
    const char* values[][2] = {{"uint16", "70000"},
                               {"sint8", "-129"},
                               {"uint32", "-1"},
                               {"uint64", "18446744073709551616"},
                               {"real32", "1e39"},
                               {"real64", "inf"},
                               {"datetime", "2023051412000x.000000+060"},
                               {"datetime", "00000001020304.000005:060"}};  // interval with offset
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
        {cmWith("<PARAMVALUE NAME=\"D\" PARAMTYPE=\"uint32\"><VALUE>x</VALUE></PARAMVALUE>"),
         "4720", "SetOwner", true},
        {imethod("EnumerateInstances", "", "77"), "77", "EnumerateInstances", false},
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

CIMObjectPath chassisPath() {
    CIMObjectPath p("QVX_Z64Chassis", "root/cimv2");
    p.setKeyValue("Tag", CIMValue("Chassis"));
    p.setKeyValue("Slot", CIMValue(UInt8(3)));
    p.setKeyValue("Spare", CIMValue(false));
    return p;
}

// Keys by VALUETYPE; NULL properties by their declared type; the five
// entities and raw UTF-8 in text and in the error's attribute.
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
    const std::string chassisXml =
        R"(<INSTANCENAME CLASSNAME="QVX_Z64Chassis"><KEYBINDING NAME="Tag"><KEYVALUE )"
        R"(VALUETYPE="string">Chassis</KEYVALUE></KEYBINDING><KEYBINDING NAME="Slot"><KEYVALUE )"
        R"(VALUETYPE="numeric">3</KEYVALUE></KEYBINDING><KEYBINDING NAME="Spare"><KEYVALUE )"
        R"(VALUETYPE="boolean">false</KEYVALUE></KEYBINDING></INSTANCENAME>)";
    const std::string rows[][2] = {
        // as written, as expected
        {encodeInstanceNames("1", "EnumerateInstanceNames", {chassisPath()}),
         returning("EnumerateInstanceNames", chassisXml)},
        {encodeInstance("1", "GetInstance", nulls, false, false),
         returning("GetInstance",
                   R"(<INSTANCE CLASSNAME="C"><PROPERTY NAME="N" TYPE="uint32" ></PROPERTY>)"
                   R"(<PROPERTY.ARRAY NAME="A" TYPE="string" ></PROPERTY.ARRAY>)"
                   R"(<PROPERTY.ARRAY NAME="F" TYPE="uint8" ARRAYSIZE="4" ></PROPERTY.ARRAY>)"
                   R"(<PROPERTY NAME="Untyped" TYPE="string" ></PROPERTY><PROPERTY.ARRAY )"
                   R"(NAME="T" TYPE="sint32" ><VALUE.ARRAY><VALUE>-5</VALUE></VALUE.ARRAY>)"
                   R"(</PROPERTY.ARRAY></INSTANCE>)")},
        {encodeEmpty("5", "ModifyInstance"),
         response("5", "<IMETHODRESPONSE NAME=\"ModifyInstance\"></IMETHODRESPONSE>")},
        {encodeValue("1", "GetProperty", CIMValue(UInt16Array(2, UInt16(1)))),
         returning("GetProperty", "<VALUE.ARRAY><VALUE>1</VALUE><VALUE>1</VALUE></VALUE.ARRAY>")},
        {encodeClassNames("1", "EnumerateClassNames", {"QVX_A", "QVX_B"}),
         returning("EnumerateClassNames",
                   "<CLASSNAME NAME=\"QVX_A\"/><CLASSNAME NAME=\"QVX_B\"/>")},
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
        {CIMValue(Real64(1e300)), "real64", "1.0000000000000001e+300"},
        {CIMValue(true), "boolean", "true"},
        {CIMValue(false), "boolean", "false"},
        {CIMValue(CIMDateTime(String("00000001020304.000005:000"))), "datetime",
         "00000001020304.000005:000"},
        {CIMValue("Z64 <\"rev\" 'B'> & more"), "string",
         "Z64 &lt;&quot;rev&quot; &apos;B&apos;&gt; &amp; more"},
        {CIMValue("tab\there\nnew line \xE2\x82\xAC \xF0\x9F\x98\x80"), "string",
         "tab\there\nnew line \xE2\x82\xAC \xF0\x9F\x98\x80"},
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
