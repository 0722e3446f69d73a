// An HTTP server on 127.0.0.1 that a test starts itself, answering as the test tells it.
#ifndef TESTS_HARVEST_LOOPBACKSERVER_H
#define TESTS_HARVEST_LOOPBACKSERVER_H

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace harvesttest {

/// A request as the server saw it: the path with its query, and the headers asked about.
struct Seen {
    std::string target; // "/csw?service=CSW&..."
    std::map<std::string, std::string> params;
    std::string ifNoneMatch, ifModifiedSince, userAgent, acceptEncoding;
};

/// A reply: status, body, headers; truncate cuts the body short at that many bytes while the
/// length announced is the whole.
struct Reply {
    int status = 200;
    std::string body;
    std::string contentType = "text/xml; charset=UTF-8";
    std::map<std::string, std::string> headers;
    long truncate = -1;
    std::shared_ptr<const std::string> shared; // a body sent in place of body, never copied
};

/// Listens on a free port of 127.0.0.1 from construction to destruction; each GET is answered by
/// the handler (a 404 without one), on the server's own thread.
class LoopbackServer {
public:
    using Handler = std::function<Reply(const Seen& request)>;

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    /// "http://127.0.0.1:PORT" and a path.
    std::string url(const std::string& path) const;
    /// The requests so far, in order.
    std::vector<Seen> requests() const;
    void setHandler(Handler handler);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace harvesttest

#endif // TESTS_HARVEST_LOOPBACKSERVER_H
