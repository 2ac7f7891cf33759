// Reads class declarations from MOF text (DSP0004 syntax) into CIMClass
// objects: qualifiers, superclass name, properties with types and default
// values, methods with parameters. Qualifier type declarations are checked
// and used to type qualifier values; #pragma lines are skipped. Instance
// declarations, aliases and #pragma include are refused with an error.
//
// The input may be hostile (it is fuzzed): every size below is bounded and
// checked, the grammar nests nowhere (no construct contains itself), and
// every fault ends in a MofError, never in a crash or a hang.
#ifndef QVX_CIMOM_MOFREADER_HPP
#define QVX_CIMOM_MOFREADER_HPP

#include "OW_CIMClass.hpp"

#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvx_cimom {

// Limits of one read; exceeding any of them is an error, not a truncation.
constexpr std::size_t kMofMaxInputBytes = 1024 * 1024;
constexpr std::size_t kMofMaxIdentifierLength = 256;
constexpr std::size_t kMofMaxStringBytes = 64 * 1024;  // one value, after concatenation
constexpr std::size_t kMofMaxNumberLength = 64;
constexpr std::size_t kMofMaxClasses = 10000;
constexpr std::size_t kMofMaxProperties = 10000;  // per class
constexpr std::size_t kMofMaxMethods = 1000;      // per class
constexpr std::size_t kMofMaxParameters = 256;    // per method
constexpr std::size_t kMofMaxQualifiers = 256;    // per element
constexpr std::size_t kMofMaxArrayElements = 10000;

// what() is "<source>:<line>: <message>"; line 0 stands for the input as a
// whole (too large, unreadable) and is left out: "<source>: <message>".
class MofError : public std::runtime_error {
public:
    MofError(const std::string& source, unsigned line, const std::string& message);
    unsigned line() const { return m_line; }
    const std::string& source() const { return m_source; }
    const std::string& message() const { return m_message; }

private:
    std::string m_source;
    unsigned m_line;
    std::string m_message;
};

// What a qualifier declaration's Flavor(...) says; DSP0004's defaults when
// it says nothing.
struct QualifierFlavors {
    bool overridable = true;
    bool toSubclass = true;
    bool translatable = false;
};
// By lower-case qualifier name.
typedef std::map<std::string, QualifierFlavors> QualifierFlavorTable;

// The classes in declaration order. sourceName only labels errors. flavors,
// when given, receives the flavors of the qualifiers the text declares.
std::vector<OpenWBEM::CIMClass> readMof(const std::string& text, const std::string& sourceName,
                                        QualifierFlavorTable* flavors = nullptr);

// Reads the file at path (at most kMofMaxInputBytes); errors name the path.
std::vector<OpenWBEM::CIMClass> readMofFile(const std::string& path,
                                            QualifierFlavorTable* flavors = nullptr);

}  // namespace qvx_cimom

#endif
