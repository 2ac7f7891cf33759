// A small load generator for the CIM-XML server: keep-alive connections on
// loopback, each sending one kind of request in a loop for a bounded time.
// Prints one line: requests, throughput, median and 99th percentile latency.
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const kGetInstance =
    "<?xml version=\"1.0\" encoding=\"utf-8\" ?><CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\">"
    "<MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><IMETHODCALL NAME=\"GetInstance\">"
    "<LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/><NAMESPACE NAME=\"cimv2\"/>"
    "</LOCALNAMESPACEPATH><IPARAMVALUE NAME=\"InstanceName\"><INSTANCENAME "
    "CLASSNAME=\"QVX_Z64Chassis\"><KEYBINDING NAME=\"Tag\"><KEYVALUE VALUETYPE=\"string\">"
    "Chassis</KEYVALUE></KEYBINDING><KEYBINDING NAME=\"CreationClassName\"><KEYVALUE "
    "VALUETYPE=\"string\">QVX_Chassis</KEYVALUE></KEYBINDING></INSTANCENAME></IPARAMVALUE>"
    "</IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>";

const char* const kEnumerateInstances =
    "<?xml version=\"1.0\" encoding=\"utf-8\" ?><CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\">"
    "<MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><IMETHODCALL "
    "NAME=\"EnumerateInstances\"><LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/><NAMESPACE "
    "NAME=\"cimv2\"/></LOCALNAMESPACEPATH><IPARAMVALUE NAME=\"ClassName\"><CLASSNAME "
    "NAME=\"QVX_Z64ExpansionChassis\"/></IPARAMVALUE></IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>";

int usage() {
    std::fprintf(
        stderr,
        "usage: cimload --port PORT [--connections N] [--seconds S]\n"
        "               [--request GetInstance|EnumerateInstances] [--user NAME:PASSWORD]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int port = 0;
    int connections = 1;
    double seconds = 3;
    std::string request = "GetInstance";
    std::string user;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string opt = argv[i];
        if (opt == "--port") {
            port = std::atoi(argv[i + 1]);
        } else if (opt == "--connections") {
            connections = std::atoi(argv[i + 1]);
        } else if (opt == "--seconds") {
            seconds = std::atof(argv[i + 1]);
        } else if (opt == "--request") {
            request = argv[i + 1];
        } else if (opt == "--user") {
            user = argv[i + 1];
        } else {
            return usage();
        }
    }
    if (port <= 0 || connections < 1 || connections > 64 || seconds <= 0 || seconds > 60 ||
        (request != "GetInstance" && request != "EnumerateInstances")) {
        return usage();
    }
    const std::string body = request == "GetInstance" ? kGetInstance : kEnumerateInstances;

    std::mutex mutex;
    std::vector<double> latencies;
    std::atomic<long> errors(0);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::vector<std::thread> threads;
    for (int c = 0; c < connections; ++c) {
        threads.emplace_back([&] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            if (!user.empty()) {
                size_t colon = user.find(':');
                client.set_basic_auth(
                    user.substr(0, colon).c_str(),
                    colon == std::string::npos ? "" : user.substr(colon + 1).c_str());
            }
            httplib::Headers headers = {{"CIMOperation", "MethodCall"},
                                        {"CIMMethod", request},
                                        {"CIMObject", "root%2Fcimv2"},
                                        {"CIMProtocolVersion", "1.0"}};
            std::vector<double> mine;
            while (std::chrono::steady_clock::now() < deadline) {
                auto start = std::chrono::steady_clock::now();
                auto res =
                    client.Post("/cimom", headers, body, "application/xml; charset=\"utf-8\"");
                auto end = std::chrono::steady_clock::now();
                if (!res || res->status != 200 || res->body.find("<ERROR") != std::string::npos) {
                    ++errors;
                    continue;
                }
                mine.push_back(std::chrono::duration<double, std::micro>(end - start).count());
            }
            std::lock_guard<std::mutex> lock(mutex);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
        });
    }
    for (std::thread& t : threads) t.join();

    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) {
        return latencies.empty() ? 0.0 : latencies[static_cast<size_t>(q * (latencies.size() - 1))];
    };
    std::printf("%s connections=%d requests=%zu errors=%ld rps=%.0f p50_us=%.1f p99_us=%.1f\n",
                request.c_str(), connections, latencies.size(), errors.load(),
                latencies.size() / seconds, at(0.5), at(0.99));
    return errors.load() == 0 && !latencies.empty() ? 0 : 1;
}
