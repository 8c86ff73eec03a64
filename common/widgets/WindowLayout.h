// What the user made of a window's layout (splitter positions, column widths),
// kept in the data folder beside the settings so it stays with the user's
// data, portable program folders included.
#pragma once

#include <QVariant>

namespace zeph {

QVariant readLayout(const QString& key);
void storeLayout(const QString& key, const QVariant& value);

}  // namespace zeph
