#include "Trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "common/FileIO.h"

namespace zeph {

namespace {

std::string percentEncoded(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string trashFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/') return std::string(data) + "/Trash";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share/Trash";
}

}  // namespace

int moveToTrash(const std::string& osPath) {
    if (osPath.empty() || osPath[0] != '/') return EINVAL;
    const std::string trash = trashFolder();
    for (const std::string& folder : {trash, trash + "/files", trash + "/info"})
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    const std::string base = osPath.substr(osPath.rfind('/') + 1);
    char date[32];
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    // A name of its own in the trash, claimed by its info file.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string name = attempt == 0 ? base : base + "." + std::to_string(attempt);
        std::string info = trash + "/info/" + name + ".trashinfo";
        UniqueFd fd(::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!fd.valid()) {
            if (errno == EEXIST) continue;
            return errno;
        }
        std::string text =
            "[Trash Info]\nPath=" + percentEncoded(osPath) + "\nDeletionDate=" + date + "\n";
        if (::write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
            !fd.close() || ::rename(osPath.c_str(), (trash + "/files/" + name).c_str()) != 0) {
            int error = errno ? errno : EIO;
            ::unlink(info.c_str());
            return error;
        }
        return 0;
    }
    return EEXIST;
}

}  // namespace zeph
