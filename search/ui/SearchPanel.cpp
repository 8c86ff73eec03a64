#include "SearchPanel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <ctime>

#include "common/Codec.h"
#include "common/ContentSettings.h"
#include "common/Drives.h"
#include "common/Preferences.h"
#include "common/widgets/AnimatedPicture.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/IconButton.h"
#include "common/widgets/ProgramFolders.h"
#include "search/engine/ContentSearch.h"
#include "search/engine/SearchEngine.h"
#include "search/ui/CriteriaSections.h"
#include "search/ui/ResultBridge.h"
#include "search/ui/ResultPanel.h"
#include "search/ui/SearchLineBox.h"

namespace zeph {

namespace {

const QColor kDark(104, 138, 221);
const QColor kCard(236, 241, 252);
const char* const kSectionTitles[3] = {"最近修改时间", "文件大小", "更多高级选项"};

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

SearchPanel::SearchPanel(CSQLiteDB& db, ResultPanel* results, QWidget* parent)
    : QWidget(parent), m_results(results), m_db(db) {
    m_engine = std::make_unique<CSearchEngine>(db, zeph::toGbk(pictureFolder()),
                                               zeph::toGbk(dataFolder()), std::time(nullptr));
    m_bridge = std::make_unique<ResultBridge>(results);

    m_time = new TimeSection;
    m_size = new SizeSection;
    m_advanced = new AdvancedSection(db);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(buildCard());
    layout->addStretch();
    fillLookIn();
    setMinimumWidth(260);

    m_searchAsYouType = readPreference(db, Preference::SearchAsYouType);
    m_showHidden = readPreference(db, Preference::ShowHidden);
    m_pinyin = readPreference(db, Preference::Pinyin);
    m_typingPause = new QTimer(this);
    m_typingPause->setSingleShot(true);
    m_typingPause->setInterval(150);
    m_typingPause->setTimerType(Qt::PreciseTimer);
    connect(m_typingPause, &QTimer::timeout, this, &SearchPanel::searchAsTyped);
    for (QLineEdit* edit : {static_cast<QLineEdit*>(m_name), m_content, m_lookIn->lineEdit()})
        connect(edit, &QLineEdit::textChanged, this, &SearchPanel::criteriaChanged);
    connect(m_lookIn, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &SearchPanel::criteriaChanged);
    connect(m_time, &TimeSection::changed, this, &SearchPanel::criteriaChanged);
    connect(m_size, &SizeSection::changed, this, &SearchPanel::criteriaChanged);
    connect(m_advanced, &AdvancedSection::changed, this, &SearchPanel::criteriaChanged);
}

SearchPanel::~SearchPanel() {
    stopAndWait();
}

QWidget* SearchPanel::buildCard() {
    auto* card = new QWidget(this);
    card->setObjectName(QStringLiteral("card"));
    card->setStyleSheet(
        QStringLiteral("#card { background: rgb(236,241,252); border-radius: 6px; }"));
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(4);
    layout->addWidget(heading(QStringLiteral("请按下面任何或所有标准进行搜索："), card));
    layout->addSpacing(4);

    m_name = new SearchLineBox(card);
    m_name->setMaxLength(256);
    m_name->setPlaceholderText(QStringLiteral("例如：报告、*.pdf、发票|收据、ext:pdf dm:thisweek"));
    m_content = new QLineEdit(card);
    m_content->setMaxLength(static_cast<int>(CContentSearch::kMaxCharacters) + 1);
    m_lookIn = new QComboBox(card);
    m_lookIn->setEditable(true);
    m_lookIn->setIconSize(QSize(16, 16));
    m_lookIn->setInsertPolicy(QComboBox::NoInsert);
    layout->addWidget(new QLabel(QStringLiteral("部分或全部文件名："), card));
    layout->addWidget(m_name);
    layout->addWidget(m_name->summary());
    layout->addWidget(new QLabel(QStringLiteral("文件中的一个字或词组："), card));
    layout->addWidget(m_content);
    layout->addWidget(new QLabel(QStringLiteral("在这里搜索："), card));
    layout->addWidget(m_lookIn);
    layout->addSpacing(6);

    QWidget* sections[3] = {m_time, m_size, m_advanced};
    for (int i = 0; i < 3; ++i) {
        auto* title = heading(QString::fromUtf8(kSectionTitles[i]), card);
        title->setCursor(Qt::PointingHandCursor);
        title->installEventFilter(this);
        title->setProperty("section", i);
        m_expanders[i] = new IconButton(card);
        m_expanders[i]->setIconSize(QSize(16, 16));
        m_expanders[i]->setFixedSize(24, 20);
        connect(m_expanders[i], &QAbstractButton::clicked, this,
                [this, i] { setSectionOpen(i, !sectionOpen(i)); });
        auto* row = new QHBoxLayout;
        row->addWidget(title, 1);
        row->addWidget(m_expanders[i]);
        layout->addLayout(row);
        m_sections[i] = sections[i];
        sections[i]->setParent(card);
        layout->addWidget(sections[i]);
        setSectionOpen(i, false);
    }

    m_reset = new QPushButton(QStringLiteral("恢复默认"), card);
    m_search = new QPushButton(QStringLiteral("搜  索"), card);
    m_search->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_reset);
    buttons->addWidget(m_search);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    m_watermark = new CAnimatedPicture(card);
    m_watermark->setCursor(Qt::PointingHandCursor);
    m_watermark->setAttribute(Qt::WA_Hover);
    m_watermark->installEventFilter(this);
    layout->addSpacing(10);
    layout->addWidget(m_watermark, 0, Qt::AlignHCenter);
    showWatermark(false);

    connect(m_search, &QPushButton::clicked, this, &SearchPanel::startOrStop);
    connect(m_reset, &QPushButton::clicked, this, &SearchPanel::reset);
    for (QLineEdit* edit :
         {static_cast<QLineEdit*>(m_name), m_content, m_lookIn->lineEdit(), m_size->minimumEdit(),
          m_size->maximumEdit()})
        connect(edit, &QLineEdit::returnPressed, this, &SearchPanel::startOrStop);
    connect(m_lookIn, qOverload<int>(&QComboBox::activated), this, &SearchPanel::lookInChosen);
    return card;
}

void SearchPanel::fillLookIn() {
    m_lookIn->addItem(programIcon("computer"), QStringLiteral("我的电脑"));
    for (const std::string& drive : listDrives())
        m_lookIn->addItem(programIcon("drive"), toQString(drive));
    m_browseIndex = m_lookIn->count();
    m_lookIn->addItem(QStringLiteral("浏览..."));
    m_lookIn->setCurrentIndex(0);
}

void SearchPanel::lookInChosen(int index) {
    if (index != m_browseIndex) {
        m_previousLookIn = index;
        return;
    }
    QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("请选择待搜索的文件夹"), QDir::homePath());
    if (folder.isEmpty()) {  // cancelled: "浏览..." is never taken as a folder
        m_lookIn->setCurrentIndex(m_previousLookIn);
        return;
    }
    m_lookIn->addItem(programIcon("folder"), folder);
    m_previousLookIn = m_lookIn->count() - 1;
    m_lookIn->setCurrentIndex(m_previousLookIn);
}

void SearchPanel::setSectionOpen(int section, bool open) {
    m_open[section] = open;
    m_sections[section]->setVisible(open);
    const char* icon = open ? "chevron-up" : "chevron-down";
    m_expanders[section]->setIcons(programIcon(icon), programIcon(QByteArray(icon) + "-hot"));
    m_expanders[section]->setToolTip(open ? QStringLiteral("收起") : QStringLiteral("展开"));
    showWatermark(m_watermarkHot);
}

bool SearchPanel::sectionOpen(int section) const {
    return m_open[section];
}

void SearchPanel::showWatermark(bool hot) {
    if (!m_watermark) return;
    m_watermarkHot = hot;
    if (m_watermark->Load(programFile(hot ? QStringLiteral("WaterPrint2.gif")
                                          : QStringLiteral("WaterPrint1.gif"))))
        m_watermark->Draw();
}

SearchCriteria SearchPanel::criteria() const {
    SearchCriteria c;
    c.content = zeph::toGbk(m_content->text());
    QString folder = m_lookIn->currentText().trimmed();
    c.folder = folder == QStringLiteral("我的电脑") ? std::string() : zeph::toGbk(folder);
    c.timeKind = m_time->timeKind();
    c.timeFrom = m_time->from();
    c.timeTo = m_time->to();
    c.sizeMin = m_size->minimum();
    c.sizeMax = m_size->maximum();
    c.typeFlags = m_advanced->typeFlags(m_engine->typeFlagCount());
    c.typeTab = m_advanced->typeTab();
    c.caseSensitive = m_advanced->caseSensitive();
    c.exactMatch = m_advanced->exactMatch();
    c.showHidden = m_showHidden;
    c.pinyin = m_pinyin;
    // The name box's line: its words are the name, its filters join the panel's.
    applySearchLine(m_name->parsed(), c);
    return c;
}

// Why the criteria cannot be searched (the line's value not understood, or
// its content text against the panel's), or "".
QString SearchPanel::lineProblem() const {
    SearchCriteria c;
    c.content = zeph::toGbk(m_content->text());
    auto problem = applySearchLine(m_name->parsed(), c);
    return problem ? toQString(*problem) : QString();
}

void SearchPanel::startOrStop() {
    m_typingPause->stop();
    // A search started by typing is replaced by the one asked for; a search
    // asked for is stopped, as the button always did.
    if (searching() && !m_typedSearch) {
        // The worker ends at its next check; no new search starts before it has.
        m_next.reset();
        m_engine->requestStop();
        m_search->setText(QStringLiteral("搜  索"));
        m_search->setEnabled(false);
        return;
    }
    if (QString problem = lineProblem(); !problem.isEmpty()) {
        emit statusText(problem);  // marked in the box as well
        m_name->setFocus();
        return;
    }
    SearchCriteria c = criteria();
    if (auto refused = CContentSearch::refusal(c.content)) {
        uiMessage(toQString(*refused), QStringLiteral("查询条件过长"));
        return;
    }
    startSearch(c, false);
}

void SearchPanel::startSearch(const SearchCriteria& c, bool typed) {
    if (searching()) {
        m_next.emplace(c, typed);
        m_engine->requestStop(true);
        return;
    }
    m_search->setText(QStringLiteral("停  止"));
    m_search->setEnabled(true);
    m_results->beginSearch(c.timeKind, toQString(c.content));
    m_typedSearch = typed;
    m_withoutContent.clear();
    if (!c.content.empty())
        for (const std::string& folder : zeph::foldersWithoutContent(m_db, c.folder))
            m_withoutContent << toQString(folder);
    m_workerDone = false;
    m_worker = std::thread([this, c, typed] {
        m_engine->Search(c, m_bridge.get(), typed);
        m_workerDone = true;
        QMetaObject::invokeMethod(this, &SearchPanel::workerFinished, Qt::QueuedConnection);
    });
}

void SearchPanel::workerFinished() {
    if (m_worker.joinable()) m_worker.join();
    m_bridge->flush();
    if (m_next) {  // a newer search was waiting for this one to end
        auto [c, typed] = std::move(*m_next);
        m_next.reset();
        startSearch(c, typed);
        return;
    }
    m_search->setText(QStringLiteral("搜  索"));
    m_search->setEnabled(true);
    emit searchFinished();
    emit foldersWithoutContent(m_withoutContent);
}

bool SearchPanel::typingPending() const {
    return m_typingPause->isActive() || m_next.has_value();
}

void SearchPanel::criteriaChanged() {
    if (m_searchAsYouType) m_typingPause->start();
}

// A pause after a change: the criteria are searched for at once, unless a
// content text asks for the button (reading files is no search to start on
// every key) or nothing narrows the search (the list is then emptied quietly).
void SearchPanel::searchAsTyped() {
    if (QString problem = lineProblem(); !problem.isEmpty()) {
        emit statusText(problem);  // the list stays as it was
        return;
    }
    SearchCriteria c = criteria();
    if (!c.content.empty()) {
        emit statusText(QStringLiteral("搜索文件内容时，请按“搜  索”按钮或回车键开始搜索"));
        return;
    }
    if (c.name.empty() && c.typeTab == 0 && c.filters.empty()) {
        if (searching()) m_engine->requestStop(true);
        m_next.reset();
        m_results->clearQuietly();
        return;
    }
    startSearch(c, true);
}

void SearchPanel::stopAndWait() {
    m_typingPause->stop();
    m_next.reset();
    if (!m_worker.joinable()) return;
    m_engine->requestStop();
    // The worker may be waiting for a message box on this thread: keep serving events.
    while (!m_workerDone) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    m_worker.join();
    m_bridge->flush();
    m_search->setText(QStringLiteral("搜  索"));
    m_search->setEnabled(true);
}

void SearchPanel::reset() {
    m_name->clear();
    m_content->clear();
    m_lookIn->setCurrentIndex(0);
    m_previousLookIn = 0;
    m_time->reset();
    m_size->reset();
    m_advanced->reset();
}

bool SearchPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_watermark) {
        if (event->type() == QEvent::Enter) showWatermark(true);
        if (event->type() == QEvent::Leave) showWatermark(false);
    } else if (event->type() == QEvent::MouseButtonRelease) {
        QVariant section = watched->property("section");
        if (section.isValid()) setSectionOpen(section.toInt(), !sectionOpen(section.toInt()));
    }
    return QWidget::eventFilter(watched, event);
}

void SearchPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kDark);
}

}  // namespace zeph
