// Description of a simulated appliance, as libosa answers it, and the parser
// of the YAML appliance file (layout documented in appliance.yaml). Kept apart
// from the C functions so a fuzz target can drive the parser directly.
#ifndef QVX_SIMULATOR_APPLIANCE_H
#define QVX_SIMULATOR_APPLIANCE_H

#include <array>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>

namespace qvxsim {

struct Appliance {
    uint16_t subType = 0;
    uint16_t hardwareType = 0;
    uint16_t hardwareRevision = 0;
    uint16_t region = 0;
    uint16_t manufacturerId = 0;

    std::string serialNumber;
    std::string systemId;
    std::string partNumber;
    std::string pcbaSerialNumber;
    std::string hdSerialNumber;
    std::string cnicOneSerialNumber;
    std::string cscSerialNumber;
    std::string manufacturerInfo;
    std::string manufactureDate;
    std::array<std::string, 3> ethernet;

    // Value osIsChasisPresent hands out for index 0 and 1; only 1 means present.
    std::array<uint8_t, 2> chassisPresent{};

    // libosa function name -> result code it returns instead of answering.
    std::map<std::string, int32_t> faults;

    bool operator==(const Appliance& other) const;
    bool operator!=(const Appliance& other) const { return !(*this == other); }

    // Code the named function must return: the injected fault, or 0.
    int32_t faultFor(const char* function) const;
};

// Thrown for any text that is not a valid appliance file; what() names the
// line and column and the offending key or value.
class ApplianceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The appliance libosa describes when QVX_SIM_APPLIANCE is not set; equal to
// simulator/appliance.yaml.
const Appliance& defaultAppliance();

// Parses an appliance file. Keys left out keep their default values, so an
// empty text gives the default appliance. Throws ApplianceError.
Appliance parseAppliance(const std::string& yamlText);

// Whether name is one of the functions of osa.h (valid key under faults:).
bool isOsaFunction(const std::string& name);

}  // namespace qvxsim

#endif
