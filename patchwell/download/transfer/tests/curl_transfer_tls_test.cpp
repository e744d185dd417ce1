// HTTPS through a private nginx on loopback with a certificate made for the
// test: trusted only when its authority is given, and only for its own name.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "curl_transfer.h"
#include "test_http_server.h"
#include "tls_test_server.h"

using patchwell::download::CurlTransfer;
using patchwell::download::CurlTransferOptions;
using patchwell::download::TransferError;
using TlsServer = pwtest::TlsTestServer;
namespace fs = std::filesystem;

namespace {

std::string fetchAll(CurlTransfer& t, const std::string& url) {
    t.SetURL(url);
    t.Execute("GET");
    while (t.StillExecuting()) {
    }
    std::string header = t.GetHeader();
    std::string body;
    for (auto chunk = t.GetChunk(64); !chunk.empty(); chunk = t.GetChunk(64)) {
        body.append(chunk);
    }
    return header.substr(0, 12) + "|" + body;
}

// The text of the failure, or "" when there was none.
std::string failureOf(CurlTransfer& t, const std::string& url) {
    try {
        fetchAll(t, url);
    } catch (const TransferError& e) {
        return e.what();
    }
    return {};
}

}  // namespace

TEST(CurlTransferTls, CertificatesAreVerified) {
    TlsServer server;
    ASSERT_TRUE(server.ready()) << "nginx with TLS did not start";

    CurlTransferOptions trusting;
    trusting.stallTimeoutSeconds = 10;
    trusting.caFile = server.caFile();
    CurlTransfer withAuthority(trusting);
    EXPECT_EQ(fetchAll(withAuthority, server.url("127.0.0.1")), "HTTP/1.1 200|hello over tls\n");

    // The same certificate for a name it was not made for is refused.
    EXPECT_NE(failureOf(withAuthority, server.url("localhost")).find("certificate"),
              std::string::npos);

    // The system's store does not know the test's authority.
    CurlTransferOptions system;
    system.stallTimeoutSeconds = 10;
    CurlTransfer withSystemStore(system);
    EXPECT_NE(failureOf(withSystemStore, server.url("127.0.0.1")).find("certificate"),
              std::string::npos);
}

TEST(CurlTransferTls, RedirectsMayUpgradeButNeverDowngrade) {
    pwtest::TestHttpServer plain;
    pwtest::ScriptedResponse page;
    page.body = "plain text page";
    plain.setResponse("/hello.txt", page);
    TlsServer server(plain.url("/hello.txt"));
    ASSERT_TRUE(server.ready()) << "nginx with TLS did not start";
    plain.setRedirect("/up", "HTTP/1.1 302 Found", server.url("127.0.0.1"));

    CurlTransferOptions trusting;
    trusting.stallTimeoutSeconds = 10;
    trusting.caFile = server.caFile();
    CurlTransfer transfer(trusting);
    // http to https is followed.
    EXPECT_EQ(fetchAll(transfer, plain.url("/up")), "HTTP/1.1 200|hello over tls\n");
    // https to http is refused before any request reaches the plain server.
    EXPECT_FALSE(failureOf(transfer, server.url("127.0.0.1", "/down")).empty());
    EXPECT_EQ(plain.requestCount(), 1u);  // only the "/up" request
}

TEST(CurlTransferTls, TheOpenSslStoreVariablesTakeThePlaceOfTheSystemStore) {
    TlsServer server;
    ASSERT_TRUE(server.ready()) << "nginx with TLS did not start";
    // A folder store holds each authority under its subject hash.
    const fs::path folder = fs::path(server.caFile()).parent_path() / "certs";
    fs::create_directories(folder);
    const std::string link = "ln -s " + server.caFile() + " " + folder.string() +
                             "/$(openssl x509 -hash -noout -in " + server.caFile() + ").0";
    ASSERT_EQ(std::system(link.c_str()), 0);

    // The variables of the environment the test runs in are put back after.
    const char* earlierFile = std::getenv("SSL_CERT_FILE");
    const std::string savedFile = earlierFile != nullptr ? earlierFile : "";
    ::unsetenv("SSL_CERT_FILE");
    ::unsetenv("SSL_CERT_DIR");
    CurlTransferOptions options;
    options.stallTimeoutSeconds = 10;
    const struct {
        const char* variable;
        std::string value;
    } stores[] = {{"SSL_CERT_FILE", server.caFile()}, {"SSL_CERT_DIR", folder.string()}};
    for (const auto& store : stores) {
        SCOPED_TRACE(store.variable);
        ::setenv(store.variable, store.value.c_str(), 1);
        CurlTransfer transfer(options);
        EXPECT_EQ(fetchAll(transfer, server.url("127.0.0.1")), "HTTP/1.1 200|hello over tls\n");
        // The name is still checked against the certificate.
        EXPECT_NE(failureOf(transfer, server.url("localhost")).find("certificate"),
                  std::string::npos);
        ::unsetenv(store.variable);
        EXPECT_NE(failureOf(transfer, server.url("127.0.0.1")).find("certificate"),
                  std::string::npos);
    }
    if (earlierFile != nullptr) {
        ::setenv("SSL_CERT_FILE", savedFile.c_str(), 1);
    }
}
