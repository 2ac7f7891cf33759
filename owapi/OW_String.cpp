#include "OW_String.hpp"

#include "OW_Array.hpp"
#include "OW_Exception.hpp"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <ostream>
#include <utility>

namespace OpenWBEM {

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

template <class T>
T toSigned(const String& s, int base, const char* type) {
    const char* p = s.c_str();
    char* end = 0;
    errno = 0;
    long long v = std::strtoll(p, &end, base);
    while (end && *end && isSpace(*end)) ++end;
    if (s.empty() || errno != 0 || end == p || *end != '\0' ||
        v < static_cast<long long>(std::numeric_limits<T>::min()) ||
        v > static_cast<long long>(std::numeric_limits<T>::max())) {
        throwConversion(s, type);
    }
    return static_cast<T>(v);
}

template <class T>
T toUnsigned(const String& s, int base, const char* type) {
    const char* p = s.c_str();
    while (isSpace(*p)) ++p;
    if (*p == '-') throwConversion(s, type);
    char* end = 0;
    errno = 0;
    unsigned long long v = std::strtoull(p, &end, base);
    while (end && *end && isSpace(*end)) ++end;
    if (s.empty() || errno != 0 || end == p || *end != '\0' ||
        v > static_cast<unsigned long long>(std::numeric_limits<T>::max())) {
        throwConversion(s, type);
    }
    return static_cast<T>(v);
}

}  // namespace

String::String() {}
String::String(Int32 val) : m_buf(std::to_string(val)) {}
String::String(UInt32 val) : m_buf(std::to_string(val)) {}
#if defined(OW_INT32_IS_INT) && defined(OW_INT64_IS_LONG_LONG)
String::String(long val) : m_buf(std::to_string(val)) {}
String::String(unsigned long val) : m_buf(std::to_string(val)) {}
#endif
String::String(Int64 val) : m_buf(std::to_string(val)) {}
String::String(UInt64 val) : m_buf(std::to_string(val)) {}
String::String(Real64 val) {
    // Six significant digits, as an iostream with default precision prints.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", val);
    m_buf = buf;
}
String::String(const char* str) : m_buf(str ? str : "") {}
String::String(const char* str, size_t len) {
    if (str) m_buf.assign(str, strnlen(str, len));
}
String::String(const String& arg) : m_buf(arg.m_buf) {}
String::String(String&& arg) noexcept : m_buf(std::move(arg.m_buf)) {}
String::String(char c) {
    if (c != '\0') m_buf.assign(1, c);
}
String::~String() {}

String& String::operator=(const String& arg) {
    m_buf = arg.m_buf;
    return *this;
}
String& String::operator=(String&& arg) noexcept {
    m_buf = std::move(arg.m_buf);
    return *this;
}

int String::format(const char* fmt, ...) {
    char small[256];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    if (n < 0) {
        m_buf.clear();
        return 0;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        m_buf.assign(small, static_cast<size_t>(n));
    } else {
        std::string big(static_cast<size_t>(n) + 1, '\0');
        va_start(ap, fmt);
        std::vsnprintf(&big[0], big.size(), fmt, ap);
        va_end(ap);
        big.resize(static_cast<size_t>(n));
        m_buf.swap(big);
    }
    return n;
}

char String::charAt(size_t ndx) const { return (*this)[ndx]; }

int String::compareTo(const String& arg) const { return std::strcmp(c_str(), arg.c_str()); }
int String::compareTo(const char* arg) const { return std::strcmp(c_str(), arg ? arg : ""); }
int String::compareToIgnoreCase(const String& arg) const {
    return foldCompare(m_buf.data(), m_buf.size(), arg.m_buf.data(), arg.m_buf.size());
}
int String::compareToIgnoreCase(const char* arg) const {
    if (!arg) arg = "";
    return foldCompare(m_buf.data(), m_buf.size(), arg, std::strlen(arg));
}

String& String::concat(const char* arg) {
    if (arg) m_buf += arg;
    return *this;
}
String& String::concat(const String& arg) {
    m_buf += arg.m_buf;
    return *this;
}
String& String::concat(char arg) {
    m_buf += arg;
    return *this;
}

bool String::equals(const String& arg) const { return m_buf == arg.m_buf; }
bool String::equals(const char* arg) const { return compareTo(arg) == 0; }
bool String::equalsIgnoreCase(const String& arg) const {
    // Names are looked up this way on every property set: reject on length first.
    return m_buf.size() == arg.m_buf.size() && compareToIgnoreCase(arg) == 0;
}
bool String::equalsIgnoreCase(const char* arg) const { return compareToIgnoreCase(arg) == 0; }

size_t String::indexOf(char ch, size_t fromIndex) const {
    size_t r = m_buf.find(ch, fromIndex);
    return r == std::string::npos ? npos : r;
}
size_t String::indexOf(const char* arg, size_t fromIndex) const {
    size_t r = m_buf.find(arg ? arg : "", fromIndex);
    return r == std::string::npos ? npos : r;
}
size_t String::indexOf(const String& arg, size_t fromIndex) const {
    return indexOf(arg.c_str(), fromIndex);
}
size_t String::lastIndexOf(char ch, size_t fromIndex) const {
    size_t r = m_buf.rfind(ch, fromIndex);
    return r == std::string::npos ? npos : r;
}

bool String::startsWith(const char* arg, EIgnoreCaseFlag ignoreCase) const {
    if (!arg) return true;
    size_t n = std::strlen(arg);
    if (n > m_buf.size()) return false;
    return ignoreCase == E_CASE_INSENSITIVE ? foldCompare(m_buf.data(), n, arg, n) == 0
                                            : m_buf.compare(0, n, arg) == 0;
}
bool String::startsWith(const String& arg, EIgnoreCaseFlag ignoreCase) const {
    return startsWith(arg.c_str(), ignoreCase);
}
bool String::endsWith(const char* arg, EIgnoreCaseFlag ignoreCase) const {
    if (!arg) return true;
    size_t n = std::strlen(arg);
    if (n > m_buf.size()) return false;
    const char* tail = m_buf.data() + m_buf.size() - n;
    return ignoreCase == E_CASE_INSENSITIVE ? foldCompare(tail, n, arg, n) == 0
                                            : std::memcmp(tail, arg, n) == 0;
}
bool String::endsWith(const String& arg, EIgnoreCaseFlag ignoreCase) const {
    return endsWith(arg.c_str(), ignoreCase);
}

String String::substring(size_t beginIndex, size_t len) const {
    if (beginIndex >= m_buf.size()) return String();
    return String(m_buf.data() + beginIndex, std::min(len, m_buf.size() - beginIndex));
}

String& String::toLowerCase() {
    for (char& c : m_buf) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return *this;
}
String& String::toUpperCase() {
    for (char& c : m_buf) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return *this;
}
String& String::ltrim() {
    size_t i = 0;
    while (i < m_buf.size() && isSpace(m_buf[i])) ++i;
    m_buf.erase(0, i);
    return *this;
}
String& String::rtrim() {
    size_t n = m_buf.size();
    while (n > 0 && isSpace(m_buf[n - 1])) --n;
    m_buf.resize(n);
    return *this;
}
String& String::trim() { return ltrim().rtrim(); }
String& String::erase() {
    m_buf.clear();
    return *this;
}

StringArray String::tokenize(const char* delims, EReturnDelimitersFlag returnDelimitersAsTokens,
                             EEmptyTokenReturnFlag returnEmptyTokens) const {
    StringArray out;
    if (!delims) delims = "";
    std::string cur;
    bool lastWasDelim = true;
    for (char c : m_buf) {
        if (std::strchr(delims, c) && c != '\0') {
            if (!cur.empty() || (returnEmptyTokens == E_RETURN_EMPTY_TOKENS && lastWasDelim)) {
                out.push_back(String(cur.c_str(), cur.size()));
            }
            cur.clear();
            if (returnDelimitersAsTokens == E_RETURN_DELIMITERS) out.push_back(String(c));
            lastWasDelim = true;
        } else {
            cur += c;
            lastWasDelim = false;
        }
    }
    if (!cur.empty()) out.push_back(String(cur.c_str(), cur.size()));
    return out;
}

const char& String::operator[](size_t ndx) const {
    if (ndx >= m_buf.size()) throwArrayOutOfBounds(m_buf.size(), ndx);
    return m_buf[ndx];
}
char& String::operator[](size_t ndx) {
    if (ndx >= m_buf.size()) throwArrayOutOfBounds(m_buf.size(), ndx);
    return m_buf[ndx];
}

bool String::toBool() const {
    if (equalsIgnoreCase("true")) return true;
    if (equalsIgnoreCase("false")) return false;
    throwConversion(*this, "bool");
}
UInt8 String::toUInt8(int base) const { return toUnsigned<UInt8>(*this, base, "UInt8"); }
Int8 String::toInt8(int base) const { return toSigned<Int8>(*this, base, "Int8"); }
UInt16 String::toUInt16(int base) const { return toUnsigned<UInt16>(*this, base, "UInt16"); }
Int16 String::toInt16(int base) const { return toSigned<Int16>(*this, base, "Int16"); }
UInt32 String::toUInt32(int base) const { return toUnsigned<UInt32>(*this, base, "UInt32"); }
Int32 String::toInt32(int base) const { return toSigned<Int32>(*this, base, "Int32"); }
UInt64 String::toUInt64(int base) const { return toUnsigned<UInt64>(*this, base, "UInt64"); }
Int64 String::toInt64(int base) const { return toSigned<Int64>(*this, base, "Int64"); }
Real64 String::toReal64() const {
    const char* p = c_str();
    char* end = 0;
    errno = 0;
    double v = std::strtod(p, &end);
    if (empty() || end == p || *end != '\0' || errno == ERANGE) throwConversion(*this, "Real64");
    return v;
}
Real32 String::toReal32() const { return static_cast<Real32>(toReal64()); }

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
