// A tiny HTTP server on 127.0.0.1 for tests: answers every request from a
// table of paths, and records the requests it saw.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zeph::test {

struct HttpReply {
    int status = 200;
    std::string body;
};

class HttpServer {
public:
    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // "127.0.0.1:port"
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }
    void reply(const std::string& pathAndQuery, HttpReply answer);
    std::vector<std::string> requests() const;

private:
    void serve();

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::map<std::string, HttpReply> m_replies;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};

}  // namespace zeph::test
