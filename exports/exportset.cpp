// The exports of a run, written by a thread of their own beside the search.
#include "exports/exportset.h"

#include <pthread.h>
#include <signal.h>

#include <new>
#include <system_error>

namespace exports {

namespace {

// A batch is handed to the writer at this size, and this many may wait for it.
constexpr std::size_t kBatchBytes = std::size_t{1} << 18;
constexpr std::size_t kBatchForms = 2048;
constexpr std::size_t kQueuedBatches = 8;

} // namespace

ExportSet::~ExportSet() {
    if (!m_done) abandon();
}

void ExportSet::formSelected(const search::Form& form, int last, long long selection) {
    if (m_exports.empty() || m_done) return;
    std::size_t bytes = 0;
    for (int n = 0; n <= last; ++n) bytes += form.line(n).size() + 1;
    if (bytes > kBatchBytes) {
        // A large form is written from the run's own copy, once the writer has caught up:
        // copies of it would cost memory of its size each.
        handOver();
        waitUntilWritten();
        writeForm(form, last, selection);
        return;
    }
    for (int n = 0; n <= last; ++n) {
        if (n > 0) m_filling.bytes += '\r';
        m_filling.bytes.append(form.line(n));
    }
    m_filling.entries.push_back({m_filling.bytes.size(), last + 1, selection});
    if (m_filling.bytes.size() >= kBatchBytes || m_filling.entries.size() >= kBatchForms) handOver();
}

void ExportSet::handOver() {
    if (m_filling.entries.empty()) return;
    if (!m_writer.joinable() && !m_inline) startWriter();
    if (m_inline) {
        writeBatch(m_filling);
        m_filling.bytes.clear();
        m_filling.entries.clear();
        return;
    }
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.size() < kQueuedBatches; });
        m_queue.push_back(std::move(m_filling));
        m_filling = Batch();
        if (!m_spare.empty()) {
            m_filling = std::move(m_spare.back());
            m_spare.pop_back();
        }
    }
    m_changed.notify_all();
}

void ExportSet::startWriter() {
    // The writer starts with every signal blocked, and so keeps them all.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    try {
        m_writer = std::thread(&ExportSet::writerLoop, this);
        pthread_setname_np(m_writer.native_handle(), "morvex-exports"); // as top -H and perf show it
    } catch (const std::system_error&) {
        m_inline = true;
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void ExportSet::writerLoop() {
    for (;;) {
        Batch batch;
        bool discard = false;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_closing; });
            if (m_queue.empty()) return;
            batch = std::move(m_queue.front());
            m_queue.pop_front();
            discard = m_discard;
            m_writing = true;
        }
        m_changed.notify_all();
        if (!discard) writeBatch(batch);
        batch.bytes.clear();
        batch.entries.clear();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_spare.push_back(std::move(batch));
            m_writing = false;
        }
        m_changed.notify_all();
    }
}

void ExportSet::waitUntilWritten() {
    if (!m_writer.joinable()) return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.empty() && !m_writing; });
}

void ExportSet::writeForm(const search::Form& form, int last, long long selection) {
    if (!m_failure.empty()) return;
    try {
        readFormFacts(form, last, selection, m_table, m_facts);
        for (const auto& e : m_exports) e->write(m_facts);
    } catch (const std::bad_alloc&) {
        m_failure = "not enough memory to write the exports";
    }
}

void ExportSet::writeBatch(const Batch& batch) {
    if (!m_failure.empty()) return;
    try {
        std::size_t start = 0;
        for (const Entry& entry : batch.entries) {
            const std::string_view bytes(batch.bytes.data() + start, entry.end - start);
            start = entry.end;
            m_form.clear();
            std::size_t from = 0;
            for (int n = 0; n < entry.lines; ++n) {
                const std::size_t cr = n + 1 < entry.lines ? bytes.find('\r', from) : bytes.size();
                m_form.append(bytes.substr(from, cr - from));
                from = cr + 1;
            }
            writeForm(m_form, entry.lines - 1, entry.selection);
        }
    } catch (const std::bad_alloc&) {
        m_failure = "not enough memory to write the exports";
    }
}

void ExportSet::stopWriter(bool discard) {
    if (!m_writer.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
        m_discard = discard;
    }
    m_changed.notify_all();
    m_writer.join();
}

bool ExportSet::finish(std::vector<std::string>* errors) {
    if (m_done) return false;
    handOver();
    stopWriter(false);
    m_done = true;
    bool all = true;
    for (const auto& e : m_exports) {
        std::string err;
        if (!m_failure.empty()) {
            e->abandon();
            err = e->path() + ": " + m_failure;
        } else if (e->finish(&err)) {
            continue;
        }
        all = false;
        if (errors) errors->push_back(err);
    }
    return all;
}

void ExportSet::abandon() {
    stopWriter(true);
    m_done = true;
    for (const auto& e : m_exports) e->abandon();
}

} // namespace exports
