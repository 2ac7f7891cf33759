#include "server_test_support.hpp"

#include <fcntl.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace qvx_test {

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

std::string replaced(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos;
         at = s.find(from, at + to.size())) {
        s.replace(at, from.size(), to);
    }
    return s;
}

CommandResult runCommand(const std::vector<std::string>& argv, const std::string& input) {
    TempDir dir;
    std::string command = "timeout 60";
    for (const std::string& a : argv) command += " '" + replaced(a, "'", "'\\''") + "'";
    FILE* in = popen((command + " >" + dir.file("out") + " 2>&1").c_str(), "w");
    if (!in) return {};
    std::fputs(input.c_str(), in);
    int status = pclose(in);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir.file("out"))};
}

void ServerTest::start(std::vector<std::string> args) {
    // The state directory decides where the registry is.
    std::vector<std::string> argv = {
        "env", "-u", "QVX_SIM_REGISTRY", "-u", "QVX_SIM_APPLIANCE", "-u", "TSAN_OPTIONS"};
    argv.insert(argv.end(), {QVX_CIMOM_EXE, "--listen", "127.0.0.1:0", "--library",
                             QVX_PROVIDER_LIBRARY, "--schema", QVX_SCHEMA_FILE, "--state",
                             dir.file("state"), "--log", dir.file("server.log")});
    argv.insert(argv.end(), args.begin(), args.end());
    // Everything the child needs is made before fork: other threads may hold
    // the allocator's locks.
    std::vector<char*> a;
    for (std::string& s : argv) a.push_back(s.data());
    a.push_back(nullptr);
    int out = open(dir.file("server.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int err =
        open(dir.file("server.stderr").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    pid = fork();
    if (pid == 0) {
        dup2(out, 1);
        dup2(err, 2);
        execvp(a[0], a.data());
        _exit(127);
    }
    close(out);
    close(err);
    // One readiness line a listener, all written at once, within 30 seconds.
    long lines = 1 + std::count(args.begin(), args.end(), "--tls-cert");
    std::string ready;
    for (auto deadline = Clock::now() + std::chrono::seconds(30);
         std::count(ready.begin(), ready.end(), '\n') < lines && Clock::now() < deadline;
         poll(nullptr, 0, 20)) {
        ready = readFile(dir.file("server.out"));
    }
    int found = std::sscanf(ready.c_str(), "listening on 127.0.0.1:%d listening on 127.0.0.1:%d",
                            &port, &tlsPort);
    ASSERT_EQ(found, lines) << "stdout: " << ready << "\nstderr: " << errors();
}

int ServerTest::stop() {
    if (pid < 0) return -1;
    kill(pid, SIGTERM);
    int status = -1;
    for (auto deadline = Clock::now() + std::chrono::seconds(30);
         !waitpid(pid, &status, WNOHANG);) {
        if (Clock::now() > deadline) kill(pid, SIGKILL);
        poll(nullptr, 0, 20);
    }
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ServerTest::makeCertificate(const std::string& name) {
    return runCommand({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                       "ec_paramgen_curve:P-256", "-nodes", "-days", "1", "-subj", "/CN=localhost",
                       "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1", "-keyout",
                       dir.file(name + ".key"), "-out", dir.file(name + ".pem")})
               .exitCode == 0;
}

std::vector<std::string> ServerTest::withTls(std::vector<std::string> args) {
    EXPECT_TRUE(makeCertificate("server"));
    args.insert(args.end(), {"--tls-listen", "127.0.0.1:0", "--tls-cert", dir.file("server.pem"),
                             "--tls-key", dir.file("server.key")});
    return args;
}

std::string HttpResponse::header(const std::string& name) const {
    std::string h = head, n = "\r\n" + name + ":";
    for (std::string* s : {&h, &n}) std::transform(s->begin(), s->end(), s->begin(), ::tolower);
    std::size_t at = h.find(n);
    if (at == std::string::npos) return "";
    at = std::min(head.find_first_not_of(' ', at + n.size()), head.size());
    return head.substr(at, head.find("\r\n", at) - at);
}

Stream connectTo(int port, int tlsVersion) {
    signal(SIGPIPE, SIG_IGN);  // a server that hung up fails the write instead
    Stream s(BIO_new_connect(("127.0.0.1:" + std::to_string(port)).c_str()), BIO_free_all);
    if (BIO_do_connect(s.get()) != 1) return Stream(nullptr, BIO_free_all);
    timeval tv{30, 0};
    for (int option : {SO_RCVTIMEO, SO_SNDTIMEO}) {
        setsockopt(BIO_get_fd(s.get(), nullptr), SOL_SOCKET, option, &tv, sizeof tv);
    }
    if (tlsVersion < 0) return s;
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (tlsVersion > 0) {
        // Old versions need the weakest security level to be offered at all.
        SSL_CTX_set_cipher_list(context, "DEFAULT:@SECLEVEL=0");
        SSL_CTX_set_min_proto_version(context, tlsVersion);
        SSL_CTX_set_max_proto_version(context, tlsVersion);
    }
    Stream tls(BIO_push(BIO_new_ssl(context, 1), s.release()), BIO_free_all);
    SSL_CTX_free(context);  // the stream holds its own reference
    return BIO_do_handshake(tls.get()) == 1 ? std::move(tls) : Stream(nullptr, BIO_free_all);
}

HttpResponse exchange(BIO* stream, const std::string& bytes) {
    HttpResponse r;
    if (!bytes.empty() && BIO_write(stream, bytes.data(), bytes.size()) != int(bytes.size())) {
        return r;
    }
    std::string in;
    char buf[4096];
    int n = 0;
    while (in.find("\r\n\r\n") == std::string::npos) {
        if ((n = BIO_read(stream, buf, sizeof buf)) <= 0) return r;
        in.append(buf, n);
    }
    r.head = in.substr(0, in.find("\r\n\r\n"));
    r.body = in.substr(r.head.size() + 4);
    if (r.head.size() > 12) r.status = std::atoi(r.head.c_str() + 9);
    std::size_t length = std::strtoul(r.header("Content-Length").c_str(), nullptr, 10);
    while (r.body.size() < length && (n = BIO_read(stream, buf, sizeof buf)) > 0) {
        r.body.append(buf, n);
    }
    return r;
}

bool closedByServer(BIO* stream) {
    char buf[4096];
    ssize_t n;
    while ((n = recv(BIO_get_fd(stream, nullptr), buf, sizeof buf, 0)) > 0) {
    }
    return n == 0 || errno == ECONNRESET;
}

const std::string kChassisName =
    "<INSTANCENAME CLASSNAME=\"QVX_Z64Chassis\">"
    "<KEYBINDING NAME=\"Tag\"><KEYVALUE VALUETYPE=\"string\">Chassis</KEYVALUE></KEYBINDING>"
    "<KEYBINDING NAME=\"CreationClassName\"><KEYVALUE VALUETYPE=\"string\">QVX_Chassis"
    "</KEYVALUE></KEYBINDING></INSTANCENAME>";

std::string param(const std::string& name, const std::string& value) {
    return "<IPARAMVALUE NAME=\"" + name + "\">" + value + "</IPARAMVALUE>";
}

std::string httpPost(const std::string& cimMethod, const std::string& body,
                     const std::string& authorization) {
    return "POST /cimom HTTP/1.1\r\nHost: localhost\r\n"
           "Content-Type: application/xml; charset=\"utf-8\"\r\nCIMOperation: MethodCall\r\n"
           "CIMMethod: " +
           cimMethod + "\r\nCIMObject: root%2Fcimv2\r\n" +
           (authorization.empty() ? "" : "Authorization: " + authorization + "\r\n") +
           "CIMProtocolVersion: 1.0\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

std::string cimRequest(const std::string& method, const std::string& params,
                       const std::string& authorization, const std::string& id) {
    return httpPost(method,
                    "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<CIM CIMVERSION=\"2.0\" "
                    "DTDVERSION=\"2.0\"><MESSAGE ID=\"" +
                        id + "\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><IMETHODCALL NAME=\"" + method +
                        "\"><LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/><NAMESPACE "
                        "NAME=\"cimv2\"/></LOCALNAMESPACEPATH>" +
                        params + "</IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>\n",
                    authorization);
}

std::string newValue(const std::string& property, const std::string& value) {
    return param("InstanceName", kChassisName) +
           param("PropertyName", "<VALUE>" + property + "</VALUE>") +
           param("NewValue", "<VALUE>" + value + "</VALUE>");
}

HttpResponse roundTrip(int port, const std::string& request, bool tls) {
    Stream s = connectTo(port, tls ? 0 : -1);
    return s ? exchange(s.get(), request) : HttpResponse();
}

}  // namespace qvx_test
