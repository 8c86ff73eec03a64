#include "Messages.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "TerminalText.h"

namespace zeph {

namespace {

std::atomic<MessageService*> g_installed{nullptr};

void printLine(const std::string& caption, const std::string& text, const char* suffix) {
    std::string line = caption.empty() ? terminalTextFromGbk(text)
                                        : terminalTextFromGbk(caption) + ": " + terminalTextFromGbk(text);
    while (!line.empty() && line.back() == '\n') line.pop_back();
    std::fprintf(stderr, "%s%s\n", line.c_str(), suffix);
}

}  // namespace

void installMessageService(MessageService* service) {
    g_installed = service;
}

MessageService& messageService() {
    static TerminalMessages terminal;
    MessageService* service = g_installed.load();
    return service ? *service : terminal;
}

void showMessage(const std::string& text, const std::string& caption) {
    messageService().show(text, caption);
}

bool askYesNo(const std::string& text, const std::string& caption) {
    return messageService().ask(text, caption);
}

void fatalExit(int code, const std::string& text, const std::string& caption) {
    if (!text.empty()) messageService().show(text, caption);
    messageService().exitProcess(code);
    std::abort();  // exitProcess never returns
}

void TerminalMessages::show(const std::string& text, const std::string& caption) {
    printLine(caption, text, "");
}

bool TerminalMessages::ask(const std::string& text, const std::string& caption) {
    printLine(caption, text, " [No]");
    return false;
}

void TerminalMessages::exitProcess(int code) {
    std::fflush(nullptr);
    _exit(code);
}

}  // namespace zeph
