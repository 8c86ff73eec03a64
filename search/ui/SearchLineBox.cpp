#include "SearchLineBox.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QStringListModel>
#include <QTextCharFormat>

#include <ctime>
#include <functional>
#include <limits>

#include "common/widgets/GbkText.h"
#include "search/engine/ResultTexts.h"

namespace zeph {

namespace {

const char kLanguage[] =
    "多个词用空格隔开，文件名须包含全部词\n*  任意多个字符，?  一个字符\n"
    "a|b  包含其中任意一个\n!词  排除包含这个词的文件\n\"…\"  引号中的文字原样查找\n\n"
    "条件（可以任意组合，前面加 ! 表示排除）：\n"
    "ext:pdf;docx   后缀\n"
    "type:文本   类型（文本、图片、音视频、二进制、其它）\n"
    "size:>10mb  size:<1k  size:1mb..5mb  size:empty   大小\n"
    "dm:today  dc:thisweek  da:2024-03   修改、创建、访问时间\n"
    "    today yesterday thisweek lastweek thismonth thisyear last7days\n"
    "    2024  2024-03  2024-03-15  a..b  >2024-01\n"
    "in:~/文档  path:projects   在这个文件夹中（含子文件夹）\n"
    "parent:/data   只在这个文件夹中\n"
    "file:  folder:  hidden:   只要文件、只要文件夹、包括隐藏文件\n"
    "case:  exact:   区分大小写、完全匹配\n"
    "content:合同   文件内容（按回车开始搜索）\n"
    "regex:^v\\d+   正则表达式（regex:path:… 用于整个路径）";

constexpr std::int64_t kLatest = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kEarliest = std::numeric_limits<std::int64_t>::min();

QString dayText(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd"));
}

QString rangeText(std::int64_t from, std::int64_t to, const std::function<QString(std::int64_t)>& shown,
                  std::int64_t lowest) {
    if (from <= lowest) return QStringLiteral("不晚于 %1").arg(shown(to));
    if (to == kLatest) return QStringLiteral("不早于 %1").arg(shown(from));
    if (shown(from) == shown(to)) return shown(from);
    return QStringLiteral("%1 至 %2").arg(shown(from), shown(to));
}

// Where a GBK byte offset of the line falls in its text as the box holds it.
int characterAt(const std::string& gbk, size_t offset) {
    return static_cast<int>(toQString(gbk.substr(0, std::min(offset, gbk.size()))).size());
}

}  // namespace

SearchLineBox::SearchLineBox(QWidget* parent) : QLineEdit(parent) {
    m_baseToolTip = QString::fromUtf8(kLanguage);
    setToolTip(m_baseToolTip);
    m_summary = new QLabel(parent);
    m_summary->setWordWrap(true);
    m_summary->setStyleSheet(QStringLiteral("color:#1f4f9f"));
    m_summary->hide();
    m_completions = new QStringListModel(this);
    m_completer = new QCompleter(m_completions, this);
    m_completer->setWidget(this);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this,
            &SearchLineBox::complete);
    connect(this, &QLineEdit::textChanged, this, &SearchLineBox::reparse);
    connect(this, &QLineEdit::textEdited, this, &SearchLineBox::offerCompletions);
    connect(this, &QLineEdit::cursorPositionChanged, this, &SearchLineBox::markFilters);
    reparse();
}

QString SearchLineBox::problem() const {
    return m_parsed.error ? toQString(m_parsed.error->message) : QString();
}

void SearchLineBox::reparse() {
    const std::string gbk = toGbk(text());
    m_parsed = parseSearchLine(gbk, {std::time(nullptr), toGbk(QDir::homePath())});
    QStringList said;
    for (const LineFilter& filter : m_parsed.filters) said << describe(filter);
    if (m_parsed.content)
        said << QStringLiteral("内容含有“%1”").arg(toQString(*m_parsed.content));
    if (m_parsed.caseSensitive) said << (*m_parsed.caseSensitive ? QStringLiteral("区分大小写") : QStringLiteral("不区分大小写"));
    if (m_parsed.exact) said << (*m_parsed.exact ? QStringLiteral("完全匹配") : QStringLiteral("部分匹配"));
    if (m_parsed.hidden) said << (*m_parsed.hidden ? QStringLiteral("包括隐藏文件") : QStringLiteral("不含隐藏文件"));
    if (m_parsed.error) {
        m_summary->setText(problem());
        m_summary->setStyleSheet(QStringLiteral("color:#b00020"));
    } else {
        m_summary->setText(said.isEmpty() ? QString()
                                          : QStringLiteral("搜索框中的条件（与下面的条件同时满足）：") +
                                                said.join(QStringLiteral("；")));
        m_summary->setStyleSheet(QStringLiteral("color:#1f4f9f"));
    }
    m_summary->setVisible(!m_summary->text().isEmpty());
    setStyleSheet(m_parsed.error ? QStringLiteral("QLineEdit { border: 1px solid #d00020; }")
                                 : QString());
    setToolTip(m_parsed.error ? problem() + QStringLiteral("\n\n") + m_baseToolTip : m_baseToolTip);
    markFilters();
}

// The filters underlined in blue, a value not understood in red: formats of
// the box's own text, given as an input method gives them.
void SearchLineBox::markFilters() {
    const std::string gbk = toGbk(text());
    QList<QInputMethodEvent::Attribute> formats;
    auto mark = [&](size_t begin, size_t end, const QColor& colour) {
        const int start = characterAt(gbk, begin), stop = characterAt(gbk, end);
        QTextCharFormat format;
        format.setForeground(colour);
        format.setFontUnderline(true);
        formats << QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat,
                                                start - cursorPosition(), stop - start, format);
    };
    for (const SearchLine::Span& span : m_parsed.filterSpans)
        mark(span.begin, span.end, QColor(0x1f, 0x4f, 0xbf));
    if (m_parsed.error) mark(m_parsed.error->begin, m_parsed.error->end, QColor(0xd0, 0x00, 0x20));
    QInputMethodEvent event(QString(), formats);
    QCoreApplication::sendEvent(this, &event);
}

std::pair<int, QString> SearchLineBox::tokenAtCursor() const {
    const QString line = text();
    int start = cursorPosition();
    while (start > 0 && !line[start - 1].isSpace()) --start;
    return {start, line.mid(start, cursorPosition() - start)};
}

// Filter names for a word being typed that begins one; type: values after type:.
void SearchLineBox::offerCompletions() {
    auto [start, token] = tokenAtCursor();
    QString bare = token.startsWith(QLatin1Char('!')) ? token.mid(1) : token;
    QStringList offered;
    if (bare.startsWith(QStringLiteral("type:"), Qt::CaseInsensitive)) {
        const QString typed = bare.mid(5);
        for (const auto& [alias, type] : typeAliases()) {
            QString name = toQString(std::string(alias));
            if (name.startsWith(typed, Qt::CaseInsensitive) && name != typed)
                offered << QStringLiteral("type:") + name;
        }
    } else if (bare.size() >= 2 && !bare.contains(QLatin1Char(':'))) {
        for (std::string_view name : filterNames()) {
            QString filter = QString::fromLatin1(name.data(), static_cast<int>(name.size()));
            if (filter.startsWith(bare, Qt::CaseInsensitive)) offered << filter + QLatin1Char(':');
        }
    }
    if (token.startsWith(QLatin1Char('!')))
        for (QString& offer : offered) offer.prepend(QLatin1Char('!'));
    m_completions->setStringList(offered);
    if (offered.isEmpty()) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->setCompletionPrefix(token);
    QRect at = cursorRect();
    at.setWidth(m_completer->popup()->sizeHintForColumn(0) + 24);
    m_completer->complete(at);
    // The first offer is taken by Enter, as in the desktop's own boxes.
    m_completer->popup()->setCurrentIndex(m_completer->completionModel()->index(0, 0));
}

void SearchLineBox::complete(const QString& completion) {
    auto [start, token] = tokenAtCursor();
    QString line = text();
    line.replace(start, static_cast<int>(token.size()), completion);
    setText(line);
    setCursorPosition(start + static_cast<int>(completion.size()));
}

void SearchLineBox::keyPressEvent(QKeyEvent* event) {
    // Keys the popup answers while it shows.
    if (m_completer->popup()->isVisible()) {
        switch (event->key()) {
            case Qt::Key_Enter:
            case Qt::Key_Return:
            case Qt::Key_Escape:
            case Qt::Key_Tab:
                event->ignore();
                return;
            default:
                break;
        }
    }
    QLineEdit::keyPressEvent(event);
}

QString SearchLineBox::describe(const LineFilter& filter) {
    QString said;
    auto time = [&](const char* what) {
        return QString::fromUtf8(what) +
               rangeText(filter.from, filter.to, dayText, kEarliest);
    };
    switch (filter.kind) {
        case LineFilter::Extension: {
            QStringList suffixes;
            for (const std::string& suffix : filter.suffixes) suffixes << toQString(suffix);
            said = QStringLiteral("后缀 ") + suffixes.join(QStringLiteral("、"));
            break;
        }
        case LineFilter::Type:
            for (const auto& [alias, type] : typeAliases())
                if (type == filter.type) {
                    said = QStringLiteral("类型 ") + toQString(std::string(alias));
                    break;
                }
            break;
        case LineFilter::Size:
            said = QStringLiteral("大小 ") +
                   rangeText(filter.from, filter.to,
                             [](std::int64_t bytes) { return toQString(sizeText(bytes)).trimmed() + QStringLiteral(" 字节"); }, 0);
            break;
        case LineFilter::Modified:
            said = time("修改时间 ");
            break;
        case LineFilter::Created:
            said = time("创建时间 ");
            break;
        case LineFilter::Accessed:
            said = time("访问时间 ");
            break;
        case LineFilter::Below:
            said = filter.relative ? QStringLiteral("路径中有文件夹 ") + toQString(filter.folder)
                                   : QStringLiteral("在 ") + toQString(filter.folder) +
                                         QStringLiteral(" 中");
            break;
        case LineFilter::Parent:
            said = QStringLiteral("直接在 ") + toQString(filter.folder) + QStringLiteral(" 中");
            break;
        case LineFilter::Files:
            said = QStringLiteral("只要文件");
            break;
        case LineFilter::Folders:
            said = QStringLiteral("只要文件夹");
            break;
        case LineFilter::Regex:
            said = (filter.wholePath ? QStringLiteral("路径符合 ") : QStringLiteral("名称符合 ")) +
                   QString::fromStdString(filter.pattern);
            break;
    }
    return filter.negated ? QStringLiteral("不是：") + said : said;
}

}  // namespace zeph
