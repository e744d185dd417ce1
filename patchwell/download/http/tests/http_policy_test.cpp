#include "patchwell/download/http/http_policy.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "patchwell/download/testing/test_http_server.h"

using patchwell::http::ApplyPolicy;
using patchwell::http::RequestPolicy;
using pwtest::ScriptedResponse;
using pwtest::TestHttpServer;

namespace {

struct Result {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string body;
};

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

// One request under the policy, as a bare libcurl handle makes it.
Result Perform(const std::string& url, const RequestPolicy& policy = {}) {
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(),
                                                                     &curl_easy_cleanup);
    Result result;
    EXPECT_TRUE(ApplyPolicy(handle.get(), url, policy));
    curl_easy_setopt(handle.get(), CURLOPT_CONNECTTIMEOUT, 5L);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &result.body);
    result.code = curl_easy_perform(handle.get());
    curl_easy_getinfo(handle.get(), CURLINFO_RESPONSE_CODE, &result.status);
    return result;
}

// A port on loopback that nothing listens on: a server made and gone.
std::string ClosedAddress() {
    auto server = std::make_unique<TestHttpServer>();
    return "http://127.0.0.1:" + std::to_string(server->port());
}

// Sets (or, with no value, removes) a variable for a scope; its earlier value returns after.
struct ScopedVariable {
    ScopedVariable(const char* variable, const char* value) : name(variable) {
        if (const char* old = std::getenv(variable)) {
            earlier = old;
        }
        value != nullptr ? ::setenv(variable, value, 1) : ::unsetenv(variable);
    }
    ScopedVariable(const char* variable, const std::string& value)
        : ScopedVariable(variable, value.c_str()) {}
    ~ScopedVariable() { earlier ? ::setenv(name, earlier->c_str(), 1) : ::unsetenv(name); }
    const char* name;
    std::optional<std::string> earlier;
};

}  // namespace

TEST(HttpPolicy, SchemesRedirectsAndSizeCap) {
    TestHttpServer server;
    ScriptedResponse file;
    file.body = "the file";
    server.setResponse("/file", file);
    // /r1 -> /r2 -> ... -> /r11 -> /file: eleven redirects from /r1, ten from /r2.
    for (int i = 1; i <= 11; ++i) {
        server.setRedirect("/r" + std::to_string(i), "HTTP/1.1 302 Found",
                           i == 11 ? "/file" : "/r" + std::to_string(i + 1));
    }
    server.setRedirect("/ftp", "HTTP/1.1 302 Found", "ftp://127.0.0.1/file");

    RequestPolicy generous;
    generous.maxRedirects = 50;  // more than ten is never allowed
    EXPECT_EQ(Perform(server.url("/r2"), generous).body, "the file");
    EXPECT_EQ(Perform(server.url("/r1"), generous).code, CURLE_TOO_MANY_REDIRECTS);
    EXPECT_EQ(Perform(server.url("/ftp")).code, CURLE_UNSUPPORTED_PROTOCOL);
    EXPECT_EQ(Perform("file:///etc/hostname").code, CURLE_UNSUPPORTED_PROTOCOL);
    EXPECT_TRUE(patchwell::http::IsHttpAddress("HTTPS://host/"));
    EXPECT_FALSE(patchwell::http::IsHttpAddress("ftp://host/"));

    RequestPolicy capped;
    capped.maxBodyBytes = 7;
    EXPECT_EQ(Perform(server.url("/file"), capped).code, CURLE_FILESIZE_EXCEEDED);
    capped.maxBodyBytes = 8;
    EXPECT_EQ(Perform(server.url("/file"), capped).body, "the file");
}

TEST(HttpPolicy, TheProxyVariablesAreFollowedAndADeadProxyIsAnError) {
    TestHttpServer proxy;
    ScriptedResponse viaProxy;
    viaProxy.body = "through the proxy";
    // A proxy gets the whole address as the request target.
    proxy.setResponse("http://files.invalid/sig", viaProxy);
    TestHttpServer origin;
    ScriptedResponse direct;
    direct.body = "direct";
    origin.setResponse("/sig", direct);

    {
        ScopedVariable variable("http_proxy", proxy.url(""));
        EXPECT_EQ(Perform("http://files.invalid/sig").body, "through the proxy");
        ScopedVariable bypass("no_proxy", "127.0.0.1");
        EXPECT_EQ(Perform(origin.url("/sig")).body, "direct");
    }
    // A proxy that is down fails the request; nothing goes out directly.
    for (const char* name : {"http_proxy", "all_proxy"}) {
        SCOPED_TRACE(name);
        ScopedVariable variable(name, ClosedAddress());
        EXPECT_EQ(Perform(origin.url("/sig")).code, CURLE_COULDNT_CONNECT);
    }
    EXPECT_EQ(origin.requestCount(), 1u);
}

// What ProxyFor says is what the library does: each case's request is made
// with the proxy variables pointing at a closed port, so that a request that
// goes through the proxy fails to connect and one that goes direct reaches
// the server (or, for https, fails its handshake with the plain server).
TEST(HttpPolicy, ProxyForTellsWhatTheLibraryDoes) {
    TestHttpServer origin;
    ScriptedResponse direct;
    direct.body = "direct";
    origin.setResponse("/f", direct);
    const std::string port = std::to_string(origin.port());
    const std::string closed = ClosedAddress();
    const char* const kNames[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                  "all_proxy",  "ALL_PROXY",  "no_proxy",    "NO_PROXY"};
    struct Case {
        const char* url;  // scheme://host, the port and path follow
        std::vector<std::pair<const char*, const char*>> variables;  // "P": the closed proxy
        bool proxied;
    };
    const Case cases[] = {
        {"http://127.0.0.1", {{"https_proxy", "P"}}, false},
        {"https://127.0.0.1", {{"https_proxy", "P"}}, true},
        {"https://127.0.0.1", {{"https_proxy", ""}, {"HTTPS_PROXY", "P"}}, true},
        {"http://127.0.0.1", {{"HTTP_PROXY", "P"}}, false},
        {"http://127.0.0.1", {{"http_proxy", "P"}}, true},
        {"http://127.0.0.1", {{"http_proxy", ""}, {"ALL_PROXY", "P"}}, true},
        {"https://127.0.0.1", {{"http_proxy", "P"}, {"all_proxy", "P"}}, true},
        {"http://127.0.0.1", {{"all_proxy", "P"}, {"no_proxy", "127.0.0.1"}}, false},
        {"http://127.0.0.1", {{"http_proxy", "P"}, {"no_proxy", "10.0.0.0/8, 127.0.0.0/8"}}, false},
        {"http://127.0.0.1", {{"http_proxy", "P"}, {"no_proxy", "10.0.0.0/8,.0.0.1"}}, true},
        {"http://127.0.0.1", {{"http_proxy", "P"}, {"no_proxy", ""}, {"NO_PROXY", "*"}}, false},
        {"http://localhost", {{"http_proxy", "P"}, {"no_proxy", ".LOCALHOST."}}, false},
        {"http://localhost", {{"http_proxy", "P"}, {"no_proxy", "calhost"}}, true},
        {"http://localhost", {{"http_proxy", "P"}, {"no_proxy", "other localhost"}}, false},
    };
    for (const Case& c : cases) {
        const std::string url = std::string(c.url) + ":" + port + "/f";
        std::vector<std::unique_ptr<ScopedVariable>> scoped;
        std::string trace = url;
        for (const char* name : kNames) {
            const char* value = nullptr;
            for (const auto& [variable, given] : c.variables) {
                if (std::string(variable) == name) {
                    value = std::string(given) == "P" ? closed.c_str() : given;
                    trace += std::string(" ") + name + "=" + given;
                }
            }
            scoped.push_back(std::make_unique<ScopedVariable>(name, value));
        }
        SCOPED_TRACE(trace);
        const Result result = Perform(url);
        EXPECT_EQ(result.code == CURLE_COULDNT_CONNECT, c.proxied) << result.code;
        EXPECT_EQ(patchwell::http::ProxyFor(url), c.proxied ? closed : std::string());
    }
}

TEST(HttpPolicy, CertificateStoreFollowsTheCallerThenTheVariables) {
    RequestPolicy policy;
    {
        ScopedVariable noFile("SSL_CERT_FILE", nullptr);
        ScopedVariable noFolder("SSL_CERT_DIR", nullptr);
        EXPECT_EQ(patchwell::http::CertificateStoreFor(policy).file, "");
        EXPECT_EQ(patchwell::http::CertificateStoreFor(policy).directory, "");
    }
    ScopedVariable file("SSL_CERT_FILE", "/tmp/ca.pem");
    ScopedVariable folder("SSL_CERT_DIR", "/tmp/certs");
    EXPECT_EQ(patchwell::http::CertificateStoreFor(policy).file, "/tmp/ca.pem");
    EXPECT_EQ(patchwell::http::CertificateStoreFor(policy).directory, "/tmp/certs");
    policy.caFile = "/tmp/own.pem";
    EXPECT_EQ(patchwell::http::CertificateStoreFor(policy).file, "/tmp/own.pem");
    EXPECT_EQ(patchwell::http::CertificateStoreFor(policy).directory, "");
}
