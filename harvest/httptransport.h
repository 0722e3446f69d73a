// The network of a harvest over libcurl: http and https only, verified TLS, bounded replies.
#ifndef HARVEST_HTTPTRANSPORT_H
#define HARVEST_HTTPTRANSPORT_H

#include <curl/curl.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "harvest/transport.h"

namespace harvest {

struct CleanupEasy {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CleanupMulti {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, CleanupEasy>;
using MultiHandle = std::unique_ptr<CURLM, CleanupMulti>;

struct HttpTransfer;

/// libcurl set up for the program, once, before any thread uses it.
void initCurl();

/// What the transport is given.
struct HttpSettings {
    long timeoutSeconds = 60;                      // to connect, and without a byte before a transfer is given up
    std::string caFile;                            // a CA bundle instead of the system's; verification stays on
    std::string userAgent;                         // "morvex-harvest/1.0.0"
    std::size_t maxBytes = std::size_t{256} << 20; // the largest reply
    int parallel = 4;                              // replies fetched at once
    std::function<bool()> stopped;                 // asked during transfers: true gives them up
};

/// Replies over HTTP(S): redirects (at most 5) to http and https only, the system's certificates
/// (or the CA file), proxies from the environment as curl reads them, gzip and deflate, the
/// connect and stall limits of the settings. Handles are kept and reused, so connections are.
class HttpTransport : public Transport {
public:
    explicit HttpTransport(HttpSettings settings);
    std::vector<Response> fetch(const std::vector<Request>& requests) override;

private:
    bool setUp(CURL* easy, HttpTransfer& transfer, const Request& request, std::string* err);

    HttpSettings m_settings;
    std::vector<EasyHandle> m_easy;
    MultiHandle m_multi;
};

} // namespace harvest

#endif // HARVEST_HTTPTRANSPORT_H
