#include "OW_CIMException.hpp"

#include <cstring>
#include <new>
#include <string>

namespace OpenWBEM {

namespace {

const int kCIMExceptionSubClassId = 1;

const char* const kCodeTexts[] = {
    "no error",
    "general error",
    "Access to CIM resource unavailable to client",
    "namespace does not exist",
    "invalid parameter passed to method",
    "class does not exist",
    "requested object could not be found",
    "requested operation is not supported",
    "operation cannot be done on class with subclasses",
    "operator cannot be done on class with instances",
    "specified superclass does not exist",
    "object already exists",
    "specified property does not exist",
    "value supplied is incompatible with type",
    "query language is not recognized or supported",
    "query is not valid for the specified query language",
    "extrinsic method could not be executed",
    "extrinsic method does not exist",
};

const char* codeText(int code) {
    int n = static_cast<int>(sizeof(kCodeTexts) / sizeof(kCodeTexts[0]));
    return code < 0 || code >= n ? "unknown error" : kCodeTexts[code];
}

// The code's text, then the message in parentheses; a message that already
// starts with the code's text stands alone.
char* compose(int code, const char* msg) {
    const char* text = codeText(code);
    std::string out = text;
    if (*msg) {
        if (std::strncmp(msg, text, std::strlen(text)) == 0) {
            out = msg;
        } else {
            out = out + " (" + msg + ")";
        }
    }
    char* p = new char[out.size() + 1];
    std::memcpy(p, out.c_str(), out.size() + 1);
    return p;
}

}  // namespace

CIMException::CIMException(const char* file, int line, ErrNoType errval, const char* msg)
    : Exception(kCIMExceptionSubClassId, file, line, msg, errval),
      m_composed(compose(errval, Exception::getMessage())) {}

CIMException::~CIMException() throw() {
    delete[] m_composed;
}

CIMException::CIMException(const CIMException& x)
    : Exception(x), m_composed(compose(x.getErrNo(), x.Exception::getMessage())) {}

CIMException& CIMException::operator=(CIMException x) {
    swap(x);
    return *this;
}

void CIMException::swap(CIMException& x) {
    Exception::swap(x);
    char* c = m_composed;
    m_composed = x.m_composed;
    x.m_composed = c;
}

CIMException::ErrNoType CIMException::getErrNo() const {
    return ErrNoType(getErrorCode());
}

void CIMException::setErrNo(ErrNoType e) {
    char* c = compose(e, Exception::getMessage());
    setErrorCode(e);
    delete[] m_composed;
    m_composed = c;
}

const char* CIMException::type() const {
    return "CIMException";
}
const char* CIMException::getMessage() const {
    return m_composed;
}
CIMException* CIMException::clone() const throw() {
    return new (std::nothrow) CIMException(*this);
}

}  // namespace OpenWBEM
