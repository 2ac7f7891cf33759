#ifndef OW_CIMDATATYPE_HPP_INCLUDE_GUARD_
#define OW_CIMDATATYPE_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMNULL.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

class CIMDataType {
public:
    enum Type {
        CIMNULL = 0,
        UINT8 = 1,
        SINT8 = 2,
        UINT16 = 3,
        SINT16 = 4,
        UINT32 = 5,
        SINT32 = 6,
        UINT64 = 7,
        SINT64 = 8,
        STRING = 9,
        BOOLEAN = 10,
        REAL32 = 11,
        REAL64 = 12,
        DATETIME = 13,
        CHAR16 = 14,
        REFERENCE = 15,
        EMBEDDEDCLASS = 16,
        EMBEDDEDINSTANCE = 17,
        MAXDATATYPE = 18,
        INVALID = 99
    };
    enum { SIZE_SINGLE, SIZE_UNLIMITED, SIZE_LIMITED };

    CIMDataType();
    explicit CIMDataType(CIMNULL_t);
    CIMDataType(Type type);
    // An array type; size < 1 means unbounded.
    CIMDataType(Type type, Int32 size);
    explicit CIMDataType(const String& refClassName);

    Type getType() const { return m_type; }
    bool isArrayType() const { return m_sizeKind != SIZE_SINGLE; }
    bool isNumericType() const;
    bool isReferenceType() const { return m_type == REFERENCE; }
    Int32 getSize() const { return m_size; }
    String getRefClassName() const { return m_refClassName; }
    bool setToArrayType(Int32 size);
    // MOF name: "uint8", "string", "boolean", "datetime", ...; "REF" for references.
    String toString() const;
    // As toString, but a reference names its class: "CIM_System REF".
    String toMOF() const;
    bool equals(const CIMDataType& arg) const;

private:
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();

public:
    // There is no == for data types: comparing two of them compiles through
    // this conversion and only says whether both are valid. Use equals() or
    // getType().
    operator safe_bool() const { return valid() ? &dummy::nonnull : 0; }
    safe_bool operator!() const { return valid() ? 0 : &dummy::nonnull; }

    // "uint8" -> UINT8 ... (case-insensitive); INVALID for other texts.
    static Type strToSimpleType(const String& strType);
    static CIMDataType getDataType(const String& strType);

private:
    bool valid() const { return !m_null && m_type != CIMNULL && m_type != INVALID; }
    Type m_type;
    int m_sizeKind;
    Int32 m_size;
    String m_refClassName;
    bool m_null;
};

}  // namespace OpenWBEM

#endif
