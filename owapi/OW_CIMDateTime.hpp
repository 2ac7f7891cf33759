#ifndef OW_CIMDATETIME_HPP_INCLUDE_GUARD_
#define OW_CIMDATETIME_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMException.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_String.hpp"
#include "OW_Types.hpp"

#include <iosfwd>

namespace OpenWBEM {

// A text that is not a date-time; it reaches clients as CIM_ERR_FAILED.
class CIMDateTimeException : public CIMException {
public:
    CIMDateTimeException(const char* file, int line, const char* msg);
    virtual ~CIMDateTimeException() throw();
    virtual const char* type() const;
    virtual CIMDateTimeException* clone() const throw();
};

// A CIM date-time. A default-constructed one is an interval of zero length;
// the setters never change the interval flag.
class CIMDateTime {
public:
    CIMDateTime();
    explicit CIMDateTime(CIMNULL_t);
    CIMDateTime(const CIMDateTime& arg);
    // "yyyymmddhhmmss.mmmmmmsutc" or the interval form "ddddddddhhmmss.mmmmmm:000";
    // "" gives a point in time with every field 0.
    explicit CIMDateTime(const String& arg);
    explicit CIMDateTime(UInt64 microSeconds);
    ~CIMDateTime();
    CIMDateTime& operator=(const CIMDateTime& arg);

    UInt16 getYear() const { return m_year; }
    UInt8 getMonth() const { return m_month; }
    UInt32 getDays() const { return m_days; }
    UInt32 getDay() const { return m_days; }
    UInt8 getHours() const { return m_hours; }
    UInt8 getMinutes() const { return m_minutes; }
    UInt8 getSeconds() const { return m_seconds; }
    UInt32 getMicroSeconds() const { return m_microSeconds; }
    Int16 getUtc() const { return m_utc; }
    bool equal(const CIMDateTime& arg) const;

    CIMDateTime& setYear(UInt16 arg);
    CIMDateTime& setMonth(UInt8 arg);
    CIMDateTime& setDays(UInt32 arg);
    CIMDateTime& setDay(UInt32 arg);
    CIMDateTime& setHours(UInt8 arg);
    CIMDateTime& setMinutes(UInt8 arg);
    CIMDateTime& setSeconds(UInt8 arg);
    CIMDateTime& setMicroSeconds(UInt32 arg);
    CIMDateTime& setUtc(Int16 arg);
    bool isInterval() const { return m_isInterval; }
    void setInterval(bool val);
    // Always 25 characters for fields within their ranges.
    String toString() const;

private:
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();
    bool valid() const;

public:
    // False for a null object and for one whose fields are all zero.
    operator safe_bool() const { return valid() ? &dummy::nonnull : 0; }
    safe_bool operator!() const { return valid() ? 0 : &dummy::nonnull; }

private:
    bool m_null;
    bool m_isInterval;
    UInt16 m_year;
    UInt8 m_month;
    UInt32 m_days;
    UInt8 m_hours;
    UInt8 m_minutes;
    UInt8 m_seconds;
    UInt32 m_microSeconds;
    Int16 m_utc;
};

bool operator==(const CIMDateTime& x, const CIMDateTime& y);
bool operator!=(const CIMDateTime& x, const CIMDateTime& y);
bool operator<(const CIMDateTime& x, const CIMDateTime& y);
std::ostream& operator<<(std::ostream& ostr, const CIMDateTime& arg);

}  // namespace OpenWBEM

#endif
