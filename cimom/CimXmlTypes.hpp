// What the CIM-XML reader and writer share: the C++ type that holds each
// plain CIM type.
#ifndef QVX_CIMOM_CIMXMLTYPES_HPP
#define QVX_CIMOM_CIMXMLTYPES_HPP

#include "OW_Bool.hpp"
#include "OW_CIMDataType.hpp"
#include "OW_CIMDateTime.hpp"
#include "OW_String.hpp"
#include "OW_Types.hpp"

namespace qvx_cimom {
namespace cimxml {

template <class T>
struct TypeTag {
    typedef T type;
};

// Calls f with the TypeTag of the C++ type that holds values of type t;
// false, without a call, for types that have none here (references,
// embedded objects, char16).
template <class F>
bool withValueType(OpenWBEM::CIMDataType::Type t, F f) {
    switch (t) {
#define QVX_CASE(TYPE, T)             \
    case OpenWBEM::CIMDataType::TYPE: \
        f(TypeTag<T>());              \
        return true;
        QVX_CASE(STRING, OpenWBEM::String)
        QVX_CASE(BOOLEAN, OpenWBEM::Bool)
        QVX_CASE(UINT8, OpenWBEM::UInt8)
        QVX_CASE(SINT8, OpenWBEM::Int8)
        QVX_CASE(UINT16, OpenWBEM::UInt16)
        QVX_CASE(SINT16, OpenWBEM::Int16)
        QVX_CASE(UINT32, OpenWBEM::UInt32)
        QVX_CASE(SINT32, OpenWBEM::Int32)
        QVX_CASE(UINT64, OpenWBEM::UInt64)
        QVX_CASE(SINT64, OpenWBEM::Int64)
        QVX_CASE(REAL32, OpenWBEM::Real32)
        QVX_CASE(REAL64, OpenWBEM::Real64)
        QVX_CASE(DATETIME, OpenWBEM::CIMDateTime)
#undef QVX_CASE
        default:
            return false;
    }
}

}  // namespace cimxml
}  // namespace qvx_cimom

#endif
