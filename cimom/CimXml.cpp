#include "CimXml.hpp"

#include "OW_Bool.hpp"
#include "OW_CIMDataType.hpp"
#include "OW_CIMDateTime.hpp"
#include "OW_CIMMethod.hpp"
#include "OW_CIMParameter.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_Exception.hpp"

#include <expat.h>

#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <utility>

namespace qvx_cimom {

using OpenWBEM::Array;
using OpenWBEM::Bool;
using OpenWBEM::CIMClass;
using OpenWBEM::CIMDataType;
using OpenWBEM::CIMDateTime;
using OpenWBEM::CIMException;
using OpenWBEM::CIMInstance;
using OpenWBEM::CIMNULL;
using OpenWBEM::CIMObjectPath;
using OpenWBEM::CIMParamValue;
using OpenWBEM::CIMParamValueArray;
using OpenWBEM::CIMProperty;
using OpenWBEM::CIMPropertyArray;
using OpenWBEM::CIMQualifier;
using OpenWBEM::CIMQualifierArray;
using OpenWBEM::CIMValue;
using OpenWBEM::String;

CimXmlError::CimXmlError(CIMException::ErrNoType c, const std::string& d)
    : std::runtime_error(d), code(c), description(d) {}

namespace {

typedef CIMException::ErrNoType Code;

// ---------------------------------------------------------------- common

std::string str(const String& s) {
    return std::string(s.c_str(), s.length());
}
String owString(const std::string& s) {
    return String(s.c_str(), s.size());
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool iequals(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

std::string lower(std::string s) {
    for (char& c : s) c = lowerAscii(c);
    return s;
}

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && isXmlSpace(s[b])) ++b;
    while (e > b && isXmlSpace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// ---------------------------------------------------------------- decoding

[[noreturn]] void fail(Code code, const std::string& text) {
    throw CimXmlError(code, text);
}
[[noreturn]] void bad(const std::string& text) {
    fail(CIMException::INVALID_PARAMETER, text);
}
[[noreturn]] void unsupported(const std::string& text) {
    fail(CIMException::NOT_SUPPORTED, text);
}

// Input quoted in an error text, cut short on a character boundary.
std::string quote(const std::string& s) {
    const size_t kMax = 64;
    if (s.size() <= kMax) return "\"" + s + "\"";
    size_t n = kMax;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return "\"" + s.substr(0, n) + "...\" (" + std::to_string(s.size()) + " bytes)";
}

// A CIM identifier: a letter or '_' first, then letters, digits and '_';
// bytes of non-ASCII UTF-8 characters count as letters.
bool isIdentifier(const std::string& s) {
    if (s.empty() || s.size() > kCimXmlMaxNameBytes) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        bool ok = c >= 0x80 || c == '_' || std::isalpha(c) || (i > 0 && std::isdigit(c));
        if (!ok) return false;
    }
    return true;
}

// ---- the request as a tree

// Expat joins a namespace URI, the local name and the prefix with this.
const char kNsSeparator = '\x01';

// An element: its name, attributes, element children and the character data
// directly inside it. Comments and processing instructions are dropped.
struct Node {
    const char* name = "";
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<const Node*> elements;
    std::string text;
};

bool isNamed(const Node* n, const char* name) {
    return std::strcmp(n->name, name) == 0;
}

// For error texts: a name in a namespace as prefix:local.
std::string elementName(const Node* n) {
    std::string s(n->name);
    std::string::size_type local = s.find(kNsSeparator);
    if (local != std::string::npos) {
        std::string::size_type prefix = s.find(kNsSeparator, local + 1);
        std::string name =
            s.substr(local + 1, prefix == std::string::npos ? prefix : prefix - local - 1);
        s = prefix == std::string::npos ? name : s.substr(prefix + 1) + ":" + name;
    }
    return s.size() > 64 ? quote(s) : s;
}

// The element children, refusing text other than white space between them.
const std::vector<const Node*>& children(const Node* n) {
    for (char c : n->text) {
        if (!isXmlSpace(c)) bad("unexpected text in " + elementName(n));
    }
    return n->elements;
}

// The text of an element that may hold text only.
const std::string& textOf(const Node* n) {
    if (!n->elements.empty()) bad(elementName(n) + " may hold text only");
    return n->text;
}

bool attr(const Node* n, const char* name, std::string& out) {
    for (const auto& a : n->attributes) {
        if (a.first == name) {
            out = a.second;
            return true;
        }
    }
    return false;
}

std::string requiredAttr(const Node* n, const char* name) {
    std::string v;
    if (!attr(n, name, v)) bad(elementName(n) + " without " + name);
    return v;
}

// A NAME-like attribute that must be a CIM identifier.
std::string nameAttr(const Node* n, const char* name) {
    std::string v = requiredAttr(n, name);
    if (v.size() > kCimXmlMaxNameBytes) {
        bad(elementName(n) + " " + name + " longer than " + std::to_string(kCimXmlMaxNameBytes) +
            " bytes");
    }
    if (!isIdentifier(v)) bad(elementName(n) + " " + name + " " + quote(v) + " is not a CIM name");
    return v;
}

void expectElement(const Node* n, const char* name) {
    if (!isNamed(n, name)) bad("expected " + std::string(name) + ", found " + elementName(n));
}

// One element child of the given name, and nothing else.
const Node* onlyChild(const Node* n, const char* name) {
    const std::vector<const Node*>& kids = children(n);
    if (kids.size() != 1) bad(elementName(n) + " must hold exactly one " + name);
    expectElement(kids[0], name);
    return kids[0];
}

// ---- scalar values

bool parseInteger(const std::string& s, bool& negative, uint64_t& magnitude) {
    size_t i = 0;
    negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    unsigned base = 10;
    if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size()) return false;
    magnitude = 0;
    for (; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        unsigned d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (base == 16 && std::isxdigit(c)) {
            d = static_cast<unsigned>(std::tolower(c) - 'a' + 10);
        } else {
            return false;
        }
        if (magnitude > (std::numeric_limits<uint64_t>::max() - d) / base) return false;
        magnitude = magnitude * base + d;
    }
    return true;
}

template <class T>
CIMValue integerValue(const std::string& text, const std::string& what, const char* type) {
    bool negative = false;
    uint64_t m = 0;
    std::string s = trim(text);
    bool ok = parseInteger(s, negative, m);
    T value = 0;
    if (ok && std::numeric_limits<T>::is_signed) {
        const uint64_t maxPos = static_cast<uint64_t>(std::numeric_limits<T>::max());
        if (!negative) {
            ok = m <= maxPos;
            value = static_cast<T>(m);
        } else {
            ok = m <= maxPos + 1;
            if (ok) value = m == 0 ? 0 : static_cast<T>(-static_cast<int64_t>(m - 1) - 1);
        }
    } else if (ok) {
        ok = (!negative || m == 0) && m <= static_cast<uint64_t>(std::numeric_limits<T>::max());
        value = static_cast<T>(m);
    }
    if (!ok) bad(what + ": " + quote(text) + " is not a valid " + type);
    return CIMValue(value);
}

CIMValue realValue(const std::string& text, const std::string& what, bool single) {
    std::string s = trim(text);
    const char* type = single ? "real32" : "real64";
    size_t start = (!s.empty() && s[0] == '+') ? 1 : 0;
    bool plain = start < s.size();
    for (size_t i = start; i < s.size(); ++i) {
        char c = s[i];
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == 'e' || c == 'E' ||
              c == '+' || c == '-')) {
            plain = false;
        }
    }
    double v = 0;
    if (plain) {
        const char* b = s.data() + start;
        const char* e = s.data() + s.size();
        std::from_chars_result r = std::from_chars(b, e, v);
        plain = r.ec == std::errc() && r.ptr == e && std::isfinite(v);
    }
    if (plain && single) plain = std::fabs(v) <= FLT_MAX;
    if (!plain) bad(what + ": " + quote(text) + " is not a valid " + type);
    if (single) return CIMValue(static_cast<OpenWBEM::Real32>(v));
    return CIMValue(static_cast<OpenWBEM::Real64>(v));
}

// "yyyymmddhhmmss.mmmmmmsutc" or "ddddddddhhmmss.mmmmmm:000", digits checked:
// the object model reads them without checking.
CIMValue dateTimeValue(const std::string& text, const std::string& what) {
    std::string s = trim(text);
    bool ok = s.size() == 25 && s[14] == '.' && (s[21] == '+' || s[21] == '-' || s[21] == ':');
    for (size_t i = 0; ok && i < s.size(); ++i) {
        if (i == 14 || i == 21) continue;
        ok = std::isdigit(static_cast<unsigned char>(s[i])) != 0;
    }
    if (ok && s[21] == ':') ok = s.compare(22, 3, "000") == 0;
    if (!ok) bad(what + ": " + quote(text) + " is not a valid datetime");
    return CIMValue(CIMDateTime(owString(s)));
}

CIMValue booleanValue(const std::string& text, const std::string& what) {
    std::string s = trim(text);
    if (iequals(s, "true")) return CIMValue(true);
    if (iequals(s, "false")) return CIMValue(false);
    bad(what + ": " + quote(text) + " is not a boolean");
}

CIMValue scalarValue(CIMDataType::Type t, const std::string& text, const std::string& what) {
    switch (t) {
        case CIMDataType::STRING:
            return CIMValue(owString(text));
        case CIMDataType::BOOLEAN:
            return booleanValue(text, what);
        case CIMDataType::UINT8:
            return integerValue<OpenWBEM::UInt8>(text, what, "uint8");
        case CIMDataType::SINT8:
            return integerValue<OpenWBEM::Int8>(text, what, "sint8");
        case CIMDataType::UINT16:
            return integerValue<OpenWBEM::UInt16>(text, what, "uint16");
        case CIMDataType::SINT16:
            return integerValue<OpenWBEM::Int16>(text, what, "sint16");
        case CIMDataType::UINT32:
            return integerValue<OpenWBEM::UInt32>(text, what, "uint32");
        case CIMDataType::SINT32:
            return integerValue<OpenWBEM::Int32>(text, what, "sint32");
        case CIMDataType::UINT64:
            return integerValue<OpenWBEM::UInt64>(text, what, "uint64");
        case CIMDataType::SINT64:
            return integerValue<OpenWBEM::Int64>(text, what, "sint64");
        case CIMDataType::REAL32:
            return realValue(text, what, true);
        case CIMDataType::REAL64:
            return realValue(text, what, false);
        case CIMDataType::DATETIME:
            return dateTimeValue(text, what);
        default:
            break;
    }
    unsupported(what + ": values of type " + str(CIMDataType(t).toString()) + " are not supported");
}

template <class T>
struct TypeTag {
    typedef T type;
};

// Calls f with the TypeTag of the C++ type that holds values of type t;
// false, without a call, for types that have none here (references,
// embedded objects, char16).
template <class F>
bool withValueType(CIMDataType::Type t, F f) {
    switch (t) {
#define QVX_CASE(TYPE, T)   \
    case CIMDataType::TYPE: \
        f(TypeTag<T>());    \
        return true;
        QVX_CASE(STRING, String)
        QVX_CASE(BOOLEAN, Bool)
        QVX_CASE(UINT8, OpenWBEM::UInt8)
        QVX_CASE(SINT8, OpenWBEM::Int8)
        QVX_CASE(UINT16, OpenWBEM::UInt16)
        QVX_CASE(SINT16, OpenWBEM::Int16)
        QVX_CASE(UINT32, OpenWBEM::UInt32)
        QVX_CASE(SINT32, OpenWBEM::Int32)
        QVX_CASE(UINT64, OpenWBEM::UInt64)
        QVX_CASE(SINT64, OpenWBEM::Int64)
        QVX_CASE(REAL32, OpenWBEM::Real32)
        QVX_CASE(REAL64, OpenWBEM::Real64)
        QVX_CASE(DATETIME, CIMDateTime)
#undef QVX_CASE
        default:
            return false;
    }
}

template <class T>
CIMValue typedArray(const std::vector<CIMValue>& items) {
    Array<T> a;
    for (const CIMValue& v : items) {
        T x;
        v.get(x);
        a.push_back(x);
    }
    return CIMValue(a);
}

CIMValue arrayValue(CIMDataType::Type t, const std::vector<CIMValue>& items,
                    const std::string& what) {
    CIMValue array(CIMNULL);
    bool plain = withValueType(
        t, [&](auto tag) { array = typedArray<typename decltype(tag)::type>(items); });
    if (!plain) {
        unsupported(what + ": arrays of type " + str(CIMDataType(t).toString()) +
                    " are not supported");
    }
    return array;
}

// A VALUE.ARRAY of VALUEs, each read as type t.
CIMValue valueArray(const Node* n, CIMDataType::Type t, const std::string& what) {
    expectElement(n, "VALUE.ARRAY");
    std::vector<CIMValue> items;
    for (const Node* v : children(n)) {
        if (isNamed(v, "VALUE.NULL")) unsupported(what + ": NULL array elements are not supported");
        expectElement(v, "VALUE");
        items.push_back(scalarValue(t, textOf(v), what));
    }
    return arrayValue(t, items, what);
}

// A TYPE or PARAMTYPE attribute.
CIMDataType::Type typeAttr(const Node* n, const std::string& text, const std::string& what) {
    if (iequals(text, "reference") || iequals(text, "object")) {
        unsupported(what + ": " + text + " values are not supported");
    }
    CIMDataType::Type t = CIMDataType::strToSimpleType(owString(text));
    if (t == CIMDataType::INVALID)
        bad(what + ": unknown " + elementName(n) + " type " + quote(text));
    return t;
}

void refuseEmbeddedObject(const Node* n, const std::string& what) {
    std::string ignored;
    if (attr(n, "EMBEDDEDOBJECT", ignored))
        unsupported(what + ": embedded objects are not supported");
}

// ---- keys, instances

CIMValue keyValue(const Node* n, const std::string& key) {
    std::string what = "key " + key;
    std::string valueType = "string";
    attr(n, "VALUETYPE", valueType);
    std::string text = textOf(n);
    std::string type;
    bool typed = attr(n, "TYPE", type);
    if (iequals(valueType, "string")) {
        if (!typed) return CIMValue(owString(text));
        CIMDataType::Type t = typeAttr(n, type, what);
        if (t != CIMDataType::STRING && t != CIMDataType::DATETIME && t != CIMDataType::CHAR16) {
            bad(what + ": TYPE " + type + " does not go with VALUETYPE string");
        }
        return scalarValue(t, text, what);
    }
    if (iequals(valueType, "boolean")) {
        if (typed && typeAttr(n, type, what) != CIMDataType::BOOLEAN) {
            bad(what + ": TYPE " + type + " does not go with VALUETYPE boolean");
        }
        return booleanValue(text, what);
    }
    if (iequals(valueType, "numeric")) {
        if (typed) {
            CIMDataType::Type t = typeAttr(n, type, what);
            if (!CIMDataType(t).isNumericType()) {
                bad(what + ": TYPE " + type + " does not go with VALUETYPE numeric");
            }
            return scalarValue(t, text, what);
        }
        // Untyped: the widest integer of its sign, or a real.
        std::string s = trim(text);
        bool hex = s.find_first_of("xX") != std::string::npos;
        if (!hex && s.find_first_of(".eE") != std::string::npos) {
            return realValue(text, what, false);
        }
        if (!s.empty() && s[0] == '-') return integerValue<OpenWBEM::Int64>(text, what, "sint64");
        return integerValue<OpenWBEM::UInt64>(text, what, "uint64");
    }
    bad(what + ": unknown VALUETYPE " + quote(valueType));
}

CIMObjectPath instanceName(const Node* n, const std::string& nameSpace) {
    expectElement(n, "INSTANCENAME");
    std::string cls = nameAttr(n, "CLASSNAME");
    CIMPropertyArray keys;
    std::set<std::string> seen;
    for (const Node* k : children(n)) {
        if (isNamed(k, "KEYVALUE") || isNamed(k, "VALUE.REFERENCE")) {
            unsupported("INSTANCENAME " + cls + ": a key without KEYBINDING is not supported");
        }
        expectElement(k, "KEYBINDING");
        std::string key = nameAttr(k, "NAME");
        if (!seen.insert(lower(key)).second)
            bad("INSTANCENAME " + cls + ": key " + key + " given twice");
        const std::vector<const Node*>& kids = children(k);
        if (kids.size() != 1) bad("KEYBINDING " + key + " must hold exactly one KEYVALUE");
        if (isNamed(kids[0], "VALUE.REFERENCE")) {
            unsupported("key " + key + ": reference keys are not supported");
        }
        expectElement(kids[0], "KEYVALUE");
        keys.push_back(CIMProperty(owString(key), keyValue(kids[0], key)));
    }
    CIMObjectPath path{owString(cls), owString(nameSpace)};
    path.setKeys(keys);
    return path;
}

CIMProperty property(const Node* n) {
    std::string name = nameAttr(n, "NAME");
    std::string what = "property " + name;
    CIMDataType::Type t = typeAttr(n, requiredAttr(n, "TYPE"), what);
    refuseEmbeddedObject(n, what);
    CIMProperty p(owString(name), CIMDataType(t));
    bool haveValue = false;
    for (const Node* c : children(n)) {
        if (isNamed(c, "QUALIFIER")) continue;  // instances' qualifiers are not kept
        if (!isNamed(c, "VALUE") || haveValue) {
            bad("PROPERTY " + name + " may hold QUALIFIERs and one VALUE, not " + elementName(c));
        }
        haveValue = true;
        p.setValue(scalarValue(t, textOf(c), what));
    }
    return p;
}

CIMProperty propertyArray(const Node* n) {
    std::string name = nameAttr(n, "NAME");
    std::string what = "property " + name;
    CIMDataType::Type t = typeAttr(n, requiredAttr(n, "TYPE"), what);
    refuseEmbeddedObject(n, what);
    CIMProperty p(owString(name), CIMDataType(t, 0));
    bool haveValue = false;
    for (const Node* c : children(n)) {
        if (isNamed(c, "QUALIFIER")) continue;
        if (!isNamed(c, "VALUE.ARRAY") || haveValue) {
            bad("PROPERTY.ARRAY " + name + " may hold QUALIFIERs and one VALUE.ARRAY, not " +
                elementName(c));
        }
        haveValue = true;
        p.setValue(valueArray(c, t, what));
    }
    return p;
}

CIMInstance instance(const Node* n) {
    expectElement(n, "INSTANCE");
    std::string cls = nameAttr(n, "CLASSNAME");
    CIMPropertyArray props;
    std::set<std::string> seen;
    for (const Node* c : children(n)) {
        if (isNamed(c, "QUALIFIER")) continue;
        CIMProperty p(CIMNULL);
        if (isNamed(c, "PROPERTY")) {
            p = property(c);
        } else if (isNamed(c, "PROPERTY.ARRAY")) {
            p = propertyArray(c);
        } else if (isNamed(c, "PROPERTY.REFERENCE")) {
            std::string name;
            attr(c, "NAME", name);
            unsupported("property " + quote(name) +
                        ": reference properties (PROPERTY.REFERENCE) are not supported");
        } else {
            bad("unexpected " + elementName(c) + " in INSTANCE " + cls);
        }
        if (!seen.insert(lower(str(p.getName()))).second) {
            bad("INSTANCE " + cls + ": property " + str(p.getName()) + " given twice");
        }
        props.push_back(p);
    }
    CIMInstance inst{owString(cls)};
    inst.setProperties(props);
    return inst;
}

std::string namespacePath(const Node* n) {
    expectElement(n, "LOCALNAMESPACEPATH");
    std::string ns;
    for (const Node* c : children(n)) {
        expectElement(c, "NAMESPACE");
        std::string part = nameAttr(c, "NAME");
        if (!ns.empty()) ns += '/';
        ns += part;
        if (ns.size() > kCimXmlMaxNameBytes) {
            bad("namespace longer than " + std::to_string(kCimXmlMaxNameBytes) + " bytes");
        }
    }
    if (ns.empty()) bad("LOCALNAMESPACEPATH without NAMESPACE");
    return ns;
}

// ---- intrinsic parameters

enum Param : unsigned {
    P_CLASS_NAME = 1u << 0,
    P_INSTANCE_NAME = 1u << 1,
    P_MODIFIED_INSTANCE = 1u << 2,
    P_NEW_INSTANCE = 1u << 3,
    P_LOCAL_ONLY = 1u << 4,
    P_DEEP_INHERITANCE = 1u << 5,
    P_INCLUDE_QUALIFIERS = 1u << 6,
    P_INCLUDE_CLASS_ORIGIN = 1u << 7,
    P_PROPERTY_LIST = 1u << 8,
};

const struct {
    const char* name;
    Param param;
} kParams[] = {
    {"ClassName", P_CLASS_NAME},
    {"InstanceName", P_INSTANCE_NAME},
    {"ModifiedInstance", P_MODIFIED_INSTANCE},
    {"NewInstance", P_NEW_INSTANCE},
    {"LocalOnly", P_LOCAL_ONLY},
    {"DeepInheritance", P_DEEP_INHERITANCE},
    {"IncludeQualifiers", P_INCLUDE_QUALIFIERS},
    {"IncludeClassOrigin", P_INCLUDE_CLASS_ORIGIN},
    {"PropertyList", P_PROPERTY_LIST},
};

// The parameters each method defines, those it needs, and the defaults of
// its flags (LocalOnly, DeepInheritance, IncludeQualifiers, IncludeClassOrigin).
struct MethodShape {
    const char* name;
    unsigned params;
    unsigned required;
    bool localOnly, deepInheritance, includeQualifiers, includeClassOrigin;
};

const unsigned kRead = P_LOCAL_ONLY | P_INCLUDE_QUALIFIERS | P_INCLUDE_CLASS_ORIGIN;
const MethodShape kMethods[] = {
    {"EnumerateInstanceNames", P_CLASS_NAME, P_CLASS_NAME, true, false, false, false},
    {"EnumerateInstances", P_CLASS_NAME | kRead | P_DEEP_INHERITANCE | P_PROPERTY_LIST,
     P_CLASS_NAME, true, true, false, false},
    {"GetInstance", P_INSTANCE_NAME | kRead | P_PROPERTY_LIST, P_INSTANCE_NAME, true, false, false,
     false},
    {"ModifyInstance", P_MODIFIED_INSTANCE | P_INCLUDE_QUALIFIERS | P_PROPERTY_LIST,
     P_MODIFIED_INSTANCE, true, false, true, false},
    {"CreateInstance", P_NEW_INSTANCE, P_NEW_INSTANCE, true, false, false, false},
    {"DeleteInstance", P_INSTANCE_NAME, P_INSTANCE_NAME, true, false, false, false},
    {"EnumerateClassNames", P_CLASS_NAME | P_DEEP_INHERITANCE, 0, true, false, false, false},
    {"EnumerateClasses", P_CLASS_NAME | kRead | P_DEEP_INHERITANCE, 0, true, false, true, false},
    {"GetClass", P_CLASS_NAME | kRead | P_PROPERTY_LIST, P_CLASS_NAME, true, false, true, false},
};

const MethodShape* findMethod(const std::string& name) {
    for (const MethodShape& m : kMethods) {
        if (iequals(name, m.name)) return &m;
    }
    return nullptr;
}

bool boolParam(const Node* value, const std::string& what, bool fallback) {
    if (!value) return fallback;  // NULL: the default
    expectElement(value, "VALUE");
    return booleanValue(textOf(value), what).toBool();
}

void intrinsicParam(const Node* n, const std::string& name, Param p, CimRequest& req) {
    const std::vector<const Node*>& kids = children(n);
    if (kids.size() > 1) bad("IPARAMVALUE " + name + " holds more than one value");
    const Node* v = kids.empty() ? nullptr : kids[0];
    std::string what = "IPARAMVALUE " + name;
    switch (p) {
        case P_CLASS_NAME:
            if (v) {
                expectElement(v, "CLASSNAME");
                req.className = nameAttr(v, "NAME");
            }
            break;
        case P_INSTANCE_NAME:
            if (v) req.instanceName = instanceName(v, req.nameSpace);
            break;
        case P_MODIFIED_INSTANCE:
            if (v) {
                expectElement(v, "VALUE.NAMEDINSTANCE");
                const std::vector<const Node*>& parts = children(v);
                if (parts.size() != 2)
                    bad(what + ": VALUE.NAMEDINSTANCE needs INSTANCENAME and INSTANCE");
                req.instanceName = instanceName(parts[0], req.nameSpace);
                req.instance = instance(parts[1]);
                if (!req.instanceName.getClassName().equalsIgnoreCase(
                        req.instance.getClassName())) {
                    bad(what + ": INSTANCENAME of class " + str(req.instanceName.getClassName()) +
                        " names an INSTANCE of class " + str(req.instance.getClassName()));
                }
            }
            break;
        case P_NEW_INSTANCE:
            if (v) req.instance = instance(v);
            break;
        case P_LOCAL_ONLY:
            req.localOnly = boolParam(v, what, req.localOnly);
            break;
        case P_DEEP_INHERITANCE:
            req.deepInheritance = boolParam(v, what, req.deepInheritance);
            break;
        case P_INCLUDE_QUALIFIERS:
            req.includeQualifiers = boolParam(v, what, req.includeQualifiers);
            break;
        case P_INCLUDE_CLASS_ORIGIN:
            req.includeClassOrigin = boolParam(v, what, req.includeClassOrigin);
            break;
        case P_PROPERTY_LIST:
            if (v) {
                expectElement(v, "VALUE.ARRAY");
                req.hasPropertyList = true;
                for (const Node* e : children(v)) {
                    expectElement(e, "VALUE");
                    std::string prop = trim(textOf(e));
                    if (!isIdentifier(prop))
                        bad(what + ": " + quote(prop) + " is not a property name");
                    req.propertyList.push_back(prop);
                }
            }
            break;
    }
}

void intrinsicCall(const Node* call, CimRequest& req) {
    req.method = nameAttr(call, "NAME");
    const std::vector<const Node*>& kids = children(call);
    if (kids.empty() || !isNamed(kids[0], "LOCALNAMESPACEPATH")) {
        bad("IMETHODCALL " + req.method + " must start with LOCALNAMESPACEPATH");
    }
    req.nameSpace = namespacePath(kids[0]);
    const MethodShape* shape = findMethod(req.method);
    if (shape) {
        req.localOnly = shape->localOnly;
        req.deepInheritance = shape->deepInheritance;
        req.includeQualifiers = shape->includeQualifiers;
        req.includeClassOrigin = shape->includeClassOrigin;
    }
    unsigned given = 0;
    for (size_t i = 1; i < kids.size(); ++i) {
        const Node* k = kids[i];
        if (isNamed(k, "RESPONSEDESTINATION")) unsupported("RESPONSEDESTINATION is not supported");
        expectElement(k, "IPARAMVALUE");
        std::string name = nameAttr(k, "NAME");
        // Parameters the method does not define are ignored, as unknown ones are.
        for (const auto& p : kParams) {
            if (!shape || !(shape->params & p.param) || !iequals(name, p.name)) continue;
            if (given & p.param) bad("IPARAMVALUE " + name + " given twice");
            given |= p.param;
            intrinsicParam(k, name, p.param, req);
        }
    }
    if (!shape) return;
    if ((shape->required & P_CLASS_NAME) && req.className.empty()) {
        bad(req.method + " needs the ClassName parameter");
    }
    if ((shape->required & P_INSTANCE_NAME) && !req.instanceName) {
        bad(req.method + " needs the InstanceName parameter");
    }
    if ((shape->required & P_MODIFIED_INSTANCE) && !req.instance) {
        bad(req.method + " needs the ModifiedInstance parameter");
    }
    if ((shape->required & P_NEW_INSTANCE) && !req.instance) {
        bad(req.method + " needs the NewInstance parameter");
    }
}

// ---- extrinsic calls

CIMParamValue paramValue(const Node* n) {
    std::string name = nameAttr(n, "NAME");
    std::string what = "PARAMVALUE " + name;
    refuseEmbeddedObject(n, what);
    std::string type;
    CIMDataType::Type t =
        attr(n, "PARAMTYPE", type) ? typeAttr(n, type, what) : CIMDataType::STRING;
    const std::vector<const Node*>& kids = children(n);
    if (kids.empty()) return CIMParamValue(owString(name));
    if (kids.size() > 1) bad(what + " holds more than one value");
    if (isNamed(kids[0], "VALUE")) {
        return CIMParamValue(owString(name), scalarValue(t, textOf(kids[0]), what));
    }
    if (isNamed(kids[0], "VALUE.ARRAY")) {
        return CIMParamValue(owString(name), valueArray(kids[0], t, what));
    }
    unsupported(what + ": " + elementName(kids[0]) + " values are not supported");
}

void extrinsicCall(const Node* call, CimRequest& req) {
    req.extrinsic = true;
    req.method = nameAttr(call, "NAME");
    const std::vector<const Node*>& kids = children(call);
    if (kids.empty())
        bad("METHODCALL " + req.method + " without LOCALINSTANCEPATH or LOCALCLASSPATH");
    const Node* target = kids[0];
    if (isNamed(target, "LOCALINSTANCEPATH") || isNamed(target, "LOCALCLASSPATH")) {
        const std::vector<const Node*>& parts = children(target);
        if (parts.size() != 2) bad(elementName(target) + " needs LOCALNAMESPACEPATH and a name");
        req.nameSpace = namespacePath(parts[0]);
        if (isNamed(target, "LOCALINSTANCEPATH")) {
            req.objectPath = instanceName(parts[1], req.nameSpace);
        } else {
            expectElement(parts[1], "CLASSNAME");
            req.objectPath =
                CIMObjectPath(owString(nameAttr(parts[1], "NAME")), owString(req.nameSpace));
        }
        req.className = str(req.objectPath.getClassName());
    } else {
        bad("METHODCALL " + req.method + " must start with LOCALINSTANCEPATH or LOCALCLASSPATH");
    }
    std::set<std::string> seen;
    for (size_t i = 1; i < kids.size(); ++i) {
        if (isNamed(kids[i], "RESPONSEDESTINATION"))
            unsupported("RESPONSEDESTINATION is not supported");
        expectElement(kids[i], "PARAMVALUE");
        CIMParamValue pv = paramValue(kids[i]);
        if (!seen.insert(lower(str(pv.getName()))).second) {
            bad("PARAMVALUE " + str(pv.getName()) + " given twice");
        }
        req.inParams.push_back(pv);
    }
}

void message(const Node* root, CimRequest& req) {
    if (!isNamed(root, "CIM")) bad("the root element is " + elementName(root) + ", not CIM");
    std::string cimVersion = requiredAttr(root, "CIMVERSION");
    std::string dtdVersion = requiredAttr(root, "DTDVERSION");
    if (cimVersion.compare(0, 2, "2.") != 0)
        unsupported("CIMVERSION " + quote(cimVersion) + " is not supported");
    if (dtdVersion.compare(0, 2, "2.") != 0)
        unsupported("DTDVERSION " + quote(dtdVersion) + " is not supported");
    const Node* msg = onlyChild(root, "MESSAGE");
    std::string id = requiredAttr(msg, "ID");
    if (id.empty() || id.size() > kCimXmlMaxNameBytes) {
        bad("MESSAGE ID must have 1 to " + std::to_string(kCimXmlMaxNameBytes) + " bytes");
    }
    req.messageId = id;
    std::string protocol = requiredAttr(msg, "PROTOCOLVERSION");
    if (protocol.compare(0, 2, "1.") != 0) {
        unsupported("PROTOCOLVERSION " + quote(protocol) + " is not supported");
    }
    const std::vector<const Node*>& kids = children(msg);
    if (kids.size() == 1 && isNamed(kids[0], "MULTIREQ")) {
        unsupported("multiple requests (MULTIREQ) are not supported");
    }
    if (kids.size() != 1 || !isNamed(kids[0], "SIMPLEREQ")) bad("MESSAGE must hold one SIMPLEREQ");
    const Node* call = nullptr;
    for (const Node* c : children(kids[0])) {
        if (isNamed(c, "CORRELATOR")) continue;
        if (call || !(isNamed(c, "IMETHODCALL") || isNamed(c, "METHODCALL"))) {
            bad("SIMPLEREQ must hold one IMETHODCALL or METHODCALL, not " + elementName(c));
        }
        call = c;
    }
    if (!call) bad("SIMPLEREQ holds no IMETHODCALL or METHODCALL");
    if (isNamed(call, "IMETHODCALL")) {
        intrinsicCall(call, req);
    } else {
        extrinsicCall(call, req);
    }
}

// ---- expat, with DOCTYPE refused and nesting bounded

// The tree of one request; nodes keep their addresses as it grows.
struct Document {
    std::deque<Node> nodes;
    std::deque<std::string> names;  // each element name once
    std::vector<Node*> open;        // the elements being read, innermost last
    const Node* root = nullptr;
    bool tooDeep = false;
    bool doctype = false;
    XML_Parser parser = nullptr;

    const char* intern(const char* name) {
        for (const std::string& n : names) {
            if (n == name) return n.c_str();
        }
        return names.emplace_back(name).c_str();
    }
};

Document& documentOf(void* data) {
    return *static_cast<Document*>(data);
}

void XMLCALL onStartElement(void* data, const XML_Char* name, const XML_Char** attributes) {
    Document& d = documentOf(data);
    if (static_cast<int>(d.open.size()) >= kCimXmlMaxDepth) {
        d.tooDeep = true;
        XML_StopParser(d.parser, XML_FALSE);
        return;
    }
    Node& n = d.nodes.emplace_back();
    n.name = d.intern(name);
    for (const XML_Char** a = attributes; *a; a += 2) n.attributes.emplace_back(a[0], a[1]);
    if (d.open.empty()) {
        d.root = &n;
    } else {
        d.open.back()->elements.push_back(&n);
    }
    d.open.push_back(&n);
}

void XMLCALL onEndElement(void* data, const XML_Char*) {
    documentOf(data).open.pop_back();
}

void XMLCALL onText(void* data, const XML_Char* text, int length) {
    Document& d = documentOf(data);
    if (!d.open.empty()) d.open.back()->text.append(text, static_cast<std::size_t>(length));
}

// Called before any declaration inside the DOCTYPE is read.
void XMLCALL onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    Document& d = documentOf(data);
    d.doctype = true;
    XML_StopParser(d.parser, XML_FALSE);
}

struct ParserFree {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

// A parser made once a thread and reset for each request. The hash salt is
// set here: expat would otherwise ask the kernel for one on every reset.
XML_Parser threadParser() {
    thread_local std::unique_ptr<XML_ParserStruct, ParserFree> parser;
    thread_local unsigned long salt = std::random_device()();
    if (!parser) {
        parser.reset(XML_ParserCreateNS(nullptr, kNsSeparator));
        if (!parser) fail(CIMException::FAILED, "cannot create an XML parser");
    } else if (!XML_ParserReset(parser.get(), nullptr)) {
        fail(CIMException::FAILED, "cannot reset the XML parser");
    }
    XML_Parser p = parser.get();
    XML_SetHashSalt(p, salt);
    // Names in a namespace come as URI, local name and prefix.
    XML_SetReturnNSTriplet(p, 1);
    XML_SetElementHandler(p, onStartElement, onEndElement);
    XML_SetCharacterDataHandler(p, onText);
    XML_SetStartDoctypeDeclHandler(p, onDoctype);
    // No external entities or DTDs: expat reads none without a handler.
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
    return p;
}

void parse(const std::string& body, Document& doc) {
    XML_Parser p = threadParser();
    doc.parser = p;
    XML_SetUserData(p, &doc);
    XML_Status status = XML_Parse(p, body.data(), static_cast<int>(body.size()), XML_TRUE);
    if (doc.doctype) bad("DOCTYPE declarations are not accepted");
    if (doc.tooDeep) {
        bad("elements nested deeper than " + std::to_string(kCimXmlMaxDepth) + " levels");
    }
    if (status != XML_STATUS_OK || !doc.root) {
        std::string message = XML_ErrorString(XML_GetErrorCode(p));
        bad("request is not well-formed XML (line " + std::to_string(XML_GetCurrentLineNumber(p)) +
            "): " + message);
    }
}

// For a body the parser refused: an attribute from the start tag of the first
// element of that name, if it reads plainly. Bounded scan, no unescaping.
std::string salvageAttr(const std::string& body, const char* element, const char* name) {
    std::string open = std::string("<") + element;
    size_t pos = 0;
    while ((pos = body.find(open, pos)) != std::string::npos) {
        size_t p = pos + open.size();
        pos = p;
        if (p >= body.size() || !isXmlSpace(body[p])) continue;
        size_t close = body.find('>', p);
        if (close == std::string::npos || close - p > 4096) return "";
        std::string tag = body.substr(p, close - p);
        std::string key = std::string(name) + "=";
        for (size_t at = tag.find(key); at != std::string::npos; at = tag.find(key, at + 1)) {
            if (at == 0 || !isXmlSpace(tag[at - 1])) continue;
            size_t q = at + key.size();
            if (q >= tag.size() || (tag[q] != '"' && tag[q] != '\'')) return "";
            size_t end = tag.find(tag[q], q + 1);
            if (end == std::string::npos) return "";
            std::string v = tag.substr(q + 1, end - q - 1);
            if (v.empty() || v.size() > 64) return "";
            for (char c : v) {
                if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' ||
                      c == '.')) {
                    return "";
                }
            }
            return v;
        }
        return "";
    }
    return "";
}

// ---------------------------------------------------------------- encoding

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence at s[i] that XML may carry, or 0.
size_t xmlCharLength(const char* s, size_t size, size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') ? 1 : 0;
    size_t n;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > size) return 0;
    for (size_t k = 1; k < n; ++k) {
        unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) return 0;
    return n;
}

bool plainAscii(char c) {
    return c >= 0x20 && c < 0x7F && c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
}

// Text or attribute content: the five named entities, raw UTF-8 otherwise.
// Runs of plain ASCII, nearly all of any reply, are copied in one go.
void escape(std::string& out, const char* s, size_t size) {
    size_t i = 0;
    while (i < size) {
        size_t run = i;
        while (run < size && plainAscii(s[run])) ++run;
        out.append(s + i, run - i);
        if (run == size) break;
        i = run;
        size_t n = xmlCharLength(s, size, i);
        if (n == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(s + i, n);
        } else {
            switch (s[i]) {
                case '&':
                    out += "&amp;";
                    break;
                case '<':
                    out += "&lt;";
                    break;
                case '>':
                    out += "&gt;";
                    break;
                case '"':
                    out += "&quot;";
                    break;
                case '\'':
                    out += "&apos;";
                    break;
                default:
                    out += s[i];
            }
        }
        i += n;
    }
}
void escape(std::string& out, const std::string& s) {
    escape(out, s.data(), s.size());
}
void escape(std::string& out, const String& s) {
    escape(out, s.c_str(), s.length());
}

// ` NAME="value"`, escaped.
template <class Text>
void putAttr(std::string& o, const char* name, const Text& value) {
    o += ' ';
    o += name;
    o += "=\"";
    escape(o, value);
    o += '"';
}

// `<ELEMENT NAME="value"`, left open for more attributes.
template <class Text>
void openNamed(std::string& o, const char* element, const Text& name) {
    o += '<';
    o += element;
    putAttr(o, "NAME", name);
}

std::string realText(double v, int digits) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    return buf;
}

template <class Int>
void putInteger(std::string& o, Int x) {
    char buf[24];
    std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, x);
    o.append(buf, r.ptr);
}

// The text of one element of a value, escaped where it can need it.
void putText(std::string& o, Bool x) {
    o += x ? "TRUE" : "FALSE";
}
void putText(std::string& o, OpenWBEM::UInt8 x) {
    putInteger(o, unsigned(x));
}
void putText(std::string& o, OpenWBEM::Int8 x) {
    putInteger(o, int(x));
}
void putText(std::string& o, OpenWBEM::UInt16 x) {
    putInteger(o, unsigned(x));
}
void putText(std::string& o, OpenWBEM::Int16 x) {
    putInteger(o, int(x));
}
void putText(std::string& o, OpenWBEM::UInt32 x) {
    putInteger(o, x);
}
void putText(std::string& o, OpenWBEM::Int32 x) {
    putInteger(o, x);
}
void putText(std::string& o, OpenWBEM::UInt64 x) {
    putInteger(o, x);
}
void putText(std::string& o, OpenWBEM::Int64 x) {
    putInteger(o, x);
}
void putText(std::string& o, OpenWBEM::Real32 x) {
    o += realText(x, 9);
}
void putText(std::string& o, OpenWBEM::Real64 x) {
    o += realText(x, 17);
}
void putText(std::string& o, const String& x) {
    escape(o, x);
}
void putText(std::string& o, const CIMDateTime& x) {
    escape(o, x.toString());
}

template <class T, class Put>
void eachItemOf(const CIMValue& v, Put put) {
    if (v.isArray()) {
        Array<T> a;
        v.get(a);
        for (const T& x : a) put(x);
    } else {
        T x;
        v.get(x);
        put(x);
    }
}

// Calls put with each element (the one for a scalar) of a value of a plain
// type; anything else is passed as its text.
template <class Put>
void eachItem(const CIMValue& v, Put put) {
    bool plain = withValueType(v.getType(),
                               [&](auto tag) { eachItemOf<typename decltype(tag)::type>(v, put); });
    if (!plain) put(v.toString());
}

// The TYPE attribute: the declared type where there is one, else the value's.
const String& typeName(const CIMDataType& declared, const CIMValue& v) {
    static const std::vector<String> kNames = [] {
        std::vector<String> names;
        for (int t = 0; t < CIMDataType::MAXDATATYPE; ++t) {
            names.push_back(CIMDataType(static_cast<CIMDataType::Type>(t)).toString());
        }
        return names;
    }();
    CIMDataType::Type t = declared ? declared.getType() : (v ? v.getType() : CIMDataType::STRING);
    if (t == CIMDataType::REFERENCE || t == CIMDataType::EMBEDDEDCLASS ||
        t == CIMDataType::EMBEDDEDINSTANCE || t <= CIMDataType::CIMNULL ||
        t >= CIMDataType::MAXDATATYPE) {
        t = CIMDataType::STRING;
    }
    return kNames[t];
}

void putInstance(std::string& o, const CIMInstance& inst);
void putInstanceName(std::string& o, const CIMObjectPath& path);

template <class T>
void putValue(std::string& o, const T& x) {
    o += "<VALUE>";
    putText(o, x);
    o += "</VALUE>";
}

// VALUE, VALUE.ARRAY or VALUE.REFERENCE for a non-null value.
void putAnyValue(std::string& o, const CIMValue& v) {
    CIMDataType::Type t = v.getType();
    if (t == CIMDataType::REFERENCE && !v.isArray()) {
        o += "<VALUE.REFERENCE>";
        putInstanceName(o, v.toCIMObjectPath());
        o += "</VALUE.REFERENCE>";
        return;
    }
    if (t == CIMDataType::EMBEDDEDINSTANCE && !v.isArray()) {
        std::string inner;
        putInstance(inner, v.toCIMInstance());
        o += "<VALUE>";
        escape(o, inner);
        o += "</VALUE>";
        return;
    }
    if (v.isArray()) o += "<VALUE.ARRAY>";
    eachItem(v, [&o](const auto& x) { putValue(o, x); });
    if (v.isArray()) o += "</VALUE.ARRAY>";
}

void putQualifier(std::string& o, const CIMQualifier& q) {
    CIMValue v = q.getValue();
    openNamed(o, "QUALIFIER", q.getName());
    // A qualifier without a value is a true flag.
    if (v) {
        putAttr(o, "TYPE", typeName(CIMDataType(), v));
        o += '>';
        putAnyValue(o, v);
    } else {
        o += " TYPE=\"boolean\"><VALUE>TRUE</VALUE>";
    }
    o += "</QUALIFIER>";
}

void putQualifiers(std::string& o, const CIMQualifierArray& qs) {
    for (const CIMQualifier& q : qs) putQualifier(o, q);
}

void putKeyBinding(std::string& o, const CIMProperty& key) {
    CIMValue v = key.getValue();
    openNamed(o, "KEYBINDING", key.getName());
    o += '>';
    CIMDataType::Type t = v ? v.getType() : key.getDataType().getType();
    if (v && t == CIMDataType::REFERENCE && !v.isArray()) {
        putAnyValue(o, v);
    } else {
        const char* valueType = t == CIMDataType::BOOLEAN        ? "boolean"
                                : CIMDataType(t).isNumericType() ? "numeric"
                                                                 : "string";
        o += "<KEYVALUE VALUETYPE=\"";
        o += valueType;
        o += '"';
        putAttr(o, "TYPE", typeName(key.getDataType(), v));
        o += '>';
        if (v) {
            bool first = true;
            eachItem(v, [&](const auto& x) {
                if (!first) o += ',';
                first = false;
                putText(o, x);
            });
        }
        o += "</KEYVALUE>";
    }
    o += "</KEYBINDING>";
}

void putInstanceName(std::string& o, const CIMObjectPath& path) {
    o += "<INSTANCENAME";
    putAttr(o, "CLASSNAME", path.getClassName());
    o += '>';
    for (const CIMProperty& k : path.getKeys()) putKeyBinding(o, k);
    o += "</INSTANCENAME>";
}

void putProperty(std::string& o, const CIMProperty& p, bool qualifiers, bool origin) {
    CIMDataType dt = p.getDataType();
    CIMValue v = p.getValue();
    CIMDataType::Type t = dt ? dt.getType() : (v ? v.getType() : CIMDataType::STRING);
    auto putOrigin = [&] {
        if (!origin) return;
        String originClass = p.getOriginClass();
        if (!originClass.empty()) putAttr(o, "CLASSORIGIN", originClass);
        if (p.getPropagated()) o += " PROPAGATED=\"true\"";
    };
    const char* element;
    if (t == CIMDataType::REFERENCE && !(v && v.isArray())) {
        element = "PROPERTY.REFERENCE";
        openNamed(o, element, p.getName());
        String refClass = dt.getRefClassName();
        if (!refClass.empty()) putAttr(o, "REFERENCECLASS", refClass);
        putOrigin();
    } else if (v ? v.isArray() : dt.isArrayType()) {
        element = "PROPERTY.ARRAY";
        openNamed(o, element, p.getName());
        putAttr(o, "TYPE", typeName(dt, v));
        if (dt.isArrayType() && dt.getSize() > 0) {
            o += " ARRAYSIZE=\"";
            putInteger(o, dt.getSize());
            o += '"';
        }
        putOrigin();
    } else {
        element = "PROPERTY";
        openNamed(o, element, p.getName());
        putAttr(o, "TYPE", typeName(dt, v));
        putOrigin();
        if (t == CIMDataType::EMBEDDEDINSTANCE) o += " EMBEDDEDOBJECT=\"instance\"";
    }
    o += '>';
    if (qualifiers) putQualifiers(o, p.getQualifiers());
    if (v) putAnyValue(o, v);
    o += "</";
    o += element;
    o += '>';
}

void putInstance(std::string& o, const CIMInstance& inst) {
    o += "<INSTANCE";
    putAttr(o, "CLASSNAME", inst.getClassName());
    o += '>';
    putQualifiers(o, inst.getQualifiers());
    for (const CIMProperty& p : inst.getProperties()) putProperty(o, p, true, true);
    o += "</INSTANCE>";
}

// PARAMETER, PARAMETER.ARRAY or PARAMETER.REFERENCE, always with an end tag.
void putParameter(std::string& o, const OpenWBEM::CIMParameter& p, bool qualifiers) {
    CIMDataType dt = p.getType();
    const char* element;
    if (dt.isReferenceType()) {
        element = dt.isArrayType() ? "PARAMETER.REFARRAY" : "PARAMETER.REFERENCE";
        openNamed(o, element, p.getName());
        if (!dt.getRefClassName().empty()) putAttr(o, "REFERENCECLASS", dt.getRefClassName());
    } else {
        element = dt.isArrayType() ? "PARAMETER.ARRAY" : "PARAMETER";
        openNamed(o, element, p.getName());
        putAttr(o, "TYPE", typeName(dt, CIMValue(CIMNULL)));
    }
    if (dt.isArrayType() && dt.getSize() > 0) {
        o += " ARRAYSIZE=\"";
        putInteger(o, dt.getSize());
        o += '"';
    }
    o += '>';
    if (qualifiers) putQualifiers(o, p.getQualifiers());
    o += "</";
    o += element;
    o += '>';
}

void putMethod(std::string& o, const OpenWBEM::CIMMethod& m, bool qualifiers) {
    openNamed(o, "METHOD", m.getName());
    CIMDataType rt = m.getReturnType();
    if (rt) putAttr(o, "TYPE", typeName(rt, CIMValue(CIMNULL)));
    o += '>';
    if (qualifiers) putQualifiers(o, m.getQualifiers());
    for (const OpenWBEM::CIMParameter& p : m.getParameters()) putParameter(o, p, qualifiers);
    o += "</METHOD>";
}

// The message up to the open response element; replies are a few KiB.
std::string header(const std::string& messageId, const char* element, const std::string& method) {
    std::string o;
    o.reserve(4096);
    o += "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n"
         "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE";
    putAttr(o, "ID", messageId);
    o += " PROTOCOLVERSION=\"1.0\"><SIMPLERSP>\n";
    openNamed(o, element, method);
    o += '>';
    return o;
}

std::string trailer(std::string& o, const char* element) {
    o += "</";
    o += element;
    o += ">\n</SIMPLERSP></MESSAGE></CIM>\n";
    return std::move(o);
}

// An IMETHODRESPONSE whose IRETURNVALUE put writes.
template <class Put>
std::string intrinsicResponse(const std::string& id, const std::string& method, Put put) {
    std::string o = header(id, "IMETHODRESPONSE", method);
    o += "<IRETURNVALUE>";
    put(o);
    o += "</IRETURNVALUE>";
    return trailer(o, "IMETHODRESPONSE");
}

bool listed(const std::vector<std::string>* propertyList, const String& name) {
    if (!propertyList) return true;
    for (const std::string& n : *propertyList) {
        if (name.equalsIgnoreCase(n.c_str()) && n.size() == name.length()) return true;
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------- public

CimRequest decodeRequest(const std::string& body) {
    CimRequest req;
    try {
        Document doc;
        try {
            if (body.size() > kCimXmlMaxBodyBytes) {
                bad("request body of " + std::to_string(body.size()) +
                    " bytes exceeds the limit of " + std::to_string(kCimXmlMaxBodyBytes));
            }
            parse(body, doc);
        } catch (CimXmlError& e) {
            e.messageId = salvageAttr(body, "MESSAGE", "ID");
            e.method = salvageAttr(body, "IMETHODCALL", "NAME");
            if (e.method.empty()) {
                e.method = salvageAttr(body, "METHODCALL", "NAME");
                e.extrinsic = !e.method.empty();
            }
            throw;
        }
        message(doc.root, req);
    } catch (CimXmlError& e) {
        if (e.messageId.empty()) e.messageId = req.messageId;
        if (e.method.empty()) {
            e.method = req.method;
            e.extrinsic = req.extrinsic;
        }
        throw;
    } catch (const OpenWBEM::Exception& e) {
        CimXmlError err(CIMException::INVALID_PARAMETER, e.getMessage());
        err.messageId = req.messageId;
        err.method = req.method;
        err.extrinsic = req.extrinsic;
        throw err;
    }
    return req;
}

std::string encodeInstanceNames(const std::string& messageId, const std::string& method,
                                const std::vector<CIMObjectPath>& paths) {
    return intrinsicResponse(messageId, method, [&](std::string& o) {
        for (const CIMObjectPath& p : paths) putInstanceName(o, p);
    });
}

std::string encodeNamedInstances(const std::string& messageId, const std::string& method,
                                 const std::vector<NamedInstance>& instances) {
    return intrinsicResponse(messageId, method, [&](std::string& o) {
        for (const NamedInstance& n : instances) {
            o += "<VALUE.NAMEDINSTANCE>";
            putInstanceName(o, n.path);
            putInstance(o, n.instance);
            o += "</VALUE.NAMEDINSTANCE>";
        }
    });
}

std::string encodeInstance(const std::string& messageId, const std::string& method,
                           const CIMInstance& instance) {
    return intrinsicResponse(messageId, method, [&](std::string& o) { putInstance(o, instance); });
}

std::string encodeInstanceName(const std::string& messageId, const std::string& method,
                               const CIMObjectPath& path) {
    return intrinsicResponse(messageId, method, [&](std::string& o) { putInstanceName(o, path); });
}

std::string encodeEmpty(const std::string& messageId, const std::string& method) {
    std::string o = header(messageId, "IMETHODRESPONSE", method);
    return trailer(o, "IMETHODRESPONSE");
}

std::string encodeClass(const std::string& messageId, const std::string& method,
                        const CIMClass& cls, bool localOnly, bool includeQualifiers,
                        bool includeClassOrigin, const std::vector<std::string>* propertyList) {
    return intrinsicResponse(messageId, method, [&](std::string& o) {
        openNamed(o, "CLASS", cls.getName());
        if (!cls.getSuperClass().empty()) putAttr(o, "SUPERCLASS", cls.getSuperClass());
        o += '>';
        if (includeQualifiers) putQualifiers(o, cls.getQualifiers());
        for (const CIMProperty& p : cls.getAllProperties()) {
            if (!listed(propertyList, p.getName())) continue;
            String origin = p.getOriginClass();
            bool inherited =
                p.getPropagated() || (!origin.empty() && !origin.equalsIgnoreCase(cls.getName()));
            if (localOnly && inherited) continue;
            putProperty(o, p, includeQualifiers, includeClassOrigin);
        }
        for (const OpenWBEM::CIMMethod& m : cls.getAllMethods()) putMethod(o, m, includeQualifiers);
        o += "</CLASS>";
    });
}

std::string encodeClassNames(const std::string& messageId, const std::string& method,
                             const std::vector<std::string>& classNames) {
    return intrinsicResponse(messageId, method, [&](std::string& o) {
        for (const std::string& n : classNames) {
            openNamed(o, "CLASSNAME", n);
            o += "/>";
        }
    });
}

std::string encodeMethodResponse(const std::string& messageId, const std::string& method,
                                 const CIMValue& returnValue, const CIMParamValueArray& outParams) {
    std::string o = header(messageId, "METHODRESPONSE", method);
    if (returnValue) {
        o += "<RETURNVALUE>";
        putAnyValue(o, returnValue);
        o += "</RETURNVALUE>";
    }
    for (const CIMParamValue& p : outParams) {
        openNamed(o, "PARAMVALUE", p.getName());
        o += '>';
        CIMValue v = p.getValue();
        if (v) putAnyValue(o, v);
        o += "</PARAMVALUE>";
    }
    return trailer(o, "METHODRESPONSE");
}

std::string encodeError(const std::string& messageId, const std::string& method, bool extrinsic,
                        CIMException::ErrNoType code, const std::string& description) {
    const char* element = extrinsic ? "METHODRESPONSE" : "IMETHODRESPONSE";
    std::string o = header(messageId, element, method);
    o += "<ERROR CODE=\"";
    putInteger(o, static_cast<int>(code));
    o += '"';
    if (!description.empty()) putAttr(o, "DESCRIPTION", description);
    o += "/>";
    return trailer(o, element);
}

CIMInstance replyInstance(const CIMClass& cls, const CIMInstance& provided,
                          const std::vector<std::string>* propertyList, bool includeQualifiers,
                          bool includeClassOrigin) {
    CIMPropertyArray given = provided.getProperties();
    std::vector<bool> used(given.size(), false);
    CIMPropertyArray shown, keys;
    shown.reserve(given.size() + 8);
    // The class's qualifiers and origin only when asked for; never the provider's.
    auto show = [&](CIMProperty p, const CIMProperty* declared) {
        if (includeQualifiers) {
            p.setQualifiers(declared ? declared->getQualifiers() : p.getQualifiers());
        } else if (!p.getQualifiers().empty()) {
            p.setQualifiers(CIMQualifierArray());
        }
        if (includeClassOrigin && declared) {
            String origin = declared->getOriginClass();
            p.setOriginClass(origin.empty() ? cls.getName() : origin);
        } else if (!includeClassOrigin) {
            if (!p.getOriginClass().empty()) p.setOriginClass(String());
            if (p.getPropagated()) p.setPropagated(false);
        }
        shown.push_back(p);
    };
    for (const CIMProperty& declared : cls.getAllProperties()) {
        const String& name = declared.getName();
        size_t i = 0;
        while (i < given.size() && (used[i] || !given[i].getName().equalsIgnoreCase(name))) ++i;
        bool found = i < given.size();
        if (found) used[i] = true;
        // The keys name the instance whatever the list leaves out.
        if (found && declared.isKey()) keys.push_back(given[i]);
        if (!listed(propertyList, name)) continue;
        if (found) {
            show(given[i], &declared);
        } else {
            CIMProperty missing(name, declared.getDataType());
            if (includeClassOrigin) missing.setPropagated(declared.getPropagated());
            show(missing, &declared);
        }
    }
    // Properties the class does not declare are the provider's to show.
    for (size_t i = 0; i < given.size(); ++i) {
        if (!used[i] && listed(propertyList, given[i].getName())) show(given[i], nullptr);
    }
    CIMInstance out(provided);
    out.setProperties(shown);
    out.setKeys(keys);
    if (!includeQualifiers && !out.getQualifiers().empty()) out.setQualifiers(CIMQualifierArray());
    return out;
}

}  // namespace qvx_cimom
