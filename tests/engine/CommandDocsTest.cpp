// The commands' documentation as a user meets it: each program's --help, its
// manual page (made from the same text at build time, then rendered by man),
// and zeph-query's bash completion, which must offer every option the help
// lists and complete the value of those that take one.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "common/Codec.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

struct HelpOptions {
    std::set<std::string> all;          // every spelling: -c and --content
    std::set<std::string> takingValue;  // those followed by a value: -c TEXT
};

// The options of a help text's OPTIONS section.
HelpOptions optionsOf(const std::string& help) {
    HelpOptions options;
    size_t from = help.find("\nOPTIONS\n"), to = help.find("\n\n", from + 1);
    std::istringstream lines(help.substr(from, to - from));
    static const std::regex tag(R"(^ {4,8}(-[^ ].*?)(  |$))");
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (!std::regex_search(line, match, tag)) continue;
        bool value = match[1].str().find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ", 2) !=
                     std::string::npos && match[1].str().find(' ') != std::string::npos;
        std::istringstream spellings(match[1].str());
        for (std::string word; spellings >> word;) {
            if (word.back() == ',') word.pop_back();
            if (word[0] != '-') continue;
            options.all.insert(word);
            if (value) options.takingValue.insert(word);
        }
    }
    return options;
}

std::string manualPage(const std::string& command) {
    fs::path page = fs::path(ZEPH_TEST_MAN_DIR) / (command + ".1.gz");
    if (!fs::exists(page)) return {};
    ProgramRun rendered = runProgram("/bin/sh", {"-c", "man --warnings -E UTF-8 -l '" + page.string() + "' 2>&1 || zcat '" + page.string() + "'"},
                                     {{"MANWIDTH", "200"}, {"LC_ALL", "C.UTF-8"}, {"MANPAGER", "cat"}});
    return rendered.out;
}

TEST(CommandDocs, EachManualPageCarriesEveryOptionOfItsHelpAndRendersCleanly) {
    const std::vector<std::pair<std::string, std::string>> commands = {
        {"zeph-query", "zeph-query"}, {"ZEPHWatcher", "zeph-watcher"}, {"ZEPHSearch", "zeph-search"}};
    for (const auto& [program, command] : commands) {
        fs::path path = fs::path(ZEPH_TEST_PROGRAM_DIR) / program;
        if (!fs::exists(path)) continue;  // a build without the windows
        ProgramRun help = runProgram(path.string(), {"--help"}, {{"QT_QPA_PLATFORM", "offscreen"}});
        EXPECT_EQ(help.exitCode, 0) << command;
        ASSERT_NE(help.out.find("\n    " + command + " - "), std::string::npos) << help.out;
        HelpOptions options = optionsOf(help.out);
        EXPECT_TRUE(options.all.count("--help")) << command;
        std::string page = manualPage(command);
        ASSERT_FALSE(page.empty()) << command;
        EXPECT_EQ(page.find("warning"), std::string::npos) << page;
        for (const std::string& option : options.all)
            EXPECT_NE(page.find(option), std::string::npos) << command << " " << option;
    }
}

// A terminal in a UTF-8 locale gets UTF-8: the help is not the programs' own
// GBK bytes, and a snippet read from a document is shown as it reads.
TEST(CommandDocs, EachHelpIsWrittenInTheLocalesEncoding) {
    auto utf8 = [](std::u8string_view text) { return std::string(text.begin(), text.end()); };
    const std::vector<std::pair<std::string, std::string>> programs = {
        {"zeph-query", utf8(u8"报告")}, {"ZEPHWatcher", utf8(u8"工具")}, {"ZEPHSearch", utf8(u8"报告")}};
    for (const auto& [program, word] : programs) {
        fs::path path = fs::path(ZEPH_TEST_PROGRAM_DIR) / program;
        if (!fs::exists(path)) continue;
        for (const char* locale : {"C.UTF-8", "C"}) {
            ProgramRun help = runProgram(path.string(), {"--help"},
                                         {{"LANG", locale}, {"LC_ALL", locale},
                                          {"QT_QPA_PLATFORM", "offscreen"}});
            EXPECT_TRUE(isUtf8(help.out)) << program << " " << locale;
            EXPECT_NE(help.out.find(word), std::string::npos) << program << " " << locale;
        }
    }
}

// setup.sh's last step on a machine without a display: no window, a hint,
// and a good end after a good build.
TEST(CommandDocs, SetupWithoutADisplaySaysHowToStartAndEndsWell) {
    ProgramRun run = runProgram("/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "bash",
                                                 std::string(ZEPH_TEST_SOURCE_DIR) + "/scripts/start-search.sh"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("build/ZEPH/ZEPHSearch"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("zeph-query"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");
}

TEST(CommandDocs, TheCompletionOffersEveryOptionAndCompletesTheValuesOfThoseTakingOne) {
    ProgramRun help = runProgram(std::string(ZEPH_TEST_PROGRAM_DIR) + "/zeph-query", {"--help"}, {});
    HelpOptions options = optionsOf(help.out);
    ASSERT_GT(options.all.size(), 20u);
    ASSERT_TRUE(options.takingValue.count("-c") && options.takingValue.count("--stop-after"));
    std::string script = readFile(fs::path(ZEPH_TEST_SOURCE_DIR) / "resources/completion/zeph-query");
    // The words the completion offers after a '-'.
    size_t offered = script.find("compgen -W \"-");
    ASSERT_NE(offered, std::string::npos);
    std::string words = script.substr(offered + 12, script.find('"', offered + 12) - offered - 12);
    std::set<std::string> completed;
    std::istringstream list(words);
    for (std::string word; list >> word;) completed.insert(word);
    EXPECT_EQ(completed, options.all);
    // Every option taking a value is one of the cases of the word before.
    for (const std::string& option : options.takingValue) {
        std::regex inCase("(^|\\n) *([-a-z0-9|]*\\|)?" + std::regex_replace(option, std::regex("-"), "\\-") + "(\\|[-a-z0-9|]*)?\\)");
        EXPECT_TRUE(std::regex_search(script, inCase)) << option;
    }
}

}  // namespace
}  // namespace zeph::test
