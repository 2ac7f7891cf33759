// libFuzzer target of the MOF reader: any input ends in classes or a
// MofError. Classes read from a file without qualifier declarations must
// also survive printing: the printed text reads back and prints the same.
#include "MofReader.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string print(const std::vector<OpenWBEM::CIMClass>& classes) {
    std::string out;
    for (const OpenWBEM::CIMClass& c : classes) out += c.toMOF().c_str();
    return out;
}

bool declaresQualifiers(const std::string& text) {
    std::string lowered(text);
    for (char& c : lowered) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lowered.find("qualifier") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<OpenWBEM::CIMClass> classes;
    try {
        classes = qvx_cimom::readMof(text, "fuzz.mof");
    } catch (const qvx_cimom::MofError&) {
        return 0;
    }
    // Declared qualifier types are not printed, so only then can a print
    // read differently.
    if (declaresQualifiers(text)) return 0;
    std::string printed = print(classes);
    try {
        std::string again = print(qvx_cimom::readMof(printed, "printed.mof"));
        if (again != printed) {
            std::fprintf(stderr, "print differs after reading back:\n%s\n---\n%s\n",
                         printed.c_str(), again.c_str());
            std::abort();
        }
    } catch (const qvx_cimom::MofError& e) {
        std::fprintf(stderr, "printed classes do not read back: %s\n%s\n", e.what(),
                     printed.c_str());
        std::abort();
    }
    return 0;
}
