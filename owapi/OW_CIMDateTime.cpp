#include "OW_CIMDateTime.hpp"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <ostream>

namespace OpenWBEM {

CIMDateTimeException::CIMDateTimeException(const char* file, int line, const char* msg)
    : CIMException(file, line, CIMException::FAILED, msg) {}
CIMDateTimeException::~CIMDateTimeException() throw() {}
const char* CIMDateTimeException::type() const {
    return "CIMDateTimeException";
}
CIMDateTimeException* CIMDateTimeException::clone() const throw() {
    return new (std::nothrow) CIMDateTimeException(*this);
}

namespace {

// Reads up to n characters as atoi does: no digit validation.
long field(const char* s, int n) {
    char buf[16] = {0};
    for (int i = 0; i < n && s[i]; ++i) buf[i] = s[i];
    return std::strtol(buf, 0, 10);
}

[[noreturn]] void throwBadFormat() {
    OW_THROW(CIMDateTimeException, "Invalid format for date time");
}

}  // namespace

CIMDateTime::CIMDateTime()
    : m_null(false),
      m_isInterval(true),
      m_year(0),
      m_month(0),
      m_days(0),
      m_hours(0),
      m_minutes(0),
      m_seconds(0),
      m_microSeconds(0),
      m_utc(0) {}

CIMDateTime::CIMDateTime(CIMNULL_t) : CIMDateTime() {
    m_null = true;
}

CIMDateTime::CIMDateTime(const CIMDateTime& arg) = default;

// Every field is cleared first, the interval flag too: "" is a point in time.
CIMDateTime::CIMDateTime(const String& arg) : CIMDateTime() {
    m_isInterval = false;
    if (arg.empty()) return;
    const char* s = arg.c_str();
    char sep = arg.length() > 21 ? s[21] : '\0';
    if (sep == ':') {
        m_isInterval = true;
        m_days = static_cast<UInt32>(field(s, 8));
        m_hours = static_cast<UInt8>(field(s + 8, 2));
        m_minutes = static_cast<UInt8>(field(s + 10, 2));
        m_seconds = static_cast<UInt8>(field(s + 12, 2));
        m_microSeconds = static_cast<UInt32>(field(s + 15, 6));
    } else if (sep == '+' || sep == '-') {
        m_isInterval = false;
        m_year = static_cast<UInt16>(field(s, 4));
        m_month = static_cast<UInt8>(field(s + 4, 2));
        m_days = static_cast<UInt32>(field(s + 6, 2));
        m_hours = static_cast<UInt8>(field(s + 8, 2));
        m_minutes = static_cast<UInt8>(field(s + 10, 2));
        m_seconds = static_cast<UInt8>(field(s + 12, 2));
        m_microSeconds = static_cast<UInt32>(field(s + 15, 6));
        Int16 utc = static_cast<Int16>(field(s + 22, 3));
        m_utc = sep == '-' ? static_cast<Int16>(-utc) : utc;
    } else {
        throwBadFormat();
    }
}

CIMDateTime::CIMDateTime(UInt64 microSeconds) : CIMDateTime() {
    UInt64 secs = microSeconds / 1000000;
    m_microSeconds = static_cast<UInt32>(microSeconds % 1000000);
    m_seconds = static_cast<UInt8>(secs % 60);
    m_minutes = static_cast<UInt8>((secs / 60) % 60);
    m_hours = static_cast<UInt8>((secs / 3600) % 24);
    m_days = static_cast<UInt32>(secs / 86400);
}

CIMDateTime::~CIMDateTime() {}
CIMDateTime& CIMDateTime::operator=(const CIMDateTime& arg) = default;

bool CIMDateTime::equal(const CIMDateTime& arg) const {
    return m_null == arg.m_null && m_isInterval == arg.m_isInterval && m_year == arg.m_year &&
           m_month == arg.m_month && m_days == arg.m_days && m_hours == arg.m_hours &&
           m_minutes == arg.m_minutes && m_seconds == arg.m_seconds &&
           m_microSeconds == arg.m_microSeconds && m_utc == arg.m_utc;
}

CIMDateTime& CIMDateTime::setYear(UInt16 arg) {
    m_year = arg;
    return *this;
}
CIMDateTime& CIMDateTime::setMonth(UInt8 arg) {
    m_month = arg;
    return *this;
}
CIMDateTime& CIMDateTime::setDays(UInt32 arg) {
    m_days = arg;
    return *this;
}
CIMDateTime& CIMDateTime::setDay(UInt32 arg) {
    return setDays(arg);
}
CIMDateTime& CIMDateTime::setHours(UInt8 arg) {
    m_hours = arg;
    return *this;
}
CIMDateTime& CIMDateTime::setMinutes(UInt8 arg) {
    m_minutes = arg;
    return *this;
}
CIMDateTime& CIMDateTime::setSeconds(UInt8 arg) {
    m_seconds = arg;
    return *this;
}
CIMDateTime& CIMDateTime::setMicroSeconds(UInt32 arg) {
    m_microSeconds = arg;
    return *this;
}
CIMDateTime& CIMDateTime::setUtc(Int16 arg) {
    m_utc = arg;
    return *this;
}
void CIMDateTime::setInterval(bool val) {
    m_isInterval = val;
}

String CIMDateTime::toString() const {
    char buf[80];
    if (m_isInterval) {
        std::snprintf(buf, sizeof buf, "%08u%02u%02u%02u.%06u:000", m_days, unsigned(m_hours),
                      unsigned(m_minutes), unsigned(m_seconds), m_microSeconds);
    } else {
        std::snprintf(buf, sizeof buf, "%04u%02u%02u%02u%02u%02u.%06u%+04d", unsigned(m_year),
                      unsigned(m_month), m_days, unsigned(m_hours), unsigned(m_minutes),
                      unsigned(m_seconds), m_microSeconds, int(m_utc));
    }
    return String(buf);
}

bool CIMDateTime::valid() const {
    if (m_null) return false;
    return m_year || m_month || m_days || m_hours || m_minutes || m_seconds || m_microSeconds;
}

bool operator==(const CIMDateTime& x, const CIMDateTime& y) {
    return x.equal(y);
}
bool operator!=(const CIMDateTime& x, const CIMDateTime& y) {
    return !x.equal(y);
}
bool operator<(const CIMDateTime& x, const CIMDateTime& y) {
    return x.toString() < y.toString();
}
std::ostream& operator<<(std::ostream& ostr, const CIMDateTime& arg) {
    return ostr << arg.toString();
}

}  // namespace OpenWBEM
