#include "GbkText.h"

#include "common/Codec.h"

namespace zeph {

QString toQString(const std::string& gbk) {
    return QString::fromStdString(toUtf8Lossy(gbk));
}

std::string toGbk(const QString& text) {
    std::string utf8 = text.toStdString();
    return zeph::toGbk(std::string_view(utf8)).value_or(std::string());
}

}  // namespace zeph

#include "common/Messages.h"

namespace zeph {

void uiMessage(const QString& text, const QString& caption) {
    showMessage(toGbk(text), caption.isEmpty() ? std::string() : toGbk(caption));
}

bool uiAsk(const QString& text, const QString& caption) {
    return askYesNo(toGbk(text), toGbk(caption));
}

}  // namespace zeph
