#include "DiskPaths.h"

#include "common/EntryNames.h"
#include "common/widgets/GbkText.h"

namespace zeph {

QByteArray diskPath(const QString& shownPath) {
    return QByteArray::fromStdString(osPathOf(toGbk(shownPath)));
}

QUrl diskUrl(const QByteArray& path) {
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"));
}

}  // namespace zeph
