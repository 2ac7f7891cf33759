// qvx-cimom under concurrent clients: mixed reads and writes of every class
// over more connections than workers, over HTTP and HTTPS. Built with ThreadSanitizer by the test
// script, so a data race in the server or the provider fails the run (the
// server then does not exit cleanly).
#include "server_test_support.hpp"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace qvx_test;

namespace {

const char kChassisName[] =
    "<INSTANCENAME CLASSNAME=\"QVX_Z64Chassis\">"
    "<KEYBINDING NAME=\"Tag\"><KEYVALUE VALUETYPE=\"string\">Chassis</KEYVALUE></KEYBINDING>"
    "<KEYBINDING NAME=\"CreationClassName\"><KEYVALUE VALUETYPE=\"string\">QVX_Chassis"
    "</KEYVALUE></KEYBINDING></INSTANCENAME>";

// The request with its own MESSAGE ID, which the reply must echo.
std::string withId(std::string body, const std::string& id) {
    const std::string fixed = "ID=\"4711\"";
    body.replace(body.find(fixed), fixed.size(), "ID=\"" + id + "\"");
    return body;
}

struct Call {
    const char* method;
    std::string params;
    const char* expected;  // in a good reply
};

std::vector<Call> calls(int client) {
    std::string value = "client " + std::to_string(client);
    return {
        {"EnumerateInstanceNames",
         "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME NAME=\"QVX_MBMLogicalModule\"/>"
         "</IPARAMVALUE>",
         "MBMLogicalModule1"},
        {"EnumerateInstances",
         "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME NAME=\"QVX_Z64ExpansionChassis\"/>"
         "</IPARAMVALUE>",
         "<PROPERTY NAME=\"PresentStatus\" TYPE=\"boolean\" ><VALUE>false</VALUE>"},
        {"ModifyInstance",
         std::string("<IPARAMVALUE NAME=\"ModifiedInstance\"><VALUE.NAMEDINSTANCE>") +
             kChassisName +
             "<INSTANCE CLASSNAME=\"QVX_Z64Chassis\">"
             "<PROPERTY NAME=\"Tag\" TYPE=\"string\"><VALUE>Chassis</VALUE></PROPERTY>"
             "<PROPERTY NAME=\"CreationClassName\" TYPE=\"string\"><VALUE>QVX_Chassis</VALUE>"
             "</PROPERTY><PROPERTY NAME=\"UserTracking\" TYPE=\"string\"><VALUE>" +
             value + "</VALUE></PROPERTY></INSTANCE></VALUE.NAMEDINSTANCE></IPARAMVALUE>",
         "<IMETHODRESPONSE NAME=\"ModifyInstance\"></IMETHODRESPONSE>"},
        {"GetInstance",
         std::string("<IPARAMVALUE NAME=\"InstanceName\">") + kChassisName + "</IPARAMVALUE>",
         "<PROPERTY NAME=\"UserTracking\" TYPE=\"string\" ><VALUE>client "},
    };
}

TEST(ServerConcurrency, MixedRequestsFromManyClientsEachGetTheirOwnAnswers) {
    TempDir dir;
    ServerProcess server(dir, withTls(dir, {"--threads", "3"}));
    ASSERT_TRUE(server.ready()) << server.failure();
    const int kClients = 6;
    const int kRounds = 8;
    std::vector<std::string> failures(kClients);
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&, i] {
            const bool tls = i % 2 == 1;
            int n = 0;
            for (int round = 0; round < kRounds; ++round) {
                for (const Call& c : calls(i)) {
                    std::string id = std::to_string(i) + "-" + std::to_string(++n);
                    CimHeaders h;
                    h.method = c.method;
                    HttpResponse r = roundTrip(
                        tls ? server.tlsPort() : server.port(),
                        cimRequest(h, withId(intrinsicBody(c.method, c.params), id)), tls);
                    bool good = r.status == 200 &&
                                r.body.find("<MESSAGE ID=\"" + id + "\"") != std::string::npos &&
                                r.body.find(c.expected) != std::string::npos &&
                                r.body.find("<ERROR") == std::string::npos;
                    if (!good && failures[i].empty()) {
                        failures[i] = std::string(c.method) + " " + id + ": " +
                                      std::to_string(r.status) + " " + r.body;
                    }
                }
            }
        });
    }
    for (std::thread& t : clients) t.join();
    for (int i = 0; i < kClients; ++i) EXPECT_EQ(failures[i], "") << "client " << i;
    EXPECT_EQ(server.stop(), 0) << server.errors();
}

}  // namespace
