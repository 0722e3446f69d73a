// Helpers shared by the core, command-line and import tests.
#include "tests/core/test_util.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
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

std::string makeForm(int reference, const std::string& country, int lines) {
    std::string out = "1995^95XX^" + std::to_string(reference) + "^^2^WOCE\r\n" + country + "\r\n";
    for (int n = 2; n < lines; ++n)
        out += (n < 10 ? "line " : "H09^") + std::to_string(n) + "\r\n";
    return out + "*\r\n";
}

std::string threeForms() {
    return makeForm(1, "Norway") + makeForm(2, "France") + makeForm(3, "Norway");
}

std::string earlier(const std::string& path) {
    return "earlier " + path + "\r\n";
}

std::string generatorBytes(unsigned seed, std::size_t size) {
    std::mt19937 generator(seed);
    std::string bytes;
    while (bytes.size() < size) {
        const std::uint32_t word = generator();
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>((word >> (8 * i)) & 0xFF);
    }
    return bytes;
}

std::vector<std::string> hiddenNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name[0] == '.') names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
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
