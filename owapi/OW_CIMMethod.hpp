#ifndef OW_CIMMETHOD_HPP_INCLUDE_GUARD_
#define OW_CIMMETHOD_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMFwd.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// A method as a class declares it: name, return type, qualifiers and
// parameters in declaration order.
class CIMMethod {
private:
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();

public:
    CIMMethod();
    explicit CIMMethod(CIMNULL_t);
    explicit CIMMethod(const String& name);
    explicit CIMMethod(const char* name);
    CIMMethod(const CIMMethod& x);
    ~CIMMethod();
    CIMMethod& operator=(const CIMMethod& x);

    operator safe_bool() const { return m_impl.isNull() ? 0 : &dummy::nonnull; }
    safe_bool operator!() const { return m_impl.isNull() ? &dummy::nonnull : 0; }

    String getName() const;
    void setName(const String& name);
    CIMDataType getReturnType() const;
    CIMMethod& setReturnType(const CIMDataType& type);
    CIMParameterArray getParameters() const;
    CIMMethod& addParameter(const CIMParameter& param);
    CIMMethod& setParameters(const CIMParameterArray& params);
    CIMQualifierArray getQualifiers() const;
    // Looked up ignoring case; a null qualifier when absent.
    CIMQualifier getQualifier(const String& name) const;
    CIMMethod& addQualifier(const CIMQualifier& qual);
    CIMMethod& setQualifiers(const CIMQualifierArray& quals);
    String toString() const;
    // One declaration line ending in ";\n", indented as class members are.
    String toMOF() const;

    struct Impl;

private:
    COWReference<Impl> m_impl;
};

}  // namespace OpenWBEM

#endif
