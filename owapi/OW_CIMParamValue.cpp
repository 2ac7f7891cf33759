#include "OW_CIMParamValue.hpp"
#include "OW_CIMValue.hpp"

namespace OpenWBEM {

struct CIMParamValue::Impl : COWReferenceCountable {
    Impl(const String& n, const CIMValue& v) : name(n), value(v) {}
    String name;
    CIMValue value;
};

CIMParamValue::CIMParamValue() : m_impl(new Impl(String(), CIMValue(CIMNULL))) {}
CIMParamValue::CIMParamValue(CIMNULL_t) {}
CIMParamValue::CIMParamValue(const String& name, const CIMValue& val)
    : m_impl(new Impl(name.toString(), val)) {}
CIMParamValue::CIMParamValue(const String& name)
    : m_impl(new Impl(name.toString(), CIMValue(CIMNULL))) {}
CIMParamValue::CIMParamValue(const CIMParamValue& arg) : m_impl(arg.m_impl) {}
CIMParamValue::~CIMParamValue() {}
CIMParamValue& CIMParamValue::operator=(const CIMParamValue& arg) {
    m_impl = arg.m_impl;
    return *this;
}

String CIMParamValue::getName() const {
    return m_impl.read().name;
}
CIMParamValue& CIMParamValue::setName(const String& name) {
    m_impl.write().name = name.toString();
    return *this;
}
CIMValue CIMParamValue::getValue() const {
    return m_impl.read().value;
}
CIMParamValue& CIMParamValue::setValue(const CIMValue& val) {
    m_impl.write().value = val;
    return *this;
}
String CIMParamValue::toString() const {
    return "CIMParamValue(" + getName() + "): " + getValue().toString();
}

}  // namespace OpenWBEM
