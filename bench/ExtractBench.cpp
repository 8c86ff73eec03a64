// How fast documents of each kind are read: every file below each folder
// given is read by one worker process (one core), as the content index reads
// them, and the rate is printed.
//   usage: zeph_extract_bench WORKER FOLDER...
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "content/ExtractorPool.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: zeph_extract_bench WORKER FOLDER...\n");
        return 2;
    }
    using namespace zeph::content;
    for (int i = 2; i < argc; ++i) {
        std::vector<ExtractorPool::Job> jobs;
        for (const auto& entry : fs::recursive_directory_iterator(argv[i])) {
            if (!entry.is_regular_file()) continue;
            std::string suffix = entry.path().extension().string();
            if (!suffix.empty()) suffix.erase(0, 1);
            DocumentKind kind = documentKind(suffix, suffix == "txt");
            if (kind != DocumentKind::None) jobs.push_back({entry.path().string(), kind});
        }
        ExtractorPool pool(argv[1], 1);
        std::atomic<bool> stop{false};
        size_t unreadable = 0, bytes = 0;
        auto start = std::chrono::steady_clock::now();
        pool.extract(jobs, [&](size_t, ExtractedText text) {
            unreadable += text.outcome != ExtractedText::Read;
            bytes += text.text.size();
        }, stop);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s\t%zu documents\t%.1f s\t%.0f a minute\t%.1f MB of text\t%zu unreadable\n", argv[i],
                    jobs.size(), seconds, jobs.size() / seconds * 60, bytes / 1e6, unreadable);
    }
    return 0;
}
