#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QTest>
#include <QWebEngineView>

#include "common/widgets/AnimatedPicture.h"
#include "tests/support/HttpServer.h"
#include "tests/ui/UiFixture.h"
#include "web/AdvertPane.h"
#include "web/PageDialog.h"
#include "web/TaskbarNotifier.h"

namespace zeph::test {
namespace {

class AdvertTest : public UiFixture {
protected:
    void SetUp() override { qputenv("ZEPH_SERVER", QByteArray::fromStdString(server.host())); }
    void TearDown() override { qputenv("ZEPH_SERVER", "127.0.0.1:9"); }
    void answer(const std::string& picture, const std::string& link) {
        server.reply("/ZEPHSearch/Ads.php?Type=1",
                     {200, "<AdsPicture>" + picture + "</AdsPicture><AdsURL>" + link +
                               "</AdsURL><AdvertiseText>x</AdvertiseText>"});
    }
    std::string base() const { return "http://" + server.host(); }
    HttpServer server;
};

TEST_F(AdvertTest, AnAnswerReplacesPictureAndLink) {
    answer(base() + "/pic.gif", "https://example.org/offer");
    server.reply("/pic.gif",
                 {200, readFile(std::string(ZEPH_TEST_PROGRAM_DIR) + "/SettingAds.gif")});
    AdvertPane pane(logAdvert());
    pane.start();
    ASSERT_TRUE(waitFor([&] { return pane.requestDone(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.link(), QStringLiteral("https://example.org/offer"));
    EXPECT_EQ(pane.picture()->size(), QSize(680, 60));  // the downloaded picture
    EXPECT_TRUE(QFile::exists(folder() + QStringLiteral("/log_ads.gif")));
}

TEST_F(AdvertTest, BadAnswersChangeNothingVisible) {
    answer(base() + "/broken.gif", "javascript:alert(1)");
    server.reply("/broken.gif", {200, "GIF89a not really"});
    AdvertPane pane(logAdvert());
    pane.start();
    QSize shipped = pane.picture()->size();
    ASSERT_TRUE(waitFor([&] { return pane.requestDone(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.link(), vendorHomePage());  // a script link is never taken
    EXPECT_EQ(pane.picture()->size(), shipped);
    EXPECT_TRUE(pane.picture()->isLoaded());
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[0], "/ZEPHSearch/Ads.php?Type=1");
}

TEST(TaskbarNotifier, NoSkinNoPopupAndNeverAZeroTimer) {
    TaskbarNotifier notifier;
    test::TempFolder folder;
    QImage(1, 50, QImage::Format_RGB32)
        .save(QString::fromStdString((folder / "thin.png").string()));
    EXPECT_FALSE(notifier.setSkin(QString::fromStdString((folder / "thin.png").string())));
    notifier.showText(QStringLiteral("x"), 500, 30000, 500);
    EXPECT_EQ(notifier.state(), TaskbarNotifier::Hidden);
    EXPECT_FALSE(notifier.isVisible());

    QImage skin(300, 200, QImage::Format_RGB32);
    skin.fill(Qt::white);
    skin.save(QString::fromStdString((folder / "skin.png").string()));
    ASSERT_TRUE(notifier.setSkin(QString::fromStdString((folder / "skin.png").string())));
    notifier.showText(QStringLiteral("第一行\r\n第二行"), 500, 30000, 500);
    EXPECT_EQ(notifier.state(), TaskbarNotifier::Appearing);
    EXPECT_EQ(notifier.text(), QStringLiteral("第一行\n第二行"));
    EXPECT_EQ(notifier.tickInterval(), 5);  // 500 / (200 / 2)
    ASSERT_TRUE(waitFor([&] { return notifier.state() == TaskbarNotifier::Shown; }));
    EXPECT_EQ(notifier.pos(), notifier.shownPosition());
    notifier.showText(QStringLiteral("again"), 0, 30000, 0);  // shown: stays, text changes
    EXPECT_EQ(notifier.state(), TaskbarNotifier::Shown);
    notifier.hidePopup();
    notifier.showText(QStringLiteral("fast"), 0, 10, 0);
    EXPECT_GE(notifier.tickInterval(), 1);
}

struct EdgeCase {
    QRect work;
    TaskbarNotifier::Edge edge;
};

TEST(TaskbarNotifier, EdgeFollowsTheWorkArea) {
    const QRect screen(0, 0, 1920, 1080);
    for (auto c : {EdgeCase{QRect(0, 0, 1920, 1040), TaskbarNotifier::Bottom},
                   EdgeCase{QRect(0, 40, 1920, 1040), TaskbarNotifier::Top},
                   EdgeCase{QRect(60, 0, 1860, 1080), TaskbarNotifier::Left},
                   EdgeCase{QRect(0, 0, 1860, 1080), TaskbarNotifier::Right}})
        EXPECT_EQ(TaskbarNotifier::taskbarEdge(screen, c.work), c.edge);
}

}  // namespace
}  // namespace zeph::test

#include "web/WebContent.h"

namespace zeph::test {
namespace {

TEST_F(AdvertTest, TheNotificationShowsTheServedText) {
    QImage skin(250, 160, QImage::Format_RGB32);
    skin.fill(Qt::white);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    skin.save(&buffer, "PNG");
    server.reply("/skin.png", {200, png.toStdString()});
    server.reply("/ZEPHSearch/NotifyMessage.php?CurrentVersion=20100214",
                 {200, "<AdsPicture>" + base() +
                           "/skin.png</AdsPicture><AdsURL>https://example.org/news</AdsURL>"
                           "<AdvertiseText>新版本<br>已经发布</AdvertiseText>"});
    QWidget owner;
    WebContent web(&owner);
    web.showNotification();
    ASSERT_TRUE(waitFor(
        [&] { return web.notifier() && web.notifier()->state() != TaskbarNotifier::Hidden; }));
    EXPECT_EQ(web.notifier()->text(), QStringLiteral("新版本\n已经发布"));
    EXPECT_EQ(web.notifier()->size(), QSize(250, 160));
    web.shutDown();
}

TEST_F(AdvertTest, EscapeClosesThePageDialogsWhateverHasTheFocus) {
    server.reply("/ZEPHSearch/Suggestion.html",
                 {200, "<html><body><input id=x autofocus>feedback</body></html>"});
    for (bool feedback : {true, false}) {
        QWidget owner;
        std::unique_ptr<QDialog> dialog(feedback ? PageDialog::feedbackDialog(&owner)
                                                 : PageDialog::newVersionDialog(&owner));
        auto* page = static_cast<PageDialog*>(dialog.get());
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        page->view()->setFocus();
        ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() != nullptr; }));
        QWidget* focused = QApplication::focusWidget();
        ASSERT_TRUE(focused == dialog.get() || dialog->isAncestorOf(focused));
        QTest::keyClick(focused, Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible()) << feedback;
        EXPECT_EQ(dialog->result(), QDialog::Rejected) << feedback;
    }
}

TEST_F(AdvertTest, NoServerNoNotification) {
    qputenv("ZEPH_SERVER", "127.0.0.1:9");
    QWidget owner;
    WebContent web(&owner);
    web.showNotification();
    web.shutDown();  // waits for the request to fail
    QCoreApplication::processEvents();
    EXPECT_EQ(web.notifier(), nullptr);
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace zeph::test
