#include "ResultModel.h"

#include <algorithm>

#include "common/Paths.h"
#include "common/widgets/GbkText.h"
#include "search/engine/ResultTexts.h"
#include "search/engine/SearchCriteria.h"

namespace zeph {

namespace {
const char* const kCaptions[ResultModel::Time] = {"文件名", "所在目录", "文件大小", "文件类型"};
const char* const kTimeCaptions[3] = {"创建时间", "修改时间", "访问时间"};
}  // namespace

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent) {}

int ResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Shown& shown = m_shown[static_cast<size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return shown.texts[index.column()];
        case Qt::ToolTipRole:
            return index.column() <= Folder && !m_message ? fullPath(index.row()) : QVariant();
        case Qt::DecorationRole:
            return index.column() == Name && !m_message ? QVariant(shown.icon) : QVariant();
        case Qt::TextAlignmentRole:
            return int((index.column() == Size ? Qt::AlignRight : Qt::AlignLeft) |
                       Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) return {};
    if (role == Qt::DisplayRole)
        return section == Time ? timeCaption(m_timeKind) : QString::fromUtf8(kCaptions[section]);
    if (role == Qt::TextAlignmentRole) return int(section == Size ? Qt::AlignRight : Qt::AlignLeft);
    return {};
}

ResultModel::Shown ResultModel::makeShown(const ResultRow& row) {
    Shown shown;
    shown.stored = row;
    shown.texts[Name] = toQString(row.name);
    shown.texts[Folder] = toQString(row.folder);
    shown.texts[Size] = toQString(row.sizeText).trimmed();
    shown.texts[Type] = toQString(row.typeText);
    shown.texts[Time] = toQString(row.timeText);
    shown.icon = m_icons.forFile(shown.texts[Name], row.typeText == folderTypeText());
    return shown;
}

void ResultModel::clear() {
    beginResetModel();
    m_shown.clear();
    m_message = false;
    endResetModel();
}

void ResultModel::setRow(int index, const ResultRow& row) {
    if (m_message) clear();
    index = std::clamp(index, 0, rowCount());
    beginInsertRows({}, index, index);
    m_shown.insert(m_shown.begin() + index, makeShown(row));
    endInsertRows();
}

void ResultModel::setRows(const std::vector<ResultRow>& rows) {
    beginResetModel();
    m_message = false;
    m_shown.clear();
    for (const ResultRow& row : rows) m_shown.push_back(makeShown(row));
    endResetModel();
}

void ResultModel::showMessageRow(const QString& text) {
    beginResetModel();
    m_shown.assign(1, Shown{});
    m_shown[0].texts[Name] = text;
    m_message = true;
    endResetModel();
}

void ResultModel::sortByColumn(int column, bool ascending) {
    if (m_message || column < 0 || column >= ColumnCount) return;
    auto key = [column](const Shown& s) -> const std::string& {
        switch (column) {
            case Name:
                return s.stored.name;
            case Folder:
                return s.stored.folder;
            case Size:
                return s.stored.sizeText;
            case Type:
                return s.stored.typeText;
            default:
                return s.stored.timeText;
        }
    };
    beginResetModel();
    // Plain byte order of the stored texts: sizes are right-aligned in equal
    // widths and times have a fixed form, so both sort in numeric order.
    std::stable_sort(m_shown.begin(), m_shown.end(), [&](const Shown& a, const Shown& b) {
        int c = key(a).compare(key(b));
        return ascending ? c < 0 : c > 0;
    });
    endResetModel();
}

QString ResultModel::timeCaption(int kind) {
    return QString::fromUtf8(
        kTimeCaptions[kind == kModificationTime || kind == kAccessTime ? kind : 0]);
}

void ResultModel::setTimeKind(int kind) {
    m_timeKind = kind;
    emit headerDataChanged(Qt::Horizontal, Time, Time);
}

QString ResultModel::fullPath(int index) const {
    const ResultRow& r = row(index);
    return toQString(joinPath(r.folder, r.name));
}

}  // namespace zeph
