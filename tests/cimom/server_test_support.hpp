// Helpers for the qvx-cimom tests: child processes (the server on an
// ephemeral loopback port, or a command with its output) and raw HTTP.
#ifndef QVX_TESTS_CIMOM_SERVER_TEST_SUPPORT_HPP
#define QVX_TESTS_CIMOM_SERVER_TEST_SUPPORT_HPP

#include <string>
#include <thread>
#include <utility>
#include <vector>

struct ssl_ctx_st;
struct ssl_st;

namespace qvx_test {

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);

// A fresh directory under the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

struct CommandResult {
    int exitCode = -1;   // -1: killed by a signal
    std::string output;  // standard output and error together
};

// Runs argv[0] found through PATH with the input on its standard input,
// stopped after 60 seconds at most.
CommandResult runCommand(const std::vector<std::string>& argv, const std::string& input = "");

// A self-signed certificate for localhost and 127.0.0.1 with its key, made
// by the openssl command: <dir>/<name>.pem and <dir>/<name>.key.
bool makeCertificate(const TempDir& dir, const std::string& name);
// The arguments that make the server serve HTTPS too, on a free port, with a
// certificate made for it ("server").
std::vector<std::string> withTls(const TempDir& dir, std::vector<std::string> args = {});

// qvx-cimom on 127.0.0.1, port 0, with the built provider (and schema unless
// the arguments give one), state in <dir>/state, log in <dir>/server.log,
// standard error in <dir>/server.stderr. The appliance file, if any, goes to
// QVX_SIM_APPLIANCE.
class ServerProcess {
public:
    ServerProcess(const TempDir& dir, const std::vector<std::string>& extraArgs = {},
                  const std::string& applianceFile = "");
    ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool ready() const { return m_port > 0; }  // the readiness lines came
    const std::string& failure() const { return m_failure; }
    int port() const { return m_port; }
    int tlsPort() const { return m_tlsPort; }
    int pid() const { return m_pid; }
    // http://..../root/cimv2, or https:// on the TLS port
    std::string url(const std::string& credentials = "", bool tls = false) const;
    std::string log() const { return readFile(m_dir.file("server.log")); }
    std::string errors() const { return readFile(m_dir.file("server.stderr")); }
    // SIGTERM and wait; the exit status, or -1 when it did not exit by itself.
    int stop();

private:
    const TempDir& m_dir;
    int m_pid = -1;
    int m_port = 0;
    int m_tlsPort = 0;
    int m_stdout = -1;
    std::string m_failure;
    std::thread m_drain;
};

struct HttpResponse {
    int status = 0;    // 0: connection closed without a reply
    std::string head;  // the status line and header fields as sent, CRLF between
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string header(const std::string& name) const;  // "" when absent
};

// One TCP connection to 127.0.0.1:port with 30-second send and receive
// timeouts, so no test can hang on it. With tlsVersion 0 or more, TLS over
// it, the server's certificate not checked: 0 offers what the library
// allows, else only that version (TLS1_VERSION, ...).
class RawConnection {
public:
    explicit RawConnection(int port, int tlsVersion = -1);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;
    bool connected() const { return m_fd >= 0; }
    const std::string& tlsError() const { return m_tlsError; }  // why the handshake failed
    bool send(const std::string& bytes);
    void stopSending();      // shuts the sending side: the server reads end of stream
    HttpResponse receive();  // headers, then Content-Length bytes of body
    bool closedByServer();   // as opposed to our own timeout

private:
    long read(char* buf, std::size_t size);
    int m_fd = -1;
    ssl_ctx_st* m_context = nullptr;
    ssl_st* m_tls = nullptr;
    std::string m_tlsError;
    std::string m_buffer;
};

// A POST with the headers wbemcli sends, each overridable ("" drops one).
struct CimHeaders {
    std::string contentType = "application/xml; charset=\"utf-8\"";
    std::string operation = "MethodCall";
    std::string method;
    std::string object = "root%2Fcimv2";
    std::string authorization;
    std::string httpMethod = "POST";
};
std::string cimRequest(const CimHeaders& h, const std::string& body);

// A whole CIM-XML request for an intrinsic method with the given IPARAMVALUEs.
std::string intrinsicBody(const std::string& method, const std::string& params,
                          const std::string& nameSpace = "root/cimv2");

// Sends one request on a new connection and reads the reply.
HttpResponse roundTrip(int port, const std::string& request, bool tls = false);

}  // namespace qvx_test

#endif
