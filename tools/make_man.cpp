// Build step: writes the manual pages zeph-query.1, zeph-search.1 and
// zeph-watcher.1 from the texts the programs print for --help, so a page and
// its program's help are one text.
//   usage: make_man OUTPUT_FOLDER VERSION DATE
//
// The help texts are laid out for a terminal: a section title at the left
// edge; prose indented by 4; in the sections of items (options, files,
// environment, exit status) an item's tag at 4 (or an option at 8) and its
// text after two spaces or on the lines below; anything else indented by 8 or
// more is shown as it is.
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "search/cli/QueryHelp.h"
#include "search/ui/SearchHelp.h"
#include "watcher/WatcherHelp.h"

namespace {

size_t indentOf(const std::string& line) {
    size_t n = line.find_first_not_of(' ');
    return n == std::string::npos ? line.size() : n;
}

// Roff's special characters; a '-' that starts a word (an option) is a minus.
std::string escaped(const std::string& text) {
    std::string out;
    bool inOption = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool wordStart = i == 0 || text[i - 1] == ' ' || text[i - 1] == '[' || text[i - 1] == '|' ||
                         text[i - 1] == '(' || text[i - 1] == ',';
        if (c == ' ') inOption = false;
        if (c == '-' && (wordStart || inOption)) {
            inOption = true;
            out += "\\-";
        } else if (c == '\\') {
            out += "\\e";
        } else {
            out += c;
        }
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return text;
}

std::string page(const std::string& command, const char* help, const std::string& version,
                 const std::string& date) {
    static const std::set<std::string> itemSections = {"OPTIONS", "EXIT STATUS", "FILES",
                                                       "ENVIRONMENT"};
    std::ostringstream out;
    out << ".TH " << upper(command) << " 1 \"" << date << "\" \"ZEPH " << version
        << "\" \"User Commands\"\n";
    std::istringstream lines(help);
    std::string section, line;
    bool literal = false, paragraph = false;
    auto endLiteral = [&] {
        if (literal) out << ".fi\n.RE\n";
        literal = false;
    };
    while (std::getline(lines, line)) {
        size_t indent = indentOf(line);
        if (indent == line.size()) {  // a blank line
            endLiteral();
            paragraph = true;
            continue;
        }
        std::string text = line.substr(indent);
        if (indent == 0) {
            endLiteral();
            section = text;
            out << ".SH " << section << "\n";
            paragraph = false;
            continue;
        }
        if (section == "NAME") {
            size_t dash = text.find(" - ");
            out << escaped(text.substr(0, dash)) << " \\- " << text.substr(dash + 3) << "\n";
        } else if (itemSections.count(section)) {
            bool tag = indent == 4 || (indent == 8 && text[0] == '-');
            if (!tag) {
                out << escaped(text) << "\n";
                continue;
            }
            size_t gap = text.find("  ");
            out << ".TP\n.B " << escaped(text.substr(0, gap)) << "\n";
            if (gap != std::string::npos)
                out << escaped(text.substr(text.find_first_not_of(' ', gap))) << "\n";
        } else if (indent >= 8 || section == "EXAMPLES") {
            if (!literal) out << (paragraph ? ".PP\n" : "") << ".RS 4\n.nf\n";
            literal = true;
            paragraph = false;
            out << escaped(line.substr(std::min<size_t>(indent, section == "EXAMPLES" ? 4 : 8)))
                << "\n";
        } else {
            endLiteral();
            if (paragraph) out << ".PP\n";
            paragraph = false;
            out << escaped(text) << "\n";
        }
    }
    endLiteral();
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_man OUTPUT_FOLDER VERSION DATE\n");
        return 2;
    }
    const std::vector<std::pair<std::string, const char*>> pages = {
        {"zeph-query", zeph::kQueryHelp},
        {"zeph-search", zeph::kSearchHelp},
        {"zeph-watcher", zeph::kWatcherHelp},
    };
    for (const auto& [command, help] : pages) {
        std::ofstream file(std::string(argv[1]) + "/" + command + ".1", std::ios::binary);
        file << page(command, help, argv[2], argv[3]);
        if (!file.flush()) {
            std::fprintf(stderr, "make_man: cannot write %s.1\n", command.c_str());
            return 1;
        }
    }
    return 0;
}
