#ifndef OW_CIMVALUE_HPP_INCLUDE_GUARD_
#define OW_CIMVALUE_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_Array.hpp"
#include "OW_CIMDataType.hpp"
#include "OW_CIMDateTime.hpp"
#include "OW_CIMFwd.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"
#include "OW_Types.hpp"

namespace OpenWBEM {

// A typed CIM value, or null (CIMValue(CIMNULL)); there is no default
// constructor. The overload chosen decides the CIM type: unsigned char is
// uint8, bool is boolean, int is sint32, text is string.
class CIMValue {
private:
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();

public:
    explicit CIMValue(CIMNULL_t);
    CIMValue(const CIMValue& x);
    ~CIMValue();

    explicit CIMValue(Bool x);
    explicit CIMValue(bool x);
    explicit CIMValue(UInt8 x);
    explicit CIMValue(Int8 x);
    explicit CIMValue(UInt16 x);
    explicit CIMValue(Int16 x);
    explicit CIMValue(UInt32 x);
    explicit CIMValue(Int32 x);
    explicit CIMValue(UInt64 x);
    explicit CIMValue(Int64 x);
    explicit CIMValue(Real32 x);
    explicit CIMValue(Real64 x);
    explicit CIMValue(const String& x);
    explicit CIMValue(const char* x);
    explicit CIMValue(const CIMDateTime& x);
    explicit CIMValue(const CIMObjectPath& x);
    explicit CIMValue(const CIMClass& x);
    explicit CIMValue(const CIMInstance& x);
    explicit CIMValue(const BoolArray& x);
    explicit CIMValue(const UInt8Array& x);
    explicit CIMValue(const Int8Array& x);
    explicit CIMValue(const UInt16Array& x);
    explicit CIMValue(const Int16Array& x);
    explicit CIMValue(const UInt32Array& x);
    explicit CIMValue(const Int32Array& x);
    explicit CIMValue(const UInt64Array& x);
    explicit CIMValue(const Int64Array& x);
    explicit CIMValue(const Real32Array& x);
    explicit CIMValue(const Real64Array& x);
    explicit CIMValue(const StringArray& x);
    explicit CIMValue(const CIMDateTimeArray& x);
    explicit CIMValue(const CIMObjectPathArray& x);
    explicit CIMValue(const CIMInstanceArray& x);

    // Each throws ValueCastException unless the stored type matches exactly,
    // except that a scalar sint64 (a number read from an object path) is
    // cast to whichever numeric type is asked for.
    void get(Bool& x) const;
    void get(UInt8& x) const;
    void get(Int8& x) const;
    void get(UInt16& x) const;
    void get(Int16& x) const;
    void get(UInt32& x) const;
    void get(Int32& x) const;
    void get(UInt64& x) const;
    void get(Int64& x) const;
    void get(Real32& x) const;
    void get(Real64& x) const;
    void get(String& x) const;
    void get(CIMDateTime& x) const;
    void get(CIMObjectPath& x) const;
    void get(CIMClass& x) const;
    void get(CIMInstance& x) const;
    void get(BoolArray& x) const;
    void get(UInt8Array& x) const;
    void get(Int8Array& x) const;
    void get(UInt16Array& x) const;
    void get(Int16Array& x) const;
    void get(UInt32Array& x) const;
    void get(Int32Array& x) const;
    void get(UInt64Array& x) const;
    void get(Int64Array& x) const;
    void get(Real32Array& x) const;
    void get(Real64Array& x) const;
    void get(StringArray& x) const;
    void get(CIMDateTimeArray& x) const;
    void get(CIMObjectPathArray& x) const;
    void get(CIMInstanceArray& x) const;

    Bool toBool() const;
    UInt8 toUInt8() const;
    Int8 toInt8() const;
    UInt16 toUInt16() const;
    Int16 toInt16() const;
    UInt32 toUInt32() const;
    Int32 toInt32() const;
    UInt64 toUInt64() const;
    Int64 toInt64() const;
    Real32 toReal32() const;
    Real64 toReal64() const;
    CIMDateTime toCIMDateTime() const;
    CIMObjectPath toCIMObjectPath() const;
    CIMInstance toCIMInstance() const;
    StringArray toStringArray() const;

    UInt32 getArraySize() const;
    void setNull();
    operator safe_bool() const { return m_impl.isNull() ? 0 : &dummy::nonnull; }
    safe_bool operator!() const { return m_impl.isNull() ? &dummy::nonnull : 0; }
    CIMValue& set(const CIMValue& x);
    CIMValue& operator=(const CIMValue& x);
    bool equal(const CIMValue& x) const;
    bool operator==(const CIMValue& x) const { return equal(x); }
    bool operator!=(const CIMValue& x) const { return !equal(x); }
    CIMDataType::Type getType() const;
    CIMDataType getCIMDataType() const;
    bool sameType(const CIMValue& x) const;
    bool isArray() const;
    // Raw text: strings unquoted, arrays joined by ',', "(null)" for null.
    String toString() const;
    String toMOF() const;

    // Builds a scalar of the named CIM type ("uint8", "boolean", "string",
    // "datetime", ...) from its text, as the String::toXxx conversions read
    // it; a type name it does not know gives a null value.
    static CIMValue createSimpleValue(const String& cimtype, const String& value);

    struct Impl;

private:
    // Pointers must not silently become booleans.
    CIMValue(const void*);
    CIMValue(void*);
    CIMValue(volatile const void*);
    CIMValue(volatile void*);
    COWReference<Impl> m_impl;
};

}  // namespace OpenWBEM

#endif
