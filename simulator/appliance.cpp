#include "simulator/appliance.h"

#include <yaml-cpp/yaml.h>

#include <cstring>
#include <functional>
#include <limits>
#include <set>
#include <utility>

namespace qvxsim {

namespace {

const char* const kOsaFunctions[] = {
    "osGetSystemSubType",
    "osGetHardwareType",
    "osGetHardwareRevision",
    "osGetSecsiRegion",
    "osGetManfId",
    "osGetSerialNumber",
    "osGetSystemId",
    "osGetPartNumber",
    "osGetPCBASerialNumber",
    "osGetHDSerialNumber",
    "osGetCNICOneSerialNumber",
    "osGetCSCSerialNumber",
    "osGetManfInfo",
    "osGetEth1Addr",
    "osGetEth2Addr",
    "osGetEth3Addr",
    "osGetManfDate",
    "osIsChasisPresent",
};

Appliance makeDefault() {
    Appliance a;
    a.subType = 2;
    a.hardwareType = 4;
    a.hardwareRevision = 3;
    a.region = 1;
    a.manufacturerId = 17;
    a.serialNumber = "QVX2005113000042";
    a.systemId = "Z64-0000042";
    a.partNumber = "800-21474-03";
    a.pcbaSerialNumber = "PCBA05470012";
    a.hdSerialNumber = "HD5K0J1234567";
    a.cnicOneSerialNumber = "CN05471234";
    a.cscSerialNumber = "CSC0547A0099";
    a.manufacturerInfo = "QVX Systems, plant 3, line B, tested by station 7";
    a.manufactureDate = "2005 11 30 14 05";
    a.ethernet = {"02:51:58:00:2a:01", "02:51:58:00:2a:02", "02:51:58:00:2a:03"};
    a.chassisPresent = {1, 0};
    return a;
}

std::string where(const YAML::Mark& mark) {
    if (mark.is_null()) return std::string();
    return "line " + std::to_string(mark.line + 1) + ", column " + std::to_string(mark.column + 1) +
           ": ";
}

[[noreturn]] void fail(const YAML::Node& node, const std::string& message) {
    throw ApplianceError(where(node.Mark()) + message);
}

long long integer(const YAML::Node& node, const std::string& key, long long low, long long high) {
    long long value = 0;
    if (!node.IsScalar() || !YAML::convert<long long>::decode(node, value) || value < low ||
        value > high) {
        fail(node, key + ": expected an integer from " + std::to_string(low) + " to " +
                       std::to_string(high));
    }
    return value;
}

uint16_t u16(const YAML::Node& node, const std::string& key) {
    return static_cast<uint16_t>(integer(node, key, 0, std::numeric_limits<uint16_t>::max()));
}

// An empty value (`key:` or `key: ~`) is the empty text; anything else must be
// a plain scalar, which YAML hands over as written.
std::string text(const YAML::Node& node, const std::string& key) {
    if (node.IsNull()) return std::string();
    if (!node.IsScalar()) fail(node, key + ": expected a text");
    return node.Scalar();
}

using Handler = std::function<void(const YAML::Node&, const std::string&)>;

// Walks a mapping, calls the handler of each key, rejects unknown and
// repeated keys so a typo never goes unnoticed.
void forEachKey(const YAML::Node& map, const std::string& context,
                const std::map<std::string, Handler>& handlers) {
    if (map.IsNull()) return;
    if (!map.IsMap()) {
        fail(map, (context.empty() ? std::string("the top level") : context) +
                      ": expected a mapping of keys");
    }
    std::set<std::string> seen;
    for (const auto& entry : map) {
        if (!entry.first.IsScalar()) fail(entry.first, context + ": keys must be plain names");
        const std::string& key = entry.first.Scalar();
        const std::string path = context.empty() ? key : context + "." + key;
        auto handler = handlers.find(key);
        if (handler == handlers.end()) fail(entry.first, "unknown key '" + path + "'");
        if (!seen.insert(key).second) fail(entry.first, "key '" + path + "' given twice");
        handler->second(entry.second, path);
    }
}

uint8_t presence(const YAML::Node& node, const std::string& key) {
    bool flag = false;
    if (node.IsScalar() && YAML::convert<bool>::decode(node, flag)) return flag ? 1 : 0;
    return static_cast<uint8_t>(integer(node, key + " (true, false or 0..255)", 0, 255));
}

void parseChassis(const YAML::Node& list, const std::string& key, Appliance& out) {
    if (!list.IsSequence() || list.size() != out.chassisPresent.size()) {
        fail(list, key + ": expected a list of exactly two entries, chassis 1 then chassis 2");
    }
    for (std::size_t i = 0; i < out.chassisPresent.size(); ++i) {
        const std::string context = key + "[" + std::to_string(i) + "]";
        forEachKey(list[i], context,
                   {{"present", [&out, i](const YAML::Node& n, const std::string& k) {
                         out.chassisPresent[i] = presence(n, k);
                     }}});
    }
}

void parseFaults(const YAML::Node& map, const std::string& key, Appliance& out) {
    if (map.IsNull()) return;
    if (!map.IsMap()) fail(map, key + ": expected a mapping of function name to result code");
    std::set<std::string> seen;
    for (const auto& entry : map) {
        const std::string name = entry.first.IsScalar() ? entry.first.Scalar() : std::string();
        if (!isOsaFunction(name)) {
            fail(entry.first, key + ": '" + name + "' is not a function of libosa");
        }
        if (!seen.insert(name).second) fail(entry.first, key + "." + name + " given twice");
        const auto code = static_cast<int32_t>(integer(entry.second, key + "." + name,
                                                       std::numeric_limits<int32_t>::min(),
                                                       std::numeric_limits<int32_t>::max()));
        // 0 is success: listing a function with 0 is the same as not listing it.
        if (code != 0) out.faults[name] = code;
    }
}

}  // namespace

bool Appliance::operator==(const Appliance& o) const {
    return subType == o.subType && hardwareType == o.hardwareType &&
           hardwareRevision == o.hardwareRevision && region == o.region &&
           manufacturerId == o.manufacturerId && serialNumber == o.serialNumber &&
           systemId == o.systemId && partNumber == o.partNumber &&
           pcbaSerialNumber == o.pcbaSerialNumber && hdSerialNumber == o.hdSerialNumber &&
           cnicOneSerialNumber == o.cnicOneSerialNumber && cscSerialNumber == o.cscSerialNumber &&
           manufacturerInfo == o.manufacturerInfo && manufactureDate == o.manufactureDate &&
           ethernet == o.ethernet && chassisPresent == o.chassisPresent && faults == o.faults;
}

int32_t Appliance::faultFor(const char* function) const {
    auto found = faults.find(function);
    return found == faults.end() ? 0 : found->second;
}

bool isOsaFunction(const std::string& name) {
    for (const char* known : kOsaFunctions) {
        if (name == known) return true;
    }
    return false;
}

const Appliance& defaultAppliance() {
    static const Appliance instance = makeDefault();
    return instance;
}

Appliance parseAppliance(const std::string& yamlText) {
    Appliance out = defaultAppliance();
    YAML::Node root;
    try {
        root = YAML::Load(yamlText);
    } catch (const YAML::Exception& e) {
        throw ApplianceError(where(e.mark) + e.msg);
    }

    auto number = [](uint16_t& field) {
        return [&field](const YAML::Node& n, const std::string& k) { field = u16(n, k); };
    };
    auto words = [](std::string& field) {
        return [&field](const YAML::Node& n, const std::string& k) { field = text(n, k); };
    };

    try {
        forEachKey(
            root, "",
            {
                {"sub_type", number(out.subType)},
                {"hardware_type", number(out.hardwareType)},
                {"hardware_revision", number(out.hardwareRevision)},
                {"region", number(out.region)},
                {"manufacturer_id", number(out.manufacturerId)},
                {"serial_number", words(out.serialNumber)},
                {"system_id", words(out.systemId)},
                {"part_number", words(out.partNumber)},
                {"pcba_serial_number", words(out.pcbaSerialNumber)},
                {"hd_serial_number", words(out.hdSerialNumber)},
                {"cnic_one_serial_number", words(out.cnicOneSerialNumber)},
                {"csc_serial_number", words(out.cscSerialNumber)},
                {"manufacturer_info", words(out.manufacturerInfo)},
                {"manufacture_date", words(out.manufactureDate)},
                {"ethernet",
                 [&](const YAML::Node& n, const std::string& k) {
                     forEachKey(n, k,
                                {{"eth1", words(out.ethernet[0])},
                                 {"eth2", words(out.ethernet[1])},
                                 {"eth3", words(out.ethernet[2])}});
                 }},
                {"expansion_chassis",
                 [&](const YAML::Node& n, const std::string& k) { parseChassis(n, k, out); }},
                {"faults",
                 [&](const YAML::Node& n, const std::string& k) { parseFaults(n, k, out); }},
            });
    } catch (const YAML::Exception& e) {
        // Conversions inside yaml-cpp can still throw on odd input.
        throw ApplianceError(where(e.mark) + e.msg);
    }
    return out;
}

}  // namespace qvxsim
