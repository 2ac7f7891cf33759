#ifndef OW_EXCEPTION_HPP_INCLUDE_GUARD_
#define OW_EXCEPTION_HPP_INCLUDE_GUARD_
#include "OW_config.h"

#include <exception>
#include <iosfwd>

namespace OpenWBEM {

// Base of every OpenWBEM exception. Copies of file and message are owned;
// a sub-exception given at construction is cloned and owned.
class Exception : public std::exception {
protected:
    Exception(const char* file, int line, const char* msg) OW_DEPRECATED;
    Exception(const char* file, int line, const char* msg, int errorCode,
              const Exception* otherException = 0, int subClassId = UNKNOWN_SUBCLASS_ID);
    Exception(const Exception& e);
    Exception& operator=(const Exception& rhs);
    void setSubClassId(int subClassId);
    void setErrorCode(int errorCode);
    // Replaces the message; used by sub-classes that compose their own text.
    void setMessage(const char* msg);

public:
    virtual ~Exception() throw();
    static const int UNKNOWN_SUBCLASS_ID = -1;
    static const int UNKNOWN_ERROR_CODE = -1;

    virtual const char* type() const;
    virtual const char* getMessage() const;
    const char* getFile() const;
    int getLine() const;
    int getSubClassId() const;
    const Exception* getSubException() const;
    int getErrorCode() const;
    virtual const char* what() const throw();
    virtual Exception* clone() const;

private:
    void init(const char* file, const char* msg, const Exception* other);
    void destroy();

    char* m_file;
    int m_line;
    char* m_msg;
    int m_subClassId;
    Exception* m_subException;
    int m_errorCode;
};

std::ostream& operator<<(std::ostream& os, const Exception& e);

// Declares an Exception sub-class NAME##Exception with the usual constructor.
#define OW_DECLARE_EXCEPTION(NAME)                                                          \
    class NAME##Exception : public ::OpenWBEM::Exception {                                  \
    public:                                                                                 \
        NAME##Exception(const char* file, int line, const char* msg,                        \
                        int errorCode = ::OpenWBEM::Exception::UNKNOWN_ERROR_CODE,          \
                        const ::OpenWBEM::Exception* otherException = 0,                    \
                        int subClassId = ::OpenWBEM::Exception::UNKNOWN_SUBCLASS_ID);       \
        virtual ~NAME##Exception() throw();                                                 \
        virtual const char* type() const;                                                   \
        virtual NAME##Exception* clone() const;                                             \
    }

#define OW_DEFINE_EXCEPTION(NAME)                                                           \
    NAME##Exception::NAME##Exception(const char* file, int line, const char* msg,           \
                                     int errorCode, const ::OpenWBEM::Exception* other,     \
                                     int subClassId)                                        \
        : ::OpenWBEM::Exception(file, line, msg, errorCode, other, subClassId) {}           \
    NAME##Exception::~NAME##Exception() throw() {}                                          \
    const char* NAME##Exception::type() const { return #NAME "Exception"; }                 \
    NAME##Exception* NAME##Exception::clone() const { return new NAME##Exception(*this); }

#define OW_THROW(exType, msg) throw exType(__FILE__, __LINE__, (msg))

OW_DECLARE_EXCEPTION(NULLCOWIntrusiveReference);
OW_DECLARE_EXCEPTION(NULLValue);
OW_DECLARE_EXCEPTION(OutOfBounds);
OW_DECLARE_EXCEPTION(NoSuchProperty);

}  // namespace OpenWBEM

#endif
