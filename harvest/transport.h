// What a harvest asks of the network: replies to addresses, each whole or with why it is not.
#ifndef HARVEST_TRANSPORT_H
#define HARVEST_TRANSPORT_H

#include <string>
#include <vector>

namespace harvest {

/// A GET of an address, with the conditions of a conditional request when given.
struct Request {
    std::string url;
    std::string ifNoneMatch;     // an ETag
    std::string ifModifiedSince; // a Last-Modified
};

/// A reply, or why there is none.
struct Response {
    /// What went wrong before a whole reply came; Retryable failures are tried again.
    enum class Failure {
        None,
        Retryable, // a timeout, a connection refused, reset or cut short
        Refused,   // a scheme other than http and https, too many redirects, TLS, a malformed address
        TooLarge,  // more than the largest page
        Stopped,   // the harvest was asked to stop
    };
    Failure failure = Failure::None;
    std::string error; // the transport's words for a failure
    long status = 0;   // HTTP status
    std::string body;
    std::string etag, lastModified, retryAfter, contentType;
    std::string url; // where the reply came from, after redirects
};

/// The network as the harvest sees it; tests give recorded replies.
class Transport {
public:
    virtual ~Transport() = default;
    /// The replies to requests, in their order; some of them may be fetched at once.
    virtual std::vector<Response> fetch(const std::vector<Request>& requests) = 0;
};

} // namespace harvest

#endif // HARVEST_TRANSPORT_H
