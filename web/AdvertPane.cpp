#include "AdvertPane.h"

#include <QDir>
#include <QPointer>
#include <QVBoxLayout>

#include "common/ServerHost.h"
#include "common/widgets/AnimatedPicture.h"
#include "common/widgets/DesktopOpen.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/ProgramFolders.h"

namespace zeph {

AdvertKind stripAdvert(int screenWidth) {
    return {
        "/ZEPHSearch/Ads.php?Type=0&Width=" + std::to_string(screenWidth),
        screenWidth < 1201 ? QStringLiteral("MainAds500.gif") : QStringLiteral("MainAds700.gif"),
        QStringLiteral("main_advertise.gif"), true};
}

AdvertKind logAdvert() {
    return {"/ZEPHSearch/Ads.php?Type=1", QStringLiteral("LogAds.gif"),
            QStringLiteral("log_ads.gif"), true};
}

AdvertKind settingsAdvert() {
    return {"/ZEPHSearch/Ads.php?Type=2", QStringLiteral("SettingAds.gif"),
            QStringLiteral("setting_ads.gif"), true};
}

AdvertKind indexerAdvert() {
    return {"/ZEPHSearch/Ads.php?Type=3", QStringLiteral("IndexAds.gif"),
            QStringLiteral("index_ads.gif"), false};
}

QString vendorHomePage() {
    return QString::fromStdString(serverAddress("/ZEPHSearch/Index.html"));
}

AdvertPane::AdvertPane(AdvertKind kind, QWidget* parent)
    : QWidget(parent), m_kind(std::move(kind)), m_link(vendorHomePage()) {
    m_picture = new CAnimatedPicture(this);
    m_picture->setCursor(Qt::PointingHandCursor);
    m_picture->setToolTip(m_link);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_picture, 0, Qt::AlignCenter);
    connect(m_picture, &CAnimatedPicture::clicked, this, &AdvertPane::openLink);
}

AdvertPane::~AdvertPane() {
    m_cancel = true;
    if (m_request.joinable()) m_request.join();
}

void AdvertPane::start() {
    if (m_picture->Load(programFile(m_kind.shippedPicture))) m_picture->Draw();
    std::string address = serverAddress(m_kind.request);
    std::string target = dataFile(m_kind.downloadedPicture).toStdString();
    bool breakLines = m_kind.breakLines;
    QPointer<AdvertPane> self(this);
    m_request = std::thread([this, self, address, target, breakLines] {
        AdvertiseInfo info;
        if (fetchAdvertise(address, breakLines, info, &m_cancel) == 0 && !m_cancel) {
            bool downloaded =
                isWebAddress(info.picture) && downloadFile(info.picture, target, &m_cancel);
            QString link = isWebAddress(info.link) ? QString::fromStdString(info.link) : QString();
            QMetaObject::invokeMethod(
                this,
                [self, link, downloaded] {
                    if (self) self->applyAnswer(link, downloaded);
                },
                Qt::QueuedConnection);
        }
        m_done = true;
        QMetaObject::invokeMethod(
            this,
            [self] {
                if (self) emit self->updated();
            },
            Qt::QueuedConnection);
    });
}

void AdvertPane::applyAnswer(const QString& link, bool pictureDownloaded) {
    if (!link.isEmpty()) {
        m_link = link;
        m_picture->setToolTip(m_link);
    }
    if (!pictureDownloaded) return;
    // A downloaded picture that does not load keeps the shipped one.
    if (m_picture->Load(dataFile(m_kind.downloadedPicture))) {
        m_picture->Draw();
    } else if (m_picture->Load(programFile(m_kind.shippedPicture))) {
        m_picture->Draw();
    }
}

void AdvertPane::openLink() {
    auto failed = [](int exitCode) {
        showOpenFailure(
            openFailureText(exitCode, QStringLiteral("打开网站失败,请与开发商联系！"), true));
    };
    if (!openWebAddress(m_link, this, failed)) failed(kOpenerNotStarted);
}

}  // namespace zeph
