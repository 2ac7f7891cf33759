#ifndef OW_CIMPROPERTY_HPP_INCLUDE_GUARD_
#define OW_CIMPROPERTY_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMDataType.hpp"
#include "OW_CIMFwd.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// A named, typed value. A property whose value is null is still a property;
// a missing one is a null CIMProperty (see CIMInstance::getProperty).
class CIMProperty {
private:
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();

public:
    CIMProperty();
    explicit CIMProperty(CIMNULL_t);
    explicit CIMProperty(const String& name);
    explicit CIMProperty(const char* name);
    // Takes the declared type from the value, which must not be null.
    CIMProperty(const String& name, const CIMValue& value);
    CIMProperty(const String& name, const CIMDataType& dt);
    CIMProperty(const CIMProperty& arg);
    ~CIMProperty();
    CIMProperty& operator=(const CIMProperty& arg);

    operator safe_bool() const { return m_impl.isNull() ? 0 : &dummy::nonnull; }
    safe_bool operator!() const { return m_impl.isNull() ? &dummy::nonnull : 0; }

    // A non-null value of another type is converted to the declared type.
    CIMProperty& setValue(const CIMValue& val);
    CIMValue getValue() const;
    CIMValue getValueT() const;
    CIMProperty& setDataType(const CIMDataType& type);
    CIMProperty& setDataType(const CIMDataType::Type& type);
    CIMDataType getDataType() const;
    bool isKey() const;
    bool isReference() const;
    CIMQualifier getQualifier(const String& name) const;
    CIMQualifierArray getQualifiers() const;
    CIMProperty& setQualifier(const CIMQualifier& qual);
    CIMProperty& setQualifiers(const CIMQualifierArray& quals);
    bool hasTrueQualifier(const String& name) const;
    String getOriginClass() const;
    CIMProperty& setOriginClass(const String& originCls);
    bool getPropagated() const;
    CIMProperty& setPropagated(bool propagated = true);
    String getName() const;
    void setName(const String& name);
    // "<datatype>:<name>=<value>", e.g. "string:N=v".
    String toString() const;
    String toMOF() const;

    struct Impl;

private:
    COWReference<Impl> m_impl;
};

}  // namespace OpenWBEM

#endif
