#ifndef OW_CIMINSTANCE_HPP_INCLUDE_GUARD_
#define OW_CIMINSTANCE_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMDataType.hpp"
#include "OW_CIMFwd.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// An instance: a class name and properties in insertion order. Property
// names are looked up without regard to case and keep their first spelling.
class CIMInstance {
private:
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();

public:
    CIMInstance();
    explicit CIMInstance(CIMNULL_t);
    CIMInstance(const CIMInstance& arg);
    explicit CIMInstance(const String& name);
    explicit CIMInstance(const char* name);
    ~CIMInstance();
    CIMInstance& operator=(const CIMInstance& arg);

    String getClassName() const;
    CIMInstance& setClassName(const String& name);
    CIMInstance& setKeys(const CIMPropertyArray& keys);
    CIMPropertyArray getKeyValuePairs() const;
    // All properties for INVALID, otherwise those declared with that type.
    CIMPropertyArray getProperties(Int32 valueDataType = CIMDataType::INVALID) const;
    CIMInstance& setProperties(const CIMPropertyArray& props);
    CIMProperty getProperty(const String& name) const;
    CIMProperty getProperty(const String& name, const String& originClass) const;
    CIMProperty getPropertyT(const String& name) const;
    CIMValue getPropertyValue(const String& name) const;
    bool propertyHasValue(const String& name) const;
    // Replaces the value of a property of that name, or appends a new one.
    CIMInstance& setProperty(const String& name, const CIMValue& cv);
    // Replaces the whole property of that name, or appends it.
    CIMInstance& setProperty(const CIMProperty& prop);
    CIMInstance& removeProperty(const String& propName);
    CIMQualifierArray getQualifiers() const;
    CIMInstance& setQualifiers(const CIMQualifierArray& quals);
    CIMQualifier getQualifier(const String& qualName) const;
    CIMInstance& setQualifier(const CIMQualifier& qual);
    String getName() const;
    void setName(const String& name);
    String toMOF() const;
    // "instance of X {\nA = a;\n...}\n".
    String toString() const;
    operator safe_bool() const { return m_impl.isNull() ? 0 : &dummy::nonnull; }
    safe_bool operator!() const { return m_impl.isNull() ? &dummy::nonnull : 0; }

    struct Impl;

private:
    COWReference<Impl> m_impl;
};

}  // namespace OpenWBEM

#endif
