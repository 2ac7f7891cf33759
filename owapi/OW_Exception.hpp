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
    Exception(int subClassId, const char* file, int line, const char* msg, int errorCode,
              const Exception* otherException = 0);
    Exception(const Exception& e);
    Exception& operator=(const Exception& rhs);
    void swap(Exception& x);
    void setSubClassId(int subClassId);
    void setErrorCode(int errorCode);

public:
    virtual ~Exception() throw();
    static const int UNKNOWN_SUBCLASS_ID = -1;
    static const int UNKNOWN_ERROR_CODE = -1;

    virtual const char* type() const;
    // The message as given; "" when there is none.
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

// "<file>: <line> <type>: <message>".
std::ostream& operator<<(std::ostream& os, const Exception& e);

// Declares an Exception sub-class NAME##Exception with the usual constructor.
#define OW_DECLARE_EXCEPTION(NAME)                                                 \
    class NAME##Exception : public ::OpenWBEM::Exception {                         \
    public:                                                                        \
        NAME##Exception(const char* file, int line, const char* msg,               \
                        int errorCode = ::OpenWBEM::Exception::UNKNOWN_ERROR_CODE, \
                        const ::OpenWBEM::Exception* otherException = 0);          \
        virtual ~NAME##Exception() throw();                                        \
        virtual const char* type() const;                                          \
        virtual NAME##Exception* clone() const;                                    \
    }

#define OW_DEFINE_EXCEPTION(NAME)                                                                \
    NAME##Exception::NAME##Exception(const char* file, int line, const char* msg, int errorCode, \
                                     const ::OpenWBEM::Exception* other)                         \
        : ::OpenWBEM::Exception(::OpenWBEM::Exception::UNKNOWN_SUBCLASS_ID, file, line, msg,     \
                                errorCode, other) {}                                             \
    NAME##Exception::~NAME##Exception() throw() {}                                               \
    const char* NAME##Exception::type() const {                                                  \
        return #NAME "Exception";                                                                \
    }                                                                                            \
    NAME##Exception* NAME##Exception::clone() const {                                            \
        return new NAME##Exception(*this);                                                       \
    }

#define OW_THROW(exType, msg) throw exType(__FILE__, __LINE__, (msg))
#define OW_THROW_ERR(exType, msg, err) throw exType(__FILE__, __LINE__, (msg), (err))
#define OW_THROW_SUBEX(exType, msg, subex) \
    throw exType(__FILE__, __LINE__, (msg), ::OpenWBEM::Exception::UNKNOWN_ERROR_CODE, &(subex))

}  // namespace OpenWBEM

#endif
