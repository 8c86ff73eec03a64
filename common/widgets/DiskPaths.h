// Paths as the windows show them (the held form of EntryNames.h, as text)
// and as they are on disk (bytes): a name that is not UTF-8 on disk is shown
// as its characters, and acted on by its real bytes.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace zeph {

// The bytes on disk of a shown path; empty when nothing there answers to it.
QByteArray diskPath(const QString& shownPath);
// A file: address of bytes on disk, every byte kept.
QUrl diskUrl(const QByteArray& path);

}  // namespace zeph
