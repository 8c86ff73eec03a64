// A memory file system mounted for one test and unmounted at its end, where
// the test may mount (as root); mounted() says whether it is there.
#pragma once

#include <sys/mount.h>

#include <filesystem>

namespace zeph::test {

class TestMount {
public:
    TestMount(const std::filesystem::path& at, const char* options) : m_at(at) {
        std::filesystem::create_directories(at);
        m_mounted = ::mount("zeph-test", at.c_str(), "tmpfs", 0, options) == 0;
    }
    ~TestMount() {
        if (m_mounted) ::umount2(m_at.c_str(), MNT_DETACH);
    }
    TestMount(const TestMount&) = delete;
    TestMount& operator=(const TestMount&) = delete;
    bool mounted() const { return m_mounted; }

private:
    std::filesystem::path m_at;
    bool m_mounted = false;
};

}  // namespace zeph::test
