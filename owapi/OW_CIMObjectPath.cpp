#include "OW_CIMObjectPath.hpp"
#include "OW_Array.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"

#include "OW_NoSuchPropertyException.hpp"

#include "OW_Bool.hpp"
#include "OW_CIMException.hpp"
#include "OW_CIMInstance.hpp"

#include <cctype>
#include <utility>

namespace OpenWBEM {

namespace {

const char* const kLocalHost = "127.0.0.1";

bool isLocal(const String& host) {
    return host.empty() || host.equalsIgnoreCase("localhost") || host == kLocalHost;
}

long findKey(const CIMPropertyArray& keys, const String& name) {
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].getName().equalsIgnoreCase(name)) return static_cast<long>(i);
    }
    return -1;
}

// The appliance's release names no offending text in these messages.
[[noreturn]] void badPath(const char* what) {
    OW_THROWCIMMSG(CIMException::INVALID_PARAMETER, what);
}

}  // namespace

struct CIMObjectPath::Impl : COWReferenceCountable {
    String nameSpace;
    String host{kLocalHost};
    String className;
    CIMPropertyArray keys;
};

CIMObjectPath::CIMObjectPath() : m_impl(new Impl) {}
CIMObjectPath::CIMObjectPath(CIMNULL_t) {}
CIMObjectPath::CIMObjectPath(const String& className) : m_impl(new Impl) {
    m_impl.write().className = className.toString();
}
CIMObjectPath::CIMObjectPath(const char* className) : CIMObjectPath(String(className)) {}
CIMObjectPath::CIMObjectPath(const String& className, const String& nspace)
    : CIMObjectPath(className) {
    setNameSpace(nspace);
}
CIMObjectPath::CIMObjectPath(const String& className, const CIMPropertyArray& keys)
    : CIMObjectPath(className) {
    setKeys(keys);
}
CIMObjectPath::CIMObjectPath(const String& ns, const CIMInstance& inst)
    : CIMObjectPath(inst.getClassName(), ns) {
    setKeys(inst.getKeyValuePairs());
}
CIMObjectPath::CIMObjectPath(const CIMObjectPath& arg) : m_impl(arg.m_impl) {}
CIMObjectPath::~CIMObjectPath() {}
CIMObjectPath& CIMObjectPath::operator=(const CIMObjectPath& arg) {
    m_impl = arg.m_impl;
    return *this;
}

CIMObjectPath& CIMObjectPath::addKey(const String& keyname, const CIMValue& value) {
    if (value) m_impl.write().keys.push_back(CIMProperty(keyname, value));
    return *this;
}
CIMObjectPath& CIMObjectPath::addKey(const CIMProperty& key) {
    if (key) m_impl.write().keys.push_back(key);
    return *this;
}
CIMPropertyArray CIMObjectPath::getKeys() const {
    return m_impl.read().keys;
}
CIMProperty CIMObjectPath::getKey(const String& keyName) const {
    const Impl& i = m_impl.read();
    long n = findKey(i.keys, keyName.toString());
    return n < 0 ? CIMProperty(CIMNULL) : i.keys[static_cast<size_t>(n)];
}
CIMProperty CIMObjectPath::getKeyT(const String& keyName) const {
    CIMProperty p = getKey(keyName);
    if (!p) OW_THROW(NoSuchPropertyException, keyName.c_str());
    return p;
}
CIMValue CIMObjectPath::getKeyValue(const String& name) const {
    CIMProperty p = getKey(name);
    return p ? p.getValue() : CIMValue(CIMNULL);
}
bool CIMObjectPath::keyHasValue(const String& name) const {
    return static_cast<bool>(getKeyValue(name));
}

CIMObjectPath& CIMObjectPath::setKeys(const CIMPropertyArray& newKeys) {
    CIMPropertyArray keys;
    keys.reserve(newKeys.size());
    for (CIMProperty p : newKeys) {
        if (!p.getQualifiers().empty()) p.setQualifiers(CIMQualifierArray());
        keys.push_back(p);
    }
    m_impl.write().keys = keys;
    return *this;
}
CIMObjectPath& CIMObjectPath::setKeys(const CIMInstance& instance) {
    return setKeys(instance.getKeyValuePairs());
}
CIMObjectPath& CIMObjectPath::setKeyValue(const String& name, const CIMValue& value) {
    Impl& i = m_impl.write();
    long n = findKey(i.keys, name.toString());
    if (n < 0) {
        i.keys.push_back(CIMProperty(name, value));
    } else {
        i.keys[static_cast<size_t>(n)].setValue(value);
    }
    return *this;
}

String CIMObjectPath::getNameSpace() const {
    return m_impl.read().nameSpace;
}
String CIMObjectPath::getHost() const {
    return m_impl.read().host;
}
String CIMObjectPath::getClassName() const {
    return m_impl.read().className;
}
CIMObjectPath& CIMObjectPath::setHost(const String& host) {
    m_impl.write().host = isLocal(host) ? String(kLocalHost) : host;
    return *this;
}
CIMObjectPath& CIMObjectPath::setNameSpace(const String& ns) {
    String n(ns);
    n.trim();
    size_t i = 0;
    while (i < n.length() && n.c_str()[i] == '/') ++i;
    m_impl.write().nameSpace = n.substring(i);
    return *this;
}
CIMObjectPath& CIMObjectPath::setClassName(const String& className) {
    m_impl.write().className = className.toString();
    return *this;
}

bool CIMObjectPath::equals(const CIMObjectPath& op) const {
    const Impl& a = m_impl.read();
    const Impl& b = op.m_impl.read();
    if (!a.nameSpace.equalsIgnoreCase(b.nameSpace) || !a.className.equalsIgnoreCase(b.className) ||
        a.keys.size() != b.keys.size()) {
        return false;
    }
    for (const CIMProperty& k : a.keys) {
        long n = findKey(b.keys, k.getName());
        if (n < 0 || !k.getValue().equal(b.keys[static_cast<size_t>(n)].getValue())) return false;
    }
    return true;
}

bool CIMObjectPath::isClassPath() const {
    return m_impl.read().keys.empty();
}
bool CIMObjectPath::isInstancePath() const {
    return !m_impl.read().keys.empty();
}

String CIMObjectPath::modelPath() const {
    const Impl& i = m_impl.read();
    String out(i.className);
    for (size_t n = 0; n < i.keys.size(); ++n) {
        out += n == 0 ? '.' : ',';
        out += i.keys[n].getName();
        out += "=\"";
        CIMValue v = i.keys[n].getValue();
        out += escape(v ? v.toString() : String("null"));
        out += '"';
    }
    return out;
}

String CIMObjectPath::toString() const {
    const Impl& i = m_impl.read();
    String out;
    if (!isLocal(i.host)) out += "http://" + i.host;
    out += "/" + i.nameSpace + ":" + modelPath();
    return out;
}

String CIMObjectPath::toMOF() const {
    return escape(toString());
}

String CIMObjectPath::escape(const String& inString) {
    String out;
    for (size_t i = 0; i < inString.length(); ++i) {
        char c = inString.c_str()[i];
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

// A backslash keeps the character after it as it is, so an escaped
// newline comes back as the letter n.
String CIMObjectPath::unEscape(const String& inString) {
    String out;
    const char* s = inString.c_str();
    for (size_t i = 0; i < inString.length(); ++i) {
        if (s[i] == '\\') {
            if (++i == inString.length()) break;
        }
        out += s[i];
    }
    return out;
}

CIMObjectPath CIMObjectPath::parse(const String& instanceName) {
    String text(instanceName);
    text.trim();
    if (text.empty()) return CIMObjectPath(CIMNULL);
    String host;
    size_t scheme = text.indexOf("://");
    if (scheme != String::npos) {
        size_t slash = text.indexOf('/', scheme + 3);
        host =
            text.substring(scheme + 3, slash == String::npos ? String::npos : slash - scheme - 3);
        size_t colon = host.indexOf(':');
        if (colon != String::npos) {
            try {
                host.substring(colon + 1).toUInt16();
            } catch (const StringConversionException&) {
                badPath("Invalid port in Object Path");
            }
            host = host.substring(0, colon);
        }
        text = slash == String::npos ? String() : text.substring(slash + 1);
    } else if (text.startsWith("/")) {
        text = text.substring(1);
    }
    String ns("root");
    size_t colon = text.indexOf(':');
    if (colon != String::npos) {
        ns = text.substring(0, colon);
        text = text.substring(colon + 1);
    }
    size_t dot = text.indexOf('.');
    if (dot == String::npos) badPath("class name not found in instance name:: ");
    String className = text.substring(0, dot);
    className.trim();
    if (className.empty()) badPath("Invalid instance name: ");
    String keyText = text.substring(dot + 1);
    if (keyText.empty()) badPath("No key values found in instance name: ");

    CIMPropertyArray keys;
    const char* s = keyText.c_str();
    const size_t len = keyText.length();
    size_t begin = 0;
    while (begin < len) {
        // A key ends at a comma outside quotes; a backslash hides the next character.
        size_t end = begin;
        bool quoted = false;
        for (; end < len && (quoted || s[end] != ','); ++end) {
            if (s[end] == '\\') {
                ++end;
            } else if (s[end] == '"') {
                quoted = !quoted;
            }
        }
        if (end > len) end = len;
        String key = keyText.substring(begin, end - begin);
        size_t eq = key.indexOf('=');
        if (eq == String::npos) {
            String msg = "Bad key in string (" + key + ")";
            OW_THROWCIMMSG(CIMException::NOT_FOUND, msg.c_str());
        }
        String name = key.substring(0, eq);
        name.trim();
        String value = key.substring(eq + 1);
        value.trim();
        if (value.length() >= 2 && value.startsWith("\"") && value.endsWith("\"")) {
            value = value.substring(1, value.length() - 2);
        }
        keys.push_back(CIMProperty(name, CIMValue(unEscape(value))));
        begin = end + 1;
    }
    CIMObjectPath path(className, ns);
    if (!host.empty()) path.setHost(host);
    path.setKeys(keys);
    return path;
}

}  // namespace OpenWBEM
