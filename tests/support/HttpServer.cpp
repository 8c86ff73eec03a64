#include "HttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zeph::test {

HttpServer::HttpServer() {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listener, 16);
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread(&HttpServer::serve, this);
}

HttpServer::~HttpServer() {
    m_stop = true;
    m_thread.join();
    ::close(m_listener);
}

void HttpServer::reply(const std::string& pathAndQuery, HttpReply answer) {
    std::lock_guard lock(m_mutex);
    m_replies[pathAndQuery] = std::move(answer);
}

std::vector<std::string> HttpServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void HttpServer::serve() {
    while (!m_stop) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request.append(buffer, static_cast<size_t>(n));
        }
        size_t start = request.find(' ') + 1;
        std::string path = request.substr(start, request.find(' ', start) - start);
        HttpReply answer{404, "missing"};
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(path);
            if (auto it = m_replies.find(path); it != m_replies.end()) answer = it->second;
        }
        std::string response = "HTTP/1.1 " + std::to_string(answer.status) +
                               " X\r\nContent-Length: " + std::to_string(answer.body.size()) +
                               "\r\nConnection: close\r\n\r\n" + answer.body;
        size_t sent = 0;
        while (sent < response.size()) {
            ssize_t n =
                ::send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        ::close(client);
    }
}

}  // namespace zeph::test
