// A message service for tests: records every message and question, answers
// questions from a script, and turns a fatal end into a ProcessExit exception.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "common/Messages.h"

namespace zeph::test {

struct ProcessExit {
    int code;
};

struct ShownMessage {
    std::string text;
    std::string caption;
    bool question;
};

class ScriptedMessages : public MessageService {
public:
    ScriptedMessages() { installMessageService(this); }
    ~ScriptedMessages() override { installMessageService(nullptr); }

    void answer(bool yes) { m_answers.push_back(yes); }

    void show(const std::string& text, const std::string& caption) override {
        shown.push_back({text, caption, false});
    }
    bool ask(const std::string& text, const std::string& caption) override {
        shown.push_back({text, caption, true});
        if (m_answers.empty()) return false;
        bool yes = m_answers.front();
        m_answers.pop_front();
        return yes;
    }
    [[noreturn]] void exitProcess(int code) override { throw ProcessExit{code}; }

    std::vector<ShownMessage> shown;

private:
    std::deque<bool> m_answers;
};

}  // namespace zeph::test
