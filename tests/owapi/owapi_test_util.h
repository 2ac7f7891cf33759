// Small helpers shared by the owapi tests.
#ifndef QVX_TESTS_OWAPI_TEST_UTIL_H
#define QVX_TESTS_OWAPI_TEST_UTIL_H

#include <functional>
#include <initializer_list>
#include <string>

#include "OW_Array.hpp"
#include "OW_Exception.hpp"

namespace owtest {

template <class T>
OpenWBEM::Array<T> arr(std::initializer_list<T> items) {
    return OpenWBEM::Array<T>(items.begin(), items.end());
}

// What a call gives as text, or "!", the exception's type and its message.
inline std::string outcome(const std::function<std::string()>& call) {
    try {
        return call();
    } catch (const OpenWBEM::Exception& e) {
        return std::string("!") + e.type() + ": " + e.getMessage();
    }
}

}  // namespace owtest

#endif
