#include "OW_CIMDataType.hpp"

#include <ostream>

namespace OpenWBEM {

namespace {

struct TypeName {
    CIMDataType::Type type;
    const char* name;
};

const TypeName kTypeNames[] = {
    {CIMDataType::UINT8, "uint8"},       {CIMDataType::SINT8, "sint8"},
    {CIMDataType::UINT16, "uint16"},     {CIMDataType::SINT16, "sint16"},
    {CIMDataType::UINT32, "uint32"},     {CIMDataType::SINT32, "sint32"},
    {CIMDataType::UINT64, "uint64"},     {CIMDataType::SINT64, "sint64"},
    {CIMDataType::STRING, "string"},     {CIMDataType::BOOLEAN, "boolean"},
    {CIMDataType::REAL32, "real32"},     {CIMDataType::REAL64, "real64"},
    {CIMDataType::DATETIME, "datetime"}, {CIMDataType::CHAR16, "char16"},
};

}  // namespace

CIMDataType::CIMDataType() : m_type(CIMNULL), m_sizeKind(SIZE_SINGLE), m_size(0), m_null(false) {}
CIMDataType::CIMDataType(CIMNULL_t)
    : m_type(CIMNULL), m_sizeKind(SIZE_SINGLE), m_size(0), m_null(true) {}
CIMDataType::CIMDataType(Type type)
    : m_type(type), m_sizeKind(SIZE_SINGLE), m_size(0), m_null(false) {}
CIMDataType::CIMDataType(Type type, Int32 size)
    : m_type(type),
      m_sizeKind(size < 1 ? SIZE_UNLIMITED : SIZE_LIMITED),
      m_size(size < 1 ? -1 : size),
      m_null(false) {}
CIMDataType::CIMDataType(const String& refClassName)
    : m_type(REFERENCE),
      m_sizeKind(SIZE_SINGLE),
      m_size(0),
      m_refClassName(refClassName.toString()),
      m_null(false) {}

bool CIMDataType::isNumericType() const {
    switch (m_type) {
        case UINT8:
        case SINT8:
        case UINT16:
        case SINT16:
        case UINT32:
        case SINT32:
        case UINT64:
        case SINT64:
        case REAL32:
        case REAL64:
            return true;
        default:
            return false;
    }
}

bool CIMDataType::setToArrayType(Int32 size) {
    m_sizeKind = size < 1 ? SIZE_UNLIMITED : SIZE_LIMITED;
    m_size = size < 1 ? -1 : size;
    return true;
}

String CIMDataType::toString() const {
    if (m_type == REFERENCE) return String("REF");
    if (m_type == EMBEDDEDCLASS || m_type == EMBEDDEDINSTANCE) return String("string");
    for (const TypeName& t : kTypeNames) {
        if (t.type == m_type) return String(t.name);
    }
    return String("** INVALID DATA TYPE IN CIMDATATYPE - toString **");
}

bool CIMDataType::equals(const CIMDataType& arg) const {
    return m_null == arg.m_null && m_type == arg.m_type && m_sizeKind == arg.m_sizeKind &&
           m_size == arg.m_size && m_refClassName.equalsIgnoreCase(arg.m_refClassName);
}

String CIMDataType::toMOF() const {
    if (isReferenceType()) return m_refClassName + " REF";
    return toString();
}

CIMDataType::Type CIMDataType::strToSimpleType(const String& strType) {
    for (const TypeName& t : kTypeNames) {
        if (strType.equalsIgnoreCase(t.name)) return t.type;
    }
    if (strType.equalsIgnoreCase("ref") || strType.equalsIgnoreCase("reference")) return REFERENCE;
    return INVALID;
}

CIMDataType CIMDataType::getDataType(const String& strType) {
    return CIMDataType(strToSimpleType(strType));
}

}  // namespace OpenWBEM
