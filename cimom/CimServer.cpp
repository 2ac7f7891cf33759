#include "CimServer.hpp"

#include "CimomError.hpp"
#include "DynamicLinker.hpp"
#include "HostEnvironment.hpp"
#include "HttpSession.hpp"
#include "ProviderLoader.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMMethod.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CIMParamValue.hpp"
#include "OW_CIMException.hpp"

#include <arpa/inet.h>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

using namespace OpenWBEM;

namespace qvx_cimom {

namespace {

const char kXmlContentType[] = "application/xml; charset=\"utf-8\"";
const char kServerName[] = "qvx-cimom (CIMOM)";
const char kRealmHeader[] = "Basic realm=\"qvx-cimom\"";

[[noreturn]] void fail(CIMException::ErrNoType code, const std::string& message = "") {
    throw CIMException(__FILE__, __LINE__, code, message.empty() ? nullptr : message.c_str());
}

void check(const Status& s) {
    if (!s.ok()) fail(static_cast<CIMException::ErrNoType>(s.code), s.description);
}

// How the host names a class in its errors.
std::string classPath(const std::string& className) {
    return std::string("/") + Dispatcher::kNamespace + ":" + className;
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
    // An ERROR's DESCRIPTION: the code's standard text, then the message in
    // parentheses when there is one, as CIMException::getMessage() gives it.
    std::string description;
};

Fault fault(CIMException::ErrNoType code, const std::string& message) {
    return {code, CIMException(__FILE__, __LINE__, code, message.c_str()).getMessage()};
}

Fault faultOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const CimXmlError& e) {
        return fault(e.code, e.description);
    } catch (const CIMException& e) {
        return {e.getErrNo(), e.getMessage()};
    } catch (const std::bad_alloc&) {
        return fault(CIMException::FAILED, "the server ran out of memory for this request");
    } catch (const std::exception& e) {
        return fault(CIMException::FAILED, std::string("internal error: ") + e.what());
    } catch (...) {
        return fault(CIMException::FAILED, "internal error of unknown type");
    }
}

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
    {"GetProperty", &CimOperations::getProperty},
    {"SetProperty", &CimOperations::setProperty},
};

CimOperations::CimOperations(const ClassRepository& schema, Dispatcher& dispatcher,
                             std::string providerId)
    : m_schema(schema), m_dispatcher(dispatcher), m_providerId(providerId.c_str()) {}

std::string CimOperations::respond(const CimRequest& r) {
    if (!iequals(r.nameSpace, Dispatcher::kNamespace)) {
        fail(CIMException::INVALID_NAMESPACE, r.nameSpace);
    }
    if (r.extrinsic) return invokeMethod(r);
    for (const Entry& e : kOperations) {
        if (iequals(r.method, e.name)) return (this->*e.operation)(r);
    }
    fail(CIMException::NOT_SUPPORTED, "intrinsic method " + r.method + " is not supported");
}

CIMClass CimOperations::servedClass(const String& name) const {
    CIMClass cls = m_schema.getClass(name);
    if (!cls) fail(CIMException::INVALID_CLASS, classPath(str(name)));
    if (!m_schema.providerFor(name).equalsIgnoreCase(m_providerId)) {
        fail(CIMException::NOT_SUPPORTED, "no provider serves class " + str(cls.getName()));
    }
    return cls;
}

namespace {

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
    // Property lists are the provider's to apply, as on the appliance.
    return encodeNamedInstances(r.messageId, "EnumerateInstances", provided, r.includeQualifiers,
                                r.includeClassOrigin);
}

// The provider's instance at the client's path, class name spelled as the
// client did: the provider decides what that spelling finds.
CIMInstance CimOperations::fetch(const CIMObjectPath& path) {
    servedClass(path.getClassName());
    CIMInstance inst(CIMNULL);
    check(m_dispatcher.getInstance(path, inst));
    // An empty answer reads as success to clients: a missing instance is an error.
    if (!inst) fail(CIMException::NOT_FOUND);
    return inst;
}

std::string CimOperations::getInstance(const CimRequest& r) {
    return encodeInstance(r.messageId, "GetInstance", fetch(r.instanceName), r.includeQualifiers,
                          r.includeClassOrigin);
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
    check(m_dispatcher.modifyInstance(r.instance, CIMInstance(CIMNULL), propertyListOf(r)));
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
    // A missing instance is 6 whatever the provider would say to deleting it.
    fetch(r.instanceName);
    check(m_dispatcher.deleteInstance(r.instanceName));
    return encodeEmpty(r.messageId, "DeleteInstance");
}

std::string CimOperations::enumerateClassNames(const CimRequest& r) {
    String parent(r.className.c_str());
    if (!parent.empty() && !m_schema.hasClass(parent)) {
        fail(CIMException::INVALID_CLASS, classPath(r.className));
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
    if (!cls) fail(CIMException::NOT_FOUND, classPath(r.className));
    return encodeClass(r.messageId, "GetClass", cls, r.localOnly, r.includeQualifiers,
                       r.includeClassOrigin, propertyListOf(r), m_schema.qualifierFlavors());
}

// The declaration of a property of the instance's class; 12 when there is none.
CIMProperty CimOperations::declared(const CIMObjectPath& path, const std::string& name) const {
    CIMProperty p = m_schema.getClass(path.getClassName()).getProperty(name.c_str());
    if (!p) fail(CIMException::NO_SUCH_PROPERTY, name);
    return p;
}

std::string CimOperations::getProperty(const CimRequest& r) {
    CIMInstance inst = fetch(r.instanceName);
    declared(r.instanceName, r.propertyName);
    CIMProperty p = inst.getProperty(r.propertyName.c_str());
    return encodeValue(r.messageId, "GetProperty", p ? p.getValue() : CIMValue(CIMNULL));
}

// The instance as the provider has it, filled up with the class's other
// properties and the one value set, goes back with a property list naming
// that property: the provider writes what it lets clients write.
std::string CimOperations::setProperty(const CimRequest& r) {
    CIMInstance previous = fetch(r.instanceName);
    CIMProperty decl = declared(r.instanceName, r.propertyName);
    CIMValue value = decodeValue(decl.getDataType(), r.newValue, r.newValueArray, "NewValue");
    CIMInstance modified(previous);
    for (const CIMProperty& p :
         m_schema.getClass(r.instanceName.getClassName()).getAllProperties()) {
        if (!modified.getProperty(p.getName())) modified.setProperty(p);
    }
    CIMProperty changed = modified.getProperty(decl.getName());
    changed.setValue(value);
    modified.setProperty(changed);
    std::vector<std::string> names = {r.propertyName};
    check(m_dispatcher.modifyInstance(modified, previous, &names));
    return encodeEmpty(r.messageId, "SetProperty");
}

std::string CimOperations::invokeMethod(const CimRequest& r) {
    CIMClass cls = servedClass(r.className.c_str());
    CIMMethod method = cls.getMethod(r.method.c_str());
    if (!method) fail(CIMException::METHOD_NOT_FOUND, r.method);
    CIMParamValueArray out;
    CIMValue result(CIMNULL);
    check(m_dispatcher.invokeMethod(r.objectPath, str(method.getName()), r.inParams, out, result));
    return encodeMethodResponse(r.messageId, r.method, result, out);
}

// ---------------------------------------------------------------- HTTP

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

typedef HttpRequest Request;
typedef HttpResponse Response;

std::string header(const Request& req, const char* name) {
    auto it = req.find(name);
    return it == req.end() ? std::string() : std::string(it->value());
}

// "Sun, 6 Dec 2026 02:19:46 GMT", the day unpadded as the appliance writes it.
std::string httpDate() {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm t;
    gmtime_r(&now, &t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %d %s %d %02d:%02d:%02d GMT", kDays[t.tm_wday % 7],
                  t.tm_mday, kMonths[t.tm_mon % 12], t.tm_year + 1900, t.tm_hour, t.tm_min,
                  t.tm_sec);
    return buf;
}

// The fields every reply starts with, in the appliance's order.
void startReply(Response& res) {
    res.version(11);
    res.set(http::field::date, httpDate());
    res.set(http::field::cache_control, "no-cache");
    res.set(http::field::server, kServerName);
}

// DSP0200's extension header declaration; ns numbers the reply's prefixed
// CIM headers.
void cimFraming(Response& res, const std::string& ns) {
    res.set(http::field::content_type, kXmlContentType);
    res.set("Man", "http://www.dmtf.org/cim/mapping/http/v1.0 ; ns=" + ns);
}

void cimReply(Response& res, std::string body, const std::string& ns) {
    res.result(http::status::ok);
    res.reason("Ok");
    cimFraming(res, ns);
    res.set(ns + "-CIMOperation", "MethodResponse");
    res.body() = std::move(body);
}

// A request that is not a CIM-XML operation request: status, CIMError, no
// body, and the connection closed.
void refuseRequest(Response& res, int status, const std::string& cimError, const std::string& ns) {
    res.result(static_cast<unsigned>(status));
    std::string reason = status == 400 ? "Bad request" : "Not implemented";
    res.reason(reason + ": CIMError: " + cimError);
    cimFraming(res, ns);
    res.set("CIMError", cimError);
    res.keep_alive(false);
}

// DSP0200's answer to a request that is not a valid CIM operation request.
void refuse(Response& res, http::status status, const char* cimError, const std::string& text) {
    res.result(status);
    if (cimError) res.set("CIMError", cimError);
    res.set(http::field::content_type, "text/plain; charset=utf-8");
    res.body() = text + "\n";
}

// Failed logins one user may have from one address before the next attempt
// must wait for the window to pass: each check costs a deliberately slow hash.
const int kMaxLoginFailures = 5;
const std::chrono::seconds kLoginFailureWindow(60);
const std::size_t kMaxTrackedLogins = 4096;

struct LoginFailures {
    int count = 0;
    std::chrono::steady_clock::time_point first;
};

enum class Login { kAccepted, kRefused, kThrottled };

// How often each loop looks for connections past their deadline: a timer
// per connection would cost system calls on every request.
const std::chrono::milliseconds kSweepInterval(250);

// One event loop a worker: a connection stays on the loop that accepted it,
// so its steps never hop threads or need locks.
struct Loop {
    asio::io_context io{1};
    asio::steady_timer sweeper{io};
    std::vector<std::weak_ptr<Connection>> sessions;
};

// An acceptor and the sessions it makes: HTTP, or HTTPS through the module.
struct Listener {
    explicit Listener(asio::io_context& io, TlsSessions* t) : acceptor(io), pause(io), tls(t) {}
    tcp::acceptor acceptor;
    asio::steady_timer pause;
    TlsSessions* tls;  // null: plain HTTP
};

}  // namespace

struct CimServer::Impl : SessionHost {
    CimOperations& operations;
    ServerConfig config;
    LoggerRef logger;
    std::shared_ptr<const PasswordFile> passwords;
    std::vector<std::unique_ptr<Loop>> loops;
    std::size_t nextLoop = 0;
    Listener plain;
    std::optional<Listener> secure;  // with TLS
    std::atomic<unsigned> replies{0};
    std::mutex loginMutex;  // loops check logins at the same time
    std::unordered_map<std::string, LoginFailures> loginFailures;  // by address and user

    // The two-digit prefix of a reply's CIM headers: replies counted.
    std::string nextPrefix() { return std::to_string(10 + replies.fetch_add(1) % 90); }

    Impl(CimOperations& o, ServerConfig c, LoggerRef l, std::shared_ptr<const PasswordFile> p,
         TlsSessions* tls)
        : operations(o),
          config(std::move(c)),
          logger(l),
          passwords(std::move(p)),
          loops(makeLoops(config.threads)),
          plain(loops.front()->io, nullptr) {
        if (tls) secure.emplace(loops.front()->io, tls);
    }

    static std::vector<std::unique_ptr<Loop>> makeLoops(std::size_t n) {
        std::vector<std::unique_ptr<Loop>> loops;
        for (std::size_t i = 0; i < std::max<std::size_t>(n, 1); ++i) loops.emplace_back(new Loop);
        return loops;
    }

    void accept(Listener& listener);
    void sweep(Loop& loop);
    // The reply to one whole request, and what the log line says of it.
    void answer(const Request& req, const tcp::endpoint& client, Response& res, RequestNote& note);
    // retryAfter: seconds until a throttled user may try again.
    Login authenticate(const Request& req, const tcp::endpoint& client, long& retryAfter);
    void serve(const Request& req, Response& res, RequestNote& note);

    // SessionHost
    std::size_t maxBodyBytes() const override { return config.maxBodyBytes; }
    int timeoutSeconds() const override { return config.timeoutSeconds; }
    void respond(beast::error_code readError, const Request& req, const tcp::endpoint& client,
                 Response& res, RequestNote& note) override;
    void logRequest(const tcp::endpoint& client, const Response& res,
                    const RequestNote& note) override;
    void logInfo(const std::string& line) override { logger->logInfo(String(line.c_str())); }
};

void CimServer::Impl::respond(beast::error_code ec, const Request& req, const tcp::endpoint& client,
                              Response& res, RequestNote& note) {
    startReply(res);
    if (ec) {
        // Refused before a whole request was read: answer and hang up.
        note.method = header(req, "CIMMethod");
        if (ec == http::error::partial_message) {
            // Less body than Content-Length promised, and the client done sending.
            refuse(res, http::status::bad_request, nullptr,
                   "request body shorter than its Content-Length");
        } else if (ec == http::error::body_limit) {
            refuse(res, http::status::payload_too_large, nullptr,
                   "request body too large: at most " + std::to_string(config.maxBodyBytes) +
                       " bytes");
        } else if (ec == http::error::header_limit) {
            refuse(
                res, http::status::request_header_fields_too_large, nullptr,
                "request header too large: at most " + std::to_string(kMaxHeaderBytes) + " bytes");
        } else {
            refuse(res, http::status::bad_request, nullptr,
                   "malformed HTTP request: " + ec.message());
        }
        res.keep_alive(false);
        return;
    }
    try {
        answer(req, client, res, note);
        if (res.keep_alive()) res.keep_alive(req.keep_alive());
    } catch (...) {
        // CIM errors are answered inside; this is the HTTP side failing.
        res = Response();
        startReply(res);
        refuse(res, http::status::internal_server_error, nullptr,
               faultOf(std::current_exception()).description);
        res.keep_alive(false);
    }
}

namespace {

std::string addressOf(const tcp::endpoint& e) {
    return e.address().to_string();
}

}  // namespace

void CimServer::Impl::accept(Listener& listener) {
    // Connections go to the loops in turn.
    Loop& loop = *loops[nextLoop];
    nextLoop = (nextLoop + 1) % loops.size();
    listener.acceptor.async_accept(loop.io, [this, &listener, &loop](beast::error_code ec,
                                                                     tcp::socket socket) {
        if (!listener.acceptor.is_open()) return;
        if (!ec) {
            beast::error_code ignored;
            socket.set_option(tcp::no_delay(true), ignored);
            std::shared_ptr<Connection> session;
            try {
                session = listener.tls ? listener.tls->session(std::move(socket), *this)
                                       : std::make_shared<HttpSession<tcp::socket>>(
                                             *this, std::move(socket));
            } catch (const std::exception& e) {
                // Out of memory, say: this connection is dropped, not the listener.
                logger->logError(
                    String((std::string("starting a session failed: ") + e.what()).c_str()));
            }
            // Registered and started on its own loop's thread.
            if (session) {
                asio::post(loop.io, [&loop, session] {
                    loop.sessions.push_back(session);
                    session->start();
                });
            }
        } else if (ec != asio::error::operation_aborted) {
            // Out of descriptors, say: pause rather than fail again at once.
            logger->logError(String(("accepting a connection failed: " + ec.message()).c_str()));
            listener.pause.expires_after(kSweepInterval);
            listener.pause.async_wait([this, &listener](beast::error_code e) {
                if (!e) accept(listener);
            });
            return;
        }
        accept(listener);
    });
}

void CimServer::Impl::sweep(Loop& loop) {
    auto now = std::chrono::steady_clock::now();
    std::vector<std::weak_ptr<Connection>>& all = loop.sessions;
    for (std::size_t i = 0; i < all.size();) {
        if (std::shared_ptr<Connection> s = all[i].lock()) {
            s->closeIfOverdue(now);
            ++i;
        } else {
            all[i] = std::move(all.back());
            all.pop_back();
        }
    }
    loop.sweeper.expires_after(kSweepInterval);
    loop.sweeper.async_wait([this, &loop](beast::error_code ec) {
        if (!ec) sweep(loop);
    });
}

void CimServer::Impl::answer(const Request& req, const tcp::endpoint& client, Response& res,
                             RequestNote& note) {
    note.method = header(req, "CIMMethod");
    std::size_t fields = std::distance(req.begin(), req.end());
    if (fields > config.maxHeaders) {
        return refuse(res, http::status::bad_request, "request-not-valid",
                      "too many header fields: at most " + std::to_string(config.maxHeaders));
    }
    // Before anything else, so nothing about the server leaks to strangers.
    long retryAfter = 0;
    Login login = passwords ? authenticate(req, client, retryAfter) : Login::kAccepted;
    if (login == Login::kThrottled) {
        res.set(http::field::retry_after, std::to_string(retryAfter));
        return refuse(
            res, http::status::too_many_requests, nullptr,
            "too many failed logins: try again in " + std::to_string(retryAfter) + " seconds");
    }
    if (login == Login::kRefused) {
        res.set(http::field::www_authenticate, kRealmHeader);
        return refuse(res, http::status::unauthorized, nullptr, "authentication required");
    }
    if (req.method() != http::verb::post) {
        res.set(http::field::allow, "POST");
        return refuse(res, http::status::method_not_allowed, nullptr,
                      "CIM operations are sent with POST");
    }
    serve(req, res, note);
}

Login CimServer::Impl::authenticate(const Request& req, const tcp::endpoint& client,
                                    long& retryAfter) {
    auto field = req.find(http::field::authorization);
    if (field == req.end()) return Login::kRefused;
    const std::string from = addressOf(client);
    std::string value = trim(std::string(field->value()));
    std::string user = "(unreadable)";
    std::string credentials;
    bool ok = false;
    if (value.size() > 6 && iequals(value.substr(0, 6), "Basic ") &&
        base64Decode(trim(value.substr(6)), credentials)) {
        std::string::size_type colon = credentials.find(':');
        if (colon != std::string::npos) {
            user = credentials.substr(0, colon);
            const std::string key = from + " " + user;
            auto now = std::chrono::steady_clock::now();
            {
                std::lock_guard<std::mutex> lock(loginMutex);
                auto it = loginFailures.find(key);
                if (it != loginFailures.end() && now - it->second.first >= kLoginFailureWindow) {
                    loginFailures.erase(it);
                } else if (it != loginFailures.end() && it->second.count >= kMaxLoginFailures) {
                    auto left = it->second.first + kLoginFailureWindow - now;
                    retryAfter = std::chrono::ceil<std::chrono::seconds>(left).count();
                    logger->logInfo(String(
                        ("too many failed logins for user " + loggable(user) + " from " + from)
                            .c_str()));
                    return Login::kThrottled;
                }
            }
            ok = passwords->verify(user, credentials.substr(colon + 1));
            std::lock_guard<std::mutex> lock(loginMutex);
            if (ok) {
                loginFailures.erase(key);
            } else {
                if (loginFailures.size() >= kMaxTrackedLogins) {
                    for (auto i = loginFailures.begin(); i != loginFailures.end();) {
                        i = now - i->second.first >= kLoginFailureWindow ? loginFailures.erase(i)
                                                                         : std::next(i);
                    }
                }
                // Beyond the bound the hash cost alone slows guessing down.
                if (loginFailures.size() < kMaxTrackedLogins || loginFailures.count(key)) {
                    LoginFailures& f = loginFailures[key];
                    if (f.count++ == 0) f.first = now;
                }
            }
        }
    }
    if (!ok) {
        logger->logInfo(
            String(("authentication failed for user " + loggable(user) + " from " + from).c_str()));
    }
    return ok ? Login::kAccepted : Login::kRefused;
}

void CimServer::Impl::serve(const Request& req, Response& res, RequestNote& note) {
    std::string operation = header(req, "CIMOperation");
    if (operation.empty()) {
        return refuse(res, http::status::bad_request, "unsupported-operation",
                      "missing CIMOperation header: CIM requests carry 'CIMOperation: MethodCall'");
    }
    if (!iequals(trim(operation), "MethodCall")) {
        return refuse(res, http::status::bad_request, "unsupported-operation",
                      "CIMOperation '" + loggable(operation) +
                          "' is not supported: only MethodCall is served");
    }
    auto typeField = req.find(http::field::content_type);
    if (typeField == req.end()) {
        res.result(http::status::not_acceptable);
        res.reason("Not acceptable: A Content-Type must be specified");
        res.keep_alive(false);
        return;
    }
    std::string type, charset;
    contentType(std::string(typeField->value()), type, charset);
    if ((type != "application/xml" && type != "text/xml") ||
        (!charset.empty() && !iequals(charset, "utf-8"))) {
        return refuse(res, http::status::bad_request, "request-not-valid",
                      "Content-Type '" + loggable(std::string(typeField->value())) +
                          "' is not served: send application/xml; charset=\"utf-8\"");
    }
    std::string version = header(req, "CIMProtocolVersion");
    if (!version.empty() && version.compare(0, 2, "1.") != 0) {
        return refuse(res, http::status::not_implemented, "unsupported-protocol-version",
                      "CIMProtocolVersion '" + loggable(version) + "' is not supported: use 1.0");
    }
    std::string headerMethod = trim(note.method);
    if (headerMethod.empty()) {
        return refuse(res, http::status::bad_request, "header-mismatch",
                      "missing CIMMethod header: it names the method of the request body");
    }

    std::string messageId = "0";
    std::string method = headerMethod;
    bool extrinsic = false;
    std::string ns = nextPrefix();
    try {
        CimRequest r;
        try {
            r = decodeRequest(req.body());
        } catch (CimXmlError& e) {
            if (e.httpStatus) return refuseRequest(res, e.httpStatus, e.cimError, ns);
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
        note.method = r.method;
        note.className = classOf(r);
        if (!iequals(headerMethod, r.method)) {
            return refuse(res, http::status::bad_request, "header-mismatch",
                          "CIMMethod header '" + loggable(headerMethod) +
                              "' does not match the body's method '" + loggable(r.method) + "'");
        }
        cimReply(res, operations.respond(r), ns);
        note.cimStatus = 0;
    } catch (...) {
        Fault f = faultOf(std::current_exception());
        note.cimStatus = f.code;
        cimReply(res, encodeError(messageId, method, extrinsic, f.code, f.description), ns);
    }
}

void CimServer::Impl::logRequest(const tcp::endpoint& client, const Response& res,
                                 const RequestNote& note) {
    auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                  std::chrono::steady_clock::now() - note.start)
                  .count();
    std::string cim = note.cimStatus < 0    ? "-"
                      : note.cimStatus == 0 ? "OK"
                                            : cimStatusName(note.cimStatus) + "(" +
                                                  std::to_string(note.cimStatus) + ")";
    std::string line = "request client=" + hostPort(addressOf(client), client.port()) +
                       " method=" + loggable(note.method) + " class=" + loggable(note.className) +
                       " http=" + std::to_string(res.result_int()) + " cim=" + cim +
                       " duration=" + std::to_string(us) + "us";
    logger->logInfo(String(line.c_str()));
}

CimServer::CimServer(CimOperations& operations, ServerConfig config, LoggerRef logger,
                     std::shared_ptr<const PasswordFile> passwords, TlsSessions* tls)
    : m_impl(new Impl(operations, std::move(config), logger, std::move(passwords), tls)) {}

CimServer::~CimServer() {
    stop();
}

std::string startRefusal(const ServerConfig& c, bool authenticated, bool tls) {
    for (const std::string* host : {&c.host, tls ? &c.tlsHost : &c.host}) {
        if (!authenticated && !isLoopbackAddress(*host)) {
            return "refusing to listen on " + *host +
                   " without authentication: give --passwd FILE (add users with "
                   "'qvx-cimom passwd FILE USER')";
        }
    }
    if (!c.plainHttpOffLoopback && !isLoopbackAddress(c.host)) {
        return "refusing to serve plain HTTP on " + c.host +
               ": passwords would cross the network readably. Serve HTTPS (--tls-cert, "
               "--tls-key, --tls-listen) and keep --listen on loopback, or accept the risk "
               "with --insecure-http-off-loopback";
    }
    return std::string();
}

namespace {

int listenOn(tcp::acceptor& a, const std::string& host, int port) {
    beast::error_code ec;
    tcp::resolver resolver(a.get_executor());
    auto found = resolver.resolve(host, std::to_string(port),
                                  tcp::resolver::numeric_service | tcp::resolver::passive, ec);
    if (!ec && found.empty()) ec = asio::error::host_not_found;
    if (!ec) {
        tcp::endpoint where = found.begin()->endpoint();
        if (!a.open(where.protocol(), ec) &&
            !a.set_option(tcp::acceptor::reuse_address(true), ec) && !a.bind(where, ec)) {
            a.listen(asio::socket_base::max_listen_connections, ec);
        }
    }
    if (ec) {
        a.close();
        throw CimomError("cannot listen on " + hostPort(host, port) + ": " + ec.message());
    }
    return a.local_endpoint().port();
}

}  // namespace

int CimServer::bind() {
    const ServerConfig& c = m_impl->config;
    std::string refusal = startRefusal(c, m_impl->passwords != nullptr, m_impl->secure.has_value());
    if (!refusal.empty()) throw CimomError(refusal);
    if (m_impl->secure) listenOn(m_impl->secure->acceptor, c.tlsHost, c.tlsPort);
    return listenOn(m_impl->plain.acceptor, c.host, c.port);
}

int CimServer::tlsPort() const {
    beast::error_code ec;
    return m_impl->secure ? m_impl->secure->acceptor.local_endpoint(ec).port() : 0;
}

bool CimServer::run() {
    if (!m_impl->plain.acceptor.is_open()) return false;
    m_impl->accept(m_impl->plain);
    if (m_impl->secure) m_impl->accept(*m_impl->secure);
    auto work = [this](Loop& loop) {
        m_impl->sweep(loop);
        // Handlers catch what they throw; anything else is logged, not fatal.
        for (;;) {
            try {
                loop.io.run();
                return;
            } catch (const std::exception& e) {
                m_impl->logger->logError(String((std::string("serving: ") + e.what()).c_str()));
            }
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < m_impl->loops.size(); ++i) {
        workers.emplace_back(work, std::ref(*m_impl->loops[i]));
    }
    work(*m_impl->loops.front());
    for (std::thread& t : workers) t.join();
    return true;
}

void CimServer::stop() {
    // The handlers running now finish; nothing else starts.
    for (auto& loop : m_impl->loops) loop->io.stop();
}

// ---------------------------------------------------------------- program

const char kServerUsage[] =
    "usage: qvx-cimom [OPTIONS]\n"
    "       qvx-cimom passwd FILE USER    add or change a user; password on standard input\n"
    "\n"
    "Serves the inventory provider to WBEM clients over CIM-XML/HTTP (POST, any\n"
    "path) in namespace root/cimv2, and over HTTPS when given a certificate.\n"
    "Prints \"listening on ADDR:PORT\" when ready, then \"listening on ADDR:PORT\n"
    "(HTTPS)\" with TLS; SIGINT or SIGTERM stop it.\n"
    "\n"
    "options:\n"
    "  --listen ADDR:PORT  address to listen on for HTTP (default 127.0.0.1:5988;\n"
    "                      port 0 picks a free port). Off loopback, --passwd and\n"
    "                      --insecure-http-off-loopback are required.\n"
    "  --tls-cert FILE     serve HTTPS too (TLS 1.2 and 1.3), with the certificate\n"
    "                      (chain) in FILE, PEM\n"
    "  --tls-key FILE      the certificate's private key, PEM\n"
    "  --tls-listen ADDR:PORT  address to listen on for HTTPS (default\n"
    "                      127.0.0.1:5989). Off loopback, --passwd is required.\n"
    "  --insecure-http-off-loopback  allow plain HTTP off loopback, where Basic\n"
    "                      authentication shows passwords to the network\n"
    "  --passwd FILE       require HTTP Basic authentication against FILE\n"
    "                      (user:hash lines, made with 'qvx-cimom passwd')\n"
    "  --library PATH      provider library (default, from this program's folder:\n"
    "                      " QVX_PROVIDER_FROM_PROGRAM
    ")\n"
    "  --schema FILE       MOF class declarations (default, from this program's\n"
    "                      folder: " QVX_SCHEMA_FROM_PROGRAM
    ")\n"
    "  --state DIR         keep the registry in DIR/registry.sqlite (sets\n"
    "                      QVX_SIM_REGISTRY unless it is set)\n"
    "  --log FILE          append log lines to FILE instead of standard error\n"
    "  --threads N         worker threads: requests served at once (default 4)\n"
    "  --timeout SECONDS   time allowed for a whole request, reply or idle\n"
    "                      keep-alive wait (default 5)\n"
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

void parseListen(const std::string& option, const std::string& text, std::string& hostOut,
                 int& portOut) {
    std::string::size_type colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        throw UsageError(option + " takes ADDR:PORT, not '" + text + "'");
    }
    std::string host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    if (host.empty()) throw UsageError(option + " takes ADDR:PORT, not '" + text + "'");
    hostOut = host;
    portOut = static_cast<int>(number(option + " port", text.substr(colon + 1), 0, 65535));
}

// The TLS libraries are mapped only when HTTPS is asked for: the sessions
// that use them come from a module of their own.
std::unique_ptr<TlsSessions> loadTlsSessions(const std::string& module, const ProgramOptions& o) {
    DynamicLinker& linker = systemLinker();
    // Never closed: its code serves until the process ends.
    void* handle = linker.open(module);
    if (!handle) throw CimomError("cannot load the TLS module: " + linker.lastError());
    auto* factory =
        reinterpret_cast<TlsSessionsFactory*>(linker.symbol(handle, kTlsSessionsFactory));
    if (!factory) throw CimomError(module + ": " + linker.lastError());
    return std::unique_ptr<TlsSessions>(factory(o.tlsCertificate, o.tlsKey));
}

}  // namespace

ProgramOptions parseServerOptions(const std::vector<std::string>& args) {
    ProgramOptions o;
    bool tlsListen = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
            continue;
        }
        if (a == "--insecure-http-off-loopback") {
            o.server.plainHttpOffLoopback = true;
            continue;
        }
        std::string* text = nullptr;
        if (a == "--library") text = &o.library;
        if (a == "--schema") text = &o.schema;
        if (a == "--state") text = &o.state;
        if (a == "--passwd") text = &o.passwd;
        if (a == "--log") text = &o.log;
        if (a == "--tls-cert") text = &o.tlsCertificate;
        if (a == "--tls-key") text = &o.tlsKey;
        bool known =
            text || a == "--listen" || a == "--tls-listen" || a == "--threads" || a == "--timeout";
        if (!known) throw UsageError("unknown argument '" + a + "'");
        if (i + 1 >= args.size() || args[i + 1].empty()) throw UsageError(a + " needs a value");
        const std::string& value = args[++i];
        if (text) {
            *text = value;
        } else if (a == "--listen") {
            parseListen(a, value, o.server.host, o.server.port);
        } else if (a == "--tls-listen") {
            parseListen(a, value, o.server.tlsHost, o.server.tlsPort);
            tlsListen = true;
        } else if (a == "--threads") {
            o.server.threads = static_cast<std::size_t>(number(a, value, 1, 256));
        } else {
            o.server.timeoutSeconds = static_cast<int>(number(a, value, 1, 3600));
        }
    }
    if (o.tlsCertificate.empty() != o.tlsKey.empty()) {
        throw UsageError("HTTPS needs both --tls-cert and --tls-key");
    }
    if (tlsListen && o.tlsCertificate.empty()) {
        throw UsageError("--tls-listen needs --tls-cert and --tls-key");
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
        options.library.empty() ? dir + "/" QVX_PROVIDER_FROM_PROGRAM : options.library;
    std::string schemaFile =
        options.schema.empty() ? dir + "/" QVX_SCHEMA_FROM_PROGRAM : options.schema;
    std::string refusal =
        startRefusal(options.server, !options.passwd.empty(), !options.tlsCertificate.empty());
    if (!refusal.empty()) {
        std::fprintf(stderr, "qvx-cimom: %s\n", refusal.c_str());
        return 2;
    }
    try {
        std::shared_ptr<const PasswordFile> passwords;
        if (!options.passwd.empty()) {
            passwords = std::make_shared<PasswordFile>(PasswordFile::load(options.passwd));
        }
        // Outlives the server, whose sessions it made.
        std::unique_ptr<TlsSessions> tls;
        if (!options.tlsCertificate.empty()) {
            tls = loadTlsSessions(dir + "/" QVX_LIBRARIES_FROM_PROGRAM "/libqvx-cimom-tls.so",
                                  options);
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
            CimServer server(operations, options.server, logger, passwords, tls.get());
            int port = server.bind();
            std::vector<std::string> where = {"listening on " +
                                              hostPort(options.server.host, port)};
            if (tls) {
                where.push_back("listening on " +
                                hostPort(options.server.tlsHost, server.tlsPort()) + " (HTTPS)");
            }
            std::string ready;
            for (const std::string& line : where) {
                ready += line + "\n";
                logger->logInfo(String(line.c_str()));
            }
            // One write, so a reader gets every line at once.
            std::fputs(ready.c_str(), stdout);
            std::fflush(stdout);

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
