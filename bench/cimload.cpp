// A small load generator for the CIM-XML server: keep-alive connections on
// loopback, over HTTP or HTTPS, each sending one kind of request in a loop for
// a bounded time. Prints one line: requests, throughput, median and 99th
// percentile latency.
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
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
namespace ssl = asio::ssl;
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

// One keep-alive connection, TLS over it when given a context (the
// server's certificate not checked); reconnects after a failed exchange.
class Connection {
public:
    Connection(int port, ssl::context* tls) : m_socket(m_io), m_port(port), m_tls(tls) {}

    bool exchange(const http::request<http::string_body>& req, std::string& body) {
        beast::error_code ec;
        if (!m_socket.is_open()) {
            m_socket.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), m_port), ec);
            if (ec) return false;
            m_socket.set_option(tcp::no_delay(true), ec);
            m_buffer.clear();
            if (m_tls) {
                m_secure.emplace(m_socket, *m_tls);
                m_secure->handshake(ssl::stream_base::client, ec);
                if (ec) return close();
            }
        }
        http::response<http::string_body> res;
        if (m_secure) {
            send(*m_secure, req, res, ec);
        } else {
            send(m_socket, req, res, ec);
        }
        body = std::move(res.body());
        if (ec || !res.keep_alive()) return close();
        return res.result() == http::status::ok;
    }

private:
    template <class Stream>
    void send(Stream& stream, const http::request<http::string_body>& req,
              http::response<http::string_body>& res, beast::error_code& ec) {
        http::write(stream, req, ec);
        if (!ec) http::read(stream, m_buffer, res, ec);
    }

    bool close() {
        beast::error_code ignored;
        m_secure.reset();
        m_socket.close(ignored);
        return false;
    }

    asio::io_context m_io;
    tcp::socket m_socket;
    std::optional<ssl::stream<tcp::socket&>> m_secure;
    beast::flat_buffer m_buffer;
    int m_port;
    ssl::context* m_tls;
};

int usage() {
    std::fprintf(
        stderr,
        "usage: cimload --port PORT [--connections N] [--seconds S]\n"
        "               [--request GetInstance|EnumerateInstances] [--user NAME:PASSWORD]\n"
        "               [--tls]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int port = 0;
    int connections = 1;
    double seconds = 3;
    std::string request = "GetInstance";
    std::string user;
    bool tls = false;
    for (int i = 1; i < argc; ++i) {
        std::string opt = argv[i];
        if (opt == "--tls") {
            tls = true;
            continue;
        }
        if (i + 1 >= argc) return usage();
        const char* value = argv[++i];
        if (opt == "--port") {
            port = std::atoi(value);
        } else if (opt == "--connections") {
            connections = std::atoi(value);
        } else if (opt == "--seconds") {
            seconds = std::atof(value);
        } else if (opt == "--request") {
            request = value;
        } else if (opt == "--user") {
            user = value;
        } else {
            return usage();
        }
    }
    if (port <= 0 || connections < 1 || connections > 64 || seconds <= 0 || seconds > 60 ||
        (request != "GetInstance" && request != "EnumerateInstances")) {
        return usage();
    }
    const std::string body = request == "GetInstance" ? kGetInstance : kEnumerateInstances;
    ssl::context context(ssl::context::tls_client);
    context.set_verify_mode(ssl::verify_none);

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
            Connection connection(port, tls ? &context : nullptr);
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
    std::printf("%s%s connections=%d requests=%zu errors=%ld rps=%.0f p50_us=%.1f p99_us=%.1f\n",
                request.c_str(), tls ? "/HTTPS" : "", connections, latencies.size(), errors.load(),
                latencies.size() / seconds, at(0.5), at(0.99));
    return errors.load() == 0 && !latencies.empty() ? 0 : 1;
}
