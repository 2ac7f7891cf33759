// qvx-cimom under concurrent clients: mixed reads and writes
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
            const std::pair<const char*, std::string> calls[] = {
                {"EnumerateInstances",
                 param("ClassName", "<CLASSNAME NAME=\"QVX_Z64ExpansionChassis\"/>")},
                {"SetProperty", newValue("UserTracking", "client " + std::to_string(i))},
                {"GetInstance", param("InstanceName", kChassisName)},
            };
            // In a good reply to each call.
            const char* expected[] = {
                "<PROPERTY NAME=\"PresentStatus\" TYPE=\"boolean\" ><VALUE>false</VALUE>",
                "<IMETHODRESPONSE NAME=\"SetProperty\"></IMETHODRESPONSE>",
                "<PROPERTY NAME=\"UserTracking\" TYPE=\"string\" ><VALUE>client "};
            for (int n = 0; n < kRounds * 3 && failures[i].empty(); ++n) {
                // Each request has its own MESSAGE ID, which the reply must echo.
                std::string id = std::to_string(i) + "-" + std::to_string(n);
                HttpResponse r = roundTrip(
                    i % 2 ? tlsPort : port,
                    cimRequest(calls[n % 3].first, calls[n % 3].second, "", id), i % 2 == 1);
                if (r.status != 200 ||
                    r.body.find("<MESSAGE ID=\"" + id + "\"") == std::string::npos ||
                    r.body.find(expected[n % 3]) == std::string::npos ||
                    r.body.find("<ERROR") != std::string::npos) {
                    failures[i] = id + ": " + std::to_string(r.status) + " " + r.body;
                }
            }
        });
    }
    for (std::thread& t : clients) t.join();
    for (int i = 0; i < kClients; ++i) EXPECT_EQ(failures[i], "") << "client " << i;
    EXPECT_EQ(stop(), 0) << errors();
}

}  // namespace
