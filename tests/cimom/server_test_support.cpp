#include "server_test_support.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qvx_test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "qvx-server-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!m_path.empty()) fs::remove_all(m_path, ec);
}

namespace {

// Starts argv[0] (through PATH) with the given environment and standard
// streams (-1: none). Everything the child needs is made before fork: other
// threads may hold the allocator's locks.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int in,
            int out, int err) {
    std::vector<char*> a, e;
    for (const std::string& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    for (const std::string& s : env) e.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    e.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (in >= 0) dup2(in, 0);
        dup2(out, 1);
        if (err >= 0) dup2(err, 2);
        execvpe(a[0], a.data(), e.data());
        _exit(127);
    }
    return pid;
}

std::vector<std::string> environment(bool forServer) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string v = *e;
        // The state directory decides where the registry is.
        bool server = v.rfind("QVX_SIM_REGISTRY=", 0) == 0 ||
                      v.rfind("QVX_SIM_APPLIANCE=", 0) == 0 || v.rfind("TSAN_OPTIONS=", 0) == 0;
        if (!forServer || !server) env.push_back(v);
    }
    return env;
}

int exitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace

CommandResult runCommand(const std::vector<std::string>& argv, const std::string& input) {
    CommandResult result;
    int out[2], in[2];
    if (pipe2(out, O_CLOEXEC) != 0) return result;
    if (pipe2(in, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return result;
    }
    std::vector<std::string> args = {"timeout", "60"};
    args.insert(args.end(), argv.begin(), argv.end());
    pid_t pid = spawn(args, environment(false), in[0], out[1], out[1]);
    close(in[0]);
    close(out[1]);
    if (!input.empty() && write(in[1], input.data(), input.size()) < 0) result.output = "(no input)";
    close(in[1]);
    char buf[4096];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0) result.output.append(buf, n);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = exitStatus(status);
    return result;
}

ServerProcess::ServerProcess(const TempDir& dir, const std::vector<std::string>& extraArgs,
                             const std::string& applianceFile)
    : m_dir(dir) {
    std::vector<std::string> args = {QVX_CIMOM_EXE,        "--listen", "127.0.0.1:0",
                                     "--library",          QVX_PROVIDER_LIBRARY,
                                     "--state",            dir.file("state"),
                                     "--log",              dir.file("server.log")};
    bool schemaGiven = false;
    std::size_t lines = 1;  // one readiness line a listener
    for (const std::string& a : extraArgs) {
        schemaGiven = schemaGiven || a == "--schema";
        lines += a == "--tls-cert";
    }
    if (!schemaGiven) args.insert(args.end(), {"--schema", QVX_SCHEMA_FILE});
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<std::string> env = environment(true);
    if (!applianceFile.empty()) env.push_back("QVX_SIM_APPLIANCE=" + applianceFile);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        m_failure = "pipe failed";
        return;
    }
    int err = open(dir.file("server.stderr").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                   0600);
    m_pid = spawn(args, env, -1, out[1], err);
    if (err >= 0) close(err);
    close(out[1]);
    m_stdout = out[0];

    // The readiness lines, within 30 seconds.
    std::string line;
    auto deadline = Clock::now() + std::chrono::seconds(30);
    while (static_cast<std::size_t>(std::count(line.begin(), line.end(), '\n')) < lines) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{m_stdout, POLLIN, 0};
        char ch[256];
        ssize_t n = 0;
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0 ||
            (n = read(m_stdout, ch, sizeof ch)) <= 0) {
            break;
        }
        line.append(ch, n);
    }
    const std::string prefix = "listening on 127.0.0.1:";
    if (line.compare(0, prefix.size(), prefix) == 0) m_port = std::atoi(line.c_str() + prefix.size());
    std::string::size_type tls = line.find("\n" + prefix);
    if (lines > 1) m_port = tls == std::string::npos ? 0 : m_port;
    if (m_port > 0 && lines > 1) m_tlsPort = std::atoi(line.c_str() + tls + 1 + prefix.size());
    if (m_port <= 0) m_failure = "no readiness line; stdout: '" + line + "'; stderr: " + errors();
    // The provider writes to standard output too: keep the pipe from filling.
    m_drain = std::thread([fd = m_stdout] {
        char buf[4096];
        while (read(fd, buf, sizeof buf) > 0) {
        }
    });
}

std::string ServerProcess::url(const std::string& credentials, bool tls) const {
    return (tls ? "https://" : "http://") +
           (credentials.empty() ? std::string() : credentials + "@") +
           "localhost:" + std::to_string(tls ? m_tlsPort : m_port) + "/root/cimv2";
}

int ServerProcess::stop() {
    if (m_pid < 0) return -1;
    kill(m_pid, SIGTERM);
    int status = 0, code = -1;
    for (auto deadline = Clock::now() + std::chrono::seconds(30);; poll(nullptr, 0, 20)) {
        int r = waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) code = exitStatus(status);
        if (r != 0) break;
        if (Clock::now() > deadline) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            break;
        }
    }
    m_pid = -1;
    m_drain.join();
    close(m_stdout);
    return code;
}

std::string HttpResponse::header(const std::string& name) const {
    for (const auto& h : headers) {
        if (strcasecmp(h.first.c_str(), name.c_str()) == 0) return h.second;
    }
    return std::string();
}

bool makeCertificate(const TempDir& dir, const std::string& name) {
    return runCommand({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                       "ec_paramgen_curve:P-256", "-nodes", "-days", "1", "-subj", "/CN=localhost",
                       "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1", "-keyout",
                       dir.file(name + ".key"), "-out", dir.file(name + ".pem")})
               .exitCode == 0;
}

std::vector<std::string> withTls(const TempDir& dir, std::vector<std::string> args) {
    if (!makeCertificate(dir, "server")) return {"--tls-cert", "(openssl failed)"};
    args.insert(args.end(), {"--tls-listen", "127.0.0.1:0", "--tls-cert", dir.file("server.pem"),
                             "--tls-key", dir.file("server.key")});
    return args;
}

RawConnection::RawConnection(int port, int tlsVersion) {
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) return;
    timeval tv{30, 0};
    setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (m_fd < 0 || tlsVersion < 0) return;
    m_context = SSL_CTX_new(TLS_client_method());
    if (tlsVersion > 0) {
        // Old versions need the weakest security level to be offered at all.
        SSL_CTX_set_security_level(m_context, 0);
        SSL_CTX_set_cipher_list(m_context, "DEFAULT:@SECLEVEL=0");
        SSL_CTX_set_min_proto_version(m_context, tlsVersion);
        SSL_CTX_set_max_proto_version(m_context, tlsVersion);
    }
    m_tls = SSL_new(m_context);
    SSL_set_fd(m_tls, m_fd);
    if (SSL_connect(m_tls) != 1) {
        char text[256] = "no error queued";
        ERR_error_string_n(ERR_peek_last_error(), text, sizeof text);
        m_tlsError = text;
        ERR_clear_error();
        close(m_fd);
        m_fd = -1;
    }
}

RawConnection::~RawConnection() {
    if (m_tls) SSL_free(m_tls);
    if (m_context) SSL_CTX_free(m_context);
    if (m_fd >= 0) close(m_fd);
}

bool RawConnection::send(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        long n = m_tls
                     ? SSL_write(m_tls, bytes.data() + done, static_cast<int>(bytes.size() - done))
                     : ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

long RawConnection::read(char* buf, std::size_t size) {
    if (!m_tls) return recv(m_fd, buf, size, 0);
    long n = SSL_read(m_tls, buf, static_cast<int>(size));
    ERR_clear_error();
    return n;
}

HttpResponse RawConnection::receive() {
    HttpResponse r;
    auto fill = [this] {
        char buf[4096];
        long n = read(buf, sizeof buf);
        if (n > 0) m_buffer.append(buf, n);
        return n > 0;
    };
    std::size_t end;
    while ((end = m_buffer.find("\r\n\r\n")) == std::string::npos) {
        if (!fill()) return r;
    }
    r.head = m_buffer.substr(0, end);
    std::istringstream lines(r.head);
    m_buffer.erase(0, end + 4);
    std::string line;
    std::getline(lines, line);
    if (line.size() > 12) r.status = std::atoi(line.c_str() + 9);
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string::size_type colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string::size_type value = line.find_first_not_of(' ', colon + 1);
        r.headers.emplace_back(line.substr(0, colon),
                               value == std::string::npos ? "" : line.substr(value));
    }
    std::size_t length = std::strtoul(r.header("Content-Length").c_str(), nullptr, 10);
    while (m_buffer.size() < length && fill()) {
    }
    r.body = m_buffer.substr(0, length);
    m_buffer.erase(0, r.body.size());
    return r;
}

void RawConnection::stopSending() { shutdown(m_fd, SHUT_WR); }

bool RawConnection::closedByServer() {
    char buf[4096];
    for (;;) {
        ssize_t n = recv(m_fd, buf, sizeof buf, 0);
        if (n == 0) return true;
        if (n < 0) return errno == ECONNRESET;
    }
}

std::string cimRequest(const CimHeaders& h, const std::string& body) {
    std::string r = h.httpMethod + " /cimom HTTP/1.1\r\nHost: localhost\r\n";
    const std::pair<const char*, const std::string*> fields[] = {
        {"Content-Type", &h.contentType}, {"CIMOperation", &h.operation},
        {"CIMMethod", &h.method},         {"CIMObject", &h.object},
        {"Authorization", &h.authorization}};
    for (const auto& f : fields) {
        if (!f.second->empty()) r += std::string(f.first) + ": " + *f.second + "\r\n";
    }
    return r + "CIMProtocolVersion: 1.0\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

std::string intrinsicBody(const std::string& method, const std::string& params,
                          const std::string& nameSpace) {
    std::string ns;
    for (std::string::size_type start = 0, slash = 0; slash != std::string::npos;
         start = slash + 1) {
        slash = nameSpace.find('/', start);
        ns += "<NAMESPACE NAME=\"" + nameSpace.substr(start, slash - start) + "\"/>";
    }
    return "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n"
           "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"4711\" "
           "PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><IMETHODCALL NAME=\"" +
           method + "\"><LOCALNAMESPACEPATH>" + ns + "</LOCALNAMESPACEPATH>" + params +
           "</IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>\n";
}

HttpResponse roundTrip(int port, const std::string& request, bool tls) {
    RawConnection c(port, tls ? 0 : -1);
    if (!c.connected() || !c.send(request)) return HttpResponse();
    return c.receive();
}

}  // namespace qvx_test
