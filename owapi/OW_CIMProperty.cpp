#include "OW_CIMProperty.hpp"
#include "OW_Array.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_CIMValue.hpp"
#include "QualifierList.hpp"

#include "OW_NULLValueException.hpp"

#include "OW_Bool.hpp"

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

CIMProperty::CIMProperty() : m_impl(new Impl(String(), CIMDataType(), CIMValue(CIMNULL))) {}
CIMProperty::CIMProperty(CIMNULL_t) {}
CIMProperty::CIMProperty(const String& name)
    : m_impl(new Impl(name.toString(), CIMDataType(), CIMValue(CIMNULL))) {}
CIMProperty::CIMProperty(const char* name)
    : m_impl(new Impl(String(name), CIMDataType(), CIMValue(CIMNULL))) {}
CIMProperty::CIMProperty(const String& name, const CIMValue& value)
    : m_impl(new Impl(name.toString(), value.getCIMDataType(), value)) {}
CIMProperty::CIMProperty(const String& name, const CIMDataType& dt)
    : m_impl(new Impl(name.toString(), dt, CIMValue(CIMNULL))) {}
CIMProperty::CIMProperty(const CIMProperty& arg) : m_impl(arg.m_impl) {}
CIMProperty::~CIMProperty() {}
CIMProperty& CIMProperty::operator=(const CIMProperty& arg) {
    m_impl = arg.m_impl;
    return *this;
}

// Stored as given: the declared type neither converts the value nor
// follows it.
CIMProperty& CIMProperty::setValue(const CIMValue& val) {
    m_impl.write().value = val;
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
        if (q.getName().equalsIgnoreCase(CIMQualifier::CIM_QUAL_KEY)) return internal::isTrue(q);
    }
    return false;
}
bool CIMProperty::isReference() const {
    return m_impl.read().dataType.isReferenceType();
}

CIMQualifier CIMProperty::getQualifier(const String& name) const {
    return internal::findQualifier(m_impl.read().qualifiers, name);
}
CIMQualifierArray CIMProperty::getQualifiers() const {
    return m_impl.read().qualifiers;
}
CIMProperty& CIMProperty::setQualifier(const CIMQualifier& qual) {
    if (qual) internal::putQualifier(m_impl.write().qualifiers, qual);
    return *this;
}
CIMProperty& CIMProperty::setQualifiers(const CIMQualifierArray& quals) {
    m_impl.write().qualifiers = quals;
    return *this;
}
bool CIMProperty::hasTrueQualifier(const String& name) const {
    CIMQualifier q = getQualifier(name);
    return internal::isTrue(q);
}
String CIMProperty::getOriginClass() const {
    return m_impl.read().originClass;
}
CIMProperty& CIMProperty::setOriginClass(const String& originCls) {
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
void CIMProperty::setName(const String& name) {
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
    out += "  " + i.dataType.toMOF() + " " + i.name;
    if (i.dataType.isArrayType()) out += "[]";
    if (i.value) out += " = " + i.value.toMOF();
    out += ";\n";
    return out;
}

}  // namespace OpenWBEM
