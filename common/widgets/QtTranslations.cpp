#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>

namespace zeph {

namespace {

// Texts of Qt's file dialogs that the distribution's catalogue leaves in
// English (the kind of a folder, a drive).
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    QString translate(const char* context, const char* sourceText, const char*, int) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0 &&
            qstrcmp(context, "QFileSystemModel") != 0)
            return {};
        static const struct {
            const char* english;
            const char16_t* chinese;
        } texts[] = {{"Folder", u"文件夹"}, {"File Folder", u"文件夹"}, {"Drive", u"驱动器"},
                     {"Alias", u"链接"}, {"Shortcut", u"快捷方式"}, {"Unknown", u"未知"}};
        for (const auto& text : texts)
            if (qstrcmp(sourceText, text.english) == 0) return QString::fromUtf16(text.chinese);
        return {};
    }
    bool isEmpty() const override { return false; }
};

}  // namespace

ChineseDatesAtStart::ChineseDatesAtStart()
    : m_all(qgetenv("LC_ALL")), m_time(qgetenv("LC_TIME")) {
    qunsetenv("LC_ALL");
    qputenv("LC_TIME", "zh_CN.UTF-8");
}

ChineseDatesAtStart::~ChineseDatesAtStart() {
    if (m_all.isNull())
        qunsetenv("LC_ALL");
    else
        qputenv("LC_ALL", m_all);
    if (m_time.isNull())
        qunsetenv("LC_TIME");
    else
        qputenv("LC_TIME", m_time);
    // The C library's locale as the environment has it (a Chinese LC_TIME
    // the system lacks would have left all of it at "C").
    std::setlocale(LC_ALL, "");
}

bool installQtTranslations(QCoreApplication& app) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    // Installed first, so asked last: the catalogue's own texts come first.
    QCoreApplication::installTranslator(new MissingQtTexts(&app));
    auto* translator = new QTranslator(&app);
    if (!translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace zeph
