// An HTTP server on 127.0.0.1 that a test starts itself, answering as the test tells it.
#include "tests/harvest/loopbackserver.h"

#include <httplib.h>

#include <algorithm>
#include <csignal>

namespace harvesttest {

struct LoopbackServer::Impl {
    httplib::Server server;
    std::thread thread;
    int port = 0;
    mutable std::mutex mutex;
    Handler handler;
    std::vector<Seen> seen;
};

LoopbackServer::LoopbackServer(Handler handler) : m_impl(std::make_unique<Impl>()) {
    m_impl->handler = std::move(handler);
    // A client gone before its reply (a child killed) fails the write instead of ending the test.
    std::signal(SIGPIPE, SIG_IGN);
    Impl* impl = m_impl.get();
    impl->server.Get(".*", [impl](const httplib::Request& request, httplib::Response& response) {
        Seen seen;
        seen.target = request.target;
        for (const auto& [name, value] : request.params)
            seen.params[name] = value;
        seen.ifNoneMatch = request.get_header_value("If-None-Match");
        seen.ifModifiedSince = request.get_header_value("If-Modified-Since");
        seen.userAgent = request.get_header_value("User-Agent");
        seen.acceptEncoding = request.get_header_value("Accept-Encoding");
        Handler handler;
        {
            std::lock_guard<std::mutex> lock(impl->mutex);
            impl->seen.push_back(seen);
            handler = impl->handler;
        }
        const Reply reply = handler ? handler(seen) : Reply{404, "not here", "text/plain", {}, -1};
        response.status = reply.status;
        for (const auto& [name, value] : reply.headers)
            response.set_header(name, value);
        if (reply.shared) {
            const std::shared_ptr<const std::string> body = reply.shared;
            response.set_content_provider(body->size(), reply.contentType.c_str(),
                                          [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                              sink.write(body->data() + offset,
                                                         std::min(length, body->size() - offset));
                                              return true;
                                          });
            return;
        }
        if (reply.truncate < 0) {
            response.set_content(reply.body, reply.contentType.c_str());
            return;
        }
        // The length announced is the whole body; the connection ends after the first part.
        const std::string body = reply.body;
        const auto cut = static_cast<std::size_t>(reply.truncate);
        response.set_content_provider(body.size(), reply.contentType.c_str(),
                                      [body, cut](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                          if (offset >= cut) return false;
                                          sink.write(body.data() + offset, cut - offset);
                                          return true;
                                      });
    });
    // Headers and body leave at once: no wait for the client's delayed acknowledgement.
    impl->server.set_tcp_nodelay(true);
    impl->port = impl->server.bind_to_any_port("127.0.0.1");
    impl->thread = std::thread([impl] { impl->server.listen_after_bind(); });
    // Connections wait in the socket's queue from the bind on; stop() needs the loop running.
    while (!impl->server.is_running())
        std::this_thread::yield();
}

LoopbackServer::~LoopbackServer() {
    m_impl->server.stop();
    if (m_impl->thread.joinable()) m_impl->thread.join();
}

std::string LoopbackServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_impl->port) + path;
}

std::vector<Seen> LoopbackServer::requests() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->seen;
}

void LoopbackServer::setHandler(Handler handler) {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    m_impl->handler = std::move(handler);
}

} // namespace harvesttest
