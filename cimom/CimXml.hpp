// CIM-XML over HTTP: decodes a request body into a typed request and encodes
// the response bodies the WBEM clients accept. No HTTP here: the server hands
// over the body and sends back the text.
#ifndef QVX_CIMOM_CIMXML_HPP
#define QVX_CIMOM_CIMXML_HPP

#include "MofReader.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMDataType.hpp"
#include "OW_CIMException.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMParamValue.hpp"
#include "OW_CIMValue.hpp"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvx_cimom {

// Input limits. A body past kCimXmlMaxBodyBytes is refused before parsing;
// the server should refuse it from Content-Length already.
constexpr std::size_t kCimXmlMaxBodyBytes = 1024 * 1024;
// Element nesting; real requests stay under 15.
constexpr int kCimXmlMaxDepth = 64;
// Names: classes, properties, keys, methods, parameters, namespace parts,
// and the MESSAGE ID. Values are bounded by the body size alone.
constexpr std::size_t kCimXmlMaxNameBytes = 256;

// A request the server must answer with <ERROR CODE DESCRIPTION> (HTTP 200),
// or, when httpStatus is set, refuse with that status and a CIMError header
// (DSP0200: not XML, not CIM-XML, unsupported versions). messageId and
// method are filled when the body let them be known; for a body that is not
// well-formed they are read from its start where possible.
struct CimXmlError : std::runtime_error {
    CimXmlError(OpenWBEM::CIMException::ErrNoType code, const std::string& description);
    CimXmlError(int httpStatus, const char* cimError, const std::string& description);

    OpenWBEM::CIMException::ErrNoType code;
    std::string description;
    int httpStatus = 0;
    std::string cimError;
    std::string messageId;  // empty when unknown
    std::string method;     // empty when unknown: take the CIMMethod header
    bool extrinsic = false;
};

struct CimRequest {
    std::string messageId;
    bool extrinsic = false;  // METHODCALL rather than IMETHODCALL
    std::string method;      // as sent; an unknown intrinsic name is the caller's to refuse
    std::string nameSpace;   // NAMESPACE names joined with '/': "root/cimv2"

    // Intrinsic parameters. Those a method does not define are ignored, as
    // unknown ones are; absent ones keep the method's defaults.
    // ClassName (empty when absent or NULL); for extrinsic calls the target's class.
    std::string className;
    // InstanceName, or the INSTANCENAME of ModifiedInstance; keys in the
    // order sent, namespace set to nameSpace. Null when absent.
    OpenWBEM::CIMObjectPath instanceName{OpenWBEM::CIMNULL};
    // ModifiedInstance's INSTANCE, or NewInstance. Null when absent.
    OpenWBEM::CIMInstance instance{OpenWBEM::CIMNULL};
    bool hasPropertyList = false;  // false: all properties
    std::vector<std::string> propertyList;
    bool localOnly = true;
    bool deepInheritance = false;
    bool includeQualifiers = false;
    bool includeClassOrigin = false;
    // GetProperty and SetProperty: the property, and the texts of NewValue
    // (none: NULL), typed later from the property's declaration.
    std::string propertyName;
    std::vector<std::string> newValue;
    bool newValueArray = false;

    // Extrinsic calls: the target (an instance path, or a class path for a
    // static method; namespace set) and the PARAMVALUEs in the order sent.
    // Values without PARAMTYPE arrive as strings (or string arrays).
    OpenWBEM::CIMObjectPath objectPath{OpenWBEM::CIMNULL};
    OpenWBEM::CIMParamValueArray inParams;
};

// Throws CimXmlError; never any other exception for bad input.
CimRequest decodeRequest(const std::string& body);

// A value sent as text (VALUE, or VALUE.ARRAY when array), read as type;
// no texts and not an array: NULL. CimXmlError when a text does not fit.
OpenWBEM::CIMValue decodeValue(OpenWBEM::CIMDataType type, const std::vector<std::string>& texts,
                               bool array, const std::string& what);

// Response bodies, laid out byte for byte as the appliance's object manager
// writes them. Every element is written with an end tag except CLASSNAME;
// text is escaped with the five named entities only; bytes that are not
// valid UTF-8, and control characters XML cannot carry, become U+FFFD.
// Instances go out as given: the INSTANCENAME of a VALUE.NAMEDINSTANCE holds
// the instance's own keys (its properties with a Key qualifier), and
// qualifiers and class origins are written only when asked for.
std::string encodeInstanceNames(const std::string& messageId, const std::string& method,
                                const std::vector<OpenWBEM::CIMObjectPath>& paths);
std::string encodeNamedInstances(const std::string& messageId, const std::string& method,
                                 const std::vector<OpenWBEM::CIMInstance>& instances,
                                 bool includeQualifiers, bool includeClassOrigin);
std::string encodeInstance(const std::string& messageId, const std::string& method,
                           const OpenWBEM::CIMInstance& instance, bool includeQualifiers,
                           bool includeClassOrigin);
// An IRETURNVALUE holding the value; empty for NULL.
std::string encodeValue(const std::string& messageId, const std::string& method,
                        const OpenWBEM::CIMValue& value);
std::string encodeInstanceName(const std::string& messageId, const std::string& method,
                               const OpenWBEM::CIMObjectPath& path);
// IMETHODRESPONSE without IRETURNVALUE, for methods that return nothing.
std::string encodeEmpty(const std::string& messageId, const std::string& method);
// localOnly drops properties another class contributed (a CLASSORIGIN other
// than the class, or propagated ones); propertyList keeps the properties it
// names (all when null; names compared ignoring case). CLASSORIGIN, when
// asked for, names the class itself for its own properties. Qualifiers
// carry the flavors their declaration gives. Methods and their parameters
// follow the properties, all of them.
std::string encodeClass(const std::string& messageId, const std::string& method,
                        const OpenWBEM::CIMClass& cls, bool localOnly, bool includeQualifiers,
                        bool includeClassOrigin, const std::vector<std::string>* propertyList,
                        const QualifierFlavorTable& flavors);
std::string encodeClassNames(const std::string& messageId, const std::string& method,
                             const std::vector<std::string>& classNames);
// A null returnValue leaves RETURNVALUE out.
std::string encodeMethodResponse(const std::string& messageId, const std::string& method,
                                 const OpenWBEM::CIMValue& returnValue,
                                 const OpenWBEM::CIMParamValueArray& outParams);
// DESCRIPTION keeps newlines as raw characters (the clients' parsers refuse
// character references). A conforming XML parser reads each one back as a
// space (attribute-value normalisation); the command-line client shows it as
// a new line.
std::string encodeError(const std::string& messageId, const std::string& method, bool extrinsic,
                        OpenWBEM::CIMException::ErrNoType code, const std::string& description);

}  // namespace qvx_cimom

#endif
