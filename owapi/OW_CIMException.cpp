#include "OW_CIMException.hpp"

#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace OpenWBEM {

namespace {

const int kCIMExceptionSubClassId = 1;

const char* const kCodeTexts[] = {
    "no error",
    "general error",
    "access denied",
    "the target namespace does not exist",
    "invalid parameter",
    "class does not exist",
    "requested object could not be found",
    "requested operation is not supported",
    "class has subclasses",
    "class has instances",
    "the superclass does not exist",
    "object already exists",
    "property does not exist",
    "value incompatible with type",
    "query language not supported",
    "invalid query",
    "extrinsic method could not be executed",
    "extrinsic method does not exist",
};

std::string composeMessage(CIMException::ErrNoType code, const char* msg) {
    const char* codeText = CIMException::getCodeDescription(code);
    if (!msg || !*msg) return codeText;
    if (std::strncmp(msg, codeText, std::strlen(codeText)) == 0) return msg;
    return std::string(codeText) + " (" + msg + ")";
}

char* dupOrNull(const char* s) {
    if (!s) return 0;
    size_t n = std::strlen(s) + 1;
    char* p = new char[n];
    std::memcpy(p, s, n);
    return p;
}

}  // namespace

CIMException::CIMException(const char* file, int line, ErrNoType errval, const char* msg,
                           const Exception* otherException)
    : Exception(file, line, composeMessage(errval, msg).c_str(), errval, otherException,
                kCIMExceptionSubClassId),
      m_description(dupOrNull(msg)) {}

CIMException::~CIMException() throw() { delete[] m_description; }

CIMException::CIMException(const CIMException& x)
    : Exception(x), m_description(dupOrNull(x.m_description)) {}

CIMException& CIMException::operator=(const CIMException& x) {
    if (this != &x) {
        char* d = dupOrNull(x.m_description);
        Exception::operator=(x);
        delete[] m_description;
        m_description = d;
    }
    return *this;
}

void CIMException::swap(CIMException& x) {
    CIMException tmp(*this);
    *this = x;
    x = tmp;
}

CIMException::ErrNoType CIMException::getErrNo() const { return ErrNoType(getErrorCode()); }

void CIMException::setErrNo(ErrNoType e) {
    setErrorCode(e);
    setMessage(composeMessage(e, m_description).c_str());
}

const char* CIMException::getDescription() const { return m_description; }
const char* CIMException::type() const { return "CIMException"; }
CIMException* CIMException::clone() const throw() { return new (std::nothrow) CIMException(*this); }

const char* CIMException::getCodeDescription(ErrNoType errCode) {
    int n = static_cast<int>(sizeof(kCodeTexts) / sizeof(kCodeTexts[0]));
    if (errCode < 0 || errCode >= n) return "unknown error";
    return kCodeTexts[errCode];
}

}  // namespace OpenWBEM
