// Small helpers shared by the owapi tests.
#ifndef QVX_TESTS_OWAPI_TEST_UTIL_H
#define QVX_TESTS_OWAPI_TEST_UTIL_H

#include <initializer_list>
#include <string>
#include <vector>

#include "OW_Array.hpp"
#include "OW_String.hpp"

namespace owtest {

template <class T>
OpenWBEM::Array<T> arr(std::initializer_list<T> items) {
    return OpenWBEM::Array<T>(items.begin(), items.end());
}

inline std::vector<std::string> strings(const OpenWBEM::StringArray& a) {
    std::vector<std::string> out;
    for (size_t i = 0; i < a.size(); ++i) out.push_back(a[i].c_str());
    return out;
}

}  // namespace owtest

#endif
