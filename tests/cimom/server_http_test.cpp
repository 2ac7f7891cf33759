// qvx-cimom over raw HTTP(S): its replies against captures from the
// appliance's object manager, and requests no polite client sends. After
// each bad one, the server must still answer a good request.
#include "server_test_support.hpp"

#include <openssl/ssl.h>
#include <sys/stat.h>

#include <memory>
#include <random>
#include <sstream>
#include <thread>

using namespace qvx_test;

namespace {

using HttpTest = ServerTest;
const auto npos = std::string::npos;

std::string getChassis(const std::string& authorization = "") {
    return cimRequest("GetInstance", param("InstanceName", kChassisName), authorization);
}

std::string className(const std::string& name) {
    return param("ClassName", "<CLASSNAME NAME=\"" + name + "\"/>");
}

bool answersGoodRequest(int port, const std::string& authorization = "", bool tls = false) {
    HttpResponse r = roundTrip(port, getChassis(authorization), tls);
    return r.status == 200 && r.body.find("<INSTANCE CLASSNAME=\"QVX_Z64Chassis\">") != npos &&
           r.body.find("ERROR") == npos;
}

// A reply captured from the appliance's object manager (golden/NAME.txt):
// "## " notes, header lines, "## body (N bytes):", then the body with a line
// break added between adjacent tags. A body the capture cut ("...[cut]") is
// a prefix of the reply's.
struct Capture {
    std::string head, body;
    bool cut = false;
};

Capture capture(const std::string& name) {
    std::istringstream in(readFile(std::string(QVX_GOLDEN_DIR) + "/" + name + ".txt"));
    Capture c;
    std::string line, text;
    while (std::getline(in, line) && line.rfind("## body (", 0) != 0) {
        if (line.rfind("## ", 0) != 0) c.head += (c.head.empty() ? "" : "\r\n") + line;
    }
    std::size_t length = std::stoul(line.substr(9));
    std::getline(in, text, '\0');
    c.body = replaced(text.substr(0, text.size() - 1), ">\n<", "><");
    c.cut = c.body.size() > 9 && c.body.compare(c.body.size() - 9, 9, "\n...[cut]") == 0;
    if (c.cut) c.body.resize(c.body.size() - 9);
    EXPECT_TRUE(c.cut ? c.body.size() < length : c.body.size() == length) << name;
    return c;
}

// All that may differ between hosts: the date, the server's name and the
// number tying the reply's CIM header fields to its Man field.
std::string normalised(const std::string& head) {
    std::string out, ns;
    for (std::size_t at = 0, end = 0; end < head.size(); at = end + 2) {
        end = std::min(head.find("\r\n", at), head.size());
        std::string line = head.substr(at, end - at);
        std::size_t n = line.find("; ns=");
        if (n != npos) ns = line.substr(n + 5), line.replace(n + 5, npos, "*");
        if (line.rfind("Date: ", 0) == 0 || line.rfind("Server: ", 0) == 0) line.resize(5);
        if (!ns.empty() && line.rfind(ns + "-CIM", 0) == 0) line.replace(0, ns.size(), "*");
        out += line + "\r\n";
    }
    return out;
}

TEST_F(HttpTest, RepliesAreTheAppliancesObjectManagersByteForByte) {
    start();
    const std::string gi = param("InstanceName", kChassisName), ei = className("QVX_Z64Chassis");
    auto value = [](const std::string& name, const std::string& v) {
        return param(name, "<VALUE>" + v + "</VALUE>");
    };
    auto set = [&](const std::string& name, const std::string& v) {
        return cimRequest("SetProperty", gi + value("PropertyName", name) + value("NewValue", v));
    };
    // The captures were taken with these administrator texts set.
    for (const auto& [name, v] : {std::pair{"OwnerName", "dx"}, std::pair{"Location", "dx-sp"},
                                  std::pair{"UserTracking", "ut-ch"}}) {
        ASSERT_EQ(roundTrip(port, set(name, v)).body.find("<ERROR"), npos) << name;
    }
    auto missing = [](const std::string& tag) {
        return param("InstanceName",
                     "<INSTANCENAME CLASSNAME=\"QVX_Z64Chassis\"><KEYBINDING "
                     "NAME=\"Tag\"><KEYVALUE VALUETYPE=\"string\">" +
                         tag + "</KEYVALUE></KEYBINDING></INSTANCENAME>");
    };
    const std::string get = cimRequest("GetInstance", gi);
    const std::string on = value("IncludeQualifiers", "TRUE") + value("IncludeClassOrigin", "TRUE");
    const std::string off =
        value("IncludeQualifiers", "FALSE") + value("IncludeClassOrigin", "FALSE");
    const std::string props = "<VALUE.ARRAY><VALUE>OwnerName</VALUE></VALUE.ARRAY>";
    const struct {
        const char* capture;
        std::string request;
    } cases[] = {
        {"01-gi-plain", cimRequest("GetInstance", gi + off)},
        {"02-gi-quals-origin", cimRequest("GetInstance", gi + on)},
        {"03-ei-quals-origin", cimRequest("EnumerateInstances", ei + on)},
        {"04-gi-proplist", cimRequest("GetInstance", gi + param("PropertyList", props))},
        {"05-ei-proplist-empty",
         cimRequest("EnumerateInstances",
                    ei + param("PropertyList", "<VALUE.ARRAY></VALUE.ARRAY>"))},
        {"06-gc-noquals-noorigin", cimRequest("GetClass", ei + off)},
        {"07-gc-defaults", cimRequest("GetClass", ei)},
        {"08-gi-no-content-type",
         replaced(get, "Content-Type: application/xml; charset=\"utf-8\"\r\n", "")},
        {"11-gi-100k-key", cimRequest("GetInstance", missing(std::string(100000, 'k')))},
        {"12-di-missing", cimRequest("DeleteInstance", missing("Nope"))},
        {"13-gi-classcase", replaced(get, "QVX_Z64Chassis", "qvx_z64chassis")},
        {"14-invoke-undeclared",
         httpPost(
             "NoSuchMethod",
             "<?xml version=\"1.0\"?><CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE "
             "ID=\"1001\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><METHODCALL NAME=\"NoSuchMethod\">"
             "<LOCALINSTANCEPATH><LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/><NAMESPACE "
             "NAME=\"cimv2\"/></LOCALNAMESPACEPATH>" +
                 kChassisName + "</LOCALINSTANCEPATH></METHODCALL></SIMPLEREQ></MESSAGE></CIM>")},
        {"15-getproperty", cimRequest("GetProperty", gi + value("PropertyName", "CanBeFRUed"))},
        {"16-setproperty-ro", set("SerialNumber", "forged")},
        {"17-gi-after-setproperty", get},
        {"18-not-xml", httpPost("GetInstance", "this is not xml!")},
    };
    for (const auto& c : cases) {
        Capture want = capture(c.capture);
        HttpResponse got = roundTrip(port, c.request);
        EXPECT_EQ(normalised(got.head), normalised(want.head)) << c.capture;
        EXPECT_EQ(want.cut ? got.body.substr(0, want.body.size()) : got.body, want.body)
            << c.capture;
    }
}

TEST_F(HttpTest, BadRequestsGetAClearErrorAndTheServerStaysUp) {
    start();
    const std::string get = getChassis();
    std::string headers = get;
    for (int i = 0; i < 100; ++i)
        headers.insert(get.find('\n') + 1, "X-Filler-" + std::to_string(i) + ": x\r\n");
    std::string big = httpPost("GetInstance", std::string(2 * 1024 * 1024, ' '));
    big.resize(big.find("\r\n\r\n") + 4);  // refused from the header alone
    auto post = [](const std::string& body) { return httpPost("GetInstance", body); };
    auto modify = [](const std::string& value, const std::string& type) {
        return cimRequest("ModifyInstance", modifiedChassis("OwnerName", value, type));
    };
    const struct {
        std::string request;
        int status;
        const char* cimError;  // the CIMError header, "" when none
        const char* inBody;
    } cases[] = {
        {replaced(get, "CIMOperation: MethodCall\r\n", ""), 400, "unsupported-operation",
         "CIMOperation"},
        {replaced(get, "CIMMethod: Get", "CIMMethod: Delete"), 400, "header-mismatch",
         "does not match"},
        {headers, 400, "request-not-valid", "too many header fields"},
        {"GET" + get.substr(4), 405, "", "POST"},
        {big, 413, "", "request body too large"},
        {"GARBAGE\r\n\r\n", 400, "", "malformed HTTP request"},
        // Not CIM-XML: refused without a body.
        {modify("a<b & c", "string"), 400, "request-not-well-formed", ""},
        {post("<?xml version=\"1.0\"?><html/>"), 400, "request-not-loosely-valid", ""},
        {cimRequest("Frobnicate", ""), 200, "", "<ERROR CODE=\"7\""},
        {cimRequest("GetInstance", param("InstanceName", "<VALUE>Chassis</VALUE>")), 200, "",
         "<ERROR CODE=\"4\""},
        {modify("7", "uint32"), 200, "", "<ERROR CODE=\"13\""},
        {replaced(get, "\"cimv2\"", "\"cimv3\""), 200, "", "<ERROR CODE=\"3\""},
        {replaced(get, "\"cimv2\"", "\"CIMV2\""), 200, "",
         "<INSTANCE CLASSNAME=\"QVX_Z64Chassis\">"},
    };
    for (const auto& c : cases) {
        HttpResponse r = roundTrip(port, c.request);
        EXPECT_EQ(r.status, c.status) << c.request.substr(0, 300) << "\n" << r.body;
        EXPECT_EQ(r.header("CIMError"), c.cimError) << r.head;
        EXPECT_NE(r.body.find(c.inBody), npos) << c.inBody << " in " << r.body;
        EXPECT_NE(r.header("Content-Length"), "") << r.head;
        EXPECT_TRUE(answersGoodRequest(port)) << "after " << c.request.substr(0, 300);
    }
    // A body short of its Content-Length, and the client done sending.
    RawConnection shortBody(port);
    ASSERT_TRUE(shortBody.send(get.substr(0, 300)));
    shortBody.stopSending();
    EXPECT_EQ(shortBody.receive().status, 400);
    EXPECT_NE(roundTrip(port, get).body.find("\"OwnerName\" TYPE=\"string\" ><VALUE></VALUE>"),
              npos)
        << "no bad request may have written";
    // Without a password file credentials are not asked for, nor checked.
    EXPECT_TRUE(answersGoodRequest(port, "Basic bm9ib2R5Om5vdGhpbmc="));
    // One connection carries a write and a read that asks to continue;
    // markup in a value is escaped both ways.
    RawConnection c(port);
    ASSERT_TRUE(c.send(cimRequest("ModifyInstance", modifiedChassis("OwnerName", "&lt;a&amp;"))));
    EXPECT_NE(c.receive().body.find("<IMETHODRESPONSE NAME=\"ModifyInstance\"></"), npos);
    const std::size_t end = get.find("\r\n\r\n");
    ASSERT_TRUE(c.send(get.substr(0, end) + "\r\nExpect: 100-continue\r\n\r\n"));
    EXPECT_EQ(c.receive().status, 100);
    ASSERT_TRUE(c.send(get.substr(end + 4)));
    EXPECT_NE(c.receive().body.find("<VALUE>&lt;a&amp;</VALUE>"), npos);
    // Without TLS asked for, no TLS library is mapped.
    EXPECT_FALSE(mapsLibssl());
    // Each request is logged once its reply is out: read the log once stopped.
    EXPECT_EQ(stop(), 0) << errors();
    const std::string log = this->log();
    const std::size_t at = log.find(" method=GetInstance class=QVX_Z64Chassis http=200 cim=OK ");
    std::string line = log.substr(log.rfind('\n', at) + 1);
    line.resize(line.find('\n'));
    EXPECT_NE(line.find(" INFO request client=127.0.0.1:"), npos) << log;
    EXPECT_EQ(line.substr(line.size() - 2), "us") << line;
    for (const char* refused : {"method=GetInstance class=- http=400 cim=- duration=",
                                "method=GetInstance class=- http=413 cim=- duration=",
                                "method=- class=- http=400 cim=- duration="}) {
        EXPECT_NE(log.find(refused), npos) << refused;
    }
}

// A client's first handshake message, as the library writes it.
std::string clientHello() {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    SSL* tls = SSL_new(context);
    BIO* out = BIO_new(BIO_s_mem());
    SSL_set_bio(tls, BIO_new(BIO_s_mem()), out);
    SSL_connect(tls);  // wants the server's answer, with the hello written
    char* bytes = nullptr;
    long size = BIO_get_mem_data(out, &bytes);
    std::string hello(bytes, size);
    SSL_free(tls);
    SSL_CTX_free(context);
    return hello;
}

TEST_F(HttpTest, HostileSlowAndIdleClientsAreDroppedWhileOthersAreServed) {
    start(withTls({"--threads", "2", "--timeout", "1"}));
    const std::string hello = clientHello(), good = getChassis();
    std::string noise(4096, '\0');
    std::mt19937 random(16);
    for (char& c : noise) c = static_cast<char>(random());
    // More connections than workers, each held only until its timeout.
    const struct {
        const char* why;
        std::string sent;
        int version;  // -1: plain HTTP; 0: TLS port, bytes sent raw; else a handshake of that alone
        bool thenEnd = false;  // our side closes its half after sending
    } cases[] = {
        {"HTTP on the HTTPS port", good, 0},
        {"random bytes", noise, 0},
        {"a handshake cut off half way", hello.substr(0, hello.size() / 2), 0, true},
        {"a handshake never finished", hello, 0},
        {"TLS 1.0", "", TLS1_VERSION},
        {"TLS 1.1", "", TLS1_1_VERSION},
        {"half a request", good.substr(0, good.size() - 100), -1},
        {"headers cut off", "POST /cimom HTTP/1.1\r\nHost: x\r\n", -1},
        {"idle", "", -1},
    };
    std::vector<std::unique_ptr<RawConnection>> held;
    for (const auto& c : cases) {
        held.emplace_back(
            new RawConnection(c.version < 0 ? port : tlsPort, c.version ? c.version : -1));
        if (c.version > 0) {
            EXPECT_NE(held.back()->tlsError().find("alert protocol version"), npos) << c.why;
        } else {
            EXPECT_TRUE(held.back()->send(c.sent)) << c.why;
            if (c.thenEnd) held.back()->stopSending();
        }
        EXPECT_TRUE(answersGoodRequest(tlsPort, "", true)) << "after " << c.why;
    }
    // A client that keeps sending a little must still finish within the
    // timeout: it is for the whole request, not for each read.
    RawConnection trickle(port);
    for (std::size_t at = 0; at < 8 * 10; at += 10) {
        trickle.send(good.substr(at, 10));  // refused once the server hangs up
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    EXPECT_TRUE(trickle.closedByServer());
    EXPECT_EQ(held[6]->receive().status, 408) << "a status line for a body that stopped coming";
    for (std::size_t i = 0; i < held.size(); ++i) {
        EXPECT_TRUE(!held[i]->connected() || held[i]->closedByServer()) << cases[i].why;
    }
    EXPECT_TRUE(answersGoodRequest(tlsPort, "", true));
    EXPECT_TRUE(answersGoodRequest(port));
    EXPECT_EQ(stop(), 0) << errors();
    for (const char* reason : {"failed: timed out", "failed: unsupported protocol"}) {
        EXPECT_NE(log().find(reason), npos) << reason << " in " << log();
    }
}

TEST_F(HttpTest, AuthenticationGuardsEveryRequest) {
    const std::string file = dir.file("passwd");
    for (const char* user : {"alice", "bob", "carol"}) {
        std::string password = std::string(user) == "bob" ? "hunter2\n" : "s3cret\n";
        ASSERT_EQ(runCommand({QVX_CIMOM_EXE, "passwd", file, user}, password).exitCode, 0);
    }
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    CommandResult refused = runCommand({QVX_CIMOM_EXE, "passwd", file, "a:b"}, "x\n");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find("user name"), npos) << refused.output;
    start({"--passwd", file});
    const std::string alice = "Basic YWxpY2U6czNjcmV0";  // alice:s3cret
    const struct {
        const char* why;
        std::string authorization;
        int status;
    } cases[] = {
        {"valid user and password", alice, 200},
        {"second user", "Basic Ym9iOmh1bnRlcjI=", 200},  // bob:hunter2
        {"no Authorization header", "", 401},
        {"wrong password", "Basic YWxpY2U6d3Jvbmc=", 401},           // alice:wrong
        {"unknown user", "Basic bWFsbG9yeTpzM2NyZXQ=", 401},         // mallory:s3cret
        {"another user's password", "Basic Ym9iOnMzY3JldA==", 401},  // bob:s3cret
        {"not base64", "Basic !!!!", 401},
        {"no colon in the credentials", "Basic YWxpY2U=", 401},  // alice
        {"another scheme", "Bearer YWxpY2U6czNjcmV0", 401},
    };
    for (const auto& c : cases) {
        HttpResponse r = roundTrip(
            port,
            cimRequest("ModifyInstance", modifiedChassis("OwnerName", c.why), c.authorization));
        EXPECT_EQ(r.status, c.status) << c.why << ": " << r.body;
        EXPECT_EQ(r.header("WWW-Authenticate"), c.status == 401 ? "Basic realm=\"qvx-cimom\"" : "");
        EXPECT_NE(r.header("Content-Length"), "") << c.why;
    }
    // Refused requests never reached the provider: the last write is bob's.
    EXPECT_NE(roundTrip(port, getChassis(alice)).body.find("<VALUE>second user</VALUE>"), npos);
    // Five wrong passwords, and the user waits even with the right one;
    // other users from the same address do not.
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(roundTrip(port, getChassis("Basic Y2Fyb2w6Z3Vlc3M=")).status,
                  401);  // carol:guess
    }
    HttpResponse waiting = roundTrip(port, getChassis("Basic Y2Fyb2w6czNjcmV0"));  // carol:s3cret
    EXPECT_EQ(waiting.status, 429) << waiting.body;
    EXPECT_NE(waiting.body.find("too many failed logins"), npos) << waiting.body;
    EXPECT_GT(std::stoi("0" + waiting.header("Retry-After")), 0);
    EXPECT_TRUE(answersGoodRequest(port, alice));
    EXPECT_EQ(stop(), 0) << errors();
    for (const char* line : {"authentication failed for user mallory from 127.0.0.1",
                             "authentication failed for user alice from 127.0.0.1",
                             "method=ModifyInstance class=- http=401 cim=-",
                             "too many failed logins for user carol from 127.0.0.1"}) {
        EXPECT_NE(log().find(line), npos) << line << " in " << log();
    }
}

TEST_F(HttpTest, BadCommandLinesAreRefusedBeforeAnythingListens) {
    const std::string lib = QVX_PROVIDER_LIBRARY, schema = QVX_SCHEMA_FILE;
    const struct {
        std::string args;  // separated by spaces
        const char* message;
        int exitCode = 2;
    } cases[] = {
        {"--listen 0.0.0.0:0 --library " + lib + " --schema " + schema, "without authentication"},
        {"--listen 0.0.0.0:0 --passwd unread", "--insecure-http-off-loopback"},
        {"--tls-listen 0.0.0.0:0 --tls-cert c --tls-key k", "without authentication"},
        {"--tls-listen 127.0.0.1:0", "--tls-listen needs --tls-cert and --tls-key"},
        {"--tls-cert c", "HTTPS needs both --tls-cert and --tls-key"},
        {"--listen 127.0.0.1:0 --tls-listen 127.0.0.1:0 --tls-cert /none.pem --tls-key /none.key",
         "/none.pem: cannot use the certificate", 1},
        {"--listen 127.0.0.1", "--listen takes ADDR:PORT"},
        {"--listen 127.0.0.1:70000", "--listen port takes a number"},
        {"--threads 0", "--threads takes a number"},
        {"--timeout", "--timeout needs a value"},
        {"--frobnicate", "unknown argument '--frobnicate'"},
        {"passwd " + dir.file("p") + " carol", "no password", 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {QVX_CIMOM_EXE};
        std::istringstream in(c.args);
        for (std::string arg; in >> arg;) argv.push_back(arg);
        CommandResult r = runCommand(argv);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args << ": " << r.output;
        EXPECT_NE(r.output.find(c.message), npos) << r.output;
        EXPECT_EQ(("\n" + r.output).find("\nlistening on"), npos) << r.output;
    }
}

}  // namespace
