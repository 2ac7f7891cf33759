#include "OW_CIMValue.hpp"

#include "OW_Bool.hpp"
#include "OW_CIMClass.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMValueCast.hpp"

#include <type_traits>
#include <variant>

namespace OpenWBEM {

OW_DEFINE_EXCEPTION(ValueCast)

namespace {

template <class T>
struct Traits;
#define OW_VALUE_TRAITS(T, CIMTYPE, ARRAY, NAME)                        \
    template <>                                                         \
    struct Traits<T> {                                                  \
        static constexpr CIMDataType::Type type = CIMDataType::CIMTYPE; \
        static constexpr bool array = ARRAY;                            \
        static constexpr const char* name = NAME;                       \
    }
OW_VALUE_TRAITS(bool, BOOLEAN, false, "BOOLEAN");
OW_VALUE_TRAITS(UInt8, UINT8, false, "UINT8");
OW_VALUE_TRAITS(Int8, SINT8, false, "SINT8");
OW_VALUE_TRAITS(UInt16, UINT16, false, "UINT16");
OW_VALUE_TRAITS(Int16, SINT16, false, "SINT16");
OW_VALUE_TRAITS(UInt32, UINT32, false, "UINT32");
OW_VALUE_TRAITS(Int32, SINT32, false, "SINT32");
OW_VALUE_TRAITS(UInt64, UINT64, false, "UINT64");
OW_VALUE_TRAITS(Int64, SINT64, false, "SINT64");
OW_VALUE_TRAITS(Real32, REAL32, false, "REAL32");
OW_VALUE_TRAITS(Real64, REAL64, false, "REAL64");
OW_VALUE_TRAITS(String, STRING, false, "STRING");
OW_VALUE_TRAITS(CIMDateTime, DATETIME, false, "DATETIME");
OW_VALUE_TRAITS(CIMObjectPath, REFERENCE, false, "REFERENCE");
OW_VALUE_TRAITS(CIMClass, EMBEDDEDCLASS, false, "EMBEDDEDCLASS");
OW_VALUE_TRAITS(CIMInstance, EMBEDDEDINSTANCE, false, "EMBEDDEDINSTANCE");
OW_VALUE_TRAITS(BoolArray, BOOLEAN, true, "BOOLEAN ARRAY");
OW_VALUE_TRAITS(UInt8Array, UINT8, true, "UINT8 ARRAY");
OW_VALUE_TRAITS(Int8Array, SINT8, true, "SINT8 ARRAY");
OW_VALUE_TRAITS(UInt16Array, UINT16, true, "UINT16 ARRAY");
OW_VALUE_TRAITS(Int16Array, SINT16, true, "SINT16 ARRAY");
OW_VALUE_TRAITS(UInt32Array, UINT32, true, "UINT32 ARRAY");
OW_VALUE_TRAITS(Int32Array, SINT32, true, "SINT32 ARRAY");
OW_VALUE_TRAITS(UInt64Array, UINT64, true, "UINT64 ARRAY");
OW_VALUE_TRAITS(Int64Array, SINT64, true, "SINT64 ARRAY");
OW_VALUE_TRAITS(Real32Array, REAL32, true, "REAL32 ARRAY");
OW_VALUE_TRAITS(Real64Array, REAL64, true, "REAL64 ARRAY");
OW_VALUE_TRAITS(StringArray, STRING, true, "STRING ARRAY");
OW_VALUE_TRAITS(CIMDateTimeArray, DATETIME, true, "DATETIME ARRAY");
OW_VALUE_TRAITS(CIMObjectPathArray, REFERENCE, true, "REFERENCE ARRAY");
OW_VALUE_TRAITS(CIMInstanceArray, EMBEDDEDINSTANCE, true, "EMBEDDEDINSTANCE ARRAY");
#undef OW_VALUE_TRAITS

// Text forms: toString() is raw, toMOF() quotes and escapes.
String mofEscape(const String& s) {
    String out;
    for (size_t i = 0; i < s.length(); ++i) {
        char c = s.c_str()[i];
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

String text(bool x, bool) {
    return String(x ? "true" : "false");
}
String text(Bool x, bool) {
    return String(x ? "true" : "false");
}
String text(UInt8 x, bool) {
    return String(UInt32(x));
}
String text(Int8 x, bool) {
    return String(Int32(x));
}
String text(UInt16 x, bool) {
    return String(UInt32(x));
}
String text(Int16 x, bool) {
    return String(Int32(x));
}
String text(UInt32 x, bool) {
    return String(x);
}
String text(Int32 x, bool) {
    return String(x);
}
String text(UInt64 x, bool) {
    return String(x);
}
String text(Int64 x, bool) {
    return String(x);
}
String text(Real32 x, bool) {
    return String(Real64(x));
}
String text(Real64 x, bool) {
    return String(x);
}
String text(const String& x, bool mof) {
    return mof ? "\"" + mofEscape(x) + "\"" : x;
}
String text(const CIMDateTime& x, bool mof) {
    return mof ? "\"" + x.toString() + "\"" : x.toString();
}
String text(const CIMObjectPath& x, bool mof) {
    return mof ? CIMObjectPath::escape(x.toString()) : x.toString();
}
String text(const CIMClass& x, bool mof) {
    return mof ? "\"" + mofEscape(x.toMOF()) + "\"" : x.toMOF();
}
String text(const CIMInstance& x, bool mof) {
    return mof ? "\"" + mofEscape(x.toMOF()) + "\"" : x.toString();
}
// Array elements print as scalars do, except reals: those get "%f".
template <class T>
String elementText(const T& x, bool mof) {
    return text(x, mof);
}
String fixedText(double x) {
    String out;
    out.format("%f", x);
    return out;
}
String elementText(Real32 x, bool) {
    return fixedText(x);
}
String elementText(Real64 x, bool) {
    return fixedText(x);
}

template <class T>
String text(const Array<T>& a, bool mof) {
    String out(mof ? "{" : "");
    for (size_t i = 0; i < a.size(); ++i) {
        if (i) out += ',';
        out += elementText(a[i], mof);
    }
    if (mof) out += '}';
    return out;
}

template <class T>
bool same(const T& a, const T& b) {
    return a == b;
}
bool same(const CIMDateTime& a, const CIMDateTime& b) {
    return a.equal(b);
}
bool same(const CIMObjectPath& a, const CIMObjectPath& b) {
    return a.equals(b);
}
bool same(const CIMInstance& a, const CIMInstance& b) {
    return a.toMOF() == b.toMOF();
}
bool same(const CIMClass& a, const CIMClass& b) {
    return a.toMOF() == b.toMOF();
}
template <class T>
bool same(const Array<T>& a, const Array<T>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (!same(a[i], b[i])) return false;
    }
    return true;
}

}  // namespace

struct CIMValue::Impl : COWReferenceCountable {
    typedef std::variant<bool, UInt8, Int8, UInt16, Int16, UInt32, Int32, UInt64, Int64, Real32,
                         Real64, String, CIMDateTime, CIMObjectPath, CIMClass, CIMInstance,
                         BoolArray, UInt8Array, Int8Array, UInt16Array, Int16Array, UInt32Array,
                         Int32Array, UInt64Array, Int64Array, Real32Array, Real64Array, StringArray,
                         CIMDateTimeArray, CIMObjectPathArray, CIMInstanceArray>
        Variant;
    template <class T>
    explicit Impl(const T& x) : v(x) {}
    Variant v;
};

namespace {

template <class T>
void getAs(const CIMValue::Impl& impl, T& x) {
    if (const T* p = std::get_if<T>(&impl.v)) {
        x = *p;
        return;
    }
    if constexpr (std::is_arithmetic_v<T> && !std::is_same_v<T, bool>) {
        if (const Int64* p = std::get_if<Int64>(&impl.v)) {
            x = static_cast<T>(*p);
            return;
        }
    }
    String msg("CIMValue::CIMValueImpl::get - Value is not a ");
    msg += Traits<T>::name;
    OW_THROW(ValueCastException, msg.c_str());
}

template <class T>
T convert(const CIMValue& v) {
    T x;
    v.get(x);
    return x;
}

}  // namespace

CIMValue::CIMValue(CIMNULL_t) {}
CIMValue::CIMValue(const CIMValue& x) : m_impl(x.m_impl) {}
CIMValue::~CIMValue() {}

CIMValue::CIMValue(Bool x) : m_impl(new Impl(bool(x))) {}
CIMValue::CIMValue(bool x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(UInt8 x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(Int8 x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(UInt16 x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(Int16 x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(UInt32 x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(Int32 x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(UInt64 x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(Int64 x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(Real32 x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(Real64 x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const String& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const char* x) : m_impl(new Impl(String(x))) {}
CIMValue::CIMValue(const CIMDateTime& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const CIMObjectPath& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const CIMClass& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const CIMInstance& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const BoolArray& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const UInt8Array& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const Int8Array& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const UInt16Array& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const Int16Array& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const UInt32Array& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const Int32Array& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const UInt64Array& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const Int64Array& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const Real32Array& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const Real64Array& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const StringArray& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const CIMDateTimeArray& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const CIMObjectPathArray& x) : m_impl(new Impl(x)) {}
CIMValue::CIMValue(const CIMInstanceArray& x) : m_impl(new Impl(x)) {}

void CIMValue::get(Bool& x) const {
    bool b = false;
    getAs(m_impl.read(), b);
    x = b;
}
void CIMValue::get(UInt8& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(Int8& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(UInt16& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(Int16& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(UInt32& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(Int32& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(UInt64& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(Int64& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(Real32& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(Real64& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(String& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(CIMDateTime& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(CIMObjectPath& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(CIMClass& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(CIMInstance& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(BoolArray& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(UInt8Array& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(Int8Array& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(UInt16Array& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(Int16Array& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(UInt32Array& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(Int32Array& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(UInt64Array& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(Int64Array& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(Real32Array& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(Real64Array& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(StringArray& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(CIMDateTimeArray& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(CIMObjectPathArray& x) const {
    getAs(m_impl.read(), x);
}
void CIMValue::get(CIMInstanceArray& x) const {
    getAs(m_impl.read(), x);
}

Bool CIMValue::toBool() const {
    return convert<Bool>(*this);
}
UInt8 CIMValue::toUInt8() const {
    return convert<UInt8>(*this);
}
Int8 CIMValue::toInt8() const {
    return convert<Int8>(*this);
}
UInt16 CIMValue::toUInt16() const {
    return convert<UInt16>(*this);
}
Int16 CIMValue::toInt16() const {
    return convert<Int16>(*this);
}
UInt32 CIMValue::toUInt32() const {
    return convert<UInt32>(*this);
}
Int32 CIMValue::toInt32() const {
    return convert<Int32>(*this);
}
UInt64 CIMValue::toUInt64() const {
    return convert<UInt64>(*this);
}
Int64 CIMValue::toInt64() const {
    return convert<Int64>(*this);
}
Real32 CIMValue::toReal32() const {
    return convert<Real32>(*this);
}
Real64 CIMValue::toReal64() const {
    return convert<Real64>(*this);
}
CIMDateTime CIMValue::toCIMDateTime() const {
    return convert<CIMDateTime>(*this);
}
CIMObjectPath CIMValue::toCIMObjectPath() const {
    return convert<CIMObjectPath>(*this);
}
CIMInstance CIMValue::toCIMInstance() const {
    return convert<CIMInstance>(*this);
}
StringArray CIMValue::toStringArray() const {
    return convert<StringArray>(*this);
}

UInt32 CIMValue::getArraySize() const {
    return std::visit(
        [](const auto& x) -> UInt32 {
            typedef std::decay_t<decltype(x)> T;
            if constexpr (Traits<T>::array) {
                return static_cast<UInt32>(x.size());
            } else {
                return 0;
            }
        },
        m_impl.read().v);
}

void CIMValue::setNull() {
    COWReference<Impl>().swap(m_impl);
}
CIMValue& CIMValue::set(const CIMValue& x) {
    m_impl = x.m_impl;
    return *this;
}
CIMValue& CIMValue::operator=(const CIMValue& x) {
    m_impl = x.m_impl;
    return *this;
}

bool CIMValue::equal(const CIMValue& x) const {
    if (m_impl.isNull() || x.m_impl.isNull()) return m_impl.isNull() && x.m_impl.isNull();
    const Impl::Variant& a = m_impl.read().v;
    const Impl::Variant& b = x.m_impl.read().v;
    if (a.index() != b.index()) return false;
    return std::visit(
        [&b](const auto& av) {
            typedef std::decay_t<decltype(av)> T;
            return same(av, std::get<T>(b));
        },
        a);
}

CIMDataType::Type CIMValue::getType() const {
    return std::visit([](const auto& x) { return Traits<std::decay_t<decltype(x)>>::type; },
                      m_impl.read().v);
}

CIMDataType CIMValue::getCIMDataType() const {
    if (isArray()) return CIMDataType(getType(), 0);
    return CIMDataType(getType());
}

bool CIMValue::sameType(const CIMValue& x) const {
    return getType() == x.getType() && isArray() == x.isArray();
}

bool CIMValue::isArray() const {
    return std::visit([](const auto& x) { return Traits<std::decay_t<decltype(x)>>::array; },
                      m_impl.read().v);
}

String CIMValue::toString() const {
    if (m_impl.isNull()) return String("(null)");
    return std::visit([](const auto& x) { return text(x, false); }, m_impl.read().v);
}

String CIMValue::toMOF() const {
    return std::visit([](const auto& x) { return text(x, true); }, m_impl.read().v);
}

CIMValue CIMValue::createSimpleValue(const String& cimtype, const String& value) {
    switch (CIMDataType::strToSimpleType(cimtype)) {
        case CIMDataType::UINT8:
            return CIMValue(value.toUInt8());
        case CIMDataType::SINT8:
            return CIMValue(value.toInt8());
        case CIMDataType::UINT16:
            return CIMValue(value.toUInt16());
        case CIMDataType::SINT16:
            return CIMValue(value.toInt16());
        case CIMDataType::UINT32:
            return CIMValue(value.toUInt32());
        case CIMDataType::SINT32:
            return CIMValue(value.toInt32());
        case CIMDataType::UINT64:
            return CIMValue(value.toUInt64());
        case CIMDataType::SINT64:
            return CIMValue(value.toInt64());
        case CIMDataType::REAL32:
            return CIMValue(value.toReal32());
        case CIMDataType::REAL64:
            return CIMValue(value.toReal64());
        case CIMDataType::BOOLEAN:
            return CIMValue(value.toBool());
        case CIMDataType::STRING:
            return CIMValue(value);
        case CIMDataType::DATETIME:
            return CIMValue(CIMDateTime(value));
        case CIMDataType::REFERENCE:
            return CIMValue(CIMObjectPath::parse(value));
        // No Char16 here: char16 is as unknown as a misspelt name.
        default:
            return CIMValue(CIMNULL);
    }
}

}  // namespace OpenWBEM
