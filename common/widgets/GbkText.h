// Text crossing between the core's GBK byte strings and Qt.
#pragma once

#include <QString>

#include <string>

namespace zeph {

QString toQString(const std::string& gbk);
// nullopt-free: characters with no GBK form cannot occur, GB18030 covers Unicode.
std::string toGbk(const QString& text);

}  // namespace zeph
