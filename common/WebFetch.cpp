#include "WebFetch.h"

#include <curl/curl.h>

#include <fcntl.h>

#include <cstdio>
#include <memory>
#include <mutex>

#include "common/FileIO.h"

namespace zeph {

namespace {

const char kAgent[] = "ZuviDA/1.0";

void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct Transfer {
    std::string body;
    size_t maxBytes;
    bool tooLarge = false;
    const std::atomic<bool>* cancel;
};

size_t collect(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->maxBytes) {
        transfer->tooLarge = true;
        return 0;  // ends the transfer with an error
    }
    transfer->body.append(data, bytes);
    return bytes;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(user);
    return transfer->cancel && transfer->cancel->load() ? 1 : 0;  // non-zero aborts
}

}  // namespace

bool isWebAddress(const std::string& address) {
    for (const char* scheme : {"http://", "https://"}) {
        std::string prefix = scheme;
        if (address.size() > prefix.size() && address.compare(0, prefix.size(), prefix) == 0)
            return address[prefix.size()] != '/' &&
                   address.find_first_of(" \r\n\t") == std::string::npos;
    }
    return false;
}

std::optional<std::string> fetchText(const std::string& address, const std::atomic<bool>* cancel,
                                     const FetchLimits& limits) {
    if (!isWebAddress(address)) return std::nullopt;
    initialiseOnce();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) return std::nullopt;
    Transfer transfer{{}, limits.maxBytes, false, cancel};
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, address.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, kAgent);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, limits.totalTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
    if (curl_easy_perform(h) != CURLE_OK || transfer.tooLarge) return std::nullopt;
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) return std::nullopt;
    return std::move(transfer.body);
}

bool downloadFile(const std::string& address, const std::string& path,
                  const std::atomic<bool>* cancel, const FetchLimits& limits) {
    auto body = fetchText(address, cancel, limits);
    if (!body || body->empty()) return false;
    std::string temporary = path + ".part";
    {
        BufferedWriter out(
            UniqueFd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)));
        if (!out.write(*body) || !out.finish(true)) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

AdvertiseParse parseAdvertise(std::string response, bool breakLines, AdvertiseInfo& info) {
    if (response.size() < 10) return AdvertiseParse::TooShort;
    if (breakLines) {
        for (size_t at = 0; (at = response.find("<br>", at)) != std::string::npos; at += 2)
            response.replace(at, 4, "\r\n");
    }
    size_t from = 0;
    auto take = [&](const char* open, const char* close, std::string& value) {
        size_t start = response.find(open, from);
        if (start == std::string::npos) return false;
        start += std::string_view(open).size();
        size_t end = response.find(close, start);
        if (end == std::string::npos) return false;
        value = response.substr(start, end - start);
        from = end + std::string_view(close).size();
        return true;
    };
    AdvertiseInfo found;
    if (!take("<AdsPicture>", "</AdsPicture>", found.picture) ||
        !take("<AdsURL>", "</AdsURL>", found.link) ||
        !take("<AdvertiseText>", "</AdvertiseText>", found.text))
        return AdvertiseParse::Missing;
    info = std::move(found);
    return AdvertiseParse::Ok;
}

int fetchAdvertise(const std::string& address, bool breakLines, AdvertiseInfo& info,
                   const std::atomic<bool>* cancel) {
    auto response = fetchText(address, cancel);
    if (!response) return -1;
    switch (parseAdvertise(std::move(*response), breakLines, info)) {
        case AdvertiseParse::Ok:
            return 0;
        case AdvertiseParse::TooShort:
            return -2;
        default:
            return -1;
    }
}

}  // namespace zeph
