// A program folder with pictures and a database, indexed over a test tree,
// for window tests; helpers to wait for the event loop and to grab windows.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <functional>

#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace zeph::test {

// Runs the event loop until the condition holds (or about ten seconds pass).
inline bool waitFor(const std::function<bool()>& condition, int milliseconds = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Saves a picture of a window to $ZEPH_SCREENSHOTS/name.png when that is set.
void grabToFile(QWidget* widget, const QString& name);

class UiFixture : public ::testing::Test {
protected:
    UiFixture();
    // Indexes the tree with the real indexer (roots: the tree).
    void indexTree();
    QString folder() const { return QString::fromStdString(program.str()); }
    QString treeFile(const std::string& relative) const {
        return QString::fromStdString((tree / relative).string());
    }

    ScriptedMessages messages;
    ProgramFolder program;
    TempFolder tree;
};

}  // namespace zeph::test
