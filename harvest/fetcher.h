// Replies with retries: timeouts, failed connections and 429, 500, 502, 503, 504 tried again.
#ifndef HARVEST_FETCHER_H
#define HARVEST_FETCHER_H

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "harvest/transport.h"

namespace harvest {

/// How a fetcher retries.
struct RetrySettings {
    int retries = 5;          // tries after the first
    double baseSeconds = 1.0; // the first wait; each next doubles it, up to maxWait
    double maxWaitSeconds = 60.0;
    double mostRetryAfter = 600.0; // a server's Retry-After is taken up to this
};

/// The wait before the next try of a reply: the server's Retry-After (seconds, or an HTTP date
/// from now), at most mostRetryAfter; else base * 2^attempt (attempt 0 for the first retry), at
/// most maxWait. Nothing when the reply is not one to try again.
///   "0" => 0; "120" => 120; "9999" => 600; date 30 s ahead => 30; none, attempt 2, base 1 => 4
std::optional<double> retryWait(const Response& response, int attempt, const RetrySettings& settings, std::time_t now);

/// Whether a reply is one to try again: a retryable failure, or status 429, 500, 502, 503, 504.
bool retryable(const Response& response);

/// A transport with retries. Between tries it tells the waiting (seconds, the try, of how
/// many) and waits through wait, which gives the wait up when it returns false (a stop).
class Fetcher {
public:
    using Waiting = std::function<void(double seconds, int retry, int of)>;
    using Wait = std::function<bool(double seconds)>;

    Fetcher(Transport& transport, RetrySettings settings, Waiting waiting, Wait wait)
        : m_transport(transport), m_settings(settings), m_waiting(std::move(waiting)), m_wait(std::move(wait)) {}

    /// The replies to requests, each tried again while it should be and may be; the last reply
    /// of each otherwise.
    std::vector<Response> fetch(const std::vector<Request>& requests);
    Response fetch(const Request& request) { return fetch(std::vector<Request>{request}).front(); }
    /// Retries so far.
    int retries() const { return m_retries; }

private:
    Transport& m_transport;
    RetrySettings m_settings;
    Waiting m_waiting;
    Wait m_wait;
    int m_retries = 0;
};

} // namespace harvest

#endif // HARVEST_FETCHER_H
