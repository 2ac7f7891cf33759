// The CIM-XML over HTTP server: CIM operations on the classes of a schema,
// served by one loaded provider (CimOperations), and the HTTP side with
// authentication, limits and one log line per request (CimServer).
#ifndef QVX_CIMOM_CIMSERVER_HPP
#define QVX_CIMOM_CIMSERVER_HPP

#include "CimXml.hpp"
#include "ClassRepository.hpp"
#include "Dispatcher.hpp"
#include "PasswordFile.hpp"

#include "OW_Logger.hpp"

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvx_cimom {

struct ServerConfig {
    std::string host = "127.0.0.1";
    int port = 5988;  // 0: any free port
    // Workers, each an event loop that connections are dealt to in turn: at
    // most this many requests are served at once.
    std::size_t threads = 4;
    std::size_t maxBodyBytes = kCimXmlMaxBodyBytes;  // 413 beyond
    std::size_t maxHeaders = 64;                     // 400 beyond
    // For a whole request (idle keep-alive wait included) and for a whole
    // reply; checked a few times a second.
    int timeoutSeconds = 5;
    // HTTPS, when the server is given TLS sessions.
    std::string tlsHost = "127.0.0.1";
    int tlsPort = 5989;
    // Basic authentication over plain HTTP shows passwords to the network.
    bool plainHttpOffLoopback = false;
};

// 127.0.0.0/8, ::1 and "localhost".
bool isLoopbackAddress(const std::string& host);

// Why the server must not start with this configuration: off loopback only
// with authentication, and plain HTTP only when allowed. Empty when it may.
std::string startRefusal(const ServerConfig& config, bool authenticated, bool tls);

class TlsSessions;

// A CIM operation answered from a decoded request: the response body, or a
// CimXmlError carrying the CIM status for an ERROR element.
class CimOperations {
public:
    CimOperations(const ClassRepository& schema, Dispatcher& dispatcher, std::string providerId);

    // Throws CimXmlError for every refusal, including the provider's.
    std::string respond(const CimRequest& request);

private:
    typedef std::string (CimOperations::*Operation)(const CimRequest&);
    struct Entry {
        const char* name;
        Operation operation;
    };
    static const Entry kOperations[];

    std::string enumerateInstanceNames(const CimRequest& r);
    std::string enumerateInstances(const CimRequest& r);
    std::string getInstance(const CimRequest& r);
    std::string modifyInstance(const CimRequest& r);
    std::string createInstance(const CimRequest& r);
    std::string deleteInstance(const CimRequest& r);
    std::string enumerateClassNames(const CimRequest& r);
    std::string getClass(const CimRequest& r);
    std::string invokeMethod(const CimRequest& r);
    std::string getProperty(const CimRequest& r);
    std::string setProperty(const CimRequest& r);

    OpenWBEM::CIMInstance fetch(const OpenWBEM::CIMObjectPath& path);
    OpenWBEM::CIMProperty declared(const OpenWBEM::CIMObjectPath& path,
                                   const std::string& name) const;

    // The declared class, when it is in the schema and routed to the loaded
    // provider.
    OpenWBEM::CIMClass servedClass(const OpenWBEM::String& name) const;

    const ClassRepository& m_schema;
    Dispatcher& m_dispatcher;
    OpenWBEM::String m_providerId;
};

class CimServer {
public:
    // passwords null: no authentication (refused off loopback by bind()).
    // tls null: no HTTPS; else it makes the sessions of the HTTPS listener.
    CimServer(CimOperations& operations, ServerConfig config, OpenWBEM::LoggerRef logger,
              std::shared_ptr<const PasswordFile> passwords, TlsSessions* tls = nullptr);
    ~CimServer();
    CimServer(const CimServer&) = delete;
    CimServer& operator=(const CimServer&) = delete;

    // Binds the listening sockets; returns the HTTP port. Throws CimomError.
    int bind();
    // The HTTPS port once bound; 0 without TLS.
    int tlsPort() const;
    // Serves until stop(); returns false when serving could not start.
    bool run();
    // Safe from any thread, before or during run().
    void stop();

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// The whole program: options, then a server until SIGINT or SIGTERM.
struct ProgramOptions {
    ServerConfig server;
    std::string library;  // empty: the installed provider, found from the executable's folder
    std::string schema;   // empty: the installed schema, found from the executable's folder
    std::string state;    // empty: QVX_SIM_REGISTRY as it is
    std::string passwd;   // empty: no authentication
    std::string log;      // empty: standard error
    std::string tlsCertificate;  // empty: no HTTPS
    std::string tlsKey;
    bool help = false;
};

struct UsageError : std::runtime_error {
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

extern const char kServerUsage[];

// Throws UsageError.
ProgramOptions parseServerOptions(const std::vector<std::string>& args);

// Loads, binds, prints "listening on ADDR:PORT" and serves until SIGINT or
// SIGTERM; then shuts the provider down. Returns the exit status.
int runServer(const ProgramOptions& options);

}  // namespace qvx_cimom

#endif
