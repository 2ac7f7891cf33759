#include "OW_CIMObjectPath.hpp"

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

[[noreturn]] void badPath(const String& text) {
    String msg("Invalid object path: ");
    msg += text;
    OW_THROWCIMMSG(CIMException::INVALID_PARAMETER, msg.c_str());
}

CIMValue bareValue(const String& v) {
    if (v.equalsIgnoreCase("true")) return CIMValue(true);
    if (v.equalsIgnoreCase("false")) return CIMValue(false);
    try {
        if (v.startsWith("-")) return CIMValue(v.toInt64());
        return CIMValue(v.toUInt64());
    } catch (const StringConversionException&) {
        return CIMValue(v);
    }
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

String CIMObjectPath::unEscape(const String& inString) {
    String out;
    const char* s = inString.c_str();
    for (size_t i = 0; i < inString.length(); ++i) {
        if (s[i] == '\\' && i + 1 < inString.length()) {
            ++i;
            out += s[i] == 'n' ? '\n' : s[i];
        } else {
            out += s[i];
        }
    }
    return out;
}

CIMObjectPath CIMObjectPath::parse(const String& instanceName) {
    const char* s = instanceName.c_str();
    size_t len = instanceName.length();
    size_t pos = 0;
    String host;
    if (instanceName.startsWith("http://", String::E_CASE_INSENSITIVE)) {
        pos = 7;
        size_t slash = instanceName.indexOf('/', pos);
        if (slash == String::npos) badPath(instanceName);
        host = instanceName.substring(pos, slash - pos);
        pos = slash;
    }
    // The namespace ends at the first ':' outside quotes.
    String ns;
    size_t colon = String::npos;
    for (size_t i = pos; i < len && s[i] != '.' && s[i] != '"'; ++i) {
        if (s[i] == ':') {
            colon = i;
            break;
        }
    }
    if (colon != String::npos) {
        ns = instanceName.substring(pos, colon - pos);
        pos = colon + 1;
    }
    size_t dot = instanceName.indexOf('.', pos);
    String className = instanceName.substring(pos, dot == String::npos ? String::npos : dot - pos);
    className.trim();
    if (className.empty()) badPath(instanceName);
    CIMObjectPath path(className, ns);
    if (!host.empty()) path.setHost(host);
    if (dot == String::npos) return path;

    CIMPropertyArray keys;
    pos = dot + 1;
    while (pos < len) {
        size_t eq = instanceName.indexOf('=', pos);
        if (eq == String::npos) badPath(instanceName);
        String name = instanceName.substring(pos, eq - pos);
        name.trim();
        if (name.empty()) badPath(instanceName);
        pos = eq + 1;
        CIMValue value(CIMNULL);
        if (pos < len && s[pos] == '"') {
            String raw;
            ++pos;
            while (pos < len && s[pos] != '"') {
                if (s[pos] == '\\' && pos + 1 < len) raw += s[pos++];
                raw += s[pos++];
            }
            if (pos >= len) badPath(instanceName);
            ++pos;
            value = CIMValue(unEscape(raw));
        } else {
            size_t end = instanceName.indexOf(',', pos);
            if (end == String::npos) end = len;
            String raw = instanceName.substring(pos, end - pos);
            raw.trim();
            value = bareValue(raw);
            pos = end;
        }
        keys.push_back(CIMProperty(name, value));
        if (pos < len) {
            if (s[pos] != ',') badPath(instanceName);
            ++pos;
        }
    }
    path.setKeys(keys);
    return path;
}

}  // namespace OpenWBEM
