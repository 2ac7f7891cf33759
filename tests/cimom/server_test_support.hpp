// Helpers for the qvx-cimom tests: the server as a child process on an
// ephemeral loopback port, commands with their output, and raw HTTP(S).
#ifndef QVX_TESTS_CIMOM_SERVER_TEST_SUPPORT_HPP
#define QVX_TESTS_CIMOM_SERVER_TEST_SUPPORT_HPP

#include <gtest/gtest.h>
#include <openssl/bio.h>

#include <memory>
#include <string>
#include <vector>

#include "../doubles/TempDir.hpp"

namespace qvx_test {

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
std::string replaced(std::string s, const std::string& from, const std::string& to);

struct CommandResult {
    int exitCode = -1;   // -1: killed by a signal
    std::string output;  // standard output and error together
};

// Runs argv[0] found through PATH with the input on its standard input,
// stopped after 60 seconds at most.
CommandResult runCommand(const std::vector<std::string>& argv, const std::string& input = "");

// qvx-cimom on 127.0.0.1, port 0, with the built provider and schema; state, log, output and
// certificates in dir.
class ServerTest : public ::testing::Test {
protected:
    ~ServerTest() override { stop(); }
    void start(std::vector<std::string> args = {});
    int stop();  // SIGTERM and wait: the exit status, -1 when it did not exit by itself
    // A self-signed certificate for localhost and 127.0.0.1: NAME.pem, NAME.key.
    bool makeCertificate(const std::string& name);
    // args and HTTPS on a free port too, with the certificate "server".
    std::vector<std::string> withTls(std::vector<std::string> args = {});
    std::string log() const { return readFile(dir.file("server.log")); }
    std::string errors() const { return readFile(dir.file("server.stderr")); }

    TempDir dir;
    int pid = -1, port = 0, tlsPort = 0;
};

struct HttpResponse {
    int status = 0;    // 0: connection closed without a reply
    std::string head;  // the status line and header fields as sent, CRLF between
    std::string body;
    std::string header(const std::string& name) const;  // "" when absent
};

// A connection to 127.0.0.1:port with 30-second timeouts, so no test can hang
// on it; null when refused. With tlsVersion 0 or more, TLS over it, the
// certificate not checked: 0 offers what the library allows, else that alone.
using Stream = std::unique_ptr<BIO, void (*)(BIO*)>;
Stream connectTo(int port, int tlsVersion = -1);
// Sends the bytes, then reads one reply: headers, then Content-Length bytes.
HttpResponse exchange(BIO* stream, const std::string& bytes);
bool closedByServer(BIO* stream);  // as opposed to our own timeout

extern const std::string kChassisName;  // the chassis's INSTANCENAME
std::string param(const std::string& name, const std::string& value);
// A POST with the headers wbemcli sends around a whole CIM-XML body.
std::string httpPost(const std::string& cimMethod, const std::string& body,
                     const std::string& authorization = "");
// The same for an intrinsic method in root/cimv2 with the given IPARAMVALUEs.
std::string cimRequest(const std::string& method, const std::string& params,
                       const std::string& authorization = "", const std::string& id = "1001");
// SetProperty's parameters for the chassis.
std::string newValue(const std::string& property, const std::string& value);

// Sends one request on a new connection and reads the reply.
HttpResponse roundTrip(int port, const std::string& request, bool tls = false);

}  // namespace qvx_test

#endif
