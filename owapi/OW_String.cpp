#include "OW_String.hpp"

#include "OW_Array.hpp"
#include "OW_Exception.hpp"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <algorithm>
#include <ostream>
#include <utility>

namespace OpenWBEM {

OW_DEFINE_EXCEPTION(StringConversion)

namespace {

// ASCII folding: names are ASCII, and the locale's tolower is a call per byte.
inline int fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

int foldCompare(const char* a, size_t alen, const char* b, size_t blen) {
    size_t n = alen < blen ? alen : blen;
    for (size_t i = 0; i < n; ++i) {
        int ca = fold(static_cast<unsigned char>(a[i]));
        int cb = fold(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
    }
    return alen < blen ? -1 : (alen > blen ? 1 : 0);
}

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

[[noreturn]] void throwConversion(const String& s, const char* type) {
    String msg("Unable to convert \"");
    msg += s;
    msg += "\" into ";
    msg += type;
    OW_THROW(StringConversionException, msg.c_str());
}

// The C library reads the number (leading blanks and a sign allowed, so
// strtoul takes "-1" as its largest value); the whole text must be read and
// the result must fit T. An empty buffer reads as 0, no buffer is refused.
template <class T, class Wide>
T toInteger(bool hasBuffer, const String& s, Wide (*read)(const char*, char**, int), int base,
            const char* type) {
    if (!hasBuffer) throwConversion(s, type);
    char* end = 0;
    errno = 0;
    Wide v = read(s.c_str(), &end, base);
    if (*end != '\0' || errno == ERANGE || static_cast<Wide>(static_cast<T>(v)) != v) {
        throwConversion(s, type);
    }
    return static_cast<T>(v);
}

template <class T>
T toReal(bool hasBuffer, const String& s, const char* type) {
    if (!hasBuffer) throwConversion(s, type);
    char* end = 0;
    errno = 0;
    double v = std::strtod(s.c_str(), &end);
    if (*end != '\0' || errno == ERANGE ||
        (std::isfinite(v) && std::fabs(v) > std::numeric_limits<T>::max())) {
        throwConversion(s, type);
    }
    return static_cast<T>(v);
}

}  // namespace

String::Rep* String::allocate(size_t len, size_t cap) {
    Rep* r = new (::operator new(sizeof(Rep) + cap + 1)) Rep;
    r->refs.store(1, std::memory_order_relaxed);
    r->len = len;
    r->cap = cap;
    r->chars()[len] = '\0';
    return r;
}

void String::setRep(Rep* r) {
    std::memcpy(m_buf, &r, sizeof r);
    m_buf[kTag] = static_cast<char>(kHeap);
}

void String::release() {
    // The last holder frees; acquire so its reads of the text come first.
    if (onHeap()) {
        Rep* r = rep();
        if (r->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            r->~Rep();
            ::operator delete(r);
        }
    }
    setNone();
}

void String::assign(const char* str, size_t len) {
    release();
    if (len <= kInlineMax) {
        std::memcpy(m_buf, str, len);
        setLength(len);
        return;
    }
    setRep(allocate(len, len));
    std::memcpy(rep()->chars(), str, len);
}

char* String::grow(size_t more) {
    size_t len = length();
    if (!onHeap()) {
        if (more <= kInlineMax - len) return m_buf;
    } else if (rep()->refs.load(std::memory_order_acquire) == 1 && rep()->cap - len >= more) {
        return rep()->chars();
    }
    if (more > std::numeric_limits<size_t>::max() / 2 - sizeof(Rep) - len) throw std::bad_alloc();
    size_t cap = std::max(len + more, 2 * len);
    Rep* r = allocate(len, cap);
    std::memcpy(r->chars(), c_str(), len);
    release();
    setRep(r);
    return r->chars();
}

void String::setLength(size_t len) {
    if (onHeap()) {
        rep()->len = len;
        rep()->chars()[len] = '\0';
    } else {
        m_buf[len] = '\0';
        m_buf[kTag] = static_cast<char>(len);
    }
}

String::String(Int32 val) : String() {
    format("%" PRId32, val);
}
String::String(UInt32 val) : String() {
    format("%" PRIu32, val);
}
String::String(Int64 val) : String() {
    format("%" PRId64, val);
}
String::String(UInt64 val) : String() {
    format("%" PRIu64, val);
}
// Six significant digits, as an iostream with default precision prints.
String::String(Real64 val) : String() {
    format("%g", val);
}
String::String(const char* str) : String() {
    if (str) assign(str, std::strlen(str));
}
String::String(const char* str, size_t len) : String() {
    if (str) assign(str, strnlen(str, len));
}
String::String(const String& arg) {
    std::memcpy(m_buf, arg.m_buf, sizeof m_buf);
    if (onHeap()) rep()->refs.fetch_add(1, std::memory_order_relaxed);
}
String::String(char c) : String() {
    if (c != '\0') assign(&c, 1);
}
String::~String() {
    release();
}

String& String::operator=(const String& arg) {
    if (&arg != this) {
        if (arg.onHeap()) arg.rep()->refs.fetch_add(1, std::memory_order_relaxed);
        release();
        std::memcpy(m_buf, arg.m_buf, sizeof m_buf);
    }
    return *this;
}

int String::format(const char* fmt, ...) {
    char small[256];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    if (n < 0) {
        release();
        return 0;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        assign(small, static_cast<size_t>(n));
    } else {
        Rep* r = allocate(static_cast<size_t>(n), static_cast<size_t>(n));
        va_start(ap, fmt);
        std::vsnprintf(r->chars(), static_cast<size_t>(n) + 1, fmt, ap);
        va_end(ap);
        release();
        setRep(r);
    }
    return n;
}

char String::charAt(size_t ndx) const { return (*this)[ndx]; }

int String::compareTo(const String& arg) const {
    size_t a = length(), b = arg.length();
    int r = std::memcmp(c_str(), arg.c_str(), std::min(a, b));
    return r != 0 ? r : (a < b ? -1 : (a > b ? 1 : 0));
}
int String::compareTo(const char* arg) const { return std::strcmp(c_str(), arg ? arg : ""); }
int String::compareToIgnoreCase(const String& arg) const {
    return foldCompare(c_str(), length(), arg.c_str(), arg.length());
}
int String::compareToIgnoreCase(const char* arg) const {
    if (!arg) arg = "";
    return foldCompare(c_str(), length(), arg, std::strlen(arg));
}

String& String::concat(const char* arg) {
    if (arg) {
        size_t n = std::strlen(arg);
        if (n == 0) return *this;
        // arg may point into this string's own buffer, which grow may move.
        if (arg >= c_str() && arg <= c_str() + length()) return concat(String(arg, n));
        size_t len = length();
        char* p = grow(n);
        std::memcpy(p + len, arg, n);
        setLength(len + n);
    }
    return *this;
}
String& String::concat(const String& arg) {
    if (empty()) return *this = arg;
    String keep(arg);  // arg may be this string
    size_t n = keep.length();
    if (n == 0) return *this;
    size_t len = length();
    char* p = grow(n);
    std::memcpy(p + len, keep.c_str(), n);
    setLength(len + n);
    return *this;
}
String& String::concat(char arg) {
    size_t len = length();
    char* p = grow(1);
    p[len] = arg;
    setLength(len + 1);
    return *this;
}

bool String::equals(const String& arg) const {
    return length() == arg.length() && std::memcmp(c_str(), arg.c_str(), length()) == 0;
}
bool String::equals(const char* arg) const { return compareTo(arg) == 0; }
bool String::equalsIgnoreCase(const String& arg) const {
    // Names are looked up this way on every property set: reject on length first.
    return length() == arg.length() && compareToIgnoreCase(arg) == 0;
}
bool String::equalsIgnoreCase(const char* arg) const { return compareToIgnoreCase(arg) == 0; }

size_t String::indexOf(char ch, size_t fromIndex) const {
    if (fromIndex >= length()) return npos;
    const void* p = std::memchr(c_str() + fromIndex, ch, length() - fromIndex);
    return p ? static_cast<const char*>(p) - c_str() : npos;
}
size_t String::indexOf(const char* arg, size_t fromIndex) const {
    if (!arg) arg = "";
    if (fromIndex > length()) return npos;
    const char* p = std::strstr(c_str() + fromIndex, arg);
    return p ? static_cast<size_t>(p - c_str()) : npos;
}
size_t String::indexOf(const String& arg, size_t fromIndex) const {
    return indexOf(arg.c_str(), fromIndex);
}
size_t String::lastIndexOf(char ch, size_t fromIndex) const {
    if (empty()) return npos;
    size_t i = std::min(fromIndex, length() - 1);
    for (;; --i) {
        if (c_str()[i] == ch) return i;
        if (i == 0) return npos;
    }
}

bool String::startsWith(const char* arg, EIgnoreCaseFlag ignoreCase) const {
    if (!arg) return true;
    size_t n = std::strlen(arg);
    if (n > length()) return false;
    return ignoreCase == E_CASE_INSENSITIVE ? foldCompare(c_str(), n, arg, n) == 0
                                            : std::memcmp(c_str(), arg, n) == 0;
}
bool String::startsWith(const String& arg, EIgnoreCaseFlag ignoreCase) const {
    return startsWith(arg.c_str(), ignoreCase);
}
bool String::endsWith(const char* arg, EIgnoreCaseFlag ignoreCase) const {
    if (!arg) return true;
    size_t n = std::strlen(arg);
    if (n > length()) return false;
    const char* tail = c_str() + length() - n;
    return ignoreCase == E_CASE_INSENSITIVE ? foldCompare(tail, n, arg, n) == 0
                                            : std::memcmp(tail, arg, n) == 0;
}
bool String::endsWith(const String& arg, EIgnoreCaseFlag ignoreCase) const {
    return endsWith(arg.c_str(), ignoreCase);
}

String String::substring(size_t beginIndex, size_t len) const {
    if (beginIndex >= length()) return String();
    if (beginIndex == 0 && len >= length()) return *this;
    return String(c_str() + beginIndex, std::min(len, length() - beginIndex));
}

String& String::toLowerCase() {
    char* p = unshared();
    for (size_t i = 0; i < length(); ++i) {
        p[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(p[i])));
    }
    return *this;
}
String& String::toUpperCase() {
    char* p = unshared();
    for (size_t i = 0; i < length(); ++i) {
        p[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(p[i])));
    }
    return *this;
}
String& String::ltrim() {
    size_t i = 0;
    while (i < length() && isSpace(c_str()[i])) ++i;
    if (i > 0) *this = substring(i);
    return *this;
}
String& String::rtrim() {
    size_t n = length();
    while (n > 0 && isSpace(c_str()[n - 1])) --n;
    if (n == 0) return erase();
    if (n < length()) *this = substring(0, n);
    return *this;
}
String& String::trim() { return ltrim().rtrim(); }
String& String::erase() {
    release();
    return *this;
}

StringArray String::tokenize(const char* delims, EReturnTokensFlag returnTokens,
                             EEmptyTokenReturnFlag returnEmptyTokens) const {
    StringArray out;
    if (!delims) delims = "";
    const char* s = c_str();
    size_t start = 0;
    bool lastWasDelim = true;
    for (size_t i = 0; i < length(); ++i) {
        char c = s[i];
        if (c != '\0' && std::strchr(delims, c)) {
            if (i > start || (returnEmptyTokens == E_RETURN_EMPTY_TOKENS && lastWasDelim)) {
                out.push_back(String(s + start, i - start));
            }
            if (returnTokens == E_RETURN_TOKENS) out.push_back(String(c));
            start = i + 1;
            lastWasDelim = true;
        } else {
            lastWasDelim = false;
        }
    }
    if (length() > start) out.push_back(String(s + start, length() - start));
    return out;
}

const char& String::operator[](size_t ndx) const {
    if (ndx >= length()) throwArrayOutOfBounds(length(), ndx);
    return c_str()[ndx];
}
char& String::operator[](size_t ndx) {
    if (ndx >= length()) throwArrayOutOfBounds(length(), ndx);
    return unshared()[ndx];
}

bool String::toBool() const {
    if (equalsIgnoreCase("true")) return true;
    if (equalsIgnoreCase("false")) return false;
    throwConversion(*this, "bool");
}
UInt8 String::toUInt8(int base) const {
    return toInteger<UInt8>(hasBuffer(), *this, std::strtoul, base, "UInt8");
}
Int8 String::toInt8(int base) const {
    return toInteger<Int8>(hasBuffer(), *this, std::strtol, base, "Int8");
}
UInt16 String::toUInt16(int base) const {
    return toInteger<UInt16>(hasBuffer(), *this, std::strtoul, base, "UInt16");
}
Int16 String::toInt16(int base) const {
    return toInteger<Int16>(hasBuffer(), *this, std::strtol, base, "Int16");
}
UInt32 String::toUInt32(int base) const {
    return toInteger<UInt32>(hasBuffer(), *this, std::strtoul, base, "UInt32");
}
Int32 String::toInt32(int base) const {
    return toInteger<Int32>(hasBuffer(), *this, std::strtol, base, "Int32");
}
UInt64 String::toUInt64(int base) const {
    return toInteger<UInt64>(hasBuffer(), *this, std::strtoull, base, "UInt64");
}
Int64 String::toInt64(int base) const {
    return toInteger<Int64>(hasBuffer(), *this, std::strtoll, base, "Int64");
}
Real32 String::toReal32() const {
    return toReal<Real32>(hasBuffer(), *this, "Real32");
}
Real64 String::toReal64() const {
    return toReal<Real64>(hasBuffer(), *this, "Real64");
}

std::ostream& operator<<(std::ostream& ostr, const String& arg) {
    return ostr.write(arg.c_str(), static_cast<std::streamsize>(arg.length()));
}

String operator+(const String& s1, const String& s2) {
    String r(s1);
    return r.concat(s2);
}
String operator+(const char* p, const String& s) {
    String r(p);
    return r.concat(s);
}
String operator+(const String& s, const char* p) {
    String r(s);
    return r.concat(p);
}
String operator+(char c, const String& s) {
    String r(c);
    return r.concat(s);
}
String operator+(const String& s, char c) {
    String r(s);
    return r.concat(c);
}

void throwArrayOutOfBounds(size_t size, size_t index) {
    char msg[128];
    std::snprintf(msg, sizeof msg, "Array Index out of bounds. size = %zu, index = %zu", size, index);
    OW_THROW(OutOfBoundsException, msg);
}

}  // namespace OpenWBEM
