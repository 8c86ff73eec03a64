// zeph-extract: a worker of the content index. It reads requests on standard
// input and answers each with the document's text on standard output, until
// its input ends. It runs confined (WorkerSandbox.h), with a CPU budget per
// document given by the request (or, where that says 0, its argument). A document that crashes or hangs it costs
// only this process; the index starts another.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <new>
#include <string>

#include "common/FileIO.h"
#include "content/DocumentText.h"
#include "content/WorkerProtocol.h"
#include "content/WorkerSandbox.h"

namespace {

using namespace zeph::content;

constexpr unsigned kDefaultCpuSeconds = 20;
constexpr std::uint64_t kPathAtMost = 1 << 20;

std::optional<std::string> readDocument(const std::string& path) {
    zeph::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::string bytes = zeph::readRange(fd.get(), 0, static_cast<std::uint64_t>(st.st_size));
    if (bytes.size() != static_cast<size_t>(st.st_size)) return std::nullopt;
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_DFL);
    const long budget = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    const unsigned cpuSeconds = budget > 0 ? static_cast<unsigned>(budget) : kDefaultCpuSeconds;
    confineReader();
    for (;;) {
        auto kind = protocol::get<std::uint32_t>(0);
        auto seconds = kind ? protocol::get<std::uint32_t>(0) : std::nullopt;
        auto cap = seconds ? protocol::get<std::uint64_t>(0) : std::nullopt;
        auto path = kind && cap ? protocol::getBytes(0, kPathAtMost) : std::nullopt;
        if (!path) return 0;  // the index closed the pipe
        allowCpuSeconds(*seconds > 0 ? *seconds : cpuSeconds);
        ExtractedText text;
        bool outOfMemory = false;
        try {
            if (auto bytes = readDocument(*path))
                text = extractText(static_cast<DocumentKind>(*kind), *bytes, *cap);
            else
                text.reason = "文件无法读取";
        } catch (const std::bad_alloc&) {
            // Past the memory bound: worth another try in a fresh worker.
            outOfMemory = true;
            text = ExtractedText{};
            text.reason = "读取时内存不足";
        }
        std::string answer;
        protocol::put<std::uint32_t>(answer, outOfMemory                             ? protocol::kOutOfMemory
                                             : text.outcome == ExtractedText::Read ? protocol::kRead
                                                                                   : protocol::kUnreadable);
        protocol::put<std::uint32_t>(answer, text.cut ? 1 : 0);
        protocol::putBytes(answer, text.text);
        protocol::putBytes(answer, text.reason);
        if (!protocol::writeAll(1, answer) || outOfMemory) return 0;
    }
}
