// Qt's own Chinese texts (the standard buttons and dialogs), from the
// distribution's Qt translations, and Chinese dates in Qt's own dialogs.
#pragma once

#include <QByteArray>

class QCoreApplication;

namespace zeph {

// Made before the application and kept until it is made: Qt takes the date
// forms of its own dialogs (the file dialog's list) from the environment's
// LC_TIME as the application starts, so for that moment it reads Chinese;
// afterwards the environment is as it was, for the programs we start.
class ChineseDatesAtStart {
public:
    ChineseDatesAtStart();
    ~ChineseDatesAtStart();
    ChineseDatesAtStart(const ChineseDatesAtStart&) = delete;
    ChineseDatesAtStart& operator=(const ChineseDatesAtStart&) = delete;

private:
    QByteArray m_all, m_time;
};

// Makes Chinese the interface's locale (file-type names, dates) and installs
// qtbase_zh_CN into the application, with the few texts of Qt's dialogs it
// lacks; false when that is not there.
bool installQtTranslations(QCoreApplication& app);

}  // namespace zeph
