#include "PlatformDouble.hpp"

#include "platform/SblimUtilities.h"
#include "platform/osa.h"

#include <algorithm>
#include <cstring>

namespace qvx_test {

namespace {

const int32_t kMissingEntry = 2;
const int32_t kBadArgument = 22;

void copyCut(const std::string& text, char* buf, int32_t size) {
    size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
}

}  // namespace

PlatformDouble& PlatformDouble::instance() {
    static PlatformDouble d;
    return d;
}

PlatformDouble::PlatformDouble() { reset(); }

void PlatformDouble::reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_numbers = {{"osGetSystemSubType", 1}, {"osGetHardwareType", 1},
                 {"osGetHardwareRevision", 10}, {"osGetSecsiRegion", 1},
                 {"osGetManfId", 42}};
    m_texts = {{"osGetSerialNumber", "SN0001"},
               {"osGetSystemId", "SYS0001"},
               {"osGetPartNumber", "PN-1000"},
               {"osGetPCBASerialNumber", "PCBA0001"},
               {"osGetHDSerialNumber", "HD0001"},
               {"osGetCNICOneSerialNumber", "CNIC0001"},
               {"osGetCSCSerialNumber", "CSC0001"},
               {"osGetManfInfo", "Z"},
               {"osGetEth1Addr", "P"},
               {"osGetEth2Addr", "Q"},
               {"osGetEth3Addr", "R"},
               {"osGetManfDate", "2005 11 30 14 05"}};
    m_presence = {{0, 0}, {1, 0}};
    m_faults.clear();
    m_registry.clear();
    m_calls.clear();
}

void PlatformDouble::setNumber(const std::string& function, uint16_t value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_numbers[function] = value;
}
void PlatformDouble::setText(const std::string& function, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_texts[function] = text;
}
void PlatformDouble::setPresence(int32_t index, uint8_t status) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_presence[index] = status;
}
void PlatformDouble::failWith(const std::string& function, int32_t code) {
    failRegistry(function, "", code);
}
void PlatformDouble::failRegistry(const std::string& function, const std::string& property,
                                  int32_t code) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (code == 0)
        m_faults.erase({function, property});
    else
        m_faults[{function, property}] = code;
}

void PlatformDouble::setEntry(const std::string& provider, const std::string& property,
                              const std::string& text, const std::string& section) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_registry[Key(section, provider, property)] = Entry{false, text, 0};
}
std::optional<std::string> PlatformDouble::textEntry(const std::string& provider,
                                                     const std::string& property,
                                                     const std::string& section) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_registry.find(Key(section, provider, property));
    if (it == m_registry.end() || it->second.isInt) return std::nullopt;
    return it->second.text;
}
std::optional<int32_t> PlatformDouble::intEntry(const std::string& provider,
                                                const std::string& property,
                                                const std::string& section) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_registry.find(Key(section, provider, property));
    if (it == m_registry.end() || !it->second.isInt) return std::nullopt;
    return it->second.number;
}

std::vector<std::string> PlatformDouble::calls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}
size_t PlatformDouble::count(const std::string& function) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<size_t>(std::count_if(m_calls.begin(), m_calls.end(), [&](const std::string& c) {
        return c.compare(0, function.size() + 1, function + "(") == 0;
    }));
}
void PlatformDouble::clearCalls() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
}

// A fault for the property alone wins over one for every call of the function.
int32_t PlatformDouble::faultLocked(const std::string& function,
                                    const std::string& property) const {
    auto f = m_faults.find({function, property});
    if (f == m_faults.end()) f = m_faults.find({function, ""});
    return f == m_faults.end() ? 0 : f->second;
}

int32_t PlatformDouble::hardwareNumber(const char* function, uint16_t* out) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::string(function) + "()");
    if (int32_t rc = faultLocked(function, "")) return rc;
    if (!out) return kBadArgument;
    *out = m_numbers[function];
    return 0;
}

int32_t PlatformDouble::hardwareText(const char* function, char* buf, int32_t size) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::string(function) + "(" + std::to_string(size) + ")");
    if (int32_t rc = faultLocked(function, "")) return rc;
    if (!buf || size <= 0) return kBadArgument;
    copyCut(m_texts[function], buf, size);
    return 0;
}

int32_t PlatformDouble::presence(int32_t index, uint8_t* out) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back("osIsChasisPresent(" + std::to_string(index) + ")");
    if (int32_t rc = faultLocked("osIsChasisPresent", "")) return rc;
    if (!out) return kBadArgument;
    *out = m_presence[index];
    return 0;
}

int32_t PlatformDouble::getString(const char* section, const char* provider,
                                  const char* property, char* buf, int32_t size) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::string("KduGetRegEntryString(") + section + "," + provider + "," +
                      property + "," + std::to_string(size) + ")");
    if (!buf || size <= 0) return kBadArgument;
    buf[0] = '\0';
    if (int32_t rc = faultLocked("KduGetRegEntryString", property)) return rc;
    auto it = m_registry.find(Key(section, provider, property));
    if (it == m_registry.end()) return kMissingEntry;
    copyCut(it->second.isInt ? std::to_string(it->second.number) : it->second.text, buf, size);
    return 0;
}

int32_t PlatformDouble::setString(const char* section, const char* provider,
                                  const char* property, const char* value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::string("KduSetRegEntryString(") + section + "," + provider + "," +
                      property + "," + value + ")");
    if (int32_t rc = faultLocked("KduSetRegEntryString", property)) return rc;
    m_registry[Key(section, provider, property)] = Entry{false, value, 0};
    return 0;
}

int32_t PlatformDouble::setInt(const char* section, const char* provider, const char* property,
                               int32_t value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::string("KduSetRegEntryInt(") + section + "," + provider + "," +
                      property + "," + std::to_string(value) + ")");
    if (int32_t rc = faultLocked("KduSetRegEntryInt", property)) return rc;
    m_registry[Key(section, provider, property)] = Entry{true, std::string(), value};
    return 0;
}

}  // namespace qvx_test

using qvx_test::PlatformDouble;

#define QVX_NUMBER_QUERY(NAME) \
    int32_t NAME(uint16_t* out) { return PlatformDouble::instance().hardwareNumber(#NAME, out); }
#define QVX_TEXT_QUERY(NAME)                                            \
    int32_t NAME(char* buf, int32_t size) {                             \
        return PlatformDouble::instance().hardwareText(#NAME, buf, size); \
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
    return PlatformDouble::instance().presence(index, present);
}

int32_t KduGetRegEntryString(const char* section, const char* provider, const char* property,
                             char* buf, int32_t size) {
    return PlatformDouble::instance().getString(section, provider, property, buf, size);
}
int32_t KduSetRegEntryString(const char* section, const char* provider, const char* property,
                             const char* value) {
    return PlatformDouble::instance().setString(section, provider, property, value);
}
int32_t KduSetRegEntryInt(const char* section, const char* provider, const char* property,
                          int32_t value) {
    return PlatformDouble::instance().setInt(section, provider, property, value);
}
}
