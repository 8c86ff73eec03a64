// The one way core code reaches the user: message boxes, yes/no questions and
// fatal ends with an exit code. Texts and captions are GBK. The windows install
// a Qt implementation; tests install a scripted one; the default writes to the
// terminal and answers No.
#pragma once

#include <string>

namespace zeph {

class MessageService {
public:
    virtual ~MessageService() = default;
    // An OK box. An empty caption means the program's own title.
    virtual void show(const std::string& text, const std::string& caption) = 0;
    // A Yes/No question; true for Yes.
    virtual bool ask(const std::string& text, const std::string& caption) = 0;
    // Ends the process with the code (a negative code reaches the parent as 256 + code).
    [[noreturn]] virtual void exitProcess(int code) = 0;
};

// nullptr restores the terminal implementation. Not owned.
void installMessageService(MessageService* service);
MessageService& messageService();

void showMessage(const std::string& text, const std::string& caption = {});
bool askYesNo(const std::string& text, const std::string& caption);
// Shows the text (when there is one), then ends the process with the code.
[[noreturn]] void fatalExit(int code, const std::string& text = {},
                            const std::string& caption = {});

// The terminal implementation: messages to standard error in UTF-8, questions answered No.
class TerminalMessages : public MessageService {
public:
    void show(const std::string& text, const std::string& caption) override;
    bool ask(const std::string& text, const std::string& caption) override;
    [[noreturn]] void exitProcess(int code) override;
};

}  // namespace zeph
