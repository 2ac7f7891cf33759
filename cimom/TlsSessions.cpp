// The server's HTTPS sessions: the one session template over an OpenSSL
// stream. Built as a module that qvx-cimom loads only when TLS is asked for.
#include "HttpSession.hpp"

#include <boost/asio/ssl.hpp>

#include <stdexcept>

namespace qvx_cimom {

namespace {

namespace ssl = boost::asio::ssl;

std::string openSslError(const std::string& what) {
    unsigned long e = ERR_get_error();
    char text[256] = "unknown error";
    if (e != 0) ERR_error_string_n(e, text, sizeof text);
    ERR_clear_error();
    return what + ": " + text;
}

class OpenSslSessions : public TlsSessions {
public:
    OpenSslSessions(const std::string& certificateFile, const std::string& keyFile)
        : m_context(ssl::context::tls_server) {
        SSL_CTX* ctx = m_context.native_handle();
        // TLS 1.2 and 1.3; ciphers, groups and security level are the
        // library's as the system configures them. Renegotiation only lets
        // a client make the server repeat its costliest step.
        if (SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION) != 1) {
            throw std::runtime_error(openSslError("cannot set the lowest TLS version"));
        }
        SSL_CTX_set_options(ctx, SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
        // Sessions resume through tickets alone, so no stream of new clients
        // grows the server's memory; idle keep-alive connections give their
        // record buffers back.
        SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_OFF);
        SSL_CTX_set_mode(ctx, SSL_MODE_RELEASE_BUFFERS);
        if (SSL_CTX_use_certificate_chain_file(ctx, certificateFile.c_str()) != 1) {
            throw std::runtime_error(
                openSslError(certificateFile + ": cannot use the certificate"));
        }
        if (SSL_CTX_use_PrivateKey_file(ctx, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
            throw std::runtime_error(openSslError(keyFile + ": cannot use the private key"));
        }
        if (SSL_CTX_check_private_key(ctx) != 1) {
            throw std::runtime_error(
                openSslError(keyFile + ": the key does not belong to " + certificateFile));
        }
    }

    std::shared_ptr<Connection> session(boost::asio::ip::tcp::socket socket,
                                        SessionHost& host) override {
        return std::make_shared<HttpSession<ssl::stream<boost::asio::ip::tcp::socket>>>(
            host, std::move(socket), m_context);
    }

private:
    ssl::context m_context;
};

}  // namespace

}  // namespace qvx_cimom

extern "C" qvx_cimom::TlsSessionsFactory qvxCimomTlsSessions;

extern "C" __attribute__((visibility("default"))) qvx_cimom::TlsSessions* qvxCimomTlsSessions(
    const std::string& certificateFile, const std::string& keyFile) {
    return new qvx_cimom::OpenSslSessions(certificateFile, keyFile);
}
