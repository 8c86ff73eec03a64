#include "TempFolder.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace zeph::test {

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "zeph-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

namespace {

// Tests may leave folders without permissions; give them back so they can be removed.
void restorePermissions(const fs::path& folder) {
    std::error_code ec;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_directory(ec) && !entry.is_symlink(ec)) restorePermissions(entry.path());
}

}  // namespace

TempFolder::~TempFolder() {
    restorePermissions(m_path);
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

ProgramFolder::ProgramFolder() {
    for (const char* folder : {"index", "tmp", "ext"}) fs::create_directory(path() / folder);
    fs::copy_file(ZEPH_TEST_SHIPPED_DB, path() / "ZephConfig.sqlite");
    fs::copy_file(ZEPH_TEST_TRANSLATION, path() / "Translation.dat");
    fs::create_symlink(ZEPH_TEST_PINYIN, path() / "Pinyin.dat");
}

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace zeph::test
