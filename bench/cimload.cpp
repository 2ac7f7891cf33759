// A small load generator for the CIM-XML server: keep-alive connections on
// loopback, each sending one kind of request in a loop for a bounded time.
// Prints one line: requests, throughput, median and 99th percentile latency.
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

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

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

std::string base64(const std::string& in) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < in.size(); i += 3) {
        unsigned n = static_cast<unsigned char>(in[i]) << 16;
        if (i + 1 < in.size()) n |= static_cast<unsigned char>(in[i + 1]) << 8;
        if (i + 2 < in.size()) n |= static_cast<unsigned char>(in[i + 2]);
        out += kDigits[(n >> 18) & 63];
        out += kDigits[(n >> 12) & 63];
        out += i + 1 < in.size() ? kDigits[(n >> 6) & 63] : '=';
        out += i + 2 < in.size() ? kDigits[n & 63] : '=';
    }
    return out;
}

// One keep-alive connection; reconnects after a failed exchange.
class Connection {
public:
    explicit Connection(int port) : m_socket(m_io), m_port(port) {}

    bool exchange(const http::request<http::string_body>& req, std::string& body) {
        beast::error_code ec;
        if (!m_socket.is_open()) {
            m_socket.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), m_port), ec);
            if (ec) return false;
            m_socket.set_option(tcp::no_delay(true), ec);
            m_buffer.clear();
        }
        http::response<http::string_body> res;
        http::write(m_socket, req, ec);
        if (!ec) http::read(m_socket, m_buffer, res, ec);
        if (ec || !res.keep_alive()) m_socket.close(ec);
        body = std::move(res.body());
        return !ec && res.result() == http::status::ok;
    }

private:
    asio::io_context m_io;
    tcp::socket m_socket;
    beast::flat_buffer m_buffer;
    int m_port;
};

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
            http::request<http::string_body> req(http::verb::post, "/cimom", 11);
            req.set(http::field::host, "127.0.0.1");
            req.set(http::field::content_type, "application/xml; charset=\"utf-8\"");
            req.set("CIMOperation", "MethodCall");
            req.set("CIMMethod", request);
            req.set("CIMObject", "root%2Fcimv2");
            req.set("CIMProtocolVersion", "1.0");
            if (!user.empty()) req.set(http::field::authorization, "Basic " + base64(user));
            req.body() = body;
            req.keep_alive(true);
            req.prepare_payload();
            Connection connection(port);
            std::string reply;
            std::vector<double> mine;
            while (std::chrono::steady_clock::now() < deadline) {
                auto start = std::chrono::steady_clock::now();
                bool ok = connection.exchange(req, reply);
                auto end = std::chrono::steady_clock::now();
                if (!ok || reply.find("<ERROR") != std::string::npos) {
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
