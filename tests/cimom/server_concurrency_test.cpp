// qvx-cimom under concurrent clients: mixed reads and writes of every class
// over more connections than workers, over HTTP and HTTPS. Built with
// ThreadSanitizer by the test script, so a data race in the server or the
// provider fails the run (the server then does not exit cleanly).
#include "server_test_support.hpp"

#include <thread>

using namespace qvx_test;

namespace {

using ServerConcurrency = ServerTest;

TEST_F(ServerConcurrency, MixedRequestsFromManyClientsEachGetTheirOwnAnswers) {
    start(withTls({"--threads", "3"}));
    const int kClients = 6, kRounds = 8;
    std::vector<std::string> failures(kClients);
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&, i] {
            const struct {
                const char* method;
                std::string params;
                const char* expected;  // in a good reply
            } calls[] = {
                {"EnumerateInstanceNames",
                 param("ClassName", "<CLASSNAME NAME=\"QVX_MBMLogicalModule\"/>"),
                 "MBMLogicalModule1"},
                {"EnumerateInstances",
                 param("ClassName", "<CLASSNAME NAME=\"QVX_Z64ExpansionChassis\"/>"),
                 "<PROPERTY NAME=\"PresentStatus\" TYPE=\"boolean\" ><VALUE>false</VALUE>"},
                {"ModifyInstance", modifiedChassis("UserTracking", "client " + std::to_string(i)),
                 "<IMETHODRESPONSE NAME=\"ModifyInstance\"></IMETHODRESPONSE>"},
                {"GetInstance", param("InstanceName", kChassisName),
                 "<PROPERTY NAME=\"UserTracking\" TYPE=\"string\" ><VALUE>client "},
            };
            for (int n = 0; n < kRounds * 4; ++n) {
                const auto& c = calls[n % 4];
                // Each request has its own MESSAGE ID, which the reply must echo.
                std::string id = std::to_string(i) + "-" + std::to_string(n);
                HttpResponse r = roundTrip(i % 2 ? tlsPort : port,
                                           cimRequest(c.method, c.params, "", id), i % 2 == 1);
                bool good = r.status == 200 &&
                            r.body.find("<MESSAGE ID=\"" + id + "\"") != std::string::npos &&
                            r.body.find(c.expected) != std::string::npos &&
                            r.body.find("<ERROR") == std::string::npos;
                if (!good && failures[i].empty()) {
                    failures[i] = std::string(c.method) + " " + id + ": " +
                                  std::to_string(r.status) + " " + r.body;
                }
            }
        });
    }
    for (std::thread& t : clients) t.join();
    for (int i = 0; i < kClients; ++i) EXPECT_EQ(failures[i], "") << "client " << i;
    EXPECT_EQ(stop(), 0) << errors();
}

}  // namespace
