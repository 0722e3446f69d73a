// Replies with retries: timeouts, failed connections and 429, 500, 502, 503, 504 tried again.
#include "harvest/fetcher.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace harvest {

bool retryable(const Response& response) {
    if (response.failure == Response::Failure::Retryable) return true;
    if (response.failure != Response::Failure::None) return false;
    const long s = response.status;
    return s == 429 || s == 500 || s == 502 || s == 503 || s == 504;
}

std::optional<double> retryWait(const Response& response, int attempt, const RetrySettings& settings, std::time_t now) {
    if (!retryable(response) || attempt >= settings.retries) return std::nullopt;
    const std::string& after = response.retryAfter;
    if (!after.empty()) {
        long long seconds = 0;
        const auto [end, ec] = std::from_chars(after.data(), after.data() + after.size(), seconds);
        if (ec == std::errc() && end == after.data() + after.size() && seconds >= 0)
            return std::min(static_cast<double>(seconds), settings.mostRetryAfter);
        const std::time_t when = curl_getdate(after.c_str(), nullptr);
        if (when != -1) return std::clamp(static_cast<double>(when - now), 0.0, settings.mostRetryAfter);
    }
    return std::min(settings.baseSeconds * std::pow(2.0, attempt), settings.maxWaitSeconds);
}

std::vector<Response> Fetcher::fetch(const std::vector<Request>& requests) {
    std::vector<Response> responses = m_transport.fetch(requests);
    for (int attempt = 0;; ++attempt) {
        // The replies to try again, and the longest wait any of them asks for.
        std::vector<std::size_t> again;
        double wait = 0;
        for (std::size_t i = 0; i < responses.size(); ++i) {
            const std::optional<double> w = retryWait(responses[i], attempt, m_settings, std::time(nullptr));
            if (!w) continue;
            again.push_back(i);
            wait = std::max(wait, *w);
        }
        if (again.empty()) return responses;
        m_waiting(wait, attempt + 1, m_settings.retries);
        if (!m_wait(wait)) {
            for (std::size_t i : again)
                responses[i].failure = Response::Failure::Stopped;
            return responses;
        }
        std::vector<Request> retry;
        retry.reserve(again.size());
        for (std::size_t i : again)
            retry.push_back(requests[i]);
        m_retries += static_cast<int>(retry.size());
        std::vector<Response> replies = m_transport.fetch(retry);
        for (std::size_t k = 0; k < again.size(); ++k)
            responses[again[k]] = std::move(replies[k]);
    }
}

} // namespace harvest
