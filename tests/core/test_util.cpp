// Shared helpers of the core tests.
#include "tests/core/test_util.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testutil {

TempDir::TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "morvex-test-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("cannot create a temporary folder");
    m_path = templ;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

std::vector<std::string> RecordingHost::callsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
}

void RecordingHost::runEnded(const search::RunEnd& end) {
    static const char* const kOutcomes[] = {"NoFiles", "Refused", "Declined", "Completed", "Stopped", "Malformed", "Failed"};
    calls.push_back(std::string("ended:") + kOutcomes[static_cast<int>(end.outcome)] + (end.files ? ":files" : ""));
}

std::vector<std::string> RecordingHost::shown() const {
    std::vector<std::string> out;
    for (const auto& c : calls) {
        if (c.rfind("message:", 0) == 0) out.push_back(c.substr(8));
        if (c.rfind("problem:", 0) == 0) out.push_back(c.substr(8));
    }
    return out;
}

} // namespace testutil
