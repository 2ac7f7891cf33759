#include "PlatformDouble.hpp"

#include "platform/SblimUtilities.h"
#include "platform/osa.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace qvx_test {

namespace {

typedef std::lock_guard<std::mutex> Lock;
const int32_t kMissingEntry = 2;

std::string key(const char* section, const char* provider, const char* property) {
    return std::string(section) + "," + provider + "," + property;
}

}  // namespace

PlatformDouble& PlatformDouble::instance() {
    static PlatformDouble d;
    return d;
}

void PlatformDouble::reset() {
    Lock lock(m_mutex);
    // Texts not set answer their function's name.
    m_answers = {{"osGetSystemSubType", "1"},     {"osGetHardwareType", "1"},
                 {"osGetHardwareRevision", "10"}, {"osGetSecsiRegion", "1"},
                 {"osGetManfId", "42"},           {"osGetManfDate", "2005 11 30 14 05"},
                 {"osIsChasisPresent", "0"}};
    m_faults.clear();
    m_registry.clear();
    m_calls.clear();
}

void PlatformDouble::answer(const std::string& function, const std::string& text) {
    Lock lock(m_mutex);
    m_answers[function] = text;
}

void PlatformDouble::fail(const std::string& function, int32_t code, const std::string& property) {
    Lock lock(m_mutex);
    if (code == 0)
        m_faults.erase({function, property});
    else
        m_faults[{function, property}] = code;
}

void PlatformDouble::setEntry(const std::string& provider, const std::string& property,
                              const std::string& text) {
    Lock lock(m_mutex);
    m_registry[key("Providers", provider.c_str(), property.c_str())] = text;
}

std::optional<std::string> PlatformDouble::entry(const std::string& provider,
                                                 const std::string& property) const {
    Lock lock(m_mutex);
    auto it = m_registry.find(key("Providers", provider.c_str(), property.c_str()));
    if (it == m_registry.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> PlatformDouble::calls() const {
    Lock lock(m_mutex);
    return m_calls;
}

size_t PlatformDouble::count(const std::string& function) const {
    Lock lock(m_mutex);
    return static_cast<size_t>(
        std::count_if(m_calls.begin(), m_calls.end(), [&](const std::string& c) {
            return c.compare(0, function.size() + 1, function + "(") == 0;
        }));
}

void PlatformDouble::clearCalls() {
    Lock lock(m_mutex);
    m_calls.clear();
}

// A fault for the property alone wins over one for every call of the function.
int32_t PlatformDouble::callLocked(const std::string& function, const std::string& arguments,
                                   const std::string& property) {
    m_calls.push_back(function + "(" + arguments + ")");
    auto f = m_faults.find({function, property});
    if (f == m_faults.end()) f = m_faults.find({function, ""});
    if (f == m_faults.end()) return 0;
    if (f->second == kThrow) throw std::runtime_error(function + " broke");
    return f->second;
}

int32_t PlatformDouble::query(const std::string& function, const std::string& arguments,
                              std::string& out) {
    Lock lock(m_mutex);
    if (int32_t rc = callLocked(function, arguments, "")) return rc;
    auto byCall = m_answers.find(function + "(" + arguments + ")");
    auto byFunction = m_answers.find(function);
    out = byCall != m_answers.end()       ? byCall->second
          : byFunction != m_answers.end() ? byFunction->second
                                          : function;
    return 0;
}

int32_t PlatformDouble::read(const char* section, const char* provider, const char* property,
                             int32_t size, std::string& out) {
    Lock lock(m_mutex);
    std::string k = key(section, provider, property);
    if (int32_t rc = callLocked("KduGetRegEntryString", k + "," + std::to_string(size), property))
        return rc;
    auto it = m_registry.find(k);
    if (it == m_registry.end()) return kMissingEntry;
    out = it->second;
    return 0;
}

int32_t PlatformDouble::write(const char* function, const char* section, const char* provider,
                              const char* property, const std::string& text) {
    Lock lock(m_mutex);
    std::string k = key(section, provider, property);
    if (int32_t rc = callLocked(function, k + "," + text, property)) return rc;
    m_registry[k] = text;
    return 0;
}

}  // namespace qvx_test

namespace {

using qvx_test::PlatformDouble;

// Written as the libraries do: cut to size, always terminated.
int32_t copyCut(int32_t rc, const std::string& text, char* buf, int32_t size) {
    if (!buf || size <= 0) return 22;
    size_t n = rc ? 0 : std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return rc;
}

int32_t number(const char* function, uint16_t* out) {
    std::string answer;
    int32_t rc = PlatformDouble::instance().query(function, "", answer);
    if (rc == 0) *out = static_cast<uint16_t>(std::stoul(answer));
    return rc;
}

int32_t text(const char* function, char* buf, int32_t size) {
    std::string answer;
    int32_t rc = PlatformDouble::instance().query(function, std::to_string(size), answer);
    return copyCut(rc, answer, buf, size);
}

}  // namespace

#define QVX_NUMBER_QUERY(NAME)     \
    int32_t NAME(uint16_t* out) {  \
        return number(#NAME, out); \
    }
#define QVX_TEXT_QUERY(NAME)                \
    int32_t NAME(char* buf, int32_t size) { \
        return text(#NAME, buf, size);      \
    }

extern "C" {
QVX_NUMBER_QUERY(osGetSystemSubType)
QVX_NUMBER_QUERY(osGetHardwareType)
QVX_NUMBER_QUERY(osGetHardwareRevision)
QVX_NUMBER_QUERY(osGetSecsiRegion)
QVX_NUMBER_QUERY(osGetManfId)
QVX_TEXT_QUERY(osGetSerialNumber)
QVX_TEXT_QUERY(osGetSystemId)
QVX_TEXT_QUERY(osGetPartNumber)
QVX_TEXT_QUERY(osGetPCBASerialNumber)
QVX_TEXT_QUERY(osGetHDSerialNumber)
QVX_TEXT_QUERY(osGetCNICOneSerialNumber)
QVX_TEXT_QUERY(osGetCSCSerialNumber)
QVX_TEXT_QUERY(osGetManfInfo)
QVX_TEXT_QUERY(osGetEth1Addr)
QVX_TEXT_QUERY(osGetEth2Addr)
QVX_TEXT_QUERY(osGetEth3Addr)
QVX_TEXT_QUERY(osGetManfDate)

int32_t osIsChasisPresent(int32_t index, uint8_t* present) {
    std::string answer;
    int32_t rc =
        PlatformDouble::instance().query("osIsChasisPresent", std::to_string(index), answer);
    if (rc == 0) *present = static_cast<uint8_t>(std::stoul(answer));
    return rc;
}

int32_t KduGetRegEntryString(const char* section, const char* provider, const char* property,
                             char* buf, int32_t size) {
    std::string answer;
    return copyCut(PlatformDouble::instance().read(section, provider, property, size, answer),
                   answer, buf, size);
}
int32_t KduSetRegEntryString(const char* section, const char* provider, const char* property,
                             const char* value) {
    return PlatformDouble::instance().write("KduSetRegEntryString", section, provider, property,
                                            value);
}
int32_t KduSetRegEntryInt(const char* section, const char* provider, const char* property,
                          int32_t value) {
    return PlatformDouble::instance().write("KduSetRegEntryInt", section, provider, property,
                                            std::to_string(value));
}
}
