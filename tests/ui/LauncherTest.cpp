// The desktop launchers' provider over a private session bus, started by its
// service file as the desktop's bus starts it: GNOME Shell's and KRunner's
// calls answer what zeph-query answers for the same line, metas carry name,
// folder and icon, activating hands the file's own bytes to the opener, and
// the service ends when idle. A superseded line is answered with nothing.
#include <QCoreApplication>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <regex>
#include <set>

#include "search/launcher/LauncherSearch.h"
#include "tests/support/RunProgram.h"
#include "tests/ui/UiFixture.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

const std::string kGbkName = "\xBC\xBE\xB6\xC8\xB1\xA8\xB8\xE6.txt";  // 季度报告.txt in GBK

class Launcher : public UiFixture {
protected:
    void SetUp() override {
        for (const char* name : {"alpha report.txt", "beta-report.md", "notes.log", "gamma.md"})
            writeFile(tree / name, "x");
        writeFile(tree / kGbkName, "x");  // GBK bytes on disk: no UTF-8 name
        indexTree();
        writeFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" >> '" + (bin / "opened").string() + "'\n");
        fs::permissions(bin / "xdg-open", fs::perms::owner_all);
        fs::create_directories(bus / "services");
        writeFile(bus / "services" / "org.zeph.Search.service",
                  "[D-BUS Service]\nName=org.zeph.Search\nExec=/usr/bin/env ZEPH_DATA_DIR=" +
                      program.str() + " ZEPH_SEARCHD_IDLE_MS=1500 PATH=" + bin.str() +
                      ":/usr/bin:/bin " + ZEPH_TEST_PROGRAM_DIR + "/zeph-searchd\n");
        writeFile(bus / "session.conf",
                  "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\""
                  " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                  "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                  "<servicedir>" + (bus / "services").string() + "</servicedir>"
                  "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    }
    // Runs the shell script on a bus of its own; what it printed.
    std::string onBus(const std::string& script) {
        if (::access("/usr/bin/dbus-run-session", X_OK) != 0 || ::access("/usr/bin/gdbus", X_OK) != 0)
            return "no bus";
        ProgramRun run = runProgram("/usr/bin/dbus-run-session",
                                    {"--config-file=" + (bus / "session.conf").string(), "--",
                                     "/bin/sh", "-c", script});
        EXPECT_EQ(run.exitCode, 0) << run.err << run.out;
        return run.out;
    }
    // The quoted texts of a line of gdbus's answer.
    static std::vector<std::string> quoted(const std::string& line) {
        std::vector<std::string> texts;
        static const std::regex text("'((?:[^'\\\\]|\\\\.)*)'");
        for (auto it = std::sregex_iterator(line.begin(), line.end(), text); it != std::sregex_iterator(); ++it)
            texts.push_back((*it)[1]);
        return texts;
    }
    std::set<std::string> queried(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--folder", program.str()};
        all.insert(all.end(), args.begin(), args.end());
        ProgramRun run = runProgram(std::string(ZEPH_TEST_PROGRAM_DIR) + "/zeph-query", all);
        std::set<std::string> paths;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) paths.insert(line);
        return paths;
    }

    TempFolder bin, bus;
};

const std::string kCall =
    "gdbus call --session --dest org.zeph.Search --object-path ";

TEST_F(Launcher, BothLaunchersAnswerAsTheTerminalDoesAndTheServiceEndsWhenIdle) {
    const std::string gnome = kCall + "/org/zeph/Search/SearchProvider --method org.gnome.Shell.SearchProvider2.";
    const std::string out = onBus(
        gnome + "GetInitialResultSet \"['report']\"; " +
        gnome + "GetSubsearchResultSet \"['x']\" \"['report', '!beta']\"; " +
        kCall + "/runner --method org.kde.krunner1.Match 'ext:md'; " +
        gnome + "GetResultMetas \"['" + tree.str() + "/gamma.md']\"; " +
        gnome + "GetInitialResultSet \"['baogao']\"; " +
        "sleep 3; gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus "
        "--method org.freedesktop.DBus.NameHasOwner org.zeph.Search");
    if (out == "no bus") GTEST_SKIP() << "dbus-run-session and gdbus are needed (packages dbus, libglib2.0-bin)";
    std::vector<std::string> lines;
    std::istringstream read(out);
    for (std::string line; std::getline(read, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 6u) << out;
    auto asSet = [](const std::vector<std::string>& texts) { return std::set<std::string>(texts.begin(), texts.end()); };
    EXPECT_EQ(asSet(quoted(lines[0])), queried({"report"}));
    EXPECT_EQ(asSet(quoted(lines[1])), queried({"report", "!beta"}));
    // Each match is (id, text, icon, type, relevance, properties).
    std::set<std::string> matchIds;
    static const std::regex match("\\('([^']*)', '");
    for (auto it = std::sregex_iterator(lines[2].begin(), lines[2].end(), match);
         it != std::sregex_iterator(); ++it)
        matchIds.insert((*it)[1]);
    EXPECT_EQ(matchIds, queried({"ext:md"}));
    EXPECT_NE(lines[3].find("'name': <'gamma.md'>"), std::string::npos) << lines[3];
    EXPECT_NE(lines[3].find("'description': <'" + tree.str() + "'>"), std::string::npos) << lines[3];
    EXPECT_NE(lines[3].find("'gicon': <'"), std::string::npos) << lines[3];
    // Pinyin: baogao finds the GBK-named 报告, by an id standing for its bytes.
    ASSERT_EQ(quoted(lines[4]).size(), 1u) << lines[4];
    EXPECT_TRUE(quoted(lines[4])[0].starts_with("base64:")) << lines[4];
    EXPECT_EQ(lines[5], "(false,)");  // idle: it ended
}

TEST_F(Launcher, ActivatingAHitHandsItsOwnBytesToTheOpener) {
    const std::string gnome = kCall + "/org/zeph/Search/SearchProvider --method org.gnome.Shell.SearchProvider2.";
    const std::string out = onBus(
        "id=$(" + gnome + "GetInitialResultSet \"['baogao']\" | sed \"s/.*'\\(.*\\)'.*/\\1/\"); " +
        gnome + "ActivateResult \"$id\" \"['baogao']\" 0; " +
        kCall + "/runner --method org.kde.krunner1.Run \"$id\" folder; sleep 0.5");
    if (out == "no bus") GTEST_SKIP() << "dbus-run-session and gdbus are needed";
    const std::string opened = readFile(bin / "opened");
    const std::string raw = tree.str() + "/" + kGbkName;
    std::string encoded = "file://";
    for (unsigned char c : raw) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            encoded += hex;
        }
    }
    EXPECT_EQ(opened, encoded + "file://" + tree.str());
}

// A line superseded by the next keystroke is answered with nothing; the next
// gets its hits.
TEST_F(Launcher, ASupersededLineIsAnsweredWithNothing) {
    LauncherSearch search(ZEPH_TEST_PROGRAM_DIR, program.str(), 30);
    std::optional<QStringList> first, second;
    search.ask(QStringLiteral("report"), [&](QStringList ids) { first = ids; });
    search.ask(QStringLiteral("notes"), [&](QStringList ids) { second = ids; });
    ASSERT_TRUE(waitFor([&] { return second.has_value(); }));
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(first->isEmpty());
    EXPECT_EQ(*second, QStringList{QString::fromStdString(tree.str() + "/notes.log")});
}

}  // namespace
}  // namespace zeph::test
