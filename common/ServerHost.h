// The vendor's web server: a build-time default host, overridden by the
// environment variable ZEPH_SERVER (tests point it at a loopback server).
#pragma once

#include <string>

namespace zeph {

// "host" or "host:port", without a scheme unless the setting gives one.
std::string serverHost();
// The address of a path on the server, with http:// unless the setting names a scheme.
std::string serverAddress(const std::string& pathAndQuery);

}  // namespace zeph
