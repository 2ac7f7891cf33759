// libFuzzer entry: any body must decode or be refused with CimXmlError, and
// whatever was decoded must encode to well-formed XML. Anything else (a
// crash, another exception, a sanitizer report, a trap) is a bug.
#include "CimXml.hpp"

#include <libxml/parser.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void mustBeWellFormed(const std::string& xml) {
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) __builtin_trap();
    xmlFreeDoc(doc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qvx_cimom;
    std::string body(reinterpret_cast<const char*>(data), size);
    try {
        CimRequest r = decodeRequest(body);
        if (r.instance)
            mustBeWellFormed(encodeInstance(r.messageId, r.method, r.instance, true, true));
        if (r.instanceName) {
            mustBeWellFormed(encodeInstanceName(r.messageId, r.method, r.instanceName));
        }
        mustBeWellFormed(encodeMethodResponse(r.messageId, r.method,
                                              OpenWBEM::CIMValue(OpenWBEM::CIMNULL), r.inParams));
    } catch (const CimXmlError& e) {
        mustBeWellFormed(encodeError(e.messageId, e.method, e.extrinsic, e.code, e.description));
    }
    return 0;
}
