// One connection of the CIM-XML server: requests read within the timeout,
// each handed to the server, its reply written back, while the client keeps
// the connection. One template for every stream, so that the TLS variant can
// be built into a module of its own (TlsSessions) that a server without TLS
// never loads, and with it never maps the TLS libraries.
#ifndef QVX_CIMOM_HTTPSESSION_HPP
#define QVX_CIMOM_HTTPSESSION_HPP

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace qvx_cimom {

typedef boost::beast::http::request<boost::beast::http::string_body> HttpRequest;
typedef boost::beast::http::response<boost::beast::http::string_body> HttpResponse;

// Request lines and header fields together; far above any client's.
const std::uint32_t kMaxHeaderBytes = 64 * 1024;

// What the request log line says about the request being served.
struct RequestNote {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::string method;
    std::string className;
    int cimStatus = -1;  // -1: no CIM answer
};

// What a connection needs from the server, whatever its stream.
class SessionHost {
public:
    virtual std::size_t maxBodyBytes() const = 0;
    virtual int timeoutSeconds() const = 0;
    // The reply to a request, or to what could be read of one when readError
    // says why no whole request came.
    virtual void respond(boost::beast::error_code readError, const HttpRequest& req,
                         const boost::asio::ip::tcp::endpoint& client, HttpResponse& res,
                         RequestNote& note) = 0;
    virtual void logRequest(const boost::asio::ip::tcp::endpoint& client, const HttpResponse& res,
                            const RequestNote& note) = 0;
    virtual void logInfo(const std::string& line) = 0;

protected:
    ~SessionHost() = default;
};

// A connection as the loop that owns it sees it.
class Connection {
public:
    virtual ~Connection() = default;
    virtual void start() = 0;
    // Hangs up on a client that has not finished its part in time.
    virtual void closeIfOverdue(std::chrono::steady_clock::time_point now) = 0;
};

// Its steps run one after another on the loop that owns the socket. Stream
// is the TCP socket, or a TLS stream over one.
template <class Stream>
class HttpSession : public Connection, public std::enable_shared_from_this<HttpSession<Stream>> {
public:
    template <class... StreamArgs>
    explicit HttpSession(SessionHost& host, StreamArgs&&... args)
        : m_stream(std::forward<StreamArgs>(args)...), m_host(host) {
        boost::beast::error_code ec;
        m_client = socket().remote_endpoint(ec);
        // Replies are first written without waiting (see onRead). A TLS
        // stream cannot take a socket's would-block half way through a record.
        if constexpr (kPlain) socket().non_blocking(true, ec);
    }

    void start() override {
        if constexpr (kPlain) {
            readRequest();
        } else {
            // A handshake is held to the same clock as a request.
            startClock();
            m_stream.async_handshake(
                Stream::server, [self = this->shared_from_this()](boost::beast::error_code ec) {
                    if (!ec) return self->readRequest();
                    const boost::asio::ip::address& a = self->m_client.address();
                    self->m_host.logInfo(
                        "TLS handshake with " +
                        (a.is_v6() ? "[" + a.to_string() + "]" : a.to_string()) + ":" +
                        std::to_string(self->m_client.port()) +
                        " failed: " + (self->m_overdue ? std::string("timed out") : ec.message()));
                    self->close();
                });
        }
    }

    void closeIfOverdue(std::chrono::steady_clock::time_point now) override {
        if (now <= m_deadline) return;
        m_overdue = true;
        if constexpr (kPlain) {
            if (m_readingBody) {
                // A status line before hanging up on a body that stopped
                // coming; best effort, as the socket does not wait. (A TLS
                // stream could not send it without waiting.)
                static const char kTimedOut[] =
                    "HTTP/1.1 408 Request Timeout\r\nConnection: close\r\nContent-Length: "
                    "0\r\n\r\n";
                boost::beast::error_code ignored;
                socket().write_some(boost::asio::buffer(kTimedOut, sizeof kTimedOut - 1), ignored);
            }
        }
        close();
    }

private:
    static constexpr bool kPlain = std::is_same_v<Stream, boost::asio::ip::tcp::socket>;

    boost::asio::ip::tcp::socket& socket() { return boost::beast::get_lowest_layer(m_stream); }

    void readRequest() {
        namespace http = boost::beast::http;
        m_parser.emplace();
        m_parser->header_limit(kMaxHeaderBytes);
        m_parser->body_limit(m_host.maxBodyBytes());
        // The whole request, or the wait for the next one, within the timeout.
        startClock();
        http::async_read_header(
            m_stream, m_buffer, *m_parser,
            [self = this->shared_from_this()](boost::beast::error_code ec, std::size_t) {
                self->onHeader(ec);
            });
    }

    void onHeader(boost::beast::error_code ec) {
        namespace http = boost::beast::http;
        if (ec) return onRead(ec);
        // Clients that ask wait for this before they send the body.
        auto expect = m_parser->get().find(http::field::expect);
        if (expect != m_parser->get().end() &&
            boost::beast::iequals(expect->value(), "100-continue")) {
            auto goOn =
                std::make_shared<http::response<http::empty_body>>(http::status::continue_, 11);
            http::async_write(
                m_stream, *goOn,
                [self = this->shared_from_this(), goOn](boost::beast::error_code ec, std::size_t) {
                    if (ec) return self->close();
                    self->readBody();
                });
            return;
        }
        readBody();
    }

    void readBody() {
        m_readingBody = true;
        boost::beast::http::async_read(
            m_stream, m_buffer, *m_parser,
            [self = this->shared_from_this()](boost::beast::error_code ec, std::size_t) {
                self->onRead(ec);
            });
    }

    void onRead(boost::beast::error_code ec) {
        namespace http = boost::beast::http;
        m_readingBody = false;
        // The client went away, stayed silent or broke the transport: nobody
        // to answer. A body cut short after its header still is.
        bool headerRead = m_parser && m_parser->is_header_done();
        if (ec == http::error::end_of_stream) return finish();
        if ((ec == http::error::partial_message && !headerRead) ||
            (ec && ec.category() != make_error_code(http::error::end_of_stream).category())) {
            return close();
        }
        // No deadline while the request is served.
        m_deadline = std::chrono::steady_clock::time_point::max();
        m_response = HttpResponse();
        RequestNote note;
        m_host.respond(ec, m_parser->get(), m_client, m_response, note);
        m_response.prepare_payload();
        m_note = std::move(note);
        m_serializer.emplace(m_response);
        if constexpr (kPlain) {
            // A reply nearly always fits the socket's buffer: write it now,
            // and wait for the client only for what does not fit.
            boost::beast::error_code wec;
            while (!wec && !m_serializer->is_done()) http::write_some(m_stream, *m_serializer, wec);
            if (wec != boost::asio::error::would_block && wec != boost::asio::error::try_again) {
                return onWritten(wec);
            }
        }
        startClock();
        http::async_write(m_stream, *m_serializer,
                          [self = this->shared_from_this()](boost::beast::error_code ec,
                                                            std::size_t) { self->onWritten(ec); });
    }

    void onWritten(boost::beast::error_code ec) {
        // Each request is logged once its reply is out.
        m_host.logRequest(m_client, m_response, m_note);
        m_serializer.reset();
        if (ec) return close();
        if (!m_response.keep_alive()) return finish();
        readRequest();
    }

    void startClock() {
        m_deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(m_host.timeoutSeconds());
    }

    // The end of a connection both sides agree on. TLS says so with a
    // close_notify, so the client can tell it from a cut; the clock bounds
    // the wait for the client's.
    void finish() {
        if constexpr (kPlain) {
            close();
        } else {
            startClock();
            m_stream.async_shutdown(
                [self = this->shared_from_this()](boost::beast::error_code) { self->close(); });
        }
    }

    void close() {
        m_deadline = std::chrono::steady_clock::time_point::max();
        if (!socket().is_open()) return;
        boost::beast::error_code ignored;
        socket().shutdown(boost::asio::ip::tcp::socket::shutdown_both, ignored);
        socket().close(ignored);
    }

    Stream m_stream;
    SessionHost& m_host;
    std::chrono::steady_clock::time_point m_deadline = std::chrono::steady_clock::time_point::max();
    bool m_overdue = false;
    bool m_readingBody = false;
    boost::asio::ip::tcp::endpoint m_client;
    boost::beast::flat_buffer m_buffer;
    std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> m_parser;
    HttpResponse m_response;
    std::optional<boost::beast::http::response_serializer<boost::beast::http::string_body>>
        m_serializer;
    RequestNote m_note;
};

// The TLS side of the server, in its own module (libqvx-cimom-tls.so): it
// makes the sessions of connections accepted on the HTTPS port.
class TlsSessions {
public:
    virtual ~TlsSessions() = default;
    virtual std::shared_ptr<Connection> session(boost::asio::ip::tcp::socket socket,
                                                SessionHost& host) = 0;
};

// The module's entry point: the certificate chain and private key from PEM
// files. Throws std::exception with a message for the administrator.
extern "C" typedef TlsSessions* TlsSessionsFactory(const std::string& certificateFile,
                                                   const std::string& keyFile);
const char kTlsSessionsFactory[] = "qvxCimomTlsSessions";

}  // namespace qvx_cimom

#endif
