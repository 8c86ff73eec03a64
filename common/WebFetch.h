// Requests to the vendor's web server: http and https only, with connect and
// total timeouts, a size limit, cancellable, and only status 200 counts.
#pragma once

#include <atomic>
#include <optional>
#include <string>

namespace zeph {

struct FetchLimits {
    long connectTimeoutSeconds = 5;
    long totalTimeoutSeconds = 20;
    size_t maxBytes = 1 << 20;
};

inline constexpr size_t kMaxResponseBytes = 1 << 20;
inline constexpr size_t kMaxPictureBytes = 10 << 20;

// True for an http:// or https:// address with a host.
bool isWebAddress(const std::string& address);

// The body of a 200 response; nullopt on any failure, a cancel, or a body past the limit.
std::optional<std::string> fetchText(const std::string& address,
                                     const std::atomic<bool>* cancel = nullptr,
                                     const FetchLimits& limits = {});

// Downloads into path (UTF-8) through a temporary file renamed at the end; the
// previous file stays when anything fails. False on failure.
bool downloadFile(const std::string& address, const std::string& path,
                  const std::atomic<bool>* cancel = nullptr,
                  const FetchLimits& limits = {10, 60, kMaxPictureBytes});

// The three values of an advertisement or notification response.
struct AdvertiseInfo {
    std::string picture;  // AdsPicture
    std::string link;     // AdsURL
    std::string text;     // AdvertiseText
};

enum class AdvertiseParse { Ok, TooShort, Missing };

// Finds <AdsPicture>, then <AdsURL> after it, then <AdvertiseText> after
// that. With breakLines, every "<br>" becomes a carriage return and line feed.
AdvertiseParse parseAdvertise(std::string response, bool breakLines, AdvertiseInfo& info);

// Fetches and parses a request: 0 when all three values were found, -2 when the
// response is shorter than 10 characters, -1 on every other failure.
int fetchAdvertise(const std::string& address, bool breakLines, AdvertiseInfo& info,
                   const std::atomic<bool>* cancel = nullptr);

}  // namespace zeph
