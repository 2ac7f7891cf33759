// Programmable stand-ins for the hardware-information and registry
// libraries, linked into unit tests in place of the real ones.
#ifndef QVX_TESTS_PLATFORMDOUBLE_HPP
#define QVX_TESTS_PLATFORMDOUBLE_HPP

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace qvx_test {

// One process-wide double: the C functions it answers for are global too.
// Every call is recorded as text, e.g. "osGetSerialNumber(21)",
// "osIsChasisPresent(1)", "KduGetRegEntryString(Providers,QVX_MBMProvider,X,256)",
// "KduSetRegEntryString(Providers,P,X,value)", "KduSetRegEntryInt(Providers,P,X,42)".
class PlatformDouble {
public:
    static PlatformDouble& instance();

    // Plausible answers for every hardware call, an empty registry, no
    // faults, no recorded calls.
    void reset();

    // Hardware answers. Numbers go to the five 16-bit queries, texts to the
    // text queries (written as given, cut to the caller's size).
    void setNumber(const std::string& function, uint16_t value);
    void setText(const std::string& function, const std::string& text);
    // Status written by osIsChasisPresent for that index.
    void setPresence(int32_t index, uint8_t status);
    // Makes a function (hardware or registry) return code from now on;
    // code 0 removes the fault.
    void failWith(const std::string& function, int32_t code);
    // Makes only the registry calls for one property name return code.
    void failRegistry(const std::string& function, const std::string& property, int32_t code);

    // Registry content.
    void setEntry(const std::string& provider, const std::string& property, const std::string& text,
                  const std::string& section = "Providers");
    std::optional<std::string> textEntry(const std::string& provider, const std::string& property,
                                         const std::string& section = "Providers") const;
    std::optional<int32_t> intEntry(const std::string& provider, const std::string& property,
                                    const std::string& section = "Providers") const;

    std::vector<std::string> calls() const;
    // Number of recorded calls of that function.
    size_t count(const std::string& function) const;
    void clearCalls();

    // Used by the C functions.
    int32_t hardwareNumber(const char* function, uint16_t* out);
    int32_t hardwareText(const char* function, char* buf, int32_t size);
    int32_t presence(int32_t index, uint8_t* out);
    int32_t getString(const char* section, const char* provider, const char* property, char* buf,
                      int32_t size);
    int32_t setString(const char* section, const char* provider, const char* property,
                      const char* value);
    int32_t setInt(const char* section, const char* provider, const char* property, int32_t value);

private:
    PlatformDouble();
    typedef std::tuple<std::string, std::string, std::string> Key;
    struct Entry {
        bool isInt;
        std::string text;
        int32_t number;
    };
    int32_t faultLocked(const std::string& function, const std::string& property) const;

    mutable std::mutex m_mutex;
    std::map<std::string, uint16_t> m_numbers;
    std::map<std::string, std::string> m_texts;
    std::map<int32_t, uint8_t> m_presence;
    // By function and property; "" for every call of the function.
    std::map<std::pair<std::string, std::string>, int32_t> m_faults;
    std::map<Key, Entry> m_registry;
    std::vector<std::string> m_calls;
};

}  // namespace qvx_test

#endif
