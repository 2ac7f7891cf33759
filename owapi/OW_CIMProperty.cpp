#include "OW_CIMProperty.hpp"

#include "OW_Bool.hpp"
#include "OW_CIMException.hpp"

#include <utility>

namespace OpenWBEM {

struct CIMProperty::Impl : COWReferenceCountable {
    Impl(const String& n, const CIMDataType& t, const CIMValue& v)
        : name(n), dataType(t), value(v), propagated(false) {}
    String name;
    CIMDataType dataType;
    CIMValue value;
    CIMQualifierArray qualifiers;
    String originClass;
    bool propagated;
};

namespace {

// Brings a value to the property's declared type, through its text.
CIMValue toDeclaredType(const CIMDataType& dt, const CIMValue& val) {
    if (!val || !dt || dt.isArrayType() || val.isArray() || dt.getType() == val.getType()) {
        return val;
    }
    if (dt.getType() == CIMDataType::REFERENCE || dt.getType() == CIMDataType::EMBEDDEDCLASS ||
        dt.getType() == CIMDataType::EMBEDDEDINSTANCE) {
        return val;
    }
    try {
        return CIMValue::createSimpleValue(dt.toString(), val.toString());
    } catch (const Exception& e) {
        OW_THROWCIMMSG(CIMException::FAILED, e.getMessage());
    }
}

}  // namespace

CIMProperty::CIMProperty() : m_impl(new Impl(String(), CIMDataType(), CIMValue(CIMNULL))) {}
CIMProperty::CIMProperty(CIMNULL_t) {}
CIMProperty::CIMProperty(const CIMName& name)
    : m_impl(new Impl(name.toString(), CIMDataType(), CIMValue(CIMNULL))) {}
CIMProperty::CIMProperty(const char* name)
    : m_impl(new Impl(String(name), CIMDataType(), CIMValue(CIMNULL))) {}
CIMProperty::CIMProperty(const CIMName& name, const CIMValue& value)
    : m_impl(new Impl(name.toString(), value.getCIMDataType(), value)) {}
CIMProperty::CIMProperty(const CIMName& name, const CIMDataType& dt)
    : m_impl(new Impl(name.toString(), dt, CIMValue(CIMNULL))) {}
CIMProperty::CIMProperty(const CIMProperty& arg) : m_impl(arg.m_impl) {}
CIMProperty::CIMProperty(CIMProperty&& arg) noexcept : m_impl(std::move(arg.m_impl)) {}
CIMProperty::~CIMProperty() {}
CIMProperty& CIMProperty::operator=(const CIMProperty& arg) {
    m_impl = arg.m_impl;
    return *this;
}
CIMProperty& CIMProperty::operator=(CIMProperty&& arg) noexcept {
    m_impl = std::move(arg.m_impl);
    return *this;
}

CIMProperty& CIMProperty::setValue(const CIMValue& val) {
    CIMValue v = toDeclaredType(m_impl.read().dataType, val);
    Impl& i = m_impl.write();
    i.value = v;
    if (v && !i.dataType) i.dataType = v.getCIMDataType();
    return *this;
}
CIMValue CIMProperty::getValue() const {
    return m_impl.read().value;
}
CIMValue CIMProperty::getValueT() const {
    const Impl& i = m_impl.read();
    if (!i.value) {
        String msg = "CIMProperty::getValueT: NULL value for " + i.name;
        OW_THROW(NULLValueException, msg.c_str());
    }
    return i.value;
}
CIMProperty& CIMProperty::setDataType(const CIMDataType& type) {
    m_impl.write().dataType = type;
    return *this;
}
CIMProperty& CIMProperty::setDataType(const CIMDataType::Type& type) {
    return setDataType(CIMDataType(type));
}
CIMDataType CIMProperty::getDataType() const {
    return m_impl.read().dataType;
}
bool CIMProperty::isKey() const {
    // Asked for every property an instance is built from: no name is built.
    const Impl& i = m_impl.read();
    if (i.dataType.isReferenceType()) return true;
    for (const CIMQualifier& q : i.qualifiers) {
        if (q.getName().equalsIgnoreCase(CIMQualifier::CIM_QUAL_KEY)) return q.isTrue();
    }
    return false;
}
bool CIMProperty::isReference() const {
    return m_impl.read().dataType.isReferenceType();
}

CIMQualifier CIMProperty::getQualifier(const CIMName& name) const {
    return findQualifier(m_impl.read().qualifiers, name);
}
CIMQualifierArray CIMProperty::getQualifiers() const {
    return m_impl.read().qualifiers;
}
CIMProperty& CIMProperty::setQualifier(const CIMQualifier& qual) {
    if (qual) putQualifier(m_impl.write().qualifiers, qual);
    return *this;
}
CIMProperty& CIMProperty::setQualifiers(const CIMQualifierArray& quals) {
    m_impl.write().qualifiers = quals;
    return *this;
}
bool CIMProperty::hasTrueQualifier(const CIMName& name) const {
    CIMQualifier q = getQualifier(name);
    return q && q.isTrue();
}
String CIMProperty::getOriginClass() const {
    return m_impl.read().originClass;
}
CIMProperty& CIMProperty::setOriginClass(const CIMName& originCls) {
    m_impl.write().originClass = originCls.toString();
    return *this;
}
bool CIMProperty::getPropagated() const {
    return m_impl.read().propagated;
}
CIMProperty& CIMProperty::setPropagated(bool propagated) {
    m_impl.write().propagated = propagated;
    return *this;
}
String CIMProperty::getName() const {
    return m_impl.read().name;
}
const String& CIMProperty::nameRef() const {
    return m_impl.read().name;
}
void CIMProperty::setName(const CIMName& name) {
    m_impl.write().name = name.toString();
}

String CIMProperty::toString() const {
    const Impl& i = m_impl.read();
    return i.dataType.toString() + ":" + i.name + "=" + (i.value ? i.value.toString() : "null");
}

String CIMProperty::toMOF() const {
    const Impl& i = m_impl.read();
    String out;
    if (!i.qualifiers.empty()) {
        out += "  [";
        for (size_t n = 0; n < i.qualifiers.size(); ++n) {
            if (n) out += ", ";
            out += i.qualifiers[n].toMOF();
        }
        out += "]\n";
    }
    out += "  " + mofTypeName(i.dataType) + " " + i.name;
    if (i.dataType.isArrayType()) out += "[]";
    if (i.value) out += " = " + i.value.toMOF();
    out += ";\n";
    return out;
}

}  // namespace OpenWBEM
