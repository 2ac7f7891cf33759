#include "server_test_support.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qvx_test {

namespace fs = std::filesystem;

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
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data())) m_path = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!m_path.empty()) fs::remove_all(m_path, ec);
}

namespace {

std::vector<char*> cArgs(const std::vector<std::string>& args) {
    std::vector<char*> out;
    for (const std::string& a : args) out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

// Waits for the child, for at most the given time; -1 when it had to be killed.
int waitExit(int pid, std::chrono::seconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        int r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0) return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        poll(nullptr, 0, 20);
    }
}

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
    std::vector<char*> c = cArgs(args);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        execvp(c[0], c.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (!input.empty()) {
        ssize_t ignored = write(in[1], input.data(), input.size());
        (void)ignored;
    }
    close(in[1]);
    char buf[4096];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0) result.output.append(buf, n);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

ServerProcess::ServerProcess(const TempDir& dir, const std::vector<std::string>& extraArgs,
                             const std::string& applianceFile)
    : m_dir(dir) {
    std::vector<std::string> args = {
        QVX_CIMOM_EXE,         "--listen", "127.0.0.1:0",     "--library",
        QVX_PROVIDER_LIBRARY,  "--state",  dir.file("state"), "--log",
        dir.file("server.log")};
    bool schemaGiven = false;
    for (const std::string& a : extraArgs) schemaGiven = schemaGiven || a == "--schema";
    if (!schemaGiven) {
        args.push_back("--schema");
        args.push_back(QVX_SCHEMA_FILE);
    }
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        m_failure = "pipe failed";
        return;
    }
    std::vector<char*> c = cArgs(args);
    std::string stderrFile = dir.file("server.stderr");
    // Everything the child needs is made before fork: other threads may hold
    // the allocator's or the environment's locks.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string v = *e;
        // The state directory decides where the registry is.
        if (v.rfind("QVX_SIM_REGISTRY=", 0) == 0 || v.rfind("QVX_SIM_APPLIANCE=", 0) == 0) continue;
        if (v.rfind("TSAN_OPTIONS=", 0) == 0) continue;
        env.push_back(v);
    }
    const char* tsan = getenv("TSAN_OPTIONS");
    env.push_back(std::string("TSAN_OPTIONS=") + (tsan ? tsan : "") +
                  " suppressions=" QVX_TSAN_SUPPRESSIONS);
    if (!applianceFile.empty()) env.push_back("QVX_SIM_APPLIANCE=" + applianceFile);
    std::vector<char*> cEnv = cArgs(env);
    int err = open(stderrFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        if (err >= 0) dup2(err, 2);
        execve(c[0], c.data(), cEnv.data());
        _exit(127);
    }
    if (err >= 0) close(err);
    close(out[1]);
    m_pid = pid;
    m_stdout = out[0];

    // The readiness line, within 30 seconds.
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (line.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        pollfd p{m_stdout, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) break;
        char ch[256];
        ssize_t n = read(m_stdout, ch, sizeof ch);
        if (n <= 0) break;
        line.append(ch, n);
    }
    std::string first = line.substr(0, line.find('\n'));
    const std::string prefix = "listening on 127.0.0.1:";
    if (first.compare(0, prefix.size(), prefix) == 0) {
        m_port = std::atoi(first.c_str() + prefix.size());
    }
    if (m_port <= 0) {
        m_failure = "no readiness line; stdout: '" + line + "'; stderr: " + readFile(stderrFile);
    }
    // The provider writes to standard output too: keep the pipe from filling.
    int fd = m_stdout;
    m_drain = std::thread([fd] {
        char buf[4096];
        while (read(fd, buf, sizeof buf) > 0) {
        }
    });
}

ServerProcess::~ServerProcess() {
    stop();
}

std::string ServerProcess::url(const std::string& credentials) const {
    return "http://" + (credentials.empty() ? std::string() : credentials + "@") +
           "localhost:" + std::to_string(m_port) + "/root/cimv2";
}

std::string ServerProcess::log() const {
    return readFile(m_dir.file("server.log"));
}

std::string ServerProcess::errors() const {
    return readFile(m_dir.file("server.stderr"));
}

int ServerProcess::stop() {
    if (m_pid < 0) return -1;
    kill(m_pid, SIGTERM);
    int code = waitExit(m_pid, std::chrono::seconds(30));
    m_pid = -1;
    if (m_drain.joinable()) m_drain.join();
    close(m_stdout);
    return code;
}

std::string HttpResponse::header(const std::string& name) const {
    for (const auto& h : headers) {
        if (strcasecmp(h.first.c_str(), name.c_str()) == 0) return h.second;
    }
    return std::string();
}

RawConnection::RawConnection(int port) {
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
}

RawConnection::~RawConnection() {
    if (m_fd >= 0) close(m_fd);
}

bool RawConnection::send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

HttpResponse RawConnection::receive() {
    HttpResponse r;
    std::size_t end;
    while ((end = m_buffer.find("\r\n\r\n")) == std::string::npos) {
        char buf[4096];
        ssize_t n = recv(m_fd, buf, sizeof buf, 0);
        if (n <= 0) return r;
        m_buffer.append(buf, n);
    }
    std::string head = m_buffer.substr(0, end);
    m_buffer.erase(0, end + 4);
    std::istringstream lines(head);
    std::string line;
    std::getline(lines, line);
    if (line.size() > 12) r.status = std::atoi(line.c_str() + 9);
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string::size_type colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        r.headers.emplace_back(line.substr(0, colon), value);
    }
    std::size_t length = std::strtoul(r.header("Content-Length").c_str(), nullptr, 10);
    while (m_buffer.size() < length) {
        char buf[4096];
        ssize_t n = recv(m_fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        m_buffer.append(buf, n);
    }
    r.body = m_buffer.substr(0, length);
    m_buffer.erase(0, r.body.size());
    return r;
}

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
    if (!h.contentType.empty()) r += "Content-Type: " + h.contentType + "\r\n";
    if (!h.operation.empty()) r += "CIMOperation: " + h.operation + "\r\n";
    if (!h.method.empty()) r += "CIMMethod: " + h.method + "\r\n";
    if (!h.object.empty()) r += "CIMObject: " + h.object + "\r\n";
    if (!h.authorization.empty()) r += "Authorization: " + h.authorization + "\r\n";
    r += "CIMProtocolVersion: 1.0\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    return r + body;
}

std::string intrinsicBody(const std::string& method, const std::string& params,
                          const std::string& nameSpace) {
    std::string ns;
    std::string::size_type start = 0;
    for (;;) {
        std::string::size_type slash = nameSpace.find('/', start);
        ns += "<NAMESPACE NAME=\"" + nameSpace.substr(start, slash - start) + "\"/>";
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n"
           "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"4711\" "
           "PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><IMETHODCALL NAME=\"" +
           method + "\"><LOCALNAMESPACEPATH>" + ns + "</LOCALNAMESPACEPATH>" + params +
           "</IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>\n";
}

HttpResponse roundTrip(int port, const std::string& request) {
    RawConnection c(port);
    if (!c.connected() || !c.send(request)) return HttpResponse();
    return c.receive();
}

}  // namespace qvx_test
