// catalogue_server: serves the record files of a folder as a CSW 2.0.2 or OAI-PMH catalogue on
// 127.0.0.1, for bench/harvest_bench.sh. Prints the catalogue's address, then serves until its
// standard input ends. Pages go plain, or gzipped to a client that accepts it.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/core/test_util.h"
#include "tests/harvest/catalogue.h"
#include "tests/harvest/loopbackserver.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4 || (std::string(argv[1]) != "csw" && std::string(argv[1]) != "oai")) {
        std::cerr << "usage: catalogue_server csw|oai FOLDER [plain|gzip]\n";
        return 2;
    }
    const std::string protocol = argv[1];
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(argv[2]))
        if (entry.path().extension() == ".xml") paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    // Each record without its XML declaration, as it stands inside a page.
    std::vector<std::string> records;
    records.reserve(paths.size());
    for (const std::string& path : paths) {
        std::string text = testutil::readFile(path);
        if (text.starts_with("<?xml")) text.erase(0, text.find("?>") + 2);
        records.push_back(std::move(text));
    }
    // The records in the catalogue of the protocol asked for only.
    harvesttest::CswCatalogue csw{{}, 100000, harvesttest::NextRecord::Right, false};
    harvesttest::OaiCatalogue oai;
    oai.pageSize = 100;
    for (std::size_t i = 0; protocol == "oai" && i < records.size(); ++i)
        oai.records.push_back({"oai:bench:" + std::to_string(i), "2026-12-01", std::move(records[i]), false});
    if (protocol == "csw") csw.records = std::move(records);
    // The server compresses the XML it sends when the client accepts it; the type of a
    // page sent plain is one it does not compress.
    const bool plain = argc < 4 || std::string(argv[3]) != "gzip";
    // The pages of 100 records made once: a page is sent as it is, not made for each request.
    std::map<std::string, std::shared_ptr<const std::string>> pages;
    const auto prepare = [&](const harvesttest::Seen& request) {
        harvesttest::Reply reply = protocol == "csw" ? csw.answer(request) : oai.answer(request);
        if (reply.status == 200) pages[request.target] = std::make_shared<const std::string>(std::move(reply.body));
    };
    for (std::size_t first = 0; protocol == "csw" && first < csw.records.size(); first += 100) {
        harvesttest::Seen seen;
        seen.params = {{"startPosition", std::to_string(first + 1)}, {"maxRecords", "100"}};
        seen.target = std::to_string(first + 1);
        prepare(seen);
    }
    for (std::size_t first = 0; protocol == "oai" && first < oai.records.size(); first += 100) {
        harvesttest::Seen seen;
        seen.params = {{"verb", "ListRecords"}};
        if (first > 0) seen.params["resumptionToken"] = "t" + std::to_string(first);
        seen.target = first > 0 ? "t" + std::to_string(first) : "";
        prepare(seen);
    }
    harvesttest::LoopbackServer server([&](const harvesttest::Seen& request) {
        const auto param = [&](const char* name) {
            const auto found = request.params.find(name);
            return found == request.params.end() ? std::string() : found->second;
        };
        const std::string key = protocol == "csw" ? (param("maxRecords") == "100" ? param("startPosition") : "")
                                : param("verb") == "ListRecords" ? param("resumptionToken")
                                                                 : "-";
        const auto page = pages.find(key);
        harvesttest::Reply reply;
        if (page != pages.end() && (protocol == "oai" || !key.empty()))
            reply.shared = page->second;
        else
            reply = protocol == "csw" ? csw.answer(request) : oai.answer(request);
        if (plain) reply.contentType = "application/octet-stream";
        return reply;
    });
    std::cout << server.url("/" + protocol) << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
    }
    return 0;
}
