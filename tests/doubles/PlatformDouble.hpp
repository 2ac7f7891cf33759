// Programmable stand-ins for the hardware-information and registry
// libraries, linked into unit tests in place of the real ones.
#ifndef QVX_TESTS_PLATFORMDOUBLE_HPP
#define QVX_TESTS_PLATFORMDOUBLE_HPP

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qvx_test {

// One process-wide double: the C functions it answers for are global too.
// Every call is recorded as text, e.g. "osGetSerialNumber(21)",
// "osIsChasisPresent(1)", "KduGetRegEntryString(Providers,P,X,256)",
// "KduSetRegEntryInt(Providers,P,X,42)".
class PlatformDouble {
public:
    static PlatformDouble& instance();

    // Plausible, distinct hardware answers, no chassis present, an empty
    // registry, no faults, no recorded calls.
    void reset();
    // The answer of a hardware query, by function or by whole call such as
    // "osIsChasisPresent(1)"; numbers in decimal, texts cut to the caller's size.
    void answer(const std::string& function, const std::string& text);
    // Makes a function return code from now on (0: no fault); for the
    // registry, only for one property name when one is given.
    void fail(const std::string& function, int32_t code, const std::string& property = "");
    // Makes a function throw std::runtime_error instead of answering.
    void throwFrom(const std::string& function) { fail(function, kThrow); }

    // Registry content, all in the "Providers" section.
    void setEntry(const std::string& provider, const std::string& property,
                  const std::string& text);
    // An entry's text, a number written as an int in decimal.
    std::optional<std::string> entry(const std::string& provider,
                                     const std::string& property) const;

    std::vector<std::string> calls() const;
    // Number of recorded calls of that function.
    size_t count(const std::string& function) const;
    void clearCalls();

    // Used by the C functions: records the call and returns its fault, or
    // 0 with the answer (a query's, or a registry entry's text).
    int32_t query(const std::string& function, const std::string& arguments, std::string& out);
    int32_t read(const char* section, const char* provider, const char* property, int32_t size,
                 std::string& out);
    int32_t write(const char* function, const char* section, const char* provider,
                  const char* property, const std::string& text);

private:
    static const int32_t kThrow = -999999;
    PlatformDouble() { reset(); }
    int32_t callLocked(const std::string& function, const std::string& arguments,
                       const std::string& property);

    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_answers;
    // By function and property; "" for every call of the function.
    std::map<std::pair<std::string, std::string>, int32_t> m_faults;
    // By "section,provider,property".
    std::map<std::string, std::string> m_registry;
    std::vector<std::string> m_calls;
};

}  // namespace qvx_test

#endif
