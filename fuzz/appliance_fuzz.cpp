// libFuzzer target of the simulator's appliance description reader: any
// input ends in a description or an ApplianceError, never in a crash, and a
// description it accepts answers every fault lookup.
#include "simulator/appliance.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        qvxsim::Appliance a = qvxsim::parseAppliance(text);
        // Faults are only accepted for real function names.
        for (const auto& fault : a.faults) {
            if (!qvxsim::isOsaFunction(fault.first)) std::abort();
            if (a.faultFor(fault.first.c_str()) != fault.second) std::abort();
        }
    } catch (const qvxsim::ApplianceError&) {
    }
    return 0;
}
