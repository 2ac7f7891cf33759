#include "OW_CIMMethod.hpp"
#include "OW_Array.hpp"
#include "OW_CIMDataType.hpp"
#include "OW_CIMParameter.hpp"
#include "OW_CIMQualifier.hpp"

#include "QualifierList.hpp"

namespace OpenWBEM {

struct CIMMethod::Impl : COWReferenceCountable {
    Impl(const String& n, const CIMDataType& t) : name(n), returnType(t) {}
    String name;
    CIMDataType returnType;
    CIMQualifierArray qualifiers;
    CIMParameterArray parameters;
};

CIMMethod::CIMMethod() : m_impl(new Impl(String(), CIMDataType())) {}
CIMMethod::CIMMethod(CIMNULL_t) {}
CIMMethod::CIMMethod(const String& name) : m_impl(new Impl(name.toString(), CIMDataType())) {}
CIMMethod::CIMMethod(const char* name) : CIMMethod(String(name)) {}
CIMMethod::CIMMethod(const CIMMethod& x) : m_impl(x.m_impl) {}
CIMMethod::~CIMMethod() {}
CIMMethod& CIMMethod::operator=(const CIMMethod& x) {
    m_impl = x.m_impl;
    return *this;
}

String CIMMethod::getName() const {
    return m_impl.read().name;
}
void CIMMethod::setName(const String& name) {
    m_impl.write().name = name.toString();
}
CIMDataType CIMMethod::getReturnType() const {
    return m_impl.read().returnType;
}
CIMMethod& CIMMethod::setReturnType(const CIMDataType& type) {
    m_impl.write().returnType = type;
    return *this;
}
CIMParameterArray CIMMethod::getParameters() const {
    return m_impl.read().parameters;
}
CIMMethod& CIMMethod::addParameter(const CIMParameter& param) {
    if (param) m_impl.write().parameters.push_back(param);
    return *this;
}
CIMMethod& CIMMethod::setParameters(const CIMParameterArray& params) {
    m_impl.write().parameters = params;
    return *this;
}
CIMQualifierArray CIMMethod::getQualifiers() const {
    return m_impl.read().qualifiers;
}
CIMQualifier CIMMethod::getQualifier(const String& name) const {
    return internal::findQualifier(m_impl.read().qualifiers, name);
}
CIMMethod& CIMMethod::addQualifier(const CIMQualifier& qual) {
    if (qual) m_impl.write().qualifiers.push_back(qual);
    return *this;
}
CIMMethod& CIMMethod::setQualifiers(const CIMQualifierArray& quals) {
    m_impl.write().qualifiers = quals;
    return *this;
}

String CIMMethod::toString() const {
    return toMOF();
}

String CIMMethod::toMOF() const {
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
    out += "  " + i.returnType.toMOF() + " " + i.name + "(";
    for (size_t n = 0; n < i.parameters.size(); ++n) {
        out += n ? ",\n    " : "\n    ";
        out += i.parameters[n].toMOF();
    }
    out += ");\n";
    return out;
}

}  // namespace OpenWBEM
