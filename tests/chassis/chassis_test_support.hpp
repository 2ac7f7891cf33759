// What every chassis test needs: the shared provider fixture, the chassis's
// keys and its one instance.
#ifndef QVX_TESTS_CHASSIS_TEST_SUPPORT_HPP
#define QVX_TESTS_CHASSIS_TEST_SUPPORT_HPP

#include "ProviderTest.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>
#include "OW_CIMClass.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CIMParamValue.hpp"

namespace chassis_test {

using namespace OpenWBEM;
using qvx_test::cimErrorOf;
using qvx_test::PlatformDouble;
using qvx_test::typedProperty;
using qvx_test::typedText;

const char* const kClass = "QVX_Z64Chassis";
const char* const kProvider = "QVX_Z64ChassisProvider";

// A key or property as a client sends it; no value sends it null.
struct Named {
    const char* name;
    std::optional<std::string> value;
};
inline CIMProperty property(const Named& n) {
    if (!n.value) return CIMProperty(n.name, CIMDataType(CIMDataType::STRING));
    return CIMProperty(n.name, CIMValue(String(n.value->c_str())));
}
inline CIMObjectPath pathWith(const std::vector<Named>& keys) {
    CIMObjectPath path(kClass, qvx_test::kNamespace);
    CIMPropertyArray list;
    for (const Named& k : keys) list.push_back(property(k));
    path.setKeys(list);
    return path;
}
inline CIMInstance instanceWith(const std::vector<Named>& properties) {
    CIMInstance inst(kClass);
    for (const Named& p : properties) inst.setProperty(property(p));
    return inst;
}
const std::vector<Named> kKeys = {{"Tag", "Chassis"}, {"CreationClassName", "QVX_Chassis"}};

class ChassisTest : public qvx_test::ProviderTest {
protected:
    CIMInstance theInstance() {
        std::vector<CIMInstance> all = client.enumInstances(kClass);
        EXPECT_EQ(1u, all.size());
        return all.empty() ? CIMInstance(CIMNULL) : all.front();
    }
};

}  // namespace chassis_test

#endif
