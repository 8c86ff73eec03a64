#include "ExtractorPool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "content/WorkerProtocol.h"

extern char** environ;

namespace zeph::content {

namespace {

using Clock = std::chrono::steady_clock;

// A worker's answer is at most the text cap and a reason.
constexpr std::uint64_t kAnswerAtMost = kTextCap + 4096;

std::string endedBy(int status) {
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) return "读取时间超过限制";
    if (WIFSIGNALED(status))
        return "读取程序异常结束（信号 " + std::to_string(WTERMSIG(status)) + "）";
    return "读取程序没有回答就结束了";
}

// The CPU time (clock ticks) a process has used; -1 when it cannot be read.
long cpuTicksOf(pid_t pid) {
    UniqueFd fd(::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return -1;
    std::string stat = readRange(fd.get(), 0, 4096);
    size_t at = stat.rfind(')');
    if (at == std::string::npos) return -1;
    // After the name: state, then fields 4 to 13, then utime and stime.
    std::istringstream fields(stat.substr(at + 2));
    std::string field;
    long user = -1, system = -1;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) user = std::atol(field.c_str());
        if (i == 15) system = std::atol(field.c_str());
    }
    return user < 0 || system < 0 ? -1 : user + system;
}

}  // namespace

ExtractorPool::ExtractorPool(std::string workerProgram, unsigned workers, Limits limits)
    : m_program(std::move(workerProgram)), m_workers(std::max(1u, workers)), m_limits(limits) {}

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
    std::string budget = std::to_string(m_limits.cpuSeconds);
    char* argv[] = {m_program.data(), budget.data(), nullptr};
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
    protocol::put<std::uint32_t>(request, job.cpuSeconds);
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
        text.retry = WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU;
        return text;
    }
    text.outcome = *outcome == protocol::kRead ? ExtractedText::Read : ExtractedText::Unreadable;
    text.cut = *cut != 0;
    text.text = std::move(*body);
    text.reason = std::move(*reason);
    worker.busy = false;
    if (*outcome == protocol::kOutOfMemory) {
        text.retry = true;
        end(worker);  // it leaves after such an answer; the next document gets a fresh one
    }
    return text;
}

std::string ExtractorPool::overTime(Worker& worker) {
    const auto now = Clock::now();
    if (now - worker.since >= m_limits.wallClock) return "读取时间超过限制";
    // Its CPU time is looked at about once a second: growing, it is working.
    if (now - worker.checked >= std::chrono::seconds(1) || worker.cpuTicks < 0) {
        long ticks = cpuTicksOf(worker.pid);
        if (ticks != worker.cpuTicks) worker.progressed = now;
        worker.cpuTicks = ticks;
        worker.checked = now;
    }
    if (now - worker.progressed >= m_limits.stalled) return "读取程序长时间没有进展";
    return {};
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
            worker.since = worker.progressed = worker.checked = Clock::now();
            worker.cpuTicks = -1;
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
        for (Worker& worker : m_workers) {
            if (!worker.busy) continue;
            watched.push_back({worker.fromWorker.get(), POLLIN, 0});
            owners.push_back(&worker);
        }
        if (watched.empty()) continue;
        // Woken at least every quarter second, so a stop or a stalled worker is seen soon.
        ::poll(watched.data(), watched.size(), 250);
        for (size_t i = 0; i < watched.size(); ++i) {
            Worker& worker = *owners[i];
            if (watched[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                size_t job = worker.job;
                ExtractedText text = receive(worker);
                --outstanding;
                done(job, std::move(text));
            } else if (std::string why = overTime(worker); !why.empty()) {
                size_t job = worker.job;
                end(worker);
                --outstanding;
                ExtractedText late;
                late.reason = std::move(why);
                late.retry = true;
                done(job, std::move(late));
            }
        }
    }
    // Stopped: workers in the middle of a document are ended.
    for (Worker& worker : m_workers)
        if (worker.busy) end(worker);
}

}  // namespace zeph::content
