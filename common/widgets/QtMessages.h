// The message service of the windowed programs: message boxes and questions on
// the UI thread, whichever thread asks.
#pragma once

#include "common/Messages.h"

namespace zeph {

class QtMessages : public MessageService {
public:
    void show(const std::string& text, const std::string& caption) override;
    bool ask(const std::string& text, const std::string& caption) override;
    [[noreturn]] void exitProcess(int code) override;
};

}  // namespace zeph
