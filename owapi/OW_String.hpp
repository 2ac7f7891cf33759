#ifndef OW_STRING_HPP_INCLUDE_GUARD_
#define OW_STRING_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_ArrayFwd.hpp"
#include "OW_Exception.hpp"
#include "OW_Types.hpp"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <iosfwd>

namespace OpenWBEM {

class String;
typedef Array<String> StringArray;

OW_DECLARE_EXCEPTION(StringConversion);

// A byte string with value semantics. Short texts (most names and values)
// live inside the object; longer ones are shared between copies until one
// of them changes: texts are copied far more often than edited.
// Numbers are formatted only through the explicit numeric constructors;
// small integers and bool reach String(Int32) by promotion, so
// String(UInt8(3)) is "3".
// A string may have no buffer at all (String(), erase(), an all-space text
// trimmed) or an empty one (String("")): they differ only in the numeric
// conversions, which refuse the first and read the second as 0.
class String {
public:
    enum ETakeOwnershipFlag { E_TAKE_OWNERSHIP };
    enum EReturnTokensFlag { E_DISCARD_TOKENS, E_RETURN_TOKENS };
    enum EEmptyTokenReturnFlag { E_SKIP_EMPTY_TOKENS, E_RETURN_EMPTY_TOKENS };
    enum EIgnoreCaseFlag { E_CASE_SENSITIVE, E_CASE_INSENSITIVE };

    String() { setNone(); }
    explicit String(Int32 val);
    explicit String(UInt32 val);
    explicit String(Int64 val);
    explicit String(UInt64 val);
    explicit String(Real64 val);
    String(const char* str);
    explicit String(const char* str, size_t len);
    String(const String& arg);
    explicit String(char c);
    ~String();

    size_t length() const {
        unsigned char tag = static_cast<unsigned char>(m_buf[kTag]);
        return tag <= kInlineMax ? tag : (tag == kHeap ? rep()->len : 0);
    }
    bool empty() const { return length() == 0; }
    // Replaces the content with the printf-style result; returns its length.
    int format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    const char* c_str() const { return onHeap() ? rep()->chars() : m_buf; }
    char charAt(size_t ndx) const;
    int compareTo(const String& arg) const;
    int compareTo(const char* arg) const;
    int compareToIgnoreCase(const String& arg) const;
    int compareToIgnoreCase(const char* arg) const;
    String& concat(const char* arg);
    String& concat(const String& arg);
    String& concat(char arg);
    bool equals(const String& arg) const;
    bool equals(const char* arg) const;
    bool equalsIgnoreCase(const String& arg) const;
    bool equalsIgnoreCase(const char* arg) const;
    size_t indexOf(char ch, size_t fromIndex = 0) const;
    size_t indexOf(const char* arg, size_t fromIndex = 0) const;
    size_t indexOf(const String& arg, size_t fromIndex = 0) const;
    size_t lastIndexOf(char ch, size_t fromIndex = npos) const;
    bool startsWith(const char* arg, EIgnoreCaseFlag ignoreCase = E_CASE_SENSITIVE) const;
    bool startsWith(const String& arg, EIgnoreCaseFlag ignoreCase = E_CASE_SENSITIVE) const;
    bool endsWith(const char* arg, EIgnoreCaseFlag ignoreCase = E_CASE_SENSITIVE) const;
    bool endsWith(const String& arg, EIgnoreCaseFlag ignoreCase = E_CASE_SENSITIVE) const;
    String substring(size_t beginIndex, size_t length = npos) const;
    String& toLowerCase();
    String& toUpperCase();
    String& ltrim();
    String& rtrim();
    String& trim();
    String& erase();
    StringArray tokenize(const char* delims = " \n\r\t\v",
                         EReturnTokensFlag returnTokens = E_DISCARD_TOKENS,
                         EEmptyTokenReturnFlag returnEmptyTokens = E_SKIP_EMPTY_TOKENS) const;

    String& operator=(const String& arg);
    const char& operator[](size_t ndx) const;
    // Unshares the buffer; the reference is good until the next copy or change.
    char& operator[](size_t ndx);
    String& operator+=(const String& arg) { return concat(arg); }
    String& operator+=(const char* arg) { return concat(arg); }
    String& operator+=(char arg) { return concat(arg); }

    String toString() const { return *this; }
    bool toBool() const;
    UInt8 toUInt8(int base = 10) const;
    Int8 toInt8(int base = 10) const;
    UInt16 toUInt16(int base = 10) const;
    Int16 toInt16(int base = 10) const;
    UInt32 toUInt32(int base = 10) const;
    Int32 toInt32(int base = 10) const;
    UInt64 toUInt64(int base = 10) const;
    Int64 toInt64(int base = 10) const;
    Real32 toReal32() const;
    Real64 toReal64() const;

    static const size_t npos = ~size_t(0);

private:
    // Header of one heap block; the characters follow it, NUL-terminated.
    struct Rep {
        std::atomic<unsigned> refs;
        size_t len;
        size_t cap;
        char* chars() { return reinterpret_cast<char*>(this + 1); }
    };
    // m_buf holds up to kInlineMax characters and their NUL, with the length
    // in its last byte; or, with kHeap there, a Rep pointer in its first bytes;
    // or, with kNone there, no buffer (and a NUL first, for c_str()).
    static const size_t kTag = 23;
    static const size_t kInlineMax = kTag - 1;
    static const unsigned char kNone = 0xFE;
    static const unsigned char kHeap = 0xFF;

    bool onHeap() const { return static_cast<unsigned char>(m_buf[kTag]) == kHeap; }
    Rep* rep() const {
        Rep* r;
        std::memcpy(&r, m_buf, sizeof r);
        return r;
    }
    void setRep(Rep* r);
    bool hasBuffer() const { return static_cast<unsigned char>(m_buf[kTag]) != kNone; }
    void setNone() {
        m_buf[0] = '\0';
        m_buf[kTag] = static_cast<char>(kNone);
    }
    static Rep* allocate(size_t len, size_t cap);
    void assign(const char* str, size_t len);
    // Room for more characters after the text, in a buffer only this string
    // holds; setLength then ends the text where the writing stopped.
    char* grow(size_t more);
    void setLength(size_t len);
    char* unshared() { return grow(0); }
    void release();

    alignas(void*) char m_buf[kTag + 1];
};

std::ostream& operator<<(std::ostream& ostr, const String& arg);

String operator+(const String& s1, const String& s2);
String operator+(const char* p, const String& s);
String operator+(const String& s, const char* p);
String operator+(char c, const String& s);
String operator+(const String& s, char c);

inline bool operator==(const String& s1, const String& s2) {
    return s1.compareTo(s2) == 0;
}
inline bool operator==(const String& s1, const char* p) {
    return s1.compareTo(p) == 0;
}
inline bool operator==(const char* p, const String& s) {
    return s.compareTo(p) == 0;
}
inline bool operator!=(const String& s1, const String& s2) {
    return s1.compareTo(s2) != 0;
}
inline bool operator!=(const String& s1, const char* p) {
    return s1.compareTo(p) != 0;
}
inline bool operator!=(const char* p, const String& s) {
    return s.compareTo(p) != 0;
}
inline bool operator<(const String& s1, const String& s2) {
    return s1.compareTo(s2) < 0;
}
inline bool operator<(const String& s1, const char* p) {
    return s1.compareTo(p) < 0;
}
inline bool operator<(const char* p, const String& s) {
    return s.compareTo(p) > 0;
}
inline bool operator<=(const String& s1, const String& s2) {
    return s1.compareTo(s2) <= 0;
}
inline bool operator>(const String& s1, const String& s2) {
    return s1.compareTo(s2) > 0;
}
inline bool operator>=(const String& s1, const String& s2) {
    return s1.compareTo(s2) >= 0;
}

}  // namespace OpenWBEM

#endif
