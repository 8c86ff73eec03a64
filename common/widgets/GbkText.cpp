#include "GbkText.h"

#include "common/Codec.h"

namespace zeph {

QString toQString(const std::string& gbk) { return QString::fromStdString(toUtf8Lossy(gbk)); }

std::string toGbk(const QString& text) {
    std::string utf8 = text.toStdString();
    return zeph::toGbk(std::string_view(utf8)).value_or(std::string());
}

}  // namespace zeph
