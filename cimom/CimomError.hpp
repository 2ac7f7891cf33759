// The one error type of the object-manager stand-in: loading and host
// failures, each naming the library and the step that failed.
#ifndef QVX_CIMOM_CIMOMERROR_HPP
#define QVX_CIMOM_CIMOMERROR_HPP

#include <stdexcept>
#include <string>

namespace qvx_cimom {

class CimomError : public std::runtime_error {
public:
    explicit CimomError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace qvx_cimom

#endif
