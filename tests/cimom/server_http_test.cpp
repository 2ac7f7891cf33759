// qvx-cimom against requests no polite client sends: broken headers and
// bodies, absurd sizes, slow and idle connections, authentication. After
// each, the server must still answer a good request.
#include "server_test_support.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

using namespace qvx_test;

namespace {

const char kChassisName[] =
    "<INSTANCENAME CLASSNAME=\"QVX_Z64Chassis\">"
    "<KEYBINDING NAME=\"Tag\"><KEYVALUE VALUETYPE=\"string\">Chassis</KEYVALUE></KEYBINDING>"
    "<KEYBINDING NAME=\"CreationClassName\"><KEYVALUE VALUETYPE=\"string\">QVX_Chassis"
    "</KEYVALUE></KEYBINDING></INSTANCENAME>";

std::string getChassis() {
    return intrinsicBody("GetInstance", std::string("<IPARAMVALUE NAME=\"InstanceName\">") +
                                            kChassisName + "</IPARAMVALUE>");
}

std::string goodRequest(const std::string& authorization = "") {
    CimHeaders h;
    h.method = "GetInstance";
    h.authorization = authorization;
    return cimRequest(h, getChassis());
}

bool answersGoodRequest(int port, const std::string& authorization = "") {
    HttpResponse r = roundTrip(port, goodRequest(authorization));
    return r.status == 200 &&
           r.body.find("<INSTANCE CLASSNAME=\"QVX_Z64Chassis\">") != std::string::npos &&
           r.body.find("ERROR") == std::string::npos;
}

std::string modifyOwner(const std::string& value, const std::string& type = "string") {
    return intrinsicBody(
        "ModifyInstance",
        std::string("<IPARAMVALUE NAME=\"ModifiedInstance\"><VALUE.NAMEDINSTANCE>") + kChassisName +
            "<INSTANCE CLASSNAME=\"QVX_Z64Chassis\">"
            "<PROPERTY NAME=\"Tag\" TYPE=\"string\"><VALUE>Chassis</VALUE></PROPERTY>"
            "<PROPERTY NAME=\"CreationClassName\" TYPE=\"string\"><VALUE>QVX_Chassis</VALUE>"
            "</PROPERTY><PROPERTY NAME=\"OwnerName\" TYPE=\"" +
            type + "\"><VALUE>" + value +
            "</VALUE></PROPERTY></INSTANCE></VALUE.NAMEDINSTANCE></IPARAMVALUE>");
}

std::string ownerName(int port, const std::string& authorization = "") {
    HttpResponse r = roundTrip(port, goodRequest(authorization));
    std::string open = "<PROPERTY NAME=\"OwnerName\" TYPE=\"string\">";
    std::string::size_type at = r.body.find(open);
    if (at == std::string::npos) return "(no OwnerName)";
    at += open.size();
    std::string value = r.body.substr(at, r.body.find("</PROPERTY>", at) - at);
    const std::string start = "<VALUE>", end = "</VALUE>";
    if (value.compare(0, start.size(), start) != 0) return value;  // NULL: empty
    return value.substr(start.size(), value.size() - start.size() - end.size());
}

std::string nested(int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<VALUE.ARRAY>";
        close = "</VALUE.ARRAY>" + close;
    }
    return open + close;
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

struct BadRequest {
    const char* why;
    std::string request;
    int status;
    const char* cimErrorHeader;  // "" when none is expected
    const char* inBody;          // text the reply's body must hold
};

CimHeaders with(const std::string& method, void (*change)(CimHeaders&) = nullptr) {
    CimHeaders h;
    h.method = method;
    if (change) change(h);
    return h;
}

TEST_F(HttpTest, BadRequestsGetAClearErrorAndTheServerStaysUp) {
    start();
    const std::string ein = intrinsicBody(
        "EnumerateInstanceNames",
        "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME NAME=\"QVX_Z64Chassis\"/></IPARAMVALUE>");
    const std::string bigKey(100000, 'k');
    const BadRequest cases[] = {
        {"no Content-Type",
         cimRequest(with("GetInstance", [](CimHeaders& h) { h.contentType = ""; }), getChassis()),
         400, "request-not-valid", "Content-Type"},
        {"Content-Type that is not XML",
         cimRequest(with("GetInstance", [](CimHeaders& h) { h.contentType = "text/plain"; }),
                    getChassis()),
         400, "request-not-valid", "Content-Type"},
        {"no CIMOperation",
         cimRequest(with("GetInstance", [](CimHeaders& h) { h.operation = ""; }), getChassis()),
         400, "unsupported-operation", "CIMOperation"},
        {"CIMOperation other than MethodCall",
         cimRequest(with("GetInstance", [](CimHeaders& h) { h.operation = "MethodResponse"; }),
                    getChassis()),
         400, "unsupported-operation", "MethodCall"},
        {"no CIMMethod", cimRequest(with(""), getChassis()), 400, "header-mismatch", "CIMMethod"},
        {"CIMMethod naming another method", cimRequest(with("DeleteInstance"), getChassis()), 400,
         "header-mismatch", "does not match"},
        {"GET instead of POST",
         cimRequest(with("GetInstance", [](CimHeaders& h) { h.httpMethod = "GET"; }), ""), 405, "",
         "POST"},
        {"not XML at all", cimRequest(with("GetInstance"), "hello"), 200, "", "<ERROR CODE=\"4\""},
        {"not well-formed XML", cimRequest(with("ModifyInstance"), modifyOwner("a<b & c")), 200, "",
         "<ERROR CODE=\"4\""},
        {"empty body", cimRequest(with("GetInstance"), ""), 200, "", "<ERROR CODE=\"4\""},
        {"unknown intrinsic method",
         cimRequest(with("Frobnicate"), intrinsicBody("Frobnicate", "")), 200, "",
         "<ERROR CODE=\"7\""},
        {"InstanceName given as a plain value",
         cimRequest(with("GetInstance"),
                    intrinsicBody("GetInstance",
                                  "<IPARAMVALUE NAME=\"InstanceName\"><VALUE>Chassis</VALUE>"
                                  "</IPARAMVALUE>")),
         200, "", "<ERROR CODE=\"4\""},
        {"writable property sent with another type",
         cimRequest(with("ModifyInstance"), modifyOwner("7", "uint32")), 200, "",
         "<ERROR CODE=\"13\""},
        {"namespace not served",
         cimRequest(with("EnumerateInstanceNames"),
                    intrinsicBody("EnumerateInstanceNames",
                                  "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME "
                                  "NAME=\"QVX_Z64Chassis\"/></IPARAMVALUE>",
                                  "root/interop")),
         200, "", "<ERROR CODE=\"3\""},
        {"100,000-character key value",
         cimRequest(
             with("GetInstance"),
             intrinsicBody("GetInstance",
                           "<IPARAMVALUE NAME=\"InstanceName\"><INSTANCENAME "
                           "CLASSNAME=\"QVX_Z64Chassis\"><KEYBINDING NAME=\"Tag\"><KEYVALUE "
                           "VALUETYPE=\"string\">" +
                               bigKey + "</KEYVALUE></KEYBINDING></INSTANCENAME></IPARAMVALUE>")),
         200, "", "<ERROR CODE=\"6\""},
        {"100,000-character class name",
         cimRequest(with("EnumerateInstanceNames"),
                    intrinsicBody("EnumerateInstanceNames",
                                  "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME NAME=\"" + bigKey +
                                      "\"/></IPARAMVALUE>")),
         200, "", "<ERROR CODE=\"4\""},
        {"elements nested 10,000 deep",
         cimRequest(with("EnumerateInstances"),
                    intrinsicBody("EnumerateInstances", "<IPARAMVALUE NAME=\"PropertyList\">" +
                                                            nested(10000) + "</IPARAMVALUE>")),
         200, "", "<ERROR CODE=\"4\""},
        {"entity declarations",
         cimRequest(with("GetInstance"),
                    "<?xml version=\"1.0\"?><!DOCTYPE CIM [<!ENTITY a \"aaaaaaaa\">"
                    "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]><CIM>&b;</CIM>"),
         200, "", "<ERROR CODE=\"4\""},
        {"unknown extrinsic method",
         cimRequest(with("Reset"),
                    "<?xml version=\"1.0\" encoding=\"utf-8\"?><CIM CIMVERSION=\"2.0\" "
                    "DTDVERSION=\"2.0\"><MESSAGE ID=\"9\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ>"
                    "<METHODCALL NAME=\"Reset\"><LOCALINSTANCEPATH><LOCALNAMESPACEPATH>"
                    "<NAMESPACE NAME=\"root\"/><NAMESPACE NAME=\"cimv2\"/></LOCALNAMESPACEPATH>" +
                        std::string(kChassisName) +
                        "</LOCALINSTANCEPATH></METHODCALL></SIMPLEREQ></MESSAGE></CIM>"),
         200, "", "<METHODRESPONSE NAME=\"Reset\"><ERROR CODE=\"17\""},
    };
    for (const BadRequest& c : cases) {
        HttpResponse r = roundTrip(server->port(), c.request);
        EXPECT_EQ(r.status, c.status) << c.why << ": " << r.body;
        EXPECT_EQ(r.header("CIMError"), c.cimErrorHeader) << c.why;
        EXPECT_NE(r.body.find(c.inBody), std::string::npos) << c.why << ": " << r.body;
        EXPECT_FALSE(r.header("Content-Length").empty()) << c.why;
        if (c.status == 200) {
            EXPECT_EQ(r.header("CIMOperation"), "MethodResponse") << c.why;
        }
        EXPECT_TRUE(answersGoodRequest(server->port())) << "after " << c.why;
    }
    EXPECT_EQ(ownerName(server->port()), "") << "no bad request may have written";
    EXPECT_EQ(server->stop(), 0) << server->errors();
}

std::string param(const std::string& name, const std::string& value) {
    return "<IPARAMVALUE NAME=\"" + name + "\">" + value + "</IPARAMVALUE>";
}

std::string className(const std::string& name) {
    return param("ClassName", "<CLASSNAME NAME=\"" + name + "\"/>");
}

std::string flag(const std::string& name, bool on) {
    return param(name, on ? "<VALUE>TRUE</VALUE>" : "<VALUE>false</VALUE>");
}

TEST_F(HttpTest, TheServerAppliesPropertyListAndTheIncludeFlags) {
    start();
    struct Case {
        const char* why;
        std::string method;
        std::string params;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    } cases[] = {
        {"by default no qualifiers and no class origins",
         "EnumerateInstances",
         className("QVX_MBMLogicalModule"),
         {"<PROPERTY NAME=\"UserTracking\" TYPE=\"string\">"},
         {"<QUALIFIER", "CLASSORIGIN="}},
        {"class origins when asked",
         "EnumerateInstances",
         className("QVX_MBMLogicalModule") + flag("IncludeClassOrigin", true),
         {"<PROPERTY NAME=\"UserTracking\" TYPE=\"string\" CLASSORIGIN=\"QVX_MBMLogicalModule\">"},
         {"<QUALIFIER"}},
        {"the class's qualifiers when asked",
         "GetInstance",
         param("InstanceName", kChassisName) + flag("IncludeQualifiers", true),
         {"<PROPERTY NAME=\"Tag\" TYPE=\"string\"><QUALIFIER NAME=\"Key\" TYPE=\"boolean\">",
          "<QUALIFIER NAME=\"Write\" TYPE=\"boolean\">"},
         {"CLASSORIGIN="}},
        {"an empty property list asks for no properties",
         "GetInstance",
         param("InstanceName", kChassisName) + param("PropertyList", "<VALUE.ARRAY/>"),
         {"<INSTANCE CLASSNAME=\"QVX_Z64Chassis\"></INSTANCE>"},
         {"<PROPERTY"}},
        {"property names in any letter case",
         "EnumerateInstances",
         className("QVX_Z64ExpansionChassis") +
             param("PropertyList", "<VALUE.ARRAY><VALUE>chassisno</VALUE></VALUE.ARRAY>"),
         {"<PROPERTY NAME=\"ChassisNo\" TYPE=\"uint8\"><VALUE>2</VALUE></PROPERTY></INSTANCE>",
          // The instance's name keeps its keys whatever was filtered.
          "<KEYBINDING NAME=\"Tag\"><KEYVALUE VALUETYPE=\"string\" "
          "TYPE=\"string\">ExpansionChassis1</KEYVALUE>"},
         {"<PROPERTY NAME=\"Tag\""}},
        {"top-level class names",
         "EnumerateClassNames",
         "",
         {"<CLASSNAME NAME=\"QVX_Z64Chassis\"/><CLASSNAME NAME=\"QVX_Z64ExpansionChassis\"/>"
          "<CLASSNAME NAME=\"QVX_MBMLogicalModule\"/>"},
         {}},
        {"a class without subclasses",
         "EnumerateClassNames",
         className("QVX_Z64Chassis") + flag("DeepInheritance", true),
         {"<IRETURNVALUE></IRETURNVALUE>"},
         {"<CLASSNAME"}},
        {"class declaration with key qualifiers",
         "GetClass",
         className("QVX_Z64Chassis"),
         {"<CLASS NAME=\"QVX_Z64Chassis\">", "<QUALIFIER NAME=\"Key\""},
         {}},
    };
    for (const Case& c : cases) {
        HttpResponse r = roundTrip(server->port(),
                                   cimRequest(with(c.method), intrinsicBody(c.method, c.params)));
        EXPECT_EQ(r.status, 200) << c.why;
        EXPECT_EQ(r.body.find("<ERROR"), std::string::npos) << c.why << ": " << r.body;
        for (const std::string& p : c.present) {
            EXPECT_NE(r.body.find(p), std::string::npos) << c.why << ": " << p << " in " << r.body;
        }
        for (const std::string& a : c.absent) {
            EXPECT_EQ(r.body.find(a), std::string::npos) << c.why << ": " << a << " in " << r.body;
        }
    }
}

TEST_F(HttpTest, PropertiesTheProviderLeavesOutAreSentAsNull) {
    // A schema declaring one more property than the provider sets.
    std::string mof = readFile(QVX_SCHEMA_FILE);
    const std::string last = "string CNICOneSerialNumber;";
    std::string::size_type at = mof.find(last);
    ASSERT_NE(at, std::string::npos);
    mof.insert(at + last.size(), "\n    [Write] string AssetTag;");
    writeFile(dir.file("extra.mof"), mof);
    start({"--schema", dir.file("extra.mof")});
    HttpResponse r = roundTrip(server->port(), goodRequest());
    EXPECT_NE(r.body.find("<PROPERTY NAME=\"CNICOneSerialNumber\" TYPE=\"string\"><VALUE>CN05471234"
                          "</VALUE></PROPERTY><PROPERTY NAME=\"AssetTag\" TYPE=\"string\">"
                          "</PROPERTY></INSTANCE>"),
              std::string::npos)
        << r.body;
}

TEST_F(HttpTest, GoodRepliesCarryTheHeadersClientsNeed) {
    start();
    HttpResponse r = roundTrip(server->port(), goodRequest());
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.header("Content-Type"), "application/xml; charset=\"utf-8\"");
    EXPECT_EQ(r.header("CIMOperation"), "MethodResponse");
    EXPECT_EQ(r.header("CIMStatusCode"), "");
    EXPECT_EQ(r.header("Content-Length"), std::to_string(r.body.size()));
    EXPECT_EQ(r.body.compare(0, 5, "<?xml"), 0);
    EXPECT_NE(r.body.find("<MESSAGE ID=\"4711\""), std::string::npos);
    // NULL properties are listed too, so clients may set them.
    EXPECT_NE(r.body.find("<PROPERTY NAME=\"OwnerName\" TYPE=\"string\">"), std::string::npos)
        << r.body;
}

TEST_F(HttpTest, SeveralRequestsOnOneConnection) {
    start();
    RawConnection c(server->port());
    ASSERT_TRUE(c.connected());
    ASSERT_TRUE(c.send(cimRequest(with("ModifyInstance"), modifyOwner("kept alive"))));
    HttpResponse modified = c.receive();
    EXPECT_EQ(modified.status, 200);
    EXPECT_NE(modified.body.find("<IMETHODRESPONSE NAME=\"ModifyInstance\"></IMETHODRESPONSE>"),
              std::string::npos)
        << modified.body;
    ASSERT_TRUE(c.send(goodRequest()));
    HttpResponse read = c.receive();
    EXPECT_EQ(read.status, 200);
    EXPECT_NE(read.body.find("<VALUE>kept alive</VALUE>"), std::string::npos) << read.body;
}

TEST_F(HttpTest, OversizedBodyIsRefusedWith413) {
    start();
    CimHeaders h = with("GetInstance");
    std::string body(2 * 1024 * 1024, ' ');
    RawConnection c(server->port());
    ASSERT_TRUE(c.connected());
    // The size is refused from the header; the body need not be sent.
    std::string request = cimRequest(h, body);
    c.send(request.substr(0, request.find("\r\n\r\n") + 4));
    HttpResponse r = c.receive();
    EXPECT_EQ(r.status, 413);
    EXPECT_FALSE(r.header("Content-Length").empty());
    EXPECT_TRUE(answersGoodRequest(server->port()));
}

TEST_F(HttpTest, TooManyHeaderFieldsAreRefused) {
    start();
    std::string request = goodRequest();
    std::string extra;
    for (int i = 0; i < 100; ++i) extra += "X-Filler-" + std::to_string(i) + ": x\r\n";
    request.insert(request.find("\r\n") + 2, extra);
    HttpResponse r = roundTrip(server->port(), request);
    EXPECT_EQ(r.status, 400);
    EXPECT_NE(r.body.find("too many header fields"), std::string::npos) << r.body;
    EXPECT_TRUE(answersGoodRequest(server->port()));
}

TEST_F(HttpTest, PartialRequestIsDroppedAfterTheReadTimeout) {
    start({"--timeout", "1"});
    RawConnection c(server->port());
    ASSERT_TRUE(c.connected());
    std::string request = goodRequest();
    // Headers and half the body, then nothing.
    ASSERT_TRUE(c.send(request.substr(0, request.size() - 100)));
    EXPECT_TRUE(c.closedByServer());
    RawConnection headersOnly(server->port());
    ASSERT_TRUE(headersOnly.send("POST /cimom HTTP/1.1\r\nHost: x\r\n"));
    EXPECT_TRUE(headersOnly.closedByServer());
    EXPECT_TRUE(answersGoodRequest(server->port()));
}

TEST_F(HttpTest, ConnectionsBeyondTheWorkerPoolWaitTheirTurn) {
    start({"--threads", "2", "--timeout", "1"});
    std::vector<std::unique_ptr<RawConnection>> idle;
    for (int i = 0; i < 6; ++i) {
        idle.emplace_back(new RawConnection(server->port()));
        ASSERT_TRUE(idle.back()->connected());
    }
    // Idle connections hold the workers only until their timeout.
    EXPECT_TRUE(answersGoodRequest(server->port()));
    for (auto& c : idle) EXPECT_TRUE(c->closedByServer());
    EXPECT_TRUE(answersGoodRequest(server->port()));
}

TEST_F(HttpTest, AuthenticationGuardsEveryRequest) {
    std::string file = dir.file("passwd");
    ASSERT_EQ(runCommand({QVX_CIMOM_EXE, "passwd", file, "alice"}, "s3cret\n").exitCode, 0);
    ASSERT_EQ(runCommand({QVX_CIMOM_EXE, "passwd", file, "bob"}, "hunter2\n").exitCode, 0);
    start({"--passwd", file});
    const std::string alice = "Basic YWxpY2U6czNjcmV0";  // alice:s3cret
    struct Case {
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
    for (const Case& c : cases) {
        CimHeaders h = with("ModifyInstance");
        h.authorization = c.authorization;
        HttpResponse r = roundTrip(server->port(), cimRequest(h, modifyOwner(c.why)));
        EXPECT_EQ(r.status, c.status) << c.why << ": " << r.body;
        if (c.status == 401) {
            EXPECT_EQ(r.header("WWW-Authenticate"), "Basic realm=\"qvx-cimom\"") << c.why;
            EXPECT_FALSE(r.header("Content-Length").empty()) << c.why;
            EXPECT_TRUE(answersGoodRequest(server->port(), alice)) << "after " << c.why;
        }
    }
    // Refused requests never reached the provider: the last write is bob's.
    EXPECT_EQ(ownerName(server->port(), alice), "second user");
    // A request's line is written after its reply: read the log once stopped.
    EXPECT_EQ(server->stop(), 0) << server->errors();
    std::string log = server->log();
    EXPECT_NE(log.find("authentication failed for user mallory from 127.0.0.1"), std::string::npos)
        << log;
    EXPECT_NE(log.find("authentication failed for user alice from 127.0.0.1"), std::string::npos);
    EXPECT_NE(log.find("method=ModifyInstance class=- http=401 cim=-"), std::string::npos) << log;
}

TEST_F(HttpTest, WithoutAPasswordFileNoCredentialsAreAsked) {
    start();
    EXPECT_TRUE(answersGoodRequest(server->port()));
    EXPECT_TRUE(answersGoodRequest(server->port(), "Basic bm9ib2R5Om5vdGhpbmc="));
}

TEST_F(HttpTest, EveryRequestIsLoggedWithClientMethodClassStatusAndDuration) {
    start();
    ASSERT_TRUE(answersGoodRequest(server->port()));
    roundTrip(
        server->port(),
        cimRequest(with("GetInstance", [](CimHeaders& h) { h.contentType = ""; }), getChassis()));
    EXPECT_EQ(server->stop(), 0) << server->errors();
    std::string log = server->log();
    // Lines are written after the replies, so two connections' lines may
    // come in either order.
    std::string::size_type at = log.find("method=GetInstance class=QVX_Z64Chassis");
    ASSERT_NE(at, std::string::npos) << log;
    at = log.rfind('\n', at) + 1;
    std::string line = log.substr(at, log.find('\n', at) - at);
    EXPECT_NE(line.find(" INFO cimom: request client=127.0.0.1:"), std::string::npos) << line;
    EXPECT_NE(line.find(" method=GetInstance class=QVX_Z64Chassis http=200 cim=OK duration="),
              std::string::npos)
        << line;
    EXPECT_EQ(line.compare(line.size() - 2, 2, "us"), 0) << line;
    EXPECT_NE(log.find("method=GetInstance class=- http=400 cim=- duration="), std::string::npos)
        << log;
}

TEST_F(HttpTest, RefusesToListenOffLoopbackWithoutAuthentication) {
    CommandResult r = runCommand({QVX_CIMOM_EXE, "--listen", "0.0.0.0:0", "--library",
                                  QVX_PROVIDER_LIBRARY, "--schema", QVX_SCHEMA_FILE});
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_NE(r.output.find("without authentication"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("listening on"), std::string::npos) << r.output;
}

TEST_F(HttpTest, UsageErrorsAreReportedBeforeAnythingStarts) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--listen", "127.0.0.1"}, "--listen takes ADDR:PORT"},
        {{"--listen", "127.0.0.1:70000"}, "--listen port takes a number"},
        {{"--threads", "0"}, "--threads takes a number"},
        {{"--timeout"}, "--timeout needs a value"},
        {{"--frobnicate"}, "unknown argument '--frobnicate'"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv = {QVX_CIMOM_EXE};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        CommandResult r = runCommand(argv);
        EXPECT_EQ(r.exitCode, 2) << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
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

    CommandResult bad = runCommand({QVX_CIMOM_EXE, "passwd", file, "a:b"}, "x\n");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.output.find("user name"), std::string::npos) << bad.output;
    CommandResult empty = runCommand({QVX_CIMOM_EXE, "passwd", file, "carol"}, "");
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_NE(empty.output.find("no password"), std::string::npos) << empty.output;
}

}  // namespace
