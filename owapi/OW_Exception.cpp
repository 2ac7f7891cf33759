#include "OW_Exception.hpp"

#include "OW_Array.hpp"
#include "OW_CIMValueCast.hpp"
#include "OW_COWReference.hpp"
#include "OW_NULLValueException.hpp"
#include "OW_NoSuchPropertyException.hpp"
#include "OW_Reference.hpp"
#include "OW_String.hpp"

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <utility>

namespace OpenWBEM {

namespace {

char* dupString(const char* s) {
    if (!s) return 0;
    size_t n = std::strlen(s) + 1;
    char* p = new char[n];
    std::memcpy(p, s, n);
    return p;
}

}  // namespace

Exception::Exception(const char* file, int line, const char* msg)
    : m_file(0),
      m_line(line),
      m_msg(0),
      m_subClassId(UNKNOWN_SUBCLASS_ID),
      m_subException(0),
      m_errorCode(UNKNOWN_ERROR_CODE) {
    init(file, msg, 0);
}

Exception::Exception(int subClassId, const char* file, int line, const char* msg, int errorCode,
                     const Exception* otherException)
    : m_file(0),
      m_line(line),
      m_msg(0),
      m_subClassId(subClassId),
      m_subException(0),
      m_errorCode(errorCode) {
    init(file, msg, otherException);
}

Exception::Exception(const Exception& e)
    : std::exception(e),
      m_file(0),
      m_line(e.m_line),
      m_msg(0),
      m_subClassId(e.m_subClassId),
      m_subException(0),
      m_errorCode(e.m_errorCode) {
    init(e.m_file, e.m_msg, e.m_subException);
}

Exception& Exception::operator=(const Exception& rhs) {
    if (this != &rhs) {
        destroy();
        m_line = rhs.m_line;
        m_subClassId = rhs.m_subClassId;
        m_errorCode = rhs.m_errorCode;
        init(rhs.m_file, rhs.m_msg, rhs.m_subException);
    }
    return *this;
}

Exception::~Exception() throw() {
    destroy();
}

void Exception::init(const char* file, const char* msg, const Exception* other) {
    m_file = dupString(file);
    m_msg = dupString(msg);
    m_subException = other ? other->clone() : 0;
}

void Exception::destroy() {
    delete[] m_file;
    delete[] m_msg;
    delete m_subException;
    m_file = m_msg = 0;
    m_subException = 0;
}

void Exception::swap(Exception& x) {
    std::swap(m_file, x.m_file);
    std::swap(m_line, x.m_line);
    std::swap(m_msg, x.m_msg);
    std::swap(m_subClassId, x.m_subClassId);
    std::swap(m_subException, x.m_subException);
    std::swap(m_errorCode, x.m_errorCode);
}

void Exception::setSubClassId(int subClassId) {
    m_subClassId = subClassId;
}
void Exception::setErrorCode(int errorCode) {
    m_errorCode = errorCode;
}

const char* Exception::type() const {
    return "Exception";
}
const char* Exception::getMessage() const {
    return m_msg ? m_msg : "";
}
const char* Exception::getFile() const {
    return m_file ? m_file : "";
}
int Exception::getLine() const {
    return m_line;
}
int Exception::getSubClassId() const {
    return m_subClassId;
}
const Exception* Exception::getSubException() const {
    return m_subException;
}
int Exception::getErrorCode() const {
    return m_errorCode;
}
const char* Exception::what() const throw() {
    return getMessage();
}
Exception* Exception::clone() const {
    return new Exception(*this);
}

std::ostream& operator<<(std::ostream& os, const Exception& e) {
    os << (*e.getFile() ? e.getFile() : "[no file]") << ": ";
    if (e.getLine() == 0) {
        os << "[no line]";
    } else {
        os << e.getLine();
    }
    os << ' ' << e.type() << ": " << (*e.getMessage() ? e.getMessage() : "[no message]");
    return os;
}

// No public header declares these: code that meets them catches Exception.
OW_DECLARE_EXCEPTION(NULLCOWReference);
OW_DECLARE_EXCEPTION(NULLReference);
OW_DEFINE_EXCEPTION(NULLCOWReference)
OW_DEFINE_EXCEPTION(NULLReference)

void throwNULLCOWReference() {
    OW_THROW(NULLCOWReferenceException, "NULL COWReference dereferenced");
}
void throwNULLReference() {
    OW_THROW(NULLReferenceException, "NULL Reference dereferenced");
}

OW_DEFINE_EXCEPTION(NULLValue)
OW_DEFINE_EXCEPTION(OutOfBounds)
OW_DEFINE_EXCEPTION(NoSuchProperty)

}  // namespace OpenWBEM
