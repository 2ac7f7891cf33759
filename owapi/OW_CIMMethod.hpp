#ifndef OW_CIMMETHOD_HPP_INCLUDE_GUARD_
#define OW_CIMMETHOD_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_Array.hpp"
#include "OW_CIMDataType.hpp"
#include "OW_CIMFwd.hpp"
#include "OW_CIMName.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_CIMParameter.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// A method as a class declares it: name, return type, qualifiers and
// parameters in declaration order.
class CIMMethod {
public:
    CIMMethod();
    explicit CIMMethod(CIMNULL_t);
    explicit CIMMethod(const CIMName& name);
    explicit CIMMethod(const char* name);
    CIMMethod(const CIMName& name, const CIMDataType& returnType);
    CIMMethod(const CIMMethod& x);
    CIMMethod(CIMMethod&& x) noexcept;
    ~CIMMethod();
    CIMMethod& operator=(const CIMMethod& x);
    CIMMethod& operator=(CIMMethod&& x) noexcept;

    explicit operator bool() const { return !m_impl.isNull(); }
    bool operator!() const { return m_impl.isNull(); }

    String getName() const;
    void setName(const CIMName& name);
    CIMDataType getReturnType() const;
    CIMMethod& setReturnType(const CIMDataType& type);
    CIMParameterArray getParameters() const;
    // Looked up ignoring case; a null parameter when absent.
    CIMParameter getParameter(const CIMName& name) const;
    CIMMethod& addParameter(const CIMParameter& param);
    CIMMethod& setParameters(const CIMParameterArray& params);
    CIMQualifierArray getQualifiers() const;
    // Looked up ignoring case; a null qualifier when absent.
    CIMQualifier getQualifier(const CIMName& name) const;
    // Replaces a qualifier of the same name, else appends.
    CIMMethod& setQualifier(const CIMQualifier& qual);
    bool hasTrueQualifier(const CIMName& name) const;
    String toString() const;
    // One declaration line ending in ";\n", indented as class members are.
    String toMOF() const;

    struct Impl;

private:
    COWReference<Impl> m_impl;
};

}  // namespace OpenWBEM

#endif
