#ifndef OW_CIMCLASS_HPP_INCLUDE_GUARD_
#define OW_CIMCLASS_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMFwd.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// A class declaration: name, superclass, qualifiers, properties and methods.
class CIMClass {
private:
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();

public:
    CIMClass();
    explicit CIMClass(CIMNULL_t);
    explicit CIMClass(const String& name);
    explicit CIMClass(const char* name);
    CIMClass(const CIMClass& x);
    ~CIMClass();
    CIMClass& operator=(const CIMClass& x);

    String getName() const;
    void setName(const String& name);
    String getSuperClass() const;
    CIMClass& setSuperClass(const String& name);
    CIMQualifierArray getQualifiers() const;
    CIMQualifier getQualifier(const String& name) const;
    CIMClass& addQualifier(const CIMQualifier& qual);
    CIMPropertyArray getAllProperties() const;
    CIMProperty getProperty(const String& name) const;
    CIMClass& addProperty(const CIMProperty& prop);
    CIMMethodArray getAllMethods() const;
    // Looked up ignoring case; a null method when absent.
    CIMMethod getMethod(const String& name) const;
    CIMClass& addMethod(const CIMMethod& method);
    // Properties with a true Key qualifier, in declaration order.
    CIMPropertyArray getKeys() const;
    bool isKeyed() const;
    // An instance of this class with every property present and null.
    CIMInstance newInstance() const;
    String toString() const;
    String toMOF() const;
    operator safe_bool() const { return m_impl.isNull() ? 0 : &dummy::nonnull; }
    safe_bool operator!() const { return m_impl.isNull() ? &dummy::nonnull : 0; }

    struct Impl;

private:
    COWReference<Impl> m_impl;
};

}  // namespace OpenWBEM

#endif
