#include "ServerHost.h"

#include <cstdlib>

namespace zeph {

std::string serverHost() {
    const char* configured = std::getenv("ZEPH_SERVER");
    return configured && *configured ? configured : ZEPH_DEFAULT_SERVER;
}

std::string serverAddress(const std::string& pathAndQuery) {
    std::string host = serverHost();
    while (!host.empty() && host.back() == '/') host.pop_back();
    if (host.find("://") == std::string::npos) host = "http://" + host;
    return host + pathAndQuery;
}

}  // namespace zeph
