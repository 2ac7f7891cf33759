// qvx-cimom against requests no polite client sends: broken headers and
// bodies, absurd sizes, slow and idle connections, authentication. After
// each, the server must still answer a good request.
#include "server_test_support.hpp"

#include <gtest/gtest.h>

#include <openssl/ssl.h>
#include <sys/stat.h>

#include <cctype>
#include <chrono>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using namespace qvx_test;

namespace {

const std::string kChassisName =
    "<INSTANCENAME CLASSNAME=\"QVX_Z64Chassis\">"
    "<KEYBINDING NAME=\"Tag\"><KEYVALUE VALUETYPE=\"string\">Chassis</KEYVALUE></KEYBINDING>"
    "<KEYBINDING NAME=\"CreationClassName\"><KEYVALUE VALUETYPE=\"string\">QVX_Chassis"
    "</KEYVALUE></KEYBINDING></INSTANCENAME>";

std::string param(const std::string& name, const std::string& value) {
    return "<IPARAMVALUE NAME=\"" + name + "\">" + value + "</IPARAMVALUE>";
}
std::string className(const std::string& name) {
    return param("ClassName", "<CLASSNAME NAME=\"" + name + "\"/>");
}

// A request for method with the given parameters, headers changed by edit.
std::string request(const std::string& method, const std::string& params,
                    void (*edit)(CimHeaders&) = nullptr, const std::string& authorization = "") {
    CimHeaders h;
    h.method = method;
    h.authorization = authorization;
    if (edit) edit(h);
    return cimRequest(h, intrinsicBody(method, params));
}

std::string getChassis(const std::string& authorization = "") {
    return request("GetInstance", param("InstanceName", kChassisName), nullptr, authorization);
}

std::string modifyOwner(const std::string& value, const std::string& type = "string",
                        const std::string& authorization = "") {
    return request("ModifyInstance",
                   param("ModifiedInstance",
                         "<VALUE.NAMEDINSTANCE>" + kChassisName +
                             "<INSTANCE CLASSNAME=\"QVX_Z64Chassis\"><PROPERTY NAME=\"Tag\" TYPE=\"string\">"
                             "<VALUE>Chassis</VALUE></PROPERTY><PROPERTY NAME=\"CreationClassName\" "
                             "TYPE=\"string\"><VALUE>QVX_Chassis</VALUE></PROPERTY><PROPERTY NAME=\"OwnerName\" "
                             "TYPE=\"" + type + "\"><VALUE>" + value +
                             "</VALUE></PROPERTY></INSTANCE></VALUE.NAMEDINSTANCE>"),
                   nullptr, authorization);
}

bool answersGoodRequest(int port, const std::string& authorization = "", bool tls = false) {
    HttpResponse r = roundTrip(port, getChassis(authorization), tls);
    return r.status == 200 &&
           r.body.find("<INSTANCE CLASSNAME=\"QVX_Z64Chassis\">") != std::string::npos &&
           r.body.find("ERROR") == std::string::npos;
}

// The chassis's OwnerName as sent: "" for NULL.
std::string ownerName(int port, const std::string& authorization = "") {
    std::string body = roundTrip(port, getChassis(authorization)).body;
    const std::string open = "<PROPERTY NAME=\"OwnerName\" TYPE=\"string\" >";
    std::string::size_type at = body.find(open);
    if (at == std::string::npos) return "(no OwnerName)";
    at += open.size();
    std::string value = body.substr(at, body.find("</PROPERTY>", at) - at);
    if (value.rfind("<VALUE>", 0) != 0) return value;
    return value.substr(7, value.size() - 7 - 8);
}

class HttpTest : public ::testing::Test {
protected:
    void start(const std::vector<std::string>& args = {}) {
        server.reset();
        server.reset(new ServerProcess(dir, args));
        ASSERT_TRUE(server->ready()) << server->failure();
    }
    TempDir dir;
    std::unique_ptr<ServerProcess> server;
};

TEST_F(HttpTest, BadRequestsGetAClearErrorAndTheServerStaysUp) {
    start();
    std::string manyHeaders = getChassis();
    for (int i = 0; i < 100; ++i) {
        manyHeaders.insert(manyHeaders.find("\r\n") + 2, "X-Filler-" + std::to_string(i) + ": x\r\n");
    }
    std::string deep = "<VALUE.ARRAY/>";
    for (int i = 0; i < 10000; ++i) deep = "<VALUE.ARRAY>" + deep + "</VALUE.ARRAY>";
    CimHeaders h;
    h.method = "GetInstance";
    std::string big = cimRequest(h, std::string(2 * 1024 * 1024, ' '));
    big.resize(big.find("\r\n\r\n") + 4);  // refused from the header alone
    const std::string inst = param("InstanceName", kChassisName);
    const struct {
        const char* why;
        std::string request;
        int status;
        const char* cimError;  // the CIMError header, "" when none
        const char* inBody;
    } cases[] = {
        {"no CIMOperation",
         request("GetInstance", inst, [](CimHeaders& h) { h.operation = ""; }), 400,
         "unsupported-operation", "CIMOperation"},
        {"CIMMethod naming another method",
         request("GetInstance", inst, [](CimHeaders& h) { h.method = "DeleteInstance"; }), 400,
         "header-mismatch", "does not match"},
        {"100 header fields", manyHeaders, 400, "request-not-valid", "too many header fields"},
        {"GET instead of POST", request("GetInstance", "", [](CimHeaders& h) { h.httpMethod = "GET"; }),
         405, "", "POST"},
        {"2 MiB body", big, 413, "", "request body too large"},
        {"no HTTP request line", "GARBAGE\r\n\r\n", 400, "", "malformed HTTP request"},
        // Not CIM-XML: refused as DSP0200 says, without a body.
        {"not well-formed XML", modifyOwner("a<b & c"), 400, "request-not-well-formed", ""},
        {"root element other than CIM", cimRequest(h, "<?xml version=\"1.0\"?><html/>"), 400, "request-not-loosely-valid", ""},
        {"entity declarations",
         cimRequest(h, "<?xml version=\"1.0\"?><!DOCTYPE CIM [<!ENTITY a \"aaaaaaaa\">"
                       "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]><CIM>&b;</CIM>"),
         400, "request-not-loosely-valid", ""},
        {"unknown intrinsic method", request("Frobnicate", ""), 200, "", "<ERROR CODE=\"7\""},
        {"InstanceName as a plain value",
         request("GetInstance", param("InstanceName", "<VALUE>Chassis</VALUE>")), 200, "",
         "<ERROR CODE=\"4\""},
        {"writable property of another type", modifyOwner("7", "uint32"), 200, "",
         "<ERROR CODE=\"13\""},
        {"namespace not served",
         cimRequest(h, intrinsicBody("GetInstance", inst, "root/interop")),
         200, "", "<ERROR CODE=\"3\""},
        {"elements nested 10,000 deep",
         request("EnumerateInstances", className("QVX_Z64Chassis") + param("PropertyList", deep)),
         400, "request-not-loosely-valid", ""},
    };
    for (const auto& c : cases) {
        HttpResponse r = roundTrip(server->port(), c.request);
        EXPECT_EQ(r.status, c.status) << c.why << ": " << r.body;
        EXPECT_EQ(r.header("CIMError"), c.cimError) << c.why;
        EXPECT_NE(r.body.find(c.inBody), std::string::npos) << c.why << ": " << r.body;
        EXPECT_FALSE(r.header("Content-Length").empty()) << c.why;
        EXPECT_TRUE(answersGoodRequest(server->port())) << "after " << c.why;
    }
    // A body short of its Content-Length, and the client done sending.
    RawConnection shortBody(server->port());
    ASSERT_TRUE(shortBody.send(getChassis().substr(0, 300)));
    shortBody.stopSending();
    EXPECT_EQ(shortBody.receive().status, 400);
    EXPECT_EQ(ownerName(server->port()), "") << "no bad request may have written";
    // Without a password file credentials are not asked for, nor checked.
    EXPECT_TRUE(answersGoodRequest(server->port(), "Basic bm9ib2R5Om5vdGhpbmc="));
    // Each request is logged once its reply is out: read the log once stopped.
    EXPECT_EQ(server->stop(), 0) << server->errors();
    std::string log = server->log();
    std::string::size_type at = log.find(" method=GetInstance class=QVX_Z64Chassis http=200 cim=OK");
    ASSERT_NE(at, std::string::npos) << log;
    at = log.rfind('\n', at) + 1;
    std::string line = log.substr(at, log.find('\n', at) - at);
    EXPECT_NE(line.find(" INFO request client=127.0.0.1:"), std::string::npos) << line;
    EXPECT_NE(line.find("cim=OK duration="), std::string::npos) << line;
    EXPECT_EQ(line.compare(line.size() - 2, 2, "us"), 0) << line;
    EXPECT_NE(log.find("method=GetInstance class=- http=400 cim=- duration="), std::string::npos);
    EXPECT_NE(log.find("method=GetInstance class=- http=413 cim=- duration="), std::string::npos);
    EXPECT_NE(log.find("method=- class=- http=400 cim=- duration="), std::string::npos);
}

// A reply captured from the appliance's object manager (golden/NAME.txt):
// "## " notes, header lines, "## body (N bytes):", then the body with a line
// break added between adjacent tags. Returned as sent: CRLF between header
// lines, the added breaks taken out; a body the capture cut ("...[cut]")
// is a prefix of the reply's.
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
    text.pop_back();  // the file's last line break
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\n' && i > 0 && text[i - 1] == '>' && text[i + 1] == '<')) c.body += text[i];
    }
    c.cut = c.body.size() > 9 && c.body.compare(c.body.size() - 9, 9, "\n...[cut]") == 0;
    if (c.cut) c.body.resize(c.body.size() - 9);
    EXPECT_TRUE(c.cut ? c.body.size() < length : c.body.size() == length) << name;
    return c;
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
        s.replace(at, from.size(), to);
    }
    return s;
}

// The digits, or the rest of the line, after each `after` become "*".
std::string starred(std::string s, const std::string& after, bool digits) {
    for (std::size_t at = s.find(after); at != std::string::npos; at = s.find(after, at + 1)) {
        std::size_t b = at + after.size(), e = b;
        while (e < s.size() && (digits ? std::isdigit(static_cast<unsigned char>(s[e])) != 0 : s[e] != '\r')) ++e;
        s.replace(b, e - b, "*");
    }
    return s;
}

// The number of the reply's CIM headers, from its Man header.
std::string nsOf(const std::string& head) {
    std::size_t b = head.find("ns="), e = b == std::string::npos ? b : b + 3;
    while (e < head.size() && std::isdigit(static_cast<unsigned char>(head[e]))) ++e;
    return b == std::string::npos ? "" : head.substr(b + 3, e - b - 3);
}

// All that may differ between hosts: the date, the server's name and the
// number of the reply's CIM headers.
std::string normalised(std::string head) {
    std::string ns = nsOf(head);
    if (!ns.empty()) head = replaced(head, "\n" + ns + "-CIMOperation", "\n*-CIMOperation");
    return starred(starred(starred(head, "Date: ", false), "Server: ", false), "ns=", true);
}

std::string flags(const char* qualifiers, const char* origin) {
    return param("IncludeQualifiers", std::string("<VALUE>") + qualifiers + "</VALUE>") +
           param("IncludeClassOrigin", std::string("<VALUE>") + origin + "</VALUE>");
}

TEST_F(HttpTest, RepliesAreTheAppliancesObjectManagersByteForByte) {
    start();
    const std::string chassis = param("InstanceName", kChassisName), ei = className("QVX_Z64Chassis");
    auto setProperty = [&](const std::string& name, const std::string& value) {
        return request("SetProperty", chassis + param("PropertyName", "<VALUE>" + name + "</VALUE>") +
                                          param("NewValue", "<VALUE>" + value + "</VALUE>"));
    };
    // The captures were taken with these administrator texts set.
    for (const auto& [name, value] : {std::pair{"OwnerName", "dx"}, std::pair{"Location", "dx-sp"}, std::pair{"UserTracking", "ut-ch"}}) {
        ASSERT_EQ(roundTrip(server->port(), setProperty(name, value)).body.find("<ERROR"), std::string::npos) << name;
    }
    auto missing = [](const std::string& tag) {
        return param("InstanceName", "<INSTANCENAME CLASSNAME=\"QVX_Z64Chassis\"><KEYBINDING NAME=\"Tag\"><KEYVALUE VALUETYPE=\"string\">" + tag + "</KEYVALUE></KEYBINDING></INSTANCENAME>");
    };
    CimHeaders invoke, get;
    invoke.method = "NoSuchMethod";
    get.method = "GetInstance";
    const struct {
        const char* capture;
        std::string request;
    } cases[] = {
        {"01-gi-plain", request("GetInstance", chassis + flags("FALSE", "FALSE"))},
        {"02-gi-quals-origin", request("GetInstance", chassis + flags("TRUE", "TRUE"))},
        {"03-ei-quals-origin", request("EnumerateInstances", ei + flags("TRUE", "TRUE"))},
        {"04-gi-proplist", request("GetInstance", chassis + param("PropertyList", "<VALUE.ARRAY><VALUE>OwnerName</VALUE></VALUE.ARRAY>"))},
        {"05-ei-proplist-empty", request("EnumerateInstances", ei + param("PropertyList", "<VALUE.ARRAY></VALUE.ARRAY>"))},
        {"06-gc-noquals-noorigin", request("GetClass", ei + flags("FALSE", "FALSE"))},
        {"07-gc-defaults", request("GetClass", ei)},
        {"08-gi-no-content-type", request("GetInstance", chassis, [](CimHeaders& h) { h.contentType = ""; })},
        {"11-gi-100k-key", request("GetInstance", missing(std::string(100000, 'k')))},
        {"12-di-missing", request("DeleteInstance", missing("Nope"))},
        {"13-gi-classcase", request("GetInstance", replaced(chassis, "QVX_Z64Chassis", "qvx_z64chassis"))},
        {"14-invoke-undeclared", cimRequest(invoke, "<?xml version=\"1.0\"?><CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"4711\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><METHODCALL NAME=\"NoSuchMethod\"><LOCALINSTANCEPATH><LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/><NAMESPACE NAME=\"cimv2\"/></LOCALNAMESPACEPATH>" + kChassisName + "</LOCALINSTANCEPATH></METHODCALL></SIMPLEREQ></MESSAGE></CIM>")},
        {"15-getproperty", request("GetProperty", chassis + param("PropertyName", "<VALUE>CanBeFRUed</VALUE>"))},
        {"16-setproperty-ro", setProperty("SerialNumber", "forged")},
        {"17-gi-after-setproperty", request("GetInstance", chassis)},
        {"18-not-xml", cimRequest(get, "this is not xml!")},
    };
    for (const auto& c : cases) {
        std::string sent = replaced(c.request, "ID=\"4711\"", "ID=\"1001\"");
        Capture want = capture(c.capture);
        HttpResponse got = roundTrip(server->port(), sent);
        std::string ns = nsOf(got.head);
        if (got.status == 200 && !ns.empty()) {
            EXPECT_NE(got.head.find("\r\n" + ns + "-CIMOperation: "), std::string::npos) << c.capture;
        }
        EXPECT_EQ(normalised(got.head), normalised(want.head)) << c.capture;
        EXPECT_EQ(want.cut ? got.body.substr(0, want.body.size()) : got.body, want.body) << c.capture;
    }
}

TEST_F(HttpTest, OneConnectionCarriesAWriteAndARead) {
    start();
    RawConnection c(server->port());
    ASSERT_TRUE(c.send(modifyOwner("kept alive")));
    HttpResponse modified = c.receive();
    EXPECT_NE(modified.body.find("<IMETHODRESPONSE NAME=\"ModifyInstance\"></IMETHODRESPONSE>"),
              std::string::npos)
        << modified.body;
    ASSERT_TRUE(c.send(getChassis()));
    HttpResponse r = c.receive();
    ASSERT_EQ(r.status, 200);
    EXPECT_NE(r.body.find("<MESSAGE ID=\"4711\""), std::string::npos);
    EXPECT_NE(r.body.find("<VALUE>kept alive</VALUE>"), std::string::npos) << r.body;
    // Without TLS asked for, no TLS library is mapped.
    EXPECT_EQ(readFile("/proc/" + std::to_string(server->pid()) + "/maps").find("libssl"),
              std::string::npos);
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

TEST_F(HttpTest, HostileTlsTrafficIsRefusedWhileOthersAreServed) {
    start(withTls(dir, {"--threads", "2", "--timeout", "1"}));
    const std::string hello = clientHello();
    std::string noise(4096, '\0');
    std::mt19937 random(16);
    for (char& c : noise) c = static_cast<char>(random());
    const struct {
        const char* why;
        std::string sent;
        bool thenEnd;  // our side closes its half after sending
        int version;   // else: a handshake offering this TLS version alone
    } cases[] = {
        {"plain HTTP", getChassis(), false, 0},
        {"random bytes", noise, false, 0},
        {"a handshake cut off half way", hello.substr(0, hello.size() / 2), true, 0},
        {"a handshake never finished", hello, false, 0},
        {"TLS 1.0", "", false, TLS1_VERSION},
        {"TLS 1.1", "", false, TLS1_1_VERSION},
    };
    std::vector<std::unique_ptr<RawConnection>> held;
    for (const auto& c : cases) {
        held.emplace_back(new RawConnection(server->tlsPort(), c.version ? c.version : -1));
        if (c.version) {
            EXPECT_FALSE(held.back()->connected()) << c.why;
            EXPECT_NE(held.back()->tlsError().find("alert protocol version"), std::string::npos)
                << c.why << ": " << held.back()->tlsError();
        } else {
            EXPECT_TRUE(held.back()->send(c.sent)) << c.why;
            if (c.thenEnd) held.back()->stopSending();
        }
        EXPECT_TRUE(answersGoodRequest(server->tlsPort(), "", true)) << "after " << c.why;
    }
    for (std::size_t i = 0; i < held.size(); ++i) {
        EXPECT_TRUE(!held[i]->connected() || held[i]->closedByServer()) << cases[i].why;
    }
    EXPECT_TRUE(answersGoodRequest(server->tlsPort(), "", true));
    EXPECT_TRUE(answersGoodRequest(server->port()));
    EXPECT_EQ(server->stop(), 0) << server->errors();
    for (const char* reason : {"failed: timed out", "failed: unsupported protocol"}) {
        EXPECT_NE(server->log().find(reason), std::string::npos)
            << reason << " in " << server->log();
    }
}

TEST_F(HttpTest, SlowAndIdleConnectionsAreDroppedAfterTheReadTimeout) {
    start({"--threads", "2", "--timeout", "1"});
    // Half a request, headers cut off, and idle connections: more than the
    // workers, each held only until its timeout.
    std::string good = getChassis();
    std::vector<std::string> sent = {good.substr(0, good.size() - 100),
                                     "POST /cimom HTTP/1.1\r\nHost: x\r\n", "", "", "", ""};
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (const std::string& s : sent) {
        slow.emplace_back(new RawConnection(server->port()));
        ASSERT_TRUE(slow.back()->send(s));
    }
    EXPECT_TRUE(answersGoodRequest(server->port()));
    // A client that keeps sending a little must still finish within the
    // timeout: it is for the whole request, not for each read.
    RawConnection trickle(server->port());
    for (std::size_t at = 0; at < 8 * 10; at += 10) {
        trickle.send(good.substr(at, 10));  // refused once the server hangs up
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    EXPECT_TRUE(trickle.closedByServer());
    EXPECT_EQ(slow[0]->receive().status, 408) << "a status line for a body that stopped coming";
    for (auto& c : slow) EXPECT_TRUE(c->closedByServer());
    EXPECT_TRUE(answersGoodRequest(server->port()));
}

TEST_F(HttpTest, AClientThatAsksToContinueIsToldToSendTheBody) {
    start();
    std::string good = getChassis();
    std::string::size_type end = good.find("\r\n\r\n");
    RawConnection c(server->port());
    ASSERT_TRUE(c.send(good.substr(0, end) + "\r\nExpect: 100-continue\r\n\r\n"));
    EXPECT_EQ(c.receive().status, 100);
    ASSERT_TRUE(c.send(good.substr(end + 4)));
    HttpResponse r = c.receive();
    EXPECT_EQ(r.status, 200);
    EXPECT_NE(r.body.find("<INSTANCE CLASSNAME=\"QVX_Z64Chassis\">"), std::string::npos) << r.body;
}

TEST_F(HttpTest, AuthenticationGuardsEveryRequest) {
    std::string file = dir.file("passwd");
    ASSERT_EQ(runCommand({QVX_CIMOM_EXE, "passwd", file, "alice"}, "s3cret\n").exitCode, 0);
    ASSERT_EQ(runCommand({QVX_CIMOM_EXE, "passwd", file, "bob"}, "hunter2\n").exitCode, 0);
    ASSERT_EQ(runCommand({QVX_CIMOM_EXE, "passwd", file, "carol"}, "secret\n").exitCode, 0);
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
        HttpResponse r = roundTrip(server->port(), modifyOwner(c.why, "string", c.authorization));
        EXPECT_EQ(r.status, c.status) << c.why << ": " << r.body;
        if (c.status == 401) {
            EXPECT_EQ(r.header("WWW-Authenticate"), "Basic realm=\"qvx-cimom\"") << c.why;
            EXPECT_FALSE(r.header("Content-Length").empty()) << c.why;
            EXPECT_TRUE(answersGoodRequest(server->port(), alice)) << "after " << c.why;
        }
    }
    // Refused requests never reached the provider: the last write is bob's.
    EXPECT_EQ(ownerName(server->port(), alice), "second user");
    // Five wrong passwords, and the user waits even with the right one;
    // other users from the same address do not.
    const std::string carolWrong = "Basic Y2Fyb2w6Z3Vlc3M=", carol = "Basic Y2Fyb2w6c2VjcmV0";
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(roundTrip(server->port(), getChassis(carolWrong)).status, 401);
    HttpResponse waiting = roundTrip(server->port(), getChassis(carol));
    EXPECT_EQ(waiting.status, 429) << waiting.body;
    EXPECT_NE(waiting.body.find("too many failed logins"), std::string::npos) << waiting.body;
    EXPECT_GT(std::stoi("0" + waiting.header("Retry-After")), 0);
    EXPECT_TRUE(answersGoodRequest(server->port(), alice));
    EXPECT_EQ(server->stop(), 0) << server->errors();
    std::string log = server->log();
    EXPECT_NE(log.find("authentication failed for user mallory from 127.0.0.1"), std::string::npos)
        << log;
    EXPECT_NE(log.find("authentication failed for user alice from 127.0.0.1"), std::string::npos);
    EXPECT_NE(log.find("method=ModifyInstance class=- http=401 cim=-"), std::string::npos) << log;
    EXPECT_NE(log.find("too many failed logins for user carol from 127.0.0.1"), std::string::npos);
}

TEST_F(HttpTest, BadCommandLinesAreRefusedBeforeAnythingListens) {
    const struct {
        std::vector<std::string> args;
        const char* message;
        int exitCode = 2;
    } cases[] = {
        {{"--listen", "0.0.0.0:0", "--library", QVX_PROVIDER_LIBRARY, "--schema", QVX_SCHEMA_FILE},
         "without authentication"},
        {{"--listen", "0.0.0.0:0", "--passwd", "unread"}, "--insecure-http-off-loopback"},
        {{"--tls-listen", "0.0.0.0:0", "--tls-cert", "c", "--tls-key", "k"},
         "without authentication"},
        {{"--tls-listen", "127.0.0.1:0"}, "--tls-listen needs --tls-cert and --tls-key"},
        {{"--tls-cert", "c"}, "HTTPS needs both --tls-cert and --tls-key"},
        {{"--listen", "127.0.0.1:0", "--tls-listen", "127.0.0.1:0", "--tls-cert", "/none.pem",
          "--tls-key", "/none.key"},
         "/none.pem: cannot use the certificate",
         1},
        {{"--listen", "127.0.0.1"}, "--listen takes ADDR:PORT"},
        {{"--listen", "127.0.0.1:70000"}, "--listen port takes a number"},
        {{"--threads", "0"}, "--threads takes a number"},
        {{"--timeout"}, "--timeout needs a value"},
        {{"--frobnicate"}, "unknown argument '--frobnicate'"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {QVX_CIMOM_EXE};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        CommandResult r = runCommand(argv);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        EXPECT_EQ(("\n" + r.output).find("\nlistening on"), std::string::npos) << r.output;
    }
}

TEST_F(HttpTest, PasswdSubcommandAddsAndReplacesUsersWithSaltedHashes) {
    std::string file = dir.file("passwd");
    ASSERT_EQ(runCommand({QVX_CIMOM_EXE, "passwd", file, "alice"}, "one\n").exitCode, 0);
    std::string first = readFile(file);
    EXPECT_EQ(first.compare(0, 9, "alice:$y$"), 0) << first;
    EXPECT_EQ(first.find("one"), std::string::npos);
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(runCommand({QVX_CIMOM_EXE, "passwd", file, "alice"}, "two\n").exitCode, 0);
    std::string second = readFile(file);
    EXPECT_NE(second, first);
    EXPECT_EQ(second.find('\n'), second.size() - 1) << "one line per user: " << second;
    for (const auto& [user, input, message] :
         {std::tuple{"a:b", "x\n", "user name"}, std::tuple{"carol", "", "no password"}}) {
        CommandResult r = runCommand({QVX_CIMOM_EXE, "passwd", file, user}, input);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.output.find(message), std::string::npos) << r.output;
    }
}

}  // namespace
