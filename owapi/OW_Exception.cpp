#include "OW_Exception.hpp"

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
    : m_file(0), m_line(line), m_msg(0), m_subClassId(UNKNOWN_SUBCLASS_ID), m_subException(0),
      m_errorCode(UNKNOWN_ERROR_CODE) {
    init(file, msg, 0);
}

Exception::Exception(const char* file, int line, const char* msg, int errorCode,
                     const Exception* otherException, int subClassId)
    : m_file(0), m_line(line), m_msg(0), m_subClassId(subClassId), m_subException(0),
      m_errorCode(errorCode) {
    init(file, msg, otherException);
}

Exception::Exception(const Exception& e)
    : std::exception(e), m_file(0), m_line(e.m_line), m_msg(0), m_subClassId(e.m_subClassId),
      m_subException(0), m_errorCode(e.m_errorCode) {
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

Exception::~Exception() throw() { destroy(); }

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

void Exception::setSubClassId(int subClassId) { m_subClassId = subClassId; }
void Exception::setErrorCode(int errorCode) { m_errorCode = errorCode; }
void Exception::setMessage(const char* msg) {
    char* copy = dupString(msg);
    delete[] m_msg;
    m_msg = copy;
}

const char* Exception::type() const { return "Exception"; }
const char* Exception::getMessage() const { return m_msg ? m_msg : ""; }
const char* Exception::getFile() const { return m_file ? m_file : ""; }
int Exception::getLine() const { return m_line; }
int Exception::getSubClassId() const { return m_subClassId; }
const Exception* Exception::getSubException() const { return m_subException; }
int Exception::getErrorCode() const { return m_errorCode; }
const char* Exception::what() const throw() { return getMessage(); }
Exception* Exception::clone() const { return new Exception(*this); }

std::ostream& operator<<(std::ostream& os, const Exception& e) {
    os << (*e.getFile() ? e.getFile() : "[no file]") << ": ";
    if (e.getLine() == 0) {
        os << "[no line]";
    } else {
        os << e.getLine();
    }
    os << ' ' << e.type() << ": " << (*e.getMessage() ? e.getMessage() : "[no message]");
    if (const Exception* sub = e.getSubException()) os << " <" << *sub << '>';
    return os;
}

OW_DEFINE_EXCEPTION(NULLCOWIntrusiveReference)
OW_DEFINE_EXCEPTION(NULLValue)
OW_DEFINE_EXCEPTION(OutOfBounds)
OW_DEFINE_EXCEPTION(NoSuchProperty)

}  // namespace OpenWBEM
