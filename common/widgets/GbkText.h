// Text crossing between the core's GBK byte strings and Qt.
#pragma once

#include <QString>

#include <string>

namespace zeph {

QString toQString(const std::string& gbk);
// nullopt-free: characters with no GBK form cannot occur, GB18030 covers Unicode.
std::string toGbk(const QString& text);

}  // namespace zeph

namespace zeph {

// Message boxes and questions from window code, through the message service
// (so tests can answer them).
void uiMessage(const QString& text, const QString& caption = {});
bool uiAsk(const QString& text, const QString& caption);

}  // namespace zeph
