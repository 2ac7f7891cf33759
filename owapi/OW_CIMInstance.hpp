#ifndef OW_CIMINSTANCE_HPP_INCLUDE_GUARD_
#define OW_CIMINSTANCE_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_Array.hpp"
#include "OW_CIMDataType.hpp"
#include "OW_CIMFwd.hpp"
#include "OW_CIMName.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_CIMValue.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// An instance: a class name and properties in insertion order. Property
// names are looked up without regard to case and keep their first spelling.
class CIMInstance {
public:
    enum { SERIALIZATION_VERSION = 1 };
    enum EErrorCodes { E_INSTANCE_HAS_NO_SUCH_PROPERTY };

    CIMInstance();
    explicit CIMInstance(CIMNULL_t);
    CIMInstance(const CIMInstance& arg);
    CIMInstance(CIMInstance&& arg) noexcept;
    explicit CIMInstance(const CIMName& name);
    explicit CIMInstance(const char* name);
    ~CIMInstance();
    CIMInstance& operator=(const CIMInstance& arg);
    CIMInstance& operator=(CIMInstance&& arg) noexcept;

    String getClassName() const;
    CIMInstance& setClassName(const CIMName& name);
    CIMInstance& setKeys(const CIMPropertyArray& keys);
    CIMPropertyArray getKeyValuePairs() const;
    // All properties for INVALID, otherwise those declared with that type.
    CIMPropertyArray getProperties(Int32 valueDataType = CIMDataType::INVALID) const;
    CIMInstance& setProperties(const CIMPropertyArray& props);
    CIMProperty getProperty(const CIMName& name) const;
    CIMProperty getProperty(const CIMName& name, const CIMName& originClass) const;
    CIMProperty getPropertyT(const CIMName& name) const;
    CIMValue getPropertyValue(const CIMName& name) const;
    bool propertyHasValue(const CIMName& name) const;
    // Replaces the value of a property of that name, or appends a new one.
    CIMInstance& setProperty(const CIMName& name, const CIMValue& cv);
    // Replaces the whole property of that name, or appends it.
    CIMInstance& setProperty(const CIMProperty& prop);
    CIMInstance& updatePropertyValue(const CIMName& name, const CIMValue& cv);
    CIMInstance& removeProperty(const CIMName& propName);
    CIMQualifierArray getQualifiers() const;
    CIMInstance& setQualifiers(const CIMQualifierArray& quals);
    CIMQualifier getQualifier(const CIMName& qualName) const;
    CIMInstance& setQualifier(const CIMQualifier& qual);
    String getName() const;
    void setName(const CIMName& name);
    String toMOF() const;
    // "instance of X {\nA = a;\n...}\n".
    String toString() const;
    explicit operator bool() const { return !m_impl.isNull(); }
    bool operator!() const { return m_impl.isNull(); }

    struct Impl;

private:
    COWReference<Impl> m_impl;
};

}  // namespace OpenWBEM

#endif
