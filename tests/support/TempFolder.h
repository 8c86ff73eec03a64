// Temporary folders for tests: a scratch folder removed at the end, and a
// complete program folder built from the shipped data files.
#pragma once

#include <filesystem>
#include <string>

namespace zeph::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    std::filesystem::path operator/(const std::string& relative) const { return m_path / relative; }

private:
    std::filesystem::path m_path;
};

// A program folder: the shipped ZephConfig.sqlite, Translation.dat and Pinyin.dat,
// index/, tmp/, ext/.
class ProgramFolder : public TempFolder {
public:
    ProgramFolder();
    std::string database() const { return (path() / "ZephConfig.sqlite").string(); }
};

// Writes a file with the given bytes, creating its folders.
void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string readFile(const std::filesystem::path& path);

}  // namespace zeph::test

namespace zeph::test {

// A UTF-8 literal (u8"...") as a std::string: names of real files on disk are
// UTF-8, while plain literals in core tests are compiled to GBK.
inline std::string utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

}  // namespace zeph::test
