// Qt's own Chinese texts (the standard buttons and dialogs), from the
// distribution's Qt translations.
#pragma once

class QCoreApplication;

namespace zeph {

// Makes Chinese the interface's locale (file-type names, dates) and installs
// qtbase_zh_CN into the application; false when that is not there.
bool installQtTranslations(QCoreApplication& app);

}  // namespace zeph
