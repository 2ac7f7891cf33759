#include "MofReader.hpp"

#include "OW_Bool.hpp"
#include "OW_CIMDateTime.hpp"
#include "OW_CIMMethod.hpp"
#include "OW_CIMParameter.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_CIMValue.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <map>
#include <system_error>
#include <unordered_set>

namespace qvx_cimom {

namespace {

using namespace OpenWBEM;

std::string lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

bool isIdentStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isIdentChar(char c) {
    return isIdentStart(c) || isDigit(c);
}
int hexDigit(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A character for a message: printable ones quoted, others as a byte value.
std::string showChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u > 0x20 && u < 0x7f) return std::string("'") + c + "'";
    static const char kHex[] = "0123456789abcdef";
    return std::string("byte 0x") + kHex[u >> 4] + kHex[u & 15];
}

void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xc0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    } else {
        out += static_cast<char>(0xe0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    }
}

std::string typeName(const CIMDataType& type) {
    return type.toString().c_str();
}

// ---------------------------------------------------------------- tokens

enum class Tok { End, Ident, String, Number, Punct };

struct Token {
    Tok kind = Tok::End;
    std::string text;  // identifier, decoded string, number text or punctuation
    unsigned line = 1;
};

std::string describe(const Token& t) {
    switch (t.kind) {
        case Tok::End:
            return "end of input";
        case Tok::String:
            return "a string";
        case Tok::Number:
            return "number " + t.text;
        default:
            return "'" + t.text + "'";
    }
}

class Lexer {
public:
    Lexer(const std::string& text, const std::string& source) : m_text(text), m_source(source) {
        if (m_text.compare(0, 3, "\xef\xbb\xbf") == 0) m_pos = 3;  // UTF-8 byte order mark
    }

    Token next() {
        skipSpaceAndComments();
        Token t;
        t.line = m_line;
        if (m_pos >= m_text.size()) return t;
        char c = m_text[m_pos];
        if (c == '"') {
            t.kind = Tok::String;
            t.text = string();
        } else if (isDigit(c) || ((c == '+' || c == '-' || c == '.') && isDigit(at(m_pos + 1))) ||
                   ((c == '+' || c == '-') && at(m_pos + 1) == '.' && isDigit(at(m_pos + 2)))) {
            t.kind = Tok::Number;
            t.text = number();
        } else if (isIdentStart(c)) {
            t.kind = Tok::Ident;
            t.text = identifier();
        } else if (std::string("{}()[];,:=").find(c) != std::string::npos) {
            t.kind = Tok::Punct;
            t.text = std::string(1, c);
            ++m_pos;
        } else if (c == '$') {
            fail(m_line, "aliases are not supported");
        } else if (c == '\'') {
            fail(m_line, "char16 literals are not supported");
        } else {
            fail(m_line, "unexpected " + showChar(c));
        }
        return t;
    }

    [[noreturn]] void fail(unsigned line, const std::string& message) const {
        throw MofError(m_source, line, message);
    }

private:
    char at(size_t i) const { return i < m_text.size() ? m_text[i] : '\0'; }

    void skipSpaceAndComments() {
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos];
            if (c == '\n') {
                ++m_line;
                ++m_pos;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++m_pos;
            } else if (c == '/' && at(m_pos + 1) == '/') {
                while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
            } else if (c == '/' && at(m_pos + 1) == '*') {
                unsigned start = m_line;
                size_t end = m_text.find("*/", m_pos + 2);
                if (end == std::string::npos) fail(start, "unterminated comment");
                for (size_t i = m_pos; i < end; ++i) {
                    if (m_text[i] == '\n') ++m_line;
                }
                m_pos = end + 2;
            } else if (c == '#') {
                pragma();
            } else {
                return;
            }
        }
    }

    // "#pragma name(...)" lines carry compiler settings (locale, namespace)
    // that mean nothing to a reader of one file; include would lose text.
    void pragma() {
        ++m_pos;
        while (at(m_pos) == ' ' || at(m_pos) == '\t') ++m_pos;
        std::string word = isIdentStart(at(m_pos)) ? identifier() : std::string();
        if (lower(word) != "pragma") fail(m_line, "unknown directive '#" + word + "'");
        while (at(m_pos) == ' ' || at(m_pos) == '\t') ++m_pos;
        std::string name = isIdentStart(at(m_pos)) ? identifier() : std::string();
        if (name.empty()) fail(m_line, "expected a pragma name after #pragma");
        if (lower(name) == "include") fail(m_line, "#pragma include is not supported");
        while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
    }

    std::string identifier() {
        size_t start = m_pos;
        while (m_pos < m_text.size() && isIdentChar(m_text[m_pos])) {
            if (m_pos - start >= kMofMaxIdentifierLength) {
                fail(m_line, "identifier longer than " + std::to_string(kMofMaxIdentifierLength) +
                                 " characters");
            }
            ++m_pos;
        }
        return m_text.substr(start, m_pos - start);
    }

    // The whole run of number-like characters; the parser judges its form.
    std::string number() {
        size_t start = m_pos;
        ++m_pos;
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos];
            char prev = m_text[m_pos - 1];
            bool exponentSign = (c == '+' || c == '-') && (prev == 'e' || prev == 'E');
            if (!isIdentChar(c) && c != '.' && !exponentSign) break;
            if (m_pos - start >= kMofMaxNumberLength) {
                fail(m_line,
                     "number longer than " + std::to_string(kMofMaxNumberLength) + " characters");
            }
            ++m_pos;
        }
        return m_text.substr(start, m_pos - start);
    }

    std::string string() {
        unsigned start = m_line;
        std::string out;
        ++m_pos;
        for (;;) {
            if (m_pos >= m_text.size() || m_text[m_pos] == '\n') {
                fail(start, "unterminated string");
            }
            char c = m_text[m_pos++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
            } else {
                escape(out);
            }
            if (out.size() > kMofMaxStringBytes) {
                fail(start, "string longer than " + std::to_string(kMofMaxStringBytes) + " bytes");
            }
        }
    }

    void escape(std::string& out) {
        char e = at(m_pos);
        if (m_pos >= m_text.size() || e == '\n') fail(m_line, "unterminated string");
        ++m_pos;
        switch (e) {
            case 'b':
                out += '\b';
                return;
            case 't':
                out += '\t';
                return;
            case 'n':
                out += '\n';
                return;
            case 'f':
                out += '\f';
                return;
            case 'r':
                out += '\r';
                return;
            case '"':
                out += '"';
                return;
            case '\'':
                out += '\'';
                return;
            case '\\':
                out += '\\';
                return;
            case 'x':
            case 'X': {
                // One UCS-2 character of one to four hexadecimal digits.
                unsigned cp = 0;
                int digits = 0;
                while (digits < 4 && hexDigit(at(m_pos)) >= 0) {
                    cp = cp * 16 + static_cast<unsigned>(hexDigit(at(m_pos)));
                    ++m_pos;
                    ++digits;
                }
                if (digits == 0) fail(m_line, "escape \\x needs hexadecimal digits");
                if (cp == 0) fail(m_line, "escape \\x0 would put a NUL character in a string");
                if (cp >= 0xd800 && cp <= 0xdfff) {
                    fail(m_line, "escape \\x names a surrogate, not a character");
                }
                appendUtf8(out, cp);
                return;
            }
            default:
                fail(m_line,
                     "unknown escape sequence \\" + std::string(1, e) + " (" + showChar(e) + ")");
        }
    }

    const std::string& m_text;
    const std::string& m_source;
    size_t m_pos = 0;
    unsigned m_line = 1;
};

// ---------------------------------------------------------------- values

struct Literal {
    enum Kind { kNull, kString, kInteger, kReal, kBoolean };
    Kind kind = kNull;
    std::string text;  // string content, or the number as written
    bool negative = false;
    std::uint64_t magnitude = 0;
    double real = 0;
    bool boolean = false;
    unsigned line = 0;
};

const char* kindName(Literal::Kind k) {
    switch (k) {
        case Literal::kString:
            return "a string";
        case Literal::kInteger:
            return "an integer";
        case Literal::kReal:
            return "a real number";
        case Literal::kBoolean:
            return "a boolean";
        default:
            return "null";
    }
}

struct ValueSyntax {
    bool isArray = false;
    std::vector<Literal> items;
    unsigned line = 0;
};

enum class IntParse { Ok, Invalid, Overflow };

IntParse parseInteger(const std::string& s, bool& negative, std::uint64_t& magnitude) {
    size_t i = 0;
    negative = false;
    magnitude = 0;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        i = 1;
    }
    std::string digits = s.substr(i);
    unsigned base = 10;
    if (digits.size() >= 2 && (digits.back() == 'b' || digits.back() == 'B') &&
        digits.find_first_not_of("01") == digits.size() - 1) {
        base = 2;
        digits.pop_back();
    } else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits = digits.substr(2);
    } else if (digits.size() > 1 && digits[0] == '0') {
        base = 8;
        digits = digits.substr(1);
    }
    if (digits.empty()) return IntParse::Invalid;
    for (char c : digits) {
        int d = hexDigit(c);
        if (d < 0 || static_cast<unsigned>(d) >= base) return IntParse::Invalid;
        if (magnitude > (std::numeric_limits<std::uint64_t>::max() - d) / base) {
            return IntParse::Overflow;
        }
        magnitude = magnitude * base + static_cast<unsigned>(d);
    }
    return IntParse::Ok;
}

// Decimal real in the C locale: digits with a point or an exponent.
bool parseReal(const std::string& s, double& out) {
    std::string t = (!s.empty() && s[0] == '+') ? s.substr(1) : s;
    if (t.find_first_not_of("0123456789.eE+-") != std::string::npos) return false;
    if (t.find_first_of(".eE") == std::string::npos) return false;
    auto r = std::from_chars(t.data(), t.data() + t.size(), out, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(out);
}

bool digitsAt(const std::string& s, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
        if (!isDigit(s[i])) return false;
    }
    return true;
}
unsigned numberAt(const std::string& s, size_t from, size_t to) {
    unsigned n = 0;
    for (size_t i = from; i < to; ++i) n = n * 10 + static_cast<unsigned>(s[i] - '0');
    return n;
}

// yyyymmddhhmmss.mmmmmmsutc, or ddddddddhhmmss.mmmmmm:000 for an interval.
bool validDateTime(const std::string& s) {
    if (s.size() != 25 || !digitsAt(s, 0, 14) || s[14] != '.' || !digitsAt(s, 15, 21) ||
        !digitsAt(s, 22, 25)) {
        return false;
    }
    unsigned hh = numberAt(s, 8, 10), mi = numberAt(s, 10, 12), ss = numberAt(s, 12, 14);
    if (s[21] == ':') return s.compare(22, 3, "000") == 0 && hh < 24 && mi < 60 && ss < 60;
    if (s[21] != '+' && s[21] != '-') return false;
    unsigned mo = numberAt(s, 4, 6), dd = numberAt(s, 6, 8);
    return mo >= 1 && mo <= 12 && dd >= 1 && dd <= 31 && hh < 24 && mi < 60 && ss <= 60;
}

// ---------------------------------------------------------------- qualifiers

enum Scope : unsigned {
    kScopeClass = 1,
    kScopeProperty = 2,
    kScopeReference = 4,
    kScopeMethod = 8,
    kScopeParameter = 16,
    kScopeAny = 31
};

const char* scopeName(unsigned scope) {
    switch (scope) {
        case kScopeClass:
            return "a class";
        case kScopeProperty:
            return "a property";
        case kScopeReference:
            return "a reference";
        case kScopeMethod:
            return "a method";
        default:
            return "a parameter";
    }
}

struct QualifierType {
    CIMDataType type;
    unsigned scopes;
};

// The standard qualifiers, so that files relying on the usual qualifier
// declarations read with the right value types; a declaration in the file
// replaces the entry.
std::map<std::string, QualifierType> standardQualifiers() {
    const CIMDataType b(CIMDataType::BOOLEAN), s(CIMDataType::STRING), sa(CIMDataType::STRING, 0),
        u32(CIMDataType::UINT32), s64(CIMDataType::SINT64);
    const unsigned pmp = kScopeProperty | kScopeMethod | kScopeParameter;
    return {
        {"abstract", {b, kScopeClass}},
        {"aggregate", {b, kScopeReference}},
        {"aggregation", {b, kScopeClass}},
        {"arraytype", {s, kScopeProperty | kScopeParameter}},
        {"association", {b, kScopeClass}},
        {"composition", {b, kScopeClass}},
        {"counter", {b, pmp}},
        {"deprecated", {sa, kScopeAny}},
        {"description", {s, kScopeAny}},
        {"displayname", {s, kScopeAny}},
        {"embeddedinstance", {s, pmp}},
        {"embeddedobject", {b, pmp}},
        {"exception", {b, kScopeClass}},
        {"experimental", {b, kScopeAny}},
        {"gauge", {b, pmp}},
        {"in", {b, kScopeParameter}},
        {"indication", {b, kScopeClass}},
        {"key", {b, kScopeProperty | kScopeReference}},
        {"mappingstrings", {sa, kScopeAny}},
        {"max", {u32, kScopeReference}},
        {"maxlen", {u32, pmp}},
        {"maxvalue", {s64, pmp}},
        {"min", {u32, kScopeReference}},
        {"minlen", {u32, pmp}},
        {"minvalue", {s64, pmp}},
        {"modelcorrespondence", {sa, kScopeAny}},
        {"octetstring", {b, pmp}},
        {"out", {b, kScopeParameter}},
        {"override", {s, kScopeProperty | kScopeReference | kScopeMethod}},
        {"propagated", {s, kScopeProperty}},
        {"provider", {s, kScopeAny}},
        {"read", {b, kScopeProperty}},
        {"required", {b, kScopeProperty | kScopeReference | kScopeMethod | kScopeParameter}},
        {"static", {b, kScopeProperty | kScopeMethod}},
        {"terminal", {b, kScopeClass}},
        {"units", {s, pmp}},
        {"valuemap", {sa, pmp}},
        {"values", {sa, pmp}},
        {"version", {s, kScopeClass}},
        {"weak", {b, kScopeReference}},
        {"write", {b, kScopeProperty}},
    };
}

bool isFlavor(const std::string& lowered) {
    static const char* const kFlavors[] = {"enableoverride", "disableoverride", "restricted",
                                           "tosubclass",     "toinstance",      "translatable"};
    for (const char* f : kFlavors) {
        if (lowered == f) return true;
    }
    return false;
}

struct QualifierSyntax {
    std::string name;
    bool hasValue = false;
    ValueSyntax value;
    unsigned line = 0;
};

// ---------------------------------------------------------------- parser

class Parser {
public:
    Parser(const std::string& text, const std::string& source)
        : m_lex(text, source), m_qualifierTypes(standardQualifiers()) {}

    const QualifierFlavorTable& flavors() const { return m_flavors; }

    std::vector<CIMClass> run() {
        for (;;) {
            const Token& t = peek();
            if (t.kind == Tok::End) break;
            if (isPunct("[")) {
                std::vector<QualifierSyntax> quals = qualifierList();
                if (!isKeyword("class")) {
                    if (isKeyword("instance"))
                        fail(peek().line, "instance declarations are not supported");
                    fail(peek().line,
                         "expected 'class' after a qualifier list, found " + describe(peek()));
                }
                classDeclaration(quals);
            } else if (isKeyword("class")) {
                classDeclaration({});
            } else if (isKeyword("qualifier")) {
                qualifierDeclaration();
            } else if (isKeyword("instance")) {
                fail(t.line, "instance declarations are not supported");
            } else {
                fail(t.line, "expected a class or qualifier declaration, found " + describe(t));
            }
        }
        return m_classes;
    }

private:
    // -- token access

    const Token& peek() {
        if (!m_have) {
            m_tok = m_lex.next();
            m_have = true;
        }
        return m_tok;
    }
    Token take() {
        peek();
        m_have = false;
        m_prevLine = m_tok.line;
        return m_tok;
    }
    bool isPunct(const char* p) { return peek().kind == Tok::Punct && peek().text == p; }
    bool isKeyword(const char* kw) { return peek().kind == Tok::Ident && lower(peek().text) == kw; }

    [[noreturn]] void fail(unsigned line, const std::string& message) { m_lex.fail(line, message); }

    // A missing separator belongs at the end of what came before it, so
    // that is the line reported.
    void expectPunct(const char* p, const std::string& context) {
        if (isPunct(p)) {
            take();
            return;
        }
        fail(m_prevLine,
             std::string("expected '") + p + "' " + context + ", found " + describe(peek()));
    }
    Token expectIdent(const std::string& what) {
        if (peek().kind != Tok::Ident)
            fail(peek().line, "expected " + what + ", found " + describe(peek()));
        return take();
    }

    // -- values

    Literal literal() {
        const Token& t = peek();
        Literal lit;
        lit.line = t.line;
        if (t.kind == Tok::String) {
            lit.kind = Literal::kString;
            // Adjacent strings are one value.
            while (peek().kind == Tok::String) {
                lit.text += take().text;
                if (lit.text.size() > kMofMaxStringBytes) {
                    fail(lit.line,
                         "string longer than " + std::to_string(kMofMaxStringBytes) + " bytes");
                }
            }
        } else if (t.kind == Tok::Number) {
            lit.text = take().text;
            IntParse r = parseInteger(lit.text, lit.negative, lit.magnitude);
            if (r == IntParse::Ok) {
                lit.kind = Literal::kInteger;
            } else if (r == IntParse::Overflow) {
                fail(lit.line, "number " + lit.text + " is too large");
            } else if (parseReal(lit.text, lit.real)) {
                lit.kind = Literal::kReal;
            } else {
                fail(lit.line, "invalid number '" + lit.text + "'");
            }
        } else if (isKeyword("true") || isKeyword("false")) {
            lit.kind = Literal::kBoolean;
            lit.boolean = lower(take().text) == "true";
        } else if (isKeyword("null")) {
            take();
            lit.kind = Literal::kNull;
        } else if (isPunct("{")) {
            fail(t.line, "nested arrays are not allowed");
        } else {
            fail(t.line, "expected a value, found " + describe(t));
        }
        return lit;
    }

    ValueSyntax arrayValue() {
        ValueSyntax v;
        v.isArray = true;
        v.line = peek().line;
        take();  // '{'
        if (isPunct("}")) {
            take();
            return v;
        }
        for (;;) {
            if (v.items.size() >= kMofMaxArrayElements) {
                fail(peek().line, "array value with more than " +
                                      std::to_string(kMofMaxArrayElements) + " elements");
            }
            v.items.push_back(literal());
            if (!isPunct(",")) break;
            take();
        }
        expectPunct("}", "at the end of the array value");
        return v;
    }

    ValueSyntax value() {
        if (isPunct("{")) return arrayValue();
        ValueSyntax v;
        v.line = peek().line;
        v.items.push_back(literal());
        return v;
    }

    [[noreturn]] void wrongKind(const Literal& lit, const CIMDataType& type,
                                const std::string& what) {
        fail(lit.line, what + " needs a " + typeName(type) + " value, found " + kindName(lit.kind));
    }

    template <class T>
    T integer(const Literal& lit, const CIMDataType& type, const std::string& what) {
        if (lit.kind != Literal::kInteger) wrongKind(lit, type, what);
        typedef std::numeric_limits<T> L;
        bool fits;
        if (lit.negative) {
            std::uint64_t minMagnitude =
                L::is_signed
                    ? static_cast<std::uint64_t>(-(static_cast<std::int64_t>(L::min()) + 1)) + 1
                    : 0;
            fits = lit.magnitude <= minMagnitude;
        } else {
            fits = lit.magnitude <= static_cast<std::uint64_t>(L::max());
        }
        if (!fits) {
            fail(lit.line, "value " + lit.text + " is out of range for " + typeName(type) + " (" +
                               what + ")");
        }
        if (lit.negative && lit.magnitude > 0) {
            return static_cast<T>(-static_cast<std::int64_t>(lit.magnitude - 1) - 1);
        }
        return static_cast<T>(lit.magnitude);
    }

    double real(const Literal& lit, const CIMDataType& type, const std::string& what) {
        if (lit.kind == Literal::kReal) return lit.real;
        if (lit.kind != Literal::kInteger) wrongKind(lit, type, what);
        double d = static_cast<double>(lit.magnitude);
        return lit.negative ? -d : d;
    }

    String text(const Literal& lit, const CIMDataType& type, const std::string& what) {
        if (lit.kind != Literal::kString) wrongKind(lit, type, what);
        return String(lit.text.c_str(), lit.text.size());
    }

    bool boolean(const Literal& lit, const CIMDataType& type, const std::string& what) {
        if (lit.kind != Literal::kBoolean) wrongKind(lit, type, what);
        return lit.boolean;
    }

    CIMDateTime dateTime(const Literal& lit, const CIMDataType& type, const std::string& what) {
        if (lit.kind != Literal::kString) wrongKind(lit, type, what);
        if (!validDateTime(lit.text)) {
            fail(lit.line, "invalid datetime \"" + lit.text.substr(0, 40) + "\" (" + what + ")");
        }
        return CIMDateTime(String(lit.text.c_str()));
    }

    template <class T, class F>
    CIMValue arrayOf(const ValueSyntax& v, F element) {
        Array<T> a;
        a.reserve(v.items.size());
        for (const Literal& lit : v.items) a.push_back(element(lit));
        return CIMValue(a);
    }

    CIMValue convert(const ValueSyntax& v, const CIMDataType& type, const std::string& what) {
        if (!type.isArrayType()) {
            if (v.isArray) fail(v.line, what + " takes a single value, not an array");
            const Literal& lit = v.items.front();
            if (lit.kind == Literal::kNull) return CIMValue(CIMNULL);
            switch (type.getType()) {
                case CIMDataType::UINT8:
                    return CIMValue(integer<UInt8>(lit, type, what));
                case CIMDataType::SINT8:
                    return CIMValue(integer<Int8>(lit, type, what));
                case CIMDataType::UINT16:
                    return CIMValue(integer<UInt16>(lit, type, what));
                case CIMDataType::SINT16:
                    return CIMValue(integer<Int16>(lit, type, what));
                case CIMDataType::UINT32:
                    return CIMValue(integer<UInt32>(lit, type, what));
                case CIMDataType::SINT32:
                    return CIMValue(integer<Int32>(lit, type, what));
                case CIMDataType::UINT64:
                    return CIMValue(integer<UInt64>(lit, type, what));
                case CIMDataType::SINT64:
                    return CIMValue(integer<Int64>(lit, type, what));
                case CIMDataType::REAL32:
                    return CIMValue(realAs32(lit, type, what));
                case CIMDataType::REAL64:
                    return CIMValue(real(lit, type, what));
                case CIMDataType::STRING:
                    return CIMValue(text(lit, type, what));
                case CIMDataType::BOOLEAN:
                    return CIMValue(boolean(lit, type, what));
                case CIMDataType::DATETIME:
                    return CIMValue(dateTime(lit, type, what));
                default:
                    fail(lit.line,
                         what + ": values of type " + typeName(type) + " are not supported");
            }
        }
        if (!v.isArray) {
            if (v.items.front().kind == Literal::kNull) return CIMValue(CIMNULL);
            fail(v.line, what + " takes an array value in braces");
        }
        for (const Literal& lit : v.items) {
            if (lit.kind == Literal::kNull)
                fail(lit.line, what + ": null is not allowed inside an array");
        }
        auto w = [&](auto f) {
            return [&, f](const Literal& lit) { return (this->*f)(lit, type, what); };
        };
        switch (type.getType()) {
            case CIMDataType::UINT8:
                return arrayOf<UInt8>(v, w(&Parser::integer<UInt8>));
            case CIMDataType::SINT8:
                return arrayOf<Int8>(v, w(&Parser::integer<Int8>));
            case CIMDataType::UINT16:
                return arrayOf<UInt16>(v, w(&Parser::integer<UInt16>));
            case CIMDataType::SINT16:
                return arrayOf<Int16>(v, w(&Parser::integer<Int16>));
            case CIMDataType::UINT32:
                return arrayOf<UInt32>(v, w(&Parser::integer<UInt32>));
            case CIMDataType::SINT32:
                return arrayOf<Int32>(v, w(&Parser::integer<Int32>));
            case CIMDataType::UINT64:
                return arrayOf<UInt64>(v, w(&Parser::integer<UInt64>));
            case CIMDataType::SINT64:
                return arrayOf<Int64>(v, w(&Parser::integer<Int64>));
            case CIMDataType::REAL32:
                return arrayOf<Real32>(v, w(&Parser::realAs32));
            case CIMDataType::REAL64:
                return arrayOf<Real64>(v, w(&Parser::real));
            case CIMDataType::STRING:
                return arrayOf<String>(v, w(&Parser::text));
            case CIMDataType::BOOLEAN:
                return arrayOf<Bool>(v, w(&Parser::boolArrayElement));
            case CIMDataType::DATETIME:
                return arrayOf<CIMDateTime>(v, w(&Parser::dateTime));
            default:
                fail(v.line, what + ": values of type " + typeName(type) + " are not supported");
        }
    }

    Real32 realAs32(const Literal& lit, const CIMDataType& type, const std::string& what) {
        double d = real(lit, type, what);
        if (std::fabs(d) > std::numeric_limits<Real32>::max()) {
            fail(lit.line, "value " + lit.text + " is out of range for real32 (" + what + ")");
        }
        return static_cast<Real32>(d);
    }
    Bool boolArrayElement(const Literal& lit, const CIMDataType& type, const std::string& what) {
        return Bool(boolean(lit, type, what));
    }

    // The type a value of an undeclared qualifier has by its own form.
    CIMDataType inferredType(const ValueSyntax& v) {
        CIMDataType::Type t = CIMDataType::STRING;
        for (const Literal& lit : v.items) {
            if (lit.kind == Literal::kNull) continue;
            t = lit.kind == Literal::kBoolean   ? CIMDataType::BOOLEAN
                : lit.kind == Literal::kInteger ? CIMDataType::SINT64
                : lit.kind == Literal::kReal    ? CIMDataType::REAL64
                                                : CIMDataType::STRING;
            break;
        }
        return v.isArray ? CIMDataType(t, 0) : CIMDataType(t);
    }

    // -- qualifiers

    std::vector<QualifierSyntax> qualifierList() {
        std::vector<QualifierSyntax> out;
        take();  // '['
        for (;;) {
            if (out.size() >= kMofMaxQualifiers) {
                fail(peek().line, "more than " + std::to_string(kMofMaxQualifiers) +
                                      " qualifiers on one element");
            }
            QualifierSyntax q;
            Token name = expectIdent("a qualifier name");
            q.name = name.text;
            q.line = name.line;
            if (isPunct("(")) {
                take();
                q.hasValue = true;
                q.value = value();
                expectPunct(")", "after the value of qualifier " + q.name);
            } else if (isPunct("{")) {
                q.hasValue = true;
                q.value = arrayValue();
            }
            if (isPunct(":")) {
                take();
                if (!(peek().kind == Tok::Ident && isFlavor(lower(peek().text)))) {
                    fail(peek().line, "expected a flavor after ':', found " + describe(peek()));
                }
                while (peek().kind == Tok::Ident && isFlavor(lower(peek().text))) take();
            }
            out.push_back(q);
            if (!isPunct(",")) break;
            take();
        }
        expectPunct("]", "at the end of the qualifier list");
        return out;
    }

    CIMQualifierArray qualifiers(const std::vector<QualifierSyntax>& list, unsigned scope,
                                 const std::string& element) {
        CIMQualifierArray out;
        std::unordered_set<std::string> seen;
        for (const QualifierSyntax& q : list) {
            std::string key = lower(q.name);
            if (!seen.insert(key).second) {
                fail(q.line, "duplicate qualifier " + q.name + " on " + element);
            }
            std::string what = "qualifier " + q.name;
            auto known = m_qualifierTypes.find(key);
            CIMValue v(CIMNULL);
            if (known != m_qualifierTypes.end()) {
                const QualifierType& qt = known->second;
                if (!(qt.scopes & scope)) {
                    fail(q.line, what + " is not allowed on " + scopeName(scope));
                }
                bool flag = qt.type.getType() == CIMDataType::BOOLEAN && !qt.type.isArrayType();
                if (!q.hasValue) {
                    if (!flag) fail(q.line, what + " needs a value");
                    v = CIMValue(true);
                } else {
                    v = convert(q.value, qt.type, what);
                }
            } else if (!q.hasValue) {
                v = CIMValue(true);
            } else {
                v = convert(q.value, inferredType(q.value), what);
            }
            // A qualifier without a value stands for a true flag.
            if (!v) fail(q.line, what + " cannot be null");
            CIMQualifier qual(String(q.name.c_str()));
            qual.setValue(v);
            out.push_back(qual);
        }
        return out;
    }

    void qualifierDeclaration() {
        take();  // 'qualifier'
        Token name = expectIdent("a qualifier name");
        std::string key = lower(name.text);
        if (!m_declaredQualifiers.insert(key).second) {
            fail(name.line, "duplicate declaration of qualifier " + name.text);
        }
        std::string what = "qualifier " + name.text;
        expectPunct(":", "after the name of " + what);
        Token typeName = expectIdent("a data type");
        CIMDataType::Type t = CIMDataType::strToSimpleType(String(typeName.text.c_str()));
        if (t == CIMDataType::INVALID)
            fail(typeName.line, "unknown data type '" + typeName.text + "'");
        CIMDataType type(t);
        if (isPunct("[")) type = CIMDataType(t, arraySize(what));
        if (isPunct("=")) {
            take();
            convert(value(), type, "default value of " + what);
        }
        expectPunct(",", "before the scope of " + what);
        if (!isKeyword("scope"))
            fail(peek().line, "expected Scope(...) for " + what + ", found " + describe(peek()));
        take();
        expectPunct("(", "after Scope");
        unsigned scopes = 0;
        for (;;) {
            Token s = expectIdent("a scope name");
            std::string ls = lower(s.text);
            if (ls == "class" || ls == "association" || ls == "indication") {
                scopes |= kScopeClass;
            } else if (ls == "property") {
                scopes |= kScopeProperty;
            } else if (ls == "reference") {
                scopes |= kScopeReference;
            } else if (ls == "method") {
                scopes |= kScopeMethod;
            } else if (ls == "parameter") {
                scopes |= kScopeParameter;
            } else if (ls == "any") {
                scopes |= kScopeAny;
            } else if (ls != "qualifier") {
                fail(s.line, "unknown scope '" + s.text + "'");
            }
            if (!isPunct(",")) break;
            take();
        }
        expectPunct(")", "at the end of the scope list");
        QualifierFlavors flavors;
        if (isPunct(",")) {
            take();
            if (!isKeyword("flavor"))
                fail(peek().line,
                     "expected Flavor(...) for " + what + ", found " + describe(peek()));
            take();
            expectPunct("(", "after Flavor");
            for (;;) {
                Token f = expectIdent("a flavor name");
                std::string lf = lower(f.text);
                if (!isFlavor(lf)) fail(f.line, "unknown flavor '" + f.text + "'");
                if (lf == "disableoverride") flavors.overridable = false;
                if (lf == "restricted") flavors.toSubclass = false;
                if (lf == "translatable") flavors.translatable = true;
                if (!isPunct(",")) break;
                take();
            }
            expectPunct(")", "at the end of the flavor list");
        }
        expectPunct(";", "after the declaration of " + what);
        m_qualifierTypes[key] = QualifierType{type, scopes};
        m_flavors[key] = flavors;
    }

    // -- classes

    // "[]" or "[n]"; the '[' is next. Returns the fixed size, 0 if unbounded.
    Int32 arraySize(const std::string& what) {
        take();
        Int32 size = 0;
        if (peek().kind == Tok::Number) {
            Token n = take();
            bool negative;
            std::uint64_t magnitude;
            if (parseInteger(n.text, negative, magnitude) != IntParse::Ok || negative ||
                magnitude == 0 ||
                magnitude > static_cast<std::uint64_t>(std::numeric_limits<Int32>::max())) {
                fail(n.line, "invalid array size " + n.text + " for " + what);
            }
            size = static_cast<Int32>(magnitude);
        }
        expectPunct("]", "after the array size of " + what);
        return size;
    }

    // A data type name, or "<class> REF" with the name already taken.
    CIMDataType dataType(const Token& typeName) {
        CIMDataType::Type t = CIMDataType::strToSimpleType(String(typeName.text.c_str()));
        if (t != CIMDataType::INVALID) return CIMDataType(t);
        if (isKeyword("ref")) {
            take();
            return CIMDataType(String(typeName.text.c_str()));
        }
        fail(typeName.line, "unknown data type '" + typeName.text + "'");
    }

    void classDeclaration(const std::vector<QualifierSyntax>& quals) {
        take();  // 'class'
        Token name = expectIdent("a class name");
        if (m_classes.size() >= kMofMaxClasses) {
            fail(name.line, "more than " + std::to_string(kMofMaxClasses) + " classes");
        }
        if (!m_classNames.insert(lower(name.text)).second) {
            fail(name.line, "duplicate class " + name.text);
        }
        CIMClass cls(String(name.text.c_str()));
        if (isPunct(":")) {
            take();
            Token super = expectIdent("a superclass name");
            if (lower(super.text) == lower(name.text)) {
                fail(super.line, "class " + name.text + " cannot be its own superclass");
            }
            cls.setSuperClass(String(super.text.c_str()));
        }
        for (const CIMQualifier& q : qualifiers(quals, kScopeClass, "class " + name.text)) {
            cls.addQualifier(q);
        }
        expectPunct("{", "after the name of class " + name.text);
        Members members;
        while (!isPunct("}")) {
            if (peek().kind == Tok::End) {
                fail(peek().line, "missing '}' at the end of class " + name.text);
            }
            member(cls, members);
        }
        take();
        expectPunct(";", "after the declaration of class " + name.text);
        m_classes.push_back(cls);
    }

    struct Members {
        std::unordered_set<std::string> names;
        size_t properties = 0;
        size_t methods = 0;
    };

    void member(CIMClass& cls, Members& members) {
        std::vector<QualifierSyntax> quals;
        if (isPunct("[")) quals = qualifierList();
        if (peek().kind != Tok::Ident) {
            fail(peek().line,
                 "expected a property or method declaration, found " + describe(peek()));
        }
        Token typeName = take();
        CIMDataType type = dataType(typeName);
        bool reference = type.isReferenceType();
        Token name = expectIdent(reference ? "a reference name" : "a property or method name");
        String cimName(name.text.c_str());
        if (!members.names.insert(lower(name.text)).second) {
            fail(name.line, "duplicate property or method " + name.text + " in class " +
                                cls.getName().c_str());
        }
        if (isPunct("(")) {
            if (reference) fail(name.line, "method " + name.text + " cannot return a reference");
            if (++members.methods > kMofMaxMethods) {
                fail(name.line, "class " + std::string(cls.getName().c_str()) + " has more than " +
                                    std::to_string(kMofMaxMethods) + " methods");
            }
            method(cls, quals, type, name);
            return;
        }
        std::string what = (reference ? "reference " : "property ") + name.text;
        if (++members.properties > kMofMaxProperties) {
            fail(name.line, "class " + std::string(cls.getName().c_str()) + " has more than " +
                                std::to_string(kMofMaxProperties) + " properties");
        }
        if (isPunct("[")) {
            if (reference) fail(peek().line, "reference " + name.text + " cannot be an array");
            type = CIMDataType(type.getType(), arraySize(what));
        }
        CIMValue defaultValue(CIMNULL);
        if (isPunct("=")) {
            unsigned line = take().line;
            if (reference) fail(line, "default values of references are not supported");
            defaultValue = convert(value(), type, what);
        }
        expectPunct(";", "after the declaration of " + what);
        CIMProperty prop(cimName, type);
        if (defaultValue) prop.setValue(defaultValue);
        prop.setQualifiers(qualifiers(quals, reference ? kScopeReference : kScopeProperty, what));
        cls.addProperty(prop);
    }

    void method(CIMClass& cls, const std::vector<QualifierSyntax>& quals, const CIMDataType& type,
                const Token& name) {
        std::string what = "method " + name.text;
        CIMMethod m(String(name.text.c_str()));
        m.setReturnType(type);
        take();  // '('
        std::unordered_set<std::string> seen;
        size_t count = 0;
        while (!isPunct(")")) {
            if (++count > kMofMaxParameters) {
                fail(peek().line,
                     what + " has more than " + std::to_string(kMofMaxParameters) + " parameters");
            }
            std::vector<QualifierSyntax> pquals;
            if (isPunct("[")) pquals = qualifierList();
            Token typeName = expectIdent("a parameter type");
            CIMDataType ptype = dataType(typeName);
            Token pname = expectIdent("a parameter name");
            std::string pwhat = "parameter " + pname.text;
            if (!seen.insert(lower(pname.text)).second) {
                fail(pname.line, "duplicate parameter " + pname.text + " in " + what);
            }
            if (isPunct("[")) {
                Int32 size = arraySize(pwhat);
                if (ptype.isReferenceType()) {
                    ptype.setToArrayType(size);
                } else {
                    ptype = CIMDataType(ptype.getType(), size);
                }
            }
            if (isPunct("=")) fail(peek().line, "default values of parameters are not supported");
            CIMParameter p(String(pname.text.c_str()));
            p.setDataType(ptype);
            p.setQualifiers(qualifiers(pquals, kScopeParameter, pwhat));
            m.addParameter(p);
            if (!isPunct(",")) break;
            take();
        }
        expectPunct(")", "at the end of the parameters of " + what);
        expectPunct(";", "after the declaration of " + what);
        m.setQualifiers(qualifiers(quals, kScopeMethod, what));
        cls.addMethod(m);
    }

    Lexer m_lex;
    Token m_tok;
    bool m_have = false;
    unsigned m_prevLine = 1;
    std::map<std::string, QualifierType> m_qualifierTypes;
    std::unordered_set<std::string> m_declaredQualifiers;
    std::unordered_set<std::string> m_classNames;
    std::vector<CIMClass> m_classes;
    QualifierFlavorTable m_flavors;
};

}  // namespace

MofError::MofError(const std::string& source, unsigned line, const std::string& message)
    : std::runtime_error(line ? source + ":" + std::to_string(line) + ": " + message
                              : source + ": " + message),
      m_source(source),
      m_line(line),
      m_message(message) {}

std::vector<CIMClass> readMof(const std::string& text, const std::string& sourceName,
                              QualifierFlavorTable* flavors) {
    if (text.size() > kMofMaxInputBytes) {
        throw MofError(sourceName, 0,
                       "input larger than " + std::to_string(kMofMaxInputBytes) + " bytes");
    }
    Parser parser(text, sourceName);
    std::vector<CIMClass> classes = parser.run();
    if (flavors) *flavors = parser.flavors();
    return classes;
}

std::vector<CIMClass> readMofFile(const std::string& path, QualifierFlavorTable* flavors) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw MofError(path, 0, "cannot open: " + std::generic_category().message(errno));
    }
    std::string text;
    char buf[16384];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<size_t>(in.gcount()));
        if (text.size() > kMofMaxInputBytes) {
            throw MofError(path, 0,
                           "input larger than " + std::to_string(kMofMaxInputBytes) + " bytes");
        }
    }
    if (in.bad()) throw MofError(path, 0, "cannot read: " + std::generic_category().message(errno));
    return readMof(text, path, flavors);
}

}  // namespace qvx_cimom
