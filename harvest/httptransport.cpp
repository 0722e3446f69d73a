// The network of a harvest over libcurl: http and https only, verified TLS, bounded replies.
#include "harvest/httptransport.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace harvest {

void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

constexpr long kMostRedirects = 5;

std::string trimmed(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0)
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])) != 0)
        ++start;
    return text.substr(start);
}

Response::Failure failureOf(CURLcode code) {
    switch (code) {
    case CURLE_OK:
        return Response::Failure::None;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return Response::Failure::Retryable;
    case CURLE_FILESIZE_EXCEEDED:
        return Response::Failure::TooLarge;
    default:
        return Response::Failure::Refused;
    }
}

} // namespace

struct HttpTransfer {
    Response response;
    std::size_t maxBytes = 0;
    bool tooLarge = false;
    const std::function<bool()>* stopped = nullptr;
    char error[CURL_ERROR_SIZE] = {};
    curl_slist* headers = nullptr;
    HttpTransfer() = default;
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;
    ~HttpTransfer() { curl_slist_free_all(headers); }
};

namespace {

extern "C" std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<HttpTransfer*>(user);
    const std::size_t n = size * count;
    if (transfer->response.body.size() + n > transfer->maxBytes) {
        transfer->tooLarge = true;
        return 0; // curl gives up the transfer
    }
    transfer->response.body.append(data, n);
    return n;
}

extern "C" std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<HttpTransfer*>(user);
    const std::size_t n = size * count;
    const std::string line(data, n);
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
        // A status line starts a reply of its own (after a redirect): its headers alone count.
        if (line.rfind("HTTP/", 0) == 0) {
            transfer->response.etag.clear();
            transfer->response.lastModified.clear();
            transfer->response.retryAfter.clear();
            transfer->response.contentType.clear();
        }
        return n;
    }
    std::string name = line.substr(0, colon);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::string value = trimmed(line.substr(colon + 1));
    // The body's room made once, for a reply that announces its length.
    if (name == "content-length") {
        const unsigned long long length = std::strtoull(value.c_str(), nullptr, 10);
        if (length > 0 && length <= transfer->maxBytes) transfer->response.body.reserve(length);
    }
    if (name == "etag")
        transfer->response.etag = value;
    else if (name == "last-modified")
        transfer->response.lastModified = value;
    else if (name == "retry-after")
        transfer->response.retryAfter = value;
    else if (name == "content-type")
        transfer->response.contentType = value;
    return n;
}

extern "C" int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* transfer = static_cast<HttpTransfer*>(user);
    return transfer->stopped && *transfer->stopped && (*transfer->stopped)() ? 1 : 0;
}

// Runs the transfers added to multi until each has ended.
void perform(CURLM* multi) {
    int running = 0;
    do {
        curl_multi_perform(multi, &running);
        if (running > 0) curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    } while (running > 0);
}

// The outcome of a transfer that curl has ended.
void finished(const CURLMsg* message, HttpTransfer& t) {
    const CURLcode code = message->data.result;
    t.response.failure = t.tooLarge ? Response::Failure::TooLarge : failureOf(code);
    if (code == CURLE_ABORTED_BY_CALLBACK) t.response.failure = Response::Failure::Stopped;
    if (t.response.failure != Response::Failure::None)
        t.response.error = t.error[0] != '\0' ? t.error : curl_easy_strerror(code);
    curl_easy_getinfo(message->easy_handle, CURLINFO_RESPONSE_CODE, &t.response.status);
    char* url = nullptr;
    if (curl_easy_getinfo(message->easy_handle, CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK && url) t.response.url = url;
}

// The outcomes of the ended transfers, each to the transfer of its handle.
void collect(CURLM* multi, const std::vector<EasyHandle>& easy, std::vector<HttpTransfer>& transfers) {
    int left = 0;
    for (CURLMsg* message = nullptr; (message = curl_multi_info_read(multi, &left)) != nullptr;) {
        if (message->msg != CURLMSG_DONE) continue;
        for (std::size_t i = 0; i < transfers.size(); ++i)
            if (easy[i].get() == message->easy_handle) finished(message, transfers[i]);
    }
}

} // namespace

HttpTransport::HttpTransport(HttpSettings settings) : m_settings(std::move(settings)) {
    initCurl();
    m_multi.reset(curl_multi_init());
}

// The bytes curl reads from a connection at a time: pages of many records come in fewer reads.
constexpr long kBufferSize = 512L * 1024;

bool HttpTransport::setUp(CURL* easy, HttpTransfer& transfer, const Request& request, std::string* err) {
    curl_easy_reset(easy);
    transfer.maxBytes = m_settings.maxBytes;
    transfer.stopped = &m_settings.stopped;
    const auto set = [&](CURLoption option, auto value) {
        if (curl_easy_setopt(easy, option, value) == CURLE_OK) return true;
        *err = "the transfer cannot be set up";
        return false;
    };
    if (!request.ifNoneMatch.empty())
        transfer.headers = curl_slist_append(transfer.headers, ("If-None-Match: " + request.ifNoneMatch).c_str());
    if (!request.ifModifiedSince.empty())
        transfer.headers =
            curl_slist_append(transfer.headers, ("If-Modified-Since: " + request.ifModifiedSince).c_str());
    return set(CURLOPT_URL, request.url.c_str()) && set(CURLOPT_PROTOCOLS_STR, "http,https") &&
           set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https") && set(CURLOPT_FOLLOWLOCATION, 1L) &&
           set(CURLOPT_MAXREDIRS, kMostRedirects) && set(CURLOPT_SSL_VERIFYPEER, 1L) &&
           set(CURLOPT_SSL_VERIFYHOST, 2L) &&
           (m_settings.caFile.empty() || set(CURLOPT_CAINFO, m_settings.caFile.c_str())) &&
           set(CURLOPT_ACCEPT_ENCODING, "gzip, deflate") && set(CURLOPT_BUFFERSIZE, kBufferSize) &&
           set(CURLOPT_USERAGENT, m_settings.userAgent.c_str()) &&
           set(CURLOPT_CONNECTTIMEOUT, m_settings.timeoutSeconds) && set(CURLOPT_LOW_SPEED_LIMIT, 1L) &&
           set(CURLOPT_LOW_SPEED_TIME, m_settings.timeoutSeconds) &&
           set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_settings.maxBytes)) &&
           set(CURLOPT_WRITEFUNCTION, onBody) && set(CURLOPT_WRITEDATA, &transfer) &&
           set(CURLOPT_HEADERFUNCTION, onHeader) && set(CURLOPT_HEADERDATA, &transfer) &&
           set(CURLOPT_XFERINFOFUNCTION, onProgress) && set(CURLOPT_XFERINFODATA, &transfer) &&
           set(CURLOPT_NOPROGRESS, 0L) && set(CURLOPT_ERRORBUFFER, transfer.error) && set(CURLOPT_NOSIGNAL, 1L) &&
           (!transfer.headers || set(CURLOPT_HTTPHEADER, transfer.headers));
}

std::vector<Response> HttpTransport::fetch(const std::vector<Request>& requests) {
    std::vector<Response> responses(requests.size());
    const std::size_t parallel = static_cast<std::size_t>(std::max(1, m_settings.parallel));
    while (m_easy.size() < std::min(parallel, requests.size()))
        m_easy.emplace_back(curl_easy_init());
    for (std::size_t first = 0; first < requests.size(); first += parallel) {
        const std::size_t n = std::min(parallel, requests.size() - first);
        std::vector<HttpTransfer> transfers(n);
        for (std::size_t i = 0; i < n; ++i) {
            std::string err;
            CURL* easy = m_easy[i].get();
            if (!easy || !setUp(easy, transfers[i], requests[first + i], &err)) {
                transfers[i].response.failure = Response::Failure::Refused;
                transfers[i].response.error = err.empty() ? "the transfer cannot be set up" : err;
                continue;
            }
            curl_multi_add_handle(m_multi.get(), easy);
        }
        perform(m_multi.get());
        collect(m_multi.get(), m_easy, transfers);
        for (std::size_t i = 0; i < n; ++i) {
            curl_multi_remove_handle(m_multi.get(), m_easy[i].get());
            responses[first + i] = std::move(transfers[i].response);
        }
    }
    return responses;
}

} // namespace harvest
