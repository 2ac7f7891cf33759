#include "CimServer.hpp"

#include "CimomError.hpp"
#include "HostEnvironment.hpp"
#include "ProviderLoader.hpp"

#include "OW_CIMException.hpp"

#include <arpa/inet.h>
#include <httplib.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

using namespace OpenWBEM;

namespace qvx_cimom {

namespace {

const char kXmlContentType[] = "application/xml; charset=\"utf-8\"";
const char kRealmHeader[] = "Basic realm=\"qvx-cimom\"";

[[noreturn]] void fail(CIMException::ErrNoType code, const std::string& description) {
    throw CimXmlError(code, description);
}

void check(const Status& s) {
    if (!s.ok()) fail(static_cast<CIMException::ErrNoType>(s.code), s.description);
}

std::string str(const String& s) {
    return s.c_str();
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool iequals(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

std::string trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// Log fields come from the client: printable ASCII only, and short.
std::string loggable(const std::string& s) {
    const std::size_t kMax = 64;
    if (s.empty()) return "-";
    std::string out;
    for (std::size_t i = 0; i < s.size() && i < kMax; ++i) {
        char c = s[i];
        out += c > ' ' && c <= '~' ? c : '?';
    }
    if (s.size() > kMax) out += "...";
    return out;
}

// ---- the one place where exceptions become CIM errors

struct Fault {
    CIMException::ErrNoType code;
    std::string description;
};

Fault faultOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const CimXmlError& e) {
        return {e.code, e.description};
    } catch (const CIMException& e) {
        const char* d = e.getDescription();
        return {e.getErrNo(), d ? d : ""};
    } catch (const std::bad_alloc&) {
        return {CIMException::FAILED, "the server ran out of memory for this request"};
    } catch (const std::exception& e) {
        return {CIMException::FAILED, std::string("internal error: ") + e.what()};
    } catch (...) {
        return {CIMException::FAILED, "internal error of unknown type"};
    }
}

// ---- what the request log line says about the request being served

struct RequestNote {
    bool started = false;
    std::chrono::steady_clock::time_point start;
    std::string method;
    std::string className;
    int cimStatus = -1;  // -1: no CIM answer
};
// cpp-httplib runs the pre-routing handler, the handler and the logger of
// one request on one worker thread.
thread_local RequestNote tNote;

std::string classOf(const CimRequest& r) {
    if (!r.className.empty()) return r.className;
    if (r.instanceName) return str(r.instanceName.getClassName());
    if (r.instance) return str(r.instance.getClassName());
    return std::string();
}

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool base64Decode(const std::string& in, std::string& out) {
    if (in.size() % 4 != 0) return false;
    out.clear();
    for (std::size_t i = 0; i < in.size(); i += 4) {
        int v[4];
        int pad = 0;
        for (int j = 0; j < 4; ++j) {
            char c = in[i + j];
            if (c == '=' && i + 4 == in.size() && j >= 2) {
                v[j] = 0;
                ++pad;
            } else if (pad > 0 || (v[j] = base64Value(c)) < 0) {
                return false;
            }
        }
        unsigned n = (v[0] << 18) | (v[1] << 12) | (v[2] << 6) | v[3];
        out += static_cast<char>(n >> 16);
        if (pad < 2) out += static_cast<char>((n >> 8) & 0xff);
        if (pad < 1) out += static_cast<char>(n & 0xff);
    }
    return true;
}

// The media type without parameters, lower case; the charset parameter.
void contentType(const std::string& header, std::string& type, std::string& charset) {
    std::string::size_type semi = header.find(';');
    type = trim(header.substr(0, semi));
    for (char& c : type) c = lowerAscii(c);
    charset.clear();
    while (semi != std::string::npos) {
        std::string::size_type next = header.find(';', semi + 1);
        std::string param = trim(header.substr(
            semi + 1, next == std::string::npos ? std::string::npos : next - semi - 1));
        std::string::size_type eq = param.find('=');
        if (eq != std::string::npos && iequals(trim(param.substr(0, eq)), "charset")) {
            charset = trim(param.substr(eq + 1));
            if (charset.size() >= 2 && charset.front() == '"' && charset.back() == '"') {
                charset = charset.substr(1, charset.size() - 2);
            }
        }
        semi = next;
    }
}

std::string executableDir() {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return ".";
    exe[n] = '\0';
    std::string dir(exe);
    std::string::size_type slash = dir.rfind('/');
    return slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
}

std::string hostPort(const std::string& host, int port) {
    bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

}  // namespace

bool isLoopbackAddress(const std::string& host) {
    if (host == "localhost") return true;
    in_addr v4;
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        return (ntohl(v4.s_addr) >> 24) == 127;
    }
    in6_addr v6;
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        return IN6_IS_ADDR_LOOPBACK(&v6);
    }
    return false;
}

// ---------------------------------------------------------------- operations

const CimOperations::Entry CimOperations::kOperations[] = {
    {"EnumerateInstanceNames", &CimOperations::enumerateInstanceNames},
    {"EnumerateInstances", &CimOperations::enumerateInstances},
    {"GetInstance", &CimOperations::getInstance},
    {"ModifyInstance", &CimOperations::modifyInstance},
    {"CreateInstance", &CimOperations::createInstance},
    {"DeleteInstance", &CimOperations::deleteInstance},
    {"EnumerateClassNames", &CimOperations::enumerateClassNames},
    {"GetClass", &CimOperations::getClass},
};

CimOperations::CimOperations(const ClassRepository& schema, Dispatcher& dispatcher,
                             std::string providerId)
    : m_schema(schema), m_dispatcher(dispatcher), m_providerId(providerId.c_str()) {}

std::string CimOperations::respond(const CimRequest& r) {
    if (!iequals(r.nameSpace, Dispatcher::kNamespace)) {
        fail(CIMException::INVALID_NAMESPACE, "namespace \"" + r.nameSpace +
                                                  "\" is not served; the classes are in " +
                                                  Dispatcher::kNamespace);
    }
    if (r.extrinsic) return invokeMethod(r);
    for (const Entry& e : kOperations) {
        if (iequals(r.method, e.name)) return (this->*e.operation)(r);
    }
    fail(CIMException::NOT_SUPPORTED, "intrinsic method " + r.method + " is not supported");
}

CIMClass CimOperations::servedClass(const String& name) const {
    CIMClass cls = m_schema.getClass(name);
    if (!cls) {
        fail(CIMException::INVALID_CLASS,
             "class " + str(name) + " does not exist in " + Dispatcher::kNamespace);
    }
    if (!m_schema.providerFor(name).equalsIgnoreCase(m_providerId)) {
        fail(CIMException::NOT_SUPPORTED, "no provider serves class " + str(cls.getName()));
    }
    return cls;
}

namespace {

// The instance's path from the class's key properties.
CIMObjectPath pathOf(const CIMClass& cls, const CIMInstance& inst) {
    CIMPropertyArray keys;
    for (const CIMProperty& k : cls.getKeys()) {
        CIMProperty p = inst.getProperty(k.getName());
        if (p && p.getValue()) keys.push_back(CIMProperty(k.getName(), p.getValue()));
    }
    CIMObjectPath path(cls.getName(), String(Dispatcher::kNamespace));
    path.setKeys(keys);
    return path;
}

const std::vector<std::string>* propertyListOf(const CimRequest& r) {
    return r.hasPropertyList ? &r.propertyList : nullptr;
}

// Whether cls is parent or below it; any class is below the empty name.
bool descends(const ClassRepository& schema, CIMClass cls, const String& parent) {
    if (parent.empty()) return true;
    for (std::size_t steps = 0; cls && steps <= schema.classNames().size(); ++steps) {
        if (cls.getName().equalsIgnoreCase(parent)) return true;
        if (cls.getSuperClass().empty()) return false;
        cls = schema.getClass(cls.getSuperClass());
    }
    return false;
}

}  // namespace

std::string CimOperations::enumerateInstanceNames(const CimRequest& r) {
    CIMClass cls = servedClass(r.className.c_str());
    std::vector<CIMObjectPath> paths;
    check(m_dispatcher.enumInstanceNames(str(cls.getName()), paths));
    return encodeInstanceNames(r.messageId, "EnumerateInstanceNames", paths);
}

std::string CimOperations::enumerateInstances(const CimRequest& r) {
    CIMClass cls = servedClass(r.className.c_str());
    std::vector<CIMInstance> provided;
    check(m_dispatcher.enumInstances(str(cls.getName()), provided));
    std::vector<NamedInstance> named;
    named.reserve(provided.size());
    for (const CIMInstance& inst : provided) {
        named.push_back({pathOf(cls, inst), replyInstance(cls, inst, propertyListOf(r),
                                                          r.includeQualifiers,
                                                          r.includeClassOrigin)});
    }
    return encodeNamedInstances(r.messageId, "EnumerateInstances", named);
}

std::string CimOperations::getInstance(const CimRequest& r) {
    CIMClass cls = servedClass(r.instanceName.getClassName());
    CIMObjectPath path(r.instanceName);
    path.setClassName(cls.getName());
    CIMInstance inst(CIMNULL);
    check(m_dispatcher.getInstance(path, inst));
    // An empty answer reads as success to clients: a missing instance is an error.
    if (!inst) fail(CIMException::NOT_FOUND, "the provider returned no instance");
    return encodeInstance(r.messageId, "GetInstance",
                          replyInstance(cls, inst, propertyListOf(r), r.includeQualifiers,
                                        r.includeClassOrigin));
}

std::string CimOperations::modifyInstance(const CimRequest& r) {
    CIMClass cls = servedClass(r.instance.getClassName());
    for (const CIMProperty& p : r.instance.getProperties()) {
        CIMProperty declared = cls.getProperty(p.getName());
        if (!declared) continue;
        CIMDataType want = declared.getDataType();
        CIMDataType got = p.getDataType();
        if (want && got &&
            (want.getType() != got.getType() || want.isArrayType() != got.isArrayType())) {
            fail(CIMException::TYPE_MISMATCH, "property " + str(p.getName()) + " is of type " +
                                                  str(want.toString()) + ", not " +
                                                  str(got.toString()));
        }
    }
    check(m_dispatcher.modifyInstance(r.instance, CIMInstance(CIMNULL)));
    return encodeEmpty(r.messageId, "ModifyInstance");
}

std::string CimOperations::createInstance(const CimRequest& r) {
    servedClass(r.instance.getClassName());
    CIMObjectPath created(CIMNULL);
    check(m_dispatcher.createInstance(r.instance, created));
    if (!created) fail(CIMException::FAILED, "the provider returned no instance name");
    return encodeInstanceName(r.messageId, "CreateInstance", created);
}

std::string CimOperations::deleteInstance(const CimRequest& r) {
    servedClass(r.instanceName.getClassName());
    check(m_dispatcher.deleteInstance(r.instanceName));
    return encodeEmpty(r.messageId, "DeleteInstance");
}

std::string CimOperations::enumerateClassNames(const CimRequest& r) {
    String parent(r.className.c_str());
    if (!parent.empty() && !m_schema.hasClass(parent)) {
        fail(CIMException::INVALID_CLASS,
             "class " + r.className + " does not exist in " + Dispatcher::kNamespace);
    }
    std::vector<std::string> names;
    for (const String& name : m_schema.classNames()) {
        CIMClass cls = m_schema.getClass(name);
        bool wanted = r.deepInheritance ? !cls.getName().equalsIgnoreCase(parent) &&
                                              descends(m_schema, cls, parent)
                                        : cls.getSuperClass().equalsIgnoreCase(parent);
        if (wanted) names.push_back(str(name));
    }
    return encodeClassNames(r.messageId, "EnumerateClassNames", names);
}

std::string CimOperations::getClass(const CimRequest& r) {
    CIMClass cls = m_schema.getClass(r.className.c_str());
    if (!cls) {
        fail(CIMException::NOT_FOUND,
             "class " + r.className + " does not exist in " + Dispatcher::kNamespace);
    }
    return encodeClass(r.messageId, "GetClass", cls, r.localOnly, r.includeQualifiers,
                       r.includeClassOrigin, propertyListOf(r));
}

std::string CimOperations::invokeMethod(const CimRequest& r) {
    CIMClass cls = servedClass(r.className.c_str());
    CIMMethod method = cls.getMethod(r.method.c_str());
    if (!method) {
        fail(CIMException::METHOD_NOT_FOUND,
             "class " + str(cls.getName()) + " has no method " + r.method);
    }
    CIMParamValueArray out;
    CIMValue result(CIMNULL);
    check(m_dispatcher.invokeMethod(r.objectPath, str(method.getName()), r.inParams, out, result));
    return encodeMethodResponse(r.messageId, r.method, result, out);
}

// ---------------------------------------------------------------- HTTP

struct CimServer::Impl {
    CimOperations& operations;
    ServerConfig config;
    LoggerRef logger;
    std::shared_ptr<const PasswordFile> passwords;
    httplib::Server http;

    Impl(CimOperations& o, ServerConfig c, LoggerRef l, std::shared_ptr<const PasswordFile> p)
        : operations(o), config(std::move(c)), logger(l), passwords(std::move(p)) {}

    void configure();
    httplib::Server::HandlerResponse preRoute(const httplib::Request& req, httplib::Response& res);
    bool authenticated(const httplib::Request& req);
    void serve(const httplib::Request& req, httplib::Response& res);
    void logRequest(const httplib::Request& req, const httplib::Response& res);
};

namespace {

void cimReply(httplib::Response& res, const std::string& body) {
    res.status = 200;
    res.set_header("CIMOperation", "MethodResponse");
    res.set_content(body, kXmlContentType);
}

// DSP0200's answer to a request that is not a valid CIM operation request.
void refuse(httplib::Response& res, int status, const char* cimError, const std::string& text) {
    res.status = status;
    if (cimError) res.set_header("CIMError", cimError);
    res.set_content(text + "\n", "text/plain; charset=utf-8");
}

const char* reason(int status) {
    switch (status) {
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 413:
            return "Payload Too Large";
        case 414:
            return "URI Too Long";
        case 415:
            return "Unsupported Media Type";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 503:
            return "Service Unavailable";
        default:
            return "Error";
    }
}

}  // namespace

void CimServer::Impl::configure() {
    std::size_t threads = config.threads;
    http.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    http.set_tcp_nodelay(true);
    http.set_payload_max_length(config.maxBodyBytes);
    http.set_read_timeout(config.timeoutSeconds, 0);
    http.set_write_timeout(config.timeoutSeconds, 0);
    http.set_keep_alive_timeout(config.timeoutSeconds);
    http.set_pre_routing_handler(
        [this](const httplib::Request& req, httplib::Response& res) { return preRoute(req, res); });
    http.Post(".*",
              [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); });
    // Errors the library answers itself (413, 400 for broken HTTP) get a body
    // too, so every reply carries a Content-Length.
    http.set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
            if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            res.set_content(std::to_string(res.status) + " " + reason(res.status) + "\n",
                            "text/plain; charset=utf-8");
            return httplib::Server::HandlerResponse::Handled;
        }));
    http.set_exception_handler([](const httplib::Request& req, httplib::Response& res,
                                  std::exception_ptr error) {
        Fault f = faultOf(error);
        tNote.cimStatus = f.code;
        cimReply(res,
                 encodeError("0", req.get_header_value("CIMMethod"), false, f.code, f.description));
    });
    http.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        logRequest(req, res);
    });
}

httplib::Server::HandlerResponse CimServer::Impl::preRoute(const httplib::Request& req,
                                                           httplib::Response& res) {
    tNote = RequestNote();
    tNote.started = true;
    tNote.start = std::chrono::steady_clock::now();
    tNote.method = req.get_header_value("CIMMethod");
    if (req.headers.size() > config.maxHeaders) {
        refuse(res, 400, "request-not-valid",
               "too many header fields: at most " + std::to_string(config.maxHeaders));
        return httplib::Server::HandlerResponse::Handled;
    }
    // Before anything else, so nothing about the server leaks to strangers.
    if (passwords && !authenticated(req)) {
        res.set_header("WWW-Authenticate", kRealmHeader);
        refuse(res, 401, nullptr, "authentication required");
        return httplib::Server::HandlerResponse::Handled;
    }
    if (req.method != "POST") {
        res.set_header("Allow", "POST");
        refuse(res, 405, nullptr, "CIM operations are sent with POST");
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

bool CimServer::Impl::authenticated(const httplib::Request& req) {
    if (!req.has_header("Authorization")) return false;
    std::string value = trim(req.get_header_value("Authorization"));
    std::string user = "(unreadable)";
    std::string credentials;
    bool ok = false;
    if (value.size() > 6 && iequals(value.substr(0, 6), "Basic ") &&
        base64Decode(trim(value.substr(6)), credentials)) {
        std::string::size_type colon = credentials.find(':');
        if (colon != std::string::npos) {
            user = credentials.substr(0, colon);
            ok = passwords->verify(user, credentials.substr(colon + 1));
        }
    }
    if (!ok) {
        logger->logInfo(
            String(("authentication failed for user " + loggable(user) + " from " + req.remote_addr)
                       .c_str()));
    }
    return ok;
}

void CimServer::Impl::serve(const httplib::Request& req, httplib::Response& res) {
    std::string operation = req.get_header_value("CIMOperation");
    if (operation.empty()) {
        return refuse(res, 400, "unsupported-operation",
                      "missing CIMOperation header: CIM requests carry 'CIMOperation: MethodCall'");
    }
    if (!iequals(trim(operation), "MethodCall")) {
        return refuse(res, 400, "unsupported-operation",
                      "CIMOperation '" + loggable(operation) +
                          "' is not supported: only MethodCall is served");
    }
    if (!req.has_header("Content-Type")) {
        return refuse(res, 400, "request-not-valid",
                      "missing Content-Type header: send application/xml; charset=\"utf-8\"");
    }
    std::string type, charset;
    contentType(req.get_header_value("Content-Type"), type, charset);
    if ((type != "application/xml" && type != "text/xml") ||
        (!charset.empty() && !iequals(charset, "utf-8"))) {
        return refuse(res, 400, "request-not-valid",
                      "Content-Type '" + loggable(req.get_header_value("Content-Type")) +
                          "' is not served: send application/xml; charset=\"utf-8\"");
    }
    std::string version = req.get_header_value("CIMProtocolVersion");
    if (!version.empty() && version.compare(0, 2, "1.") != 0) {
        return refuse(res, 501, "unsupported-protocol-version",
                      "CIMProtocolVersion '" + loggable(version) + "' is not supported: use 1.0");
    }
    std::string headerMethod = trim(req.get_header_value("CIMMethod"));
    if (headerMethod.empty()) {
        return refuse(res, 400, "header-mismatch",
                      "missing CIMMethod header: it names the method of the request body");
    }

    std::string messageId = "0";
    std::string method = headerMethod;
    bool extrinsic = false;
    try {
        CimRequest r;
        try {
            r = decodeRequest(req.body);
        } catch (CimXmlError& e) {
            if (!e.messageId.empty()) messageId = e.messageId;
            if (!e.method.empty()) {
                method = e.method;
                extrinsic = e.extrinsic;
            }
            throw;
        }
        messageId = r.messageId;
        method = r.method;
        extrinsic = r.extrinsic;
        tNote.method = r.method;
        tNote.className = classOf(r);
        if (!iequals(headerMethod, r.method)) {
            return refuse(res, 400, "header-mismatch",
                          "CIMMethod header '" + loggable(headerMethod) +
                              "' does not match the body's method '" + loggable(r.method) + "'");
        }
        cimReply(res, operations.respond(r));
        tNote.cimStatus = 0;
    } catch (...) {
        Fault f = faultOf(std::current_exception());
        tNote.cimStatus = f.code;
        cimReply(res, encodeError(messageId, method, extrinsic, f.code, f.description));
    }
}

void CimServer::Impl::logRequest(const httplib::Request& req, const httplib::Response& res) {
    std::string duration = "-";
    if (tNote.started) {
        auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - tNote.start)
                      .count();
        duration = std::to_string(us) + "us";
    }
    std::string cim = tNote.cimStatus < 0    ? "-"
                      : tNote.cimStatus == 0 ? "OK"
                                             : cimStatusName(tNote.cimStatus) + "(" +
                                                   std::to_string(tNote.cimStatus) + ")";
    std::string line = "request client=" + hostPort(req.remote_addr, req.remote_port) +
                       " method=" + loggable(tNote.method) + " class=" + loggable(tNote.className) +
                       " http=" + std::to_string(res.status) + " cim=" + cim +
                       " duration=" + duration;
    logger->logInfo(String(line.c_str()));
    tNote = RequestNote();
}

CimServer::CimServer(CimOperations& operations, ServerConfig config, LoggerRef logger,
                     std::shared_ptr<const PasswordFile> passwords)
    : m_impl(new Impl(operations, std::move(config), logger, std::move(passwords))) {
    m_impl->configure();
}

CimServer::~CimServer() {
    stop();
}

int CimServer::bind() {
    const ServerConfig& c = m_impl->config;
    if (!m_impl->passwords && !isLoopbackAddress(c.host)) {
        throw CimomError("refusing to listen on " + c.host +
                         " without authentication: give --passwd FILE (add users with "
                         "'qvx-cimom passwd FILE USER')");
    }
    errno = 0;
    int port = c.port;
    if (port == 0) {
        port = m_impl->http.bind_to_any_port(c.host);
    } else if (!m_impl->http.bind_to_port(c.host, port)) {
        port = -1;
    }
    if (port <= 0) {
        throw CimomError("cannot listen on " + hostPort(c.host, c.port) +
                         (errno ? std::string(": ") + std::strerror(errno) : std::string()));
    }
    return port;
}

bool CimServer::run() {
    return m_impl->http.listen_after_bind();
}

void CimServer::stop() {
    m_impl->http.stop();
}

// ---------------------------------------------------------------- program

const char kServerUsage[] =
    "usage: qvx-cimom [OPTIONS]\n"
    "       qvx-cimom passwd FILE USER    add or change a user; password on standard input\n"
    "\n"
    "Serves the inventory provider to WBEM clients over CIM-XML/HTTP (POST, any\n"
    "path) in namespace root/cimv2. Prints \"listening on ADDR:PORT\" when ready;\n"
    "SIGINT or SIGTERM stop it.\n"
    "\n"
    "options:\n"
    "  --listen ADDR:PORT  address to listen on (default 127.0.0.1:5988; port 0 picks\n"
    "                      a free port). Off loopback, --passwd is required.\n"
    "  --passwd FILE       require HTTP Basic authentication against FILE\n"
    "                      (user:hash lines, made with 'qvx-cimom passwd')\n"
    "  --library PATH      provider library (default ../lib/libQVXInventoryProvider.so\n"
    "                      next to this program)\n"
    "  --schema FILE       MOF class declarations (default ../share/QVX_Inventory.mof\n"
    "                      next to this program)\n"
    "  --state DIR         keep the registry in DIR/registry.sqlite (sets\n"
    "                      QVX_SIM_REGISTRY unless it is set)\n"
    "  --log FILE          append log lines to FILE instead of standard error\n"
    "  --threads N         worker threads, one per open connection (default 8)\n"
    "  --timeout SECONDS   read, write and keep-alive idle timeout (default 5)\n"
    "  --help              show this text\n";

namespace {

long number(const std::string& option, const std::string& text, long low, long high) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < low || v > high) {
        throw UsageError(option + " takes a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + text + "'");
    }
    return v;
}

void parseListen(const std::string& text, ServerConfig& c) {
    std::string::size_type colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        throw UsageError("--listen takes ADDR:PORT, not '" + text + "'");
    }
    std::string host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    if (host.empty()) throw UsageError("--listen takes ADDR:PORT, not '" + text + "'");
    c.host = host;
    c.port = static_cast<int>(number("--listen port", text.substr(colon + 1), 0, 65535));
}

}  // namespace

ProgramOptions parseServerOptions(const std::vector<std::string>& args) {
    ProgramOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
            continue;
        }
        std::string* text = nullptr;
        if (a == "--library") text = &o.library;
        if (a == "--schema") text = &o.schema;
        if (a == "--state") text = &o.state;
        if (a == "--passwd") text = &o.passwd;
        if (a == "--log") text = &o.log;
        bool known = text || a == "--listen" || a == "--threads" || a == "--timeout";
        if (!known) throw UsageError("unknown argument '" + a + "'");
        if (i + 1 >= args.size() || args[i + 1].empty()) throw UsageError(a + " needs a value");
        const std::string& value = args[++i];
        if (text) {
            *text = value;
        } else if (a == "--listen") {
            parseListen(value, o.server);
        } else if (a == "--threads") {
            o.server.threads = static_cast<std::size_t>(number(a, value, 1, 256));
        } else {
            o.server.timeoutSeconds = static_cast<int>(number(a, value, 1, 3600));
        }
    }
    return o;
}

int runServer(const ProgramOptions& options) {
    // A client that goes away mid-reply must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    // Every thread started from here on inherits the blocked stop signals;
    // one thread waits for them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const std::string dir = executableDir();
    std::string library =
        options.library.empty() ? dir + "/../lib/libQVXInventoryProvider.so" : options.library;
    std::string schemaFile =
        options.schema.empty() ? dir + "/../share/QVX_Inventory.mof" : options.schema;
    try {
        std::shared_ptr<const PasswordFile> passwords;
        if (!options.passwd.empty()) {
            passwords = std::make_shared<PasswordFile>(PasswordFile::load(options.passwd));
        } else if (!isLoopbackAddress(options.server.host)) {
            std::fprintf(stderr,
                         "qvx-cimom: refusing to listen on %s without authentication: give "
                         "--passwd FILE (add users with 'qvx-cimom passwd FILE USER')\n",
                         options.server.host.c_str());
            return 2;
        }
        if (!options.state.empty()) {
            if (mkdir(options.state.c_str(), 0700) != 0 && errno != EEXIST) {
                throw CimomError(options.state +
                                 ": cannot create state directory: " + std::strerror(errno));
            }
            setenv("QVX_SIM_REGISTRY", (options.state + "/registry.sqlite").c_str(), 0);
        }
        LoggerRef logger(options.log.empty() ? new HostLogger(E_INFO_LEVEL)
                                             : new HostLogger(options.log, E_INFO_LEVEL));
        ClassRepository schema = ClassRepository::fromMofFile(schemaFile);
        ProviderEnvironmentIFCRef env(new HostEnvironment(logger));
        ProviderLoader loader(library, env);
        loader.load();
        bool served;
        {
            Dispatcher dispatcher(loader.provider(), env);
            CimOperations operations(schema, dispatcher, loader.providerId());
            CimServer server(operations, options.server, logger, passwords);
            int port = server.bind();
            std::string where = hostPort(options.server.host, port);
            std::printf("listening on %s\n", where.c_str());
            std::fflush(stdout);
            logger->logInfo(String(("listening on " + where).c_str()));

            std::atomic<bool> signalled(false);
            std::thread waiter([&] {
                int signal = 0;
                sigwait(&stopSignals, &signal);
                signalled = true;
                server.stop();
            });
            served = server.run();
            // Serving ended without a signal: wake the waiter with one.
            bool asked = signalled;
            if (!asked) kill(getpid(), SIGTERM);
            waiter.join();
            // Once a stop is asked for, how the accept loop ended does not
            // matter: the socket is being closed under it.
            served = served || asked;
            if (!served) logger->logError("serving ended on a listening socket error");
            logger->logInfo("stopped");
        }
        loader.shutdown();
        return served ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qvx-cimom: %s\n", e.what());
        return 1;
    }
}

}  // namespace qvx_cimom
