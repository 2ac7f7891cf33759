// qvx-cimom over raw HTTP(S): its replies against captures from the
// appliance's object manager, and requests no polite client sends. After
// each bad one, the server must still answer a good request.
#include "server_test_support.hpp"

#include <openssl/err.h>
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
    const std::string gi = param("InstanceName", kChassisName),
                      ei = param("ClassName", "<CLASSNAME NAME=\"QVX_Z64Chassis\"/>");
    auto value = [](const std::string& name, const std::string& v) {
        return param(name, "<VALUE>" + v + "</VALUE>");
    };
    // The captures were taken with these administrator texts set.
    for (const auto& [name, v] : {std::pair{"OwnerName", "dx"}, std::pair{"Location", "dx-sp"},
                                  std::pair{"UserTracking", "ut-ch"}}) {
        ASSERT_EQ(roundTrip(port, cimRequest("SetProperty", newValue(name, v))).body.find("<ERROR"),
                  npos)
            << name;
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
        {"16-setproperty-ro", cimRequest("SetProperty", newValue("SerialNumber", "forged"))},
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
    std::string big = httpPost("GetInstance", std::string(2 * 1024 * 1024, ' '));
    big.resize(big.find("\r\n\r\n") + 4);  // refused from the header alone
    // One row per status; CIM errors in a 200 reply are the golden replies'.
    const struct {
        std::string request;
        int status;
        const char* cimError;  // the CIMError header, "" when none
        const char* inBody;
    } cases[] = {
        {replaced(get, "CIMMethod: Get", "CIMMethod: Delete"), 400, "header-mismatch",
         "does not match"},
        {"GARBAGE\r\n\r\n", 400, "", "malformed HTTP request"},
        {"GET" + get.substr(4), 405, "", "POST"},
        {big, 413, "", "request body too large"},
        {replaced(get, "\"cimv2\"", "\"cimv3\""), 200, "", "<ERROR CODE=\"3\""},
        {replaced(get, "\"cimv2\"", "\"CIMV2\""), 200, "",
         "<INSTANCE CLASSNAME=\"QVX_Z64Chassis\">"},
    };
    for (const auto& c : cases) {
        HttpResponse r = roundTrip(port, c.request);
        EXPECT_EQ(r.status, c.status) << c.request.substr(0, 300) << "\n" << r.body;
        EXPECT_EQ(r.header("CIMError"), c.cimError) << r.head;
        EXPECT_NE(r.body.find(c.inBody), npos) << c.inBody << " in " << r.body;
        EXPECT_TRUE(answersGoodRequest(port)) << "after " << c.request.substr(0, 300);
    }
    // Without a password file credentials are not asked for, nor checked.
    EXPECT_TRUE(answersGoodRequest(port, "Basic bm9ib2R5Om5vdGhpbmc="));
    // One connection carries a write and a read that asks to continue;
    // markup in a value is escaped both ways.
    Stream s = connectTo(port);
    ASSERT_TRUE(s);
    HttpResponse r =
        exchange(s.get(), cimRequest("SetProperty", newValue("OwnerName", "&lt;a&amp;")));
    EXPECT_NE(r.body.find("<IMETHODRESPONSE NAME=\"SetProperty\"></"), npos);
    const std::size_t end = get.find("\r\n\r\n");
    EXPECT_EQ(exchange(s.get(), get.substr(0, end) + "\r\nExpect: 100-continue\r\n\r\n").status,
              100);
    EXPECT_NE(exchange(s.get(), get.substr(end + 4)).body.find("<VALUE>&lt;a&amp;</VALUE>"), npos);
    // Each request is logged once its reply is out: read the log once stopped.
    EXPECT_EQ(stop(), 0) << errors();
    for (const char* line : {" INFO request client=127.0.0.1:",
                             " method=GetInstance class=QVX_Z64Chassis http=200 cim=OK duration=",
                             " method=GetInstance class=- http=413 cim=- duration="}) {
        EXPECT_NE(log().find(line), npos) << line << " in " << log();
    }
}

TEST_F(HttpTest, HostileSlowAndIdleClientsAreDroppedWhileOthersAreServed) {
    start(withTls({"--threads", "2", "--timeout", "1"}));
    const std::string good = getChassis();
    std::string noise(4096, '\0');
    std::mt19937 random(16);
    for (char& c : noise) c = static_cast<char>(random());
    // More connections than workers, each held only until its timeout.
    const struct {
        const char* why;
        std::string sent;
        bool toTlsPort;
    } cases[] = {
        {"random bytes", noise, true},
        {"no handshake", "", true},
        {"half a request", good.substr(0, good.size() - 100), false},
        {"idle", "", false},
    };
    std::vector<Stream> held;
    for (const auto& c : cases) {
        held.push_back(connectTo(c.toTlsPort ? tlsPort : port));
        ASSERT_TRUE(held.back()) << c.why;
        EXPECT_EQ(BIO_write(held.back().get(), c.sent.data(), c.sent.size()), int(c.sent.size()))
            << c.why;
        EXPECT_TRUE(answersGoodRequest(tlsPort, "", true)) << "after " << c.why;
    }
    EXPECT_FALSE(connectTo(tlsPort, TLS1_VERSION));
    EXPECT_STREQ(ERR_reason_error_string(ERR_peek_last_error()), "tlsv1 alert protocol version");
    // A client that keeps sending a little must still finish within the
    // timeout: it is for the whole request, not for each read.
    Stream trickle = connectTo(port);
    for (std::size_t at = 0; at < 8 * 10; at += 10) {
        BIO_write(trickle.get(), good.data() + at, 10);  // fails once the server hangs up
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    EXPECT_TRUE(closedByServer(trickle.get()));
    EXPECT_EQ(exchange(held[2].get(), "").status, 408) << "a body that stopped coming";
    for (std::size_t i = 0; i < held.size(); ++i) {
        EXPECT_TRUE(closedByServer(held[i].get())) << cases[i].why;
    }
    EXPECT_TRUE(answersGoodRequest(port));
    EXPECT_EQ(stop(), 0) << errors();
    for (const char* reason : {"failed: timed out", "failed: unsupported protocol"}) {
        EXPECT_NE(log().find(reason), npos) << reason << " in " << log();
    }
}

TEST_F(HttpTest, AuthenticationGuardsEveryRequest) {
    const std::string file = dir.file("passwd");
    for (const char* user : {"alice", "carol"}) {
        ASSERT_EQ(runCommand({QVX_CIMOM_EXE, "passwd", file, user}, "s3cret\n").exitCode, 0);
    }
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    start({"--passwd", file});
    const std::string alice = "Basic YWxpY2U6czNjcmV0";  // alice:s3cret
    const struct {
        const char* why;
        std::string authorization;
        int status;
    } cases[] = {
        {"valid user and password", alice, 200},
        {"no Authorization header", "", 401},
        {"wrong password", "Basic YWxpY2U6d3Jvbmc=", 401},    // alice:wrong
        {"unknown user", "Basic bWFsbG9yeTpzM2NyZXQ=", 401},  // mallory:s3cret
        {"not base64", "Basic !!!!", 401},
    };
    for (const auto& c : cases) {
        HttpResponse r = roundTrip(
            port, cimRequest("SetProperty", newValue("OwnerName", c.why), c.authorization));
        EXPECT_EQ(r.status, c.status) << c.why << ": " << r.body;
        EXPECT_EQ(r.header("WWW-Authenticate"), c.status == 401 ? "Basic realm=\"qvx-cimom\"" : "");
    }
    // Refused requests never reached the provider.
    EXPECT_NE(roundTrip(port, getChassis(alice)).body.find("<VALUE>valid user and password<"),
              npos);
    // Five wrong passwords, and the user waits even with the right one;
    // other users from the same address do not.
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(roundTrip(port, getChassis("Basic Y2Fyb2w6Z3Vlc3M=")).status,
                  401);  // carol:guess
    }
    HttpResponse waiting = roundTrip(port, getChassis("Basic Y2Fyb2w6czNjcmV0"));  // carol:s3cret
    EXPECT_EQ(waiting.status, 429) << waiting.body;
    EXPECT_GT(std::stoi("0" + waiting.header("Retry-After")), 0);
    EXPECT_TRUE(answersGoodRequest(port, alice));
    EXPECT_EQ(stop(), 0) << errors();
    for (const char* line : {"authentication failed for user mallory from 127.0.0.1",
                             "too many failed logins for user carol from 127.0.0.1"}) {
        EXPECT_NE(log().find(line), npos) << line << " in " << log();
    }
}

// One row per kind of mistake.
TEST_F(HttpTest, BadCommandLinesAreRefusedBeforeAnythingListens) {
    const std::string lib = QVX_PROVIDER_LIBRARY, schema = QVX_SCHEMA_FILE;
    writeFile(dir.file("bad.pem"), "not a certificate\n");
    const struct {
        std::string args;  // separated by spaces
        const char* message;
        int exitCode = 2;
    } cases[] = {
        {"--frobnicate", "unknown argument '--frobnicate'"},
        {"--listen 127.0.0.1", "--listen takes ADDR:PORT"},
        {"--listen 0.0.0.0:0 --library " + lib + " --schema " + schema, "without authentication"},
        {"--listen 0.0.0.0:0 --passwd unread", "--insecure-http-off-loopback"},
        {"--listen 127.0.0.1:0 --passwd /none", "/none: cannot read password file", 1},
        {"--tls-listen 127.0.0.1:0 --tls-cert " + dir.file("bad.pem") + " --tls-key " +
             dir.file("bad.pem"),
         "bad.pem: cannot use the certificate", 1},
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
