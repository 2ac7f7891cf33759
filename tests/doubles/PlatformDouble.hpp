// Programmable stand-ins for the hardware-information and registry
// libraries, linked into unit tests in place of the real ones.
#ifndef QVX_TESTS_PLATFORMDOUBLE_HPP
#define QVX_TESTS_PLATFORMDOUBLE_HPP

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvx_test {

// One process-wide double: the C functions it answers for are global too.
// Every call is recorded as text, e.g. "osGetSerialNumber(21)",
// "osIsChasisPresent(1)", "KduGetRegEntryString(Providers,P,X,256)",
// "KduSetRegEntryInt(Providers,P,X,42)".
class PlatformDouble {
    typedef std::lock_guard<std::mutex> Lock;

public:
    // Defined with the C functions, so whoever uses the double links them in.
    static PlatformDouble& instance();

    // Distinct hardware answers, texts answering their function's name; no
    // chassis present, an empty registry, no faults, no recorded calls.
    void reset() {
        Lock lock(m_mutex);
        m_answers = {{"osGetSystemSubType", "1"},     {"osGetHardwareType", "1"},
                     {"osGetHardwareRevision", "10"}, {"osGetSecsiRegion", "1"},
                     {"osGetManfId", "42"},           {"osGetManfDate", "2005 11 30 14 05"},
                     {"osIsChasisPresent", "0"}};
        m_faults.clear();
        m_registry.clear();
        m_calls.clear();
    }
    // The answer of a hardware query, by function or by whole call such as
    // "osIsChasisPresent(1)"; numbers in decimal, texts cut to the caller's size.
    void answer(const std::string& function, const std::string& text) {
        Lock lock(m_mutex);
        m_answers[function] = text;
    }
    // Makes a function return code from now on (0: no fault); for the
    // registry, only for one property name when one is given.
    void fail(const std::string& function, int32_t code, const std::string& property = "") {
        Lock lock(m_mutex);
        m_faults[{function, property}] = code;
    }
    // Makes a function throw std::runtime_error instead of answering.
    void throwFrom(const std::string& function) { fail(function, kThrow); }

    // Registry entries of the "Providers" section; an int is kept in decimal.
    void setEntry(const std::string& provider, const std::string& property,
                  const std::string& text) {
        Lock lock(m_mutex);
        m_registry["Providers," + provider + "," + property] = text;
    }
    std::optional<std::string> entry(const std::string& provider,
                                     const std::string& property) const {
        Lock lock(m_mutex);
        auto it = m_registry.find("Providers," + provider + "," + property);
        if (it == m_registry.end()) return std::nullopt;
        return it->second;
    }

    std::vector<std::string> calls() const {
        Lock lock(m_mutex);
        return m_calls;
    }
    // Number of recorded calls of that function.
    size_t count(const std::string& function) const {
        Lock lock(m_mutex);
        return std::count_if(m_calls.begin(), m_calls.end(), [&](const std::string& c) {
            return c.compare(0, function.size() + 1, function + "(") == 0;
        });
    }

    // Used by the C functions: records the call function(arguments) and
    // returns its fault, or 0 and the answer. For the registry, the arguments
    // start with "section,provider,property" and name an entry.
    int32_t query(const std::string& function, const std::string& arguments, std::string& out) {
        Lock lock(m_mutex);
        if (int32_t rc = callLocked(function, arguments, "")) return rc;
        auto byCall = m_answers.find(function + "(" + arguments + ")");
        auto byFunction = m_answers.find(function);
        out = byCall != m_answers.end()       ? byCall->second
              : byFunction != m_answers.end() ? byFunction->second
                                              : function;
        return 0;
    }
    int32_t read(const std::string& entry, const char* property, int32_t size, std::string& out) {
        Lock lock(m_mutex);
        if (int32_t rc =
                callLocked("KduGetRegEntryString", entry + "," + std::to_string(size), property))
            return rc;
        auto it = m_registry.find(entry);
        if (it == m_registry.end()) return 2;  // no such entry
        out = it->second;
        return 0;
    }
    int32_t write(const char* function, const std::string& entry, const char* property,
                  const std::string& text) {
        Lock lock(m_mutex);
        if (int32_t rc = callLocked(function, entry + "," + text, property)) return rc;
        m_registry[entry] = text;
        return 0;
    }

private:
    static const int32_t kThrow = -999999;
    PlatformDouble() { reset(); }
    // A fault for the property alone wins over one for every call of the function.
    int32_t callLocked(const std::string& function, const std::string& arguments,
                       const std::string& property) {
        m_calls.push_back(function + "(" + arguments + ")");
        auto f = m_faults.find({function, property});
        if (f == m_faults.end()) f = m_faults.find({function, ""});
        if (f == m_faults.end()) return 0;
        if (f->second == kThrow) throw std::runtime_error(function + " broke");
        return f->second;
    }

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
