#include "ExtractorPool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "content/WorkerProtocol.h"

extern char** environ;

namespace zeph::content {

namespace {

using Clock = std::chrono::steady_clock;

// A worker's answer is at most the text cap and a reason.
constexpr std::uint64_t kAnswerAtMost = kTextCap + 4096;

std::string endedBy(int status) {
    if (WIFSIGNALED(status))
        return "读取程序异常结束（信号 " + std::to_string(WTERMSIG(status)) + "）";
    return "读取程序没有回答就结束了";
}

}  // namespace

ExtractorPool::ExtractorPool(std::string workerProgram, unsigned workers,
                             std::chrono::milliseconds timePerDocument)
    : m_program(std::move(workerProgram)),
      m_workers(std::max(1u, workers)),
      m_timePerDocument(timePerDocument) {}

ExtractorPool::~ExtractorPool() {
    for (Worker& worker : m_workers) end(worker);
}

bool ExtractorPool::start(Worker& worker) {
    // One socket pair: the worker reads requests on 0 and answers on 1; a
    // request to a worker that died fails instead of raising SIGPIPE here.
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    UniqueFd ours(ends[0]), theirs(ends[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs.get(), 0);
    posix_spawn_file_actions_adddup2(&actions, theirs.get(), 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    char* argv[] = {m_program.data(), nullptr};
    pid_t pid = -1;
    int rc = posix_spawn(&pid, m_program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    worker.pid = pid;
    worker.fromWorker = UniqueFd(::dup(ours.get()));
    worker.toWorker = std::move(ours);
    worker.busy = false;
    return true;
}

void ExtractorPool::end(Worker& worker) {
    if (worker.pid <= 0) return;
    // Its input ends: an idle worker leaves by itself.
    if (worker.toWorker.valid()) ::shutdown(worker.toWorker.get(), SHUT_WR);
    worker.toWorker = UniqueFd();
    if (worker.busy) ::kill(worker.pid, SIGKILL);
    ::waitpid(worker.pid, nullptr, 0);
    worker.fromWorker = UniqueFd();
    worker.pid = -1;
    worker.busy = false;
}

bool ExtractorPool::send(Worker& worker, const Job& job) {
    std::string request;
    protocol::put<std::uint32_t>(request, static_cast<std::uint32_t>(job.kind));
    protocol::put<std::uint64_t>(request, kTextCap);
    protocol::putBytes(request, job.osPath);
    return protocol::sendAll(worker.toWorker.get(), request);
}

ExtractedText ExtractorPool::receive(Worker& worker) {
    ExtractedText text;
    const int fd = worker.fromWorker.get();
    auto outcome = protocol::get<std::uint32_t>(fd);
    auto cut = outcome ? protocol::get<std::uint32_t>(fd) : std::nullopt;
    auto body = cut ? protocol::getBytes(fd, kAnswerAtMost) : std::nullopt;
    auto reason = body ? protocol::getBytes(fd, kAnswerAtMost) : std::nullopt;
    if (!reason) {  // it died on the way
        int status = 0;
        worker.toWorker = UniqueFd();
        ::kill(worker.pid, SIGKILL);
        ::waitpid(worker.pid, &status, 0);
        worker.pid = -1;
        worker.busy = false;
        text.reason = endedBy(status);
        return text;
    }
    text.outcome = *outcome == 0 ? ExtractedText::Read : ExtractedText::Unreadable;
    text.cut = *cut != 0;
    text.text = std::move(*body);
    text.reason = std::move(*reason);
    worker.busy = false;
    return text;
}

void ExtractorPool::extract(const std::vector<Job>& jobs,
                            const std::function<void(size_t, ExtractedText)>& done,
                            const std::atomic<bool>& stop) {
    size_t next = 0, outstanding = 0;
    while ((next < jobs.size() || outstanding > 0) && !stop) {
        for (Worker& worker : m_workers) {
            if (worker.busy || next >= jobs.size()) continue;
            if (worker.pid <= 0 && !start(worker)) {
                ExtractedText none;
                none.reason = "读取程序不能启动";
                done(next++, std::move(none));
                continue;
            }
            worker.job = next++;
            worker.since = Clock::now();
            worker.busy = true;
            ++outstanding;
            if (!send(worker, jobs[worker.job])) {
                --outstanding;
                end(worker);
                ExtractedText lost;
                lost.reason = "读取程序没有接受请求";
                done(worker.job, std::move(lost));
            }
        }
        std::vector<pollfd> watched;
        std::vector<Worker*> owners;
        auto wait = m_timePerDocument;
        for (Worker& worker : m_workers) {
            if (!worker.busy) continue;
            watched.push_back({worker.fromWorker.get(), POLLIN, 0});
            owners.push_back(&worker);
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                worker.since + m_timePerDocument - Clock::now());
            wait = std::min(wait, std::max(left, std::chrono::milliseconds(0)));
        }
        if (watched.empty()) continue;
        // Woken at least every quarter second, so a stop is seen soon.
        int ms = static_cast<int>(std::min<std::int64_t>(wait.count(), 250));
        ::poll(watched.data(), watched.size(), ms);
        for (size_t i = 0; i < watched.size(); ++i) {
            Worker& worker = *owners[i];
            if (watched[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                size_t job = worker.job;
                ExtractedText text = receive(worker);
                --outstanding;
                done(job, std::move(text));
            } else if (Clock::now() - worker.since >= m_timePerDocument) {
                size_t job = worker.job;
                end(worker);
                --outstanding;
                ExtractedText late;
                late.reason = "读取时间超过限制";
                done(job, std::move(late));
            }
        }
    }
    // Stopped: workers in the middle of a document are ended.
    for (Worker& worker : m_workers)
        if (worker.busy) end(worker);
}

}  // namespace zeph::content
