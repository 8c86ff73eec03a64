#include <QBuffer>
#include <QImage>

#include <random>

#include "common/widgets/AnimatedPicture.h"
#include "common/widgets/GifBlocks.h"
#include "common/widgets/IconButton.h"
#include "tests/support/TempFolder.h"
#include "tests/ui/GifBuilder.h"
#include "tests/ui/UiFixture.h"

namespace zeph::test {
namespace {

std::string shippedPicture(const char* name) {
    std::string path = ZEPH_TEST_PROGRAM_DIR "/";
    path += name;
    return readFile(path);
}

const unsigned char* bytes(const std::string& data) {
    return reinterpret_cast<const unsigned char*>(data.data());
}

TEST(GifBlocks, ReadsTheFramesOfAnAnimatedPicture) {
    std::string gif = shippedPicture("IndexAds.gif");
    auto picture = gif::parse(bytes(gif), gif.size());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 573);
    EXPECT_EQ(picture->height, 63);
    ASSERT_EQ(picture->frames.size(), 12u);
    EXPECT_EQ(picture->frames[5].delay, 250);  // each slogan rests 2.5 s
    std::string single = gif::singleFrame(bytes(gif), *picture, picture->frames[3]);
    QImage frame;
    EXPECT_TRUE(frame.loadFromData(reinterpret_cast<const uchar*>(single.data()),
                                   static_cast<int>(single.size()), "GIF"));
}

TEST(GifBlocks, TruncatedHostileOrRandomDataNeverReadsPastTheEnd) {
    std::string gif = shippedPicture("IndexAds.gif");
    for (size_t length = 0; length < gif.size(); length += 97) {
        std::vector<unsigned char> copy(
            gif.begin(),
            gif.begin() + static_cast<long>(length));  // exact size: ASan sees overruns
        auto picture = gif::parse(copy.data(), copy.size());
        if (picture) {
            EXPECT_LE(picture->frames.back().end, length);
        }
    }
    std::string huge = gif.substr(0, 13);
    huge[6] = huge[7] = huge[8] = huge[9] = '\xFF';  // 65535 x 65535
    EXPECT_FALSE(gif::parse(bytes(huge), huge.size()));
    std::string table = "GIF89a\x10\0\x10\0\xF7\0\0";  // claims a 768-byte colour table, has none
    EXPECT_FALSE(gif::parse(bytes(table), table.size()));
    std::mt19937 random(5);
    for (int round = 0; round < 3000; ++round) {
        std::string noise = "GIF89a" + std::string(7 + random() % 200, '\0');
        for (size_t i = 6; i < noise.size(); ++i) noise[i] = static_cast<char>(random());
        noise[7] = noise[9] = 0;  // keep it small
        std::vector<unsigned char> copy(noise.begin(), noise.end());
        gif::parse(copy.data(), copy.size());
    }
}

TEST(GifBlocks, BuiltPicturesOfEveryBlockKind) {
    GifBuilder builder(4, 4);
    builder.application().comment("made by hand").frame({0, 0, 4, 4, 1, 1, 7}).plainText();
    builder.frame({1, 1, 2, 2, 2, 2, 0, false, true});
    std::string gif = builder.bytes();
    auto picture = gif::parse(bytes(gif), gif.size());
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->frames.size(), 2u);
    EXPECT_EQ(picture->frames[0].delay, 7);
    EXPECT_EQ(picture->frames[0].disposal, 1);
    EXPECT_EQ(picture->frames[1].delay, -1);  // no graphic control extension
    EXPECT_EQ(picture->frames[1].left, 1);
    EXPECT_EQ(picture->frames[1].begin,
              builder.blockStarts()[4]);  // from its first block, the plain text

    std::string noTrailer = builder.bytes(false);
    EXPECT_EQ(gif::parse(bytes(noTrailer), noTrailer.size())->frames.size(), 2u);
    GifBuilder empty(4, 4);
    std::string noFrames = empty.comment("nothing").bytes();
    EXPECT_FALSE(gif::parse(bytes(noFrames), noFrames.size()));

    // Cut inside every block kind: never past the end, at most the frames before the cut.
    for (size_t start : builder.blockStarts()) {
        for (size_t cut : {start + 1, start + 2, start + 5}) {
            std::vector<unsigned char> copy(
                gif.begin(), gif.begin() + static_cast<long>(std::min(cut, gif.size())));
            auto cutPicture = gif::parse(copy.data(), copy.size());
            if (cutPicture) {
                EXPECT_LE(cutPicture->frames.back().end, copy.size());
            }
        }
    }
}

TEST(GifBlocks, APictureThatWouldDecodePastTheBoundIsRefused) {
    // Under a thousand bytes: a 4096 x 4096 screen with 40 one-pixel frames
    // would take 2.5 GB once each frame is decoded at the screen's size.
    GifBuilder hostile(4096, 4096);
    for (int i = 0; i < 40; ++i) hostile.frame({i, i, 1, 1, i % 4});
    std::string gif = hostile.bytes();
    ASSERT_LT(gif.size(), 1500u);
    EXPECT_FALSE(gif::parse(bytes(gif), gif.size()));
    CAnimatedPicture control;
    EXPECT_FALSE(control.Load(QByteArray(gif.data(), static_cast<int>(gif.size()))));

    GifBuilder fits(1024, 1024);  // 4 MB a frame: 16 frames are 64 MB
    for (int i = 0; i < 16; ++i) fits.frame({i, i, 1, 1, i % 4});
    std::string fitting = fits.bytes();
    EXPECT_TRUE(gif::parse(bytes(fitting), fitting.size()));
    fits.frame({0, 0, 1, 1, 0});
    std::string past = fits.bytes();
    EXPECT_FALSE(gif::parse(bytes(past), past.size()));
}

TEST(GifBlocks, MutationsOfAValidPictureNeverCrash) {
    GifBuilder builder(8, 8);
    builder.application()
        .frame({0, 0, 8, 8, 1})
        .comment("c")
        .frame({2, 2, 4, 4, 2, 3, 5, true, true});
    const std::string gif = builder.bytes();
    std::mt19937 random(11);
    for (int round = 0; round < 5000; ++round) {
        std::string mutated = gif;
        int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            size_t at = random() % mutated.size();
            switch (random() % 3) {
                case 0:
                    mutated[at] = static_cast<char>(random());
                    break;
                case 1:
                    mutated.erase(at, 1 + random() % 8);
                    break;
                default:
                    mutated.insert(at, 1, static_cast<char>(random()));
                    break;
            }
            if (mutated.empty()) mutated = "G";
        }
        std::vector<unsigned char> copy(mutated.begin(), mutated.end());
        if (auto picture = gif::parse(copy.data(), copy.size())) {
            for (const auto& frame : picture->frames) ASSERT_LE(frame.end, copy.size());
            CAnimatedPicture control;
            control.Load(QByteArray(mutated.data(), static_cast<int>(mutated.size())));
        }
    }
}

TEST(AnimatedPicture, DisposalMethodsComposeTheFrames) {
    GifBuilder builder(4, 4);
    builder.frame({0, 0, 4, 4, 1, 1});  // red everywhere, kept
    builder.frame({1, 1, 2, 2, 2, 2});  // green square, then background
    builder.frame({2, 2, 2, 2, 3, 3});  // blue square, then what lay under it
    builder.frame({0, 0, 1, 1, 2, 1});  // green corner
    std::string gif = builder.bytes();
    CAnimatedPicture picture;
    ASSERT_TRUE(picture.Load(QByteArray(gif.data(), static_cast<int>(gif.size()))));
    ASSERT_EQ(picture.frameCount(), 4);
    const QColor background = picture.palette().color(QPalette::Button);
    auto at = [&](int x, int y) { return QColor(picture.currentImage().pixel(x, y)); };

    EXPECT_EQ(picture.renderCurrentFrame(), 100);
    EXPECT_EQ(at(1, 1), QColor(Qt::red));
    picture.finishCurrentFrame();
    picture.renderCurrentFrame();
    EXPECT_EQ(at(1, 1), QColor(Qt::green));
    EXPECT_EQ(at(0, 0), QColor(Qt::red));
    picture.finishCurrentFrame();  // disposal 2: the square becomes background
    EXPECT_EQ(at(1, 1), background);
    EXPECT_EQ(at(3, 3), QColor(Qt::red));
    picture.renderCurrentFrame();
    EXPECT_EQ(at(3, 3), QColor(Qt::blue));
    EXPECT_EQ(at(2, 2), QColor(Qt::blue));
    picture.finishCurrentFrame();  // disposal 3: what lay under it comes back
    EXPECT_EQ(at(3, 3), QColor(Qt::red));
    EXPECT_EQ(at(2, 2), background);  // cleared by the green square's disposal before
    EXPECT_EQ(at(1, 1), background);
    picture.renderCurrentFrame();
    EXPECT_EQ(at(0, 0), QColor(Qt::green));
    picture.finishCurrentFrame();  // the loop starts again on a clear picture
    EXPECT_EQ(at(3, 3), background);
    picture.renderCurrentFrame();
    EXPECT_EQ(at(3, 3), QColor(Qt::red));
}

TEST(AnimatedPicture, DelaysHaveASaneMinimum) {
    EXPECT_EQ(CAnimatedPicture::frameDelayMs(0), 100);
    EXPECT_EQ(CAnimatedPicture::frameDelayMs(3), 100);
    EXPECT_EQ(CAnimatedPicture::frameDelayMs(-1), 100);
    EXPECT_EQ(CAnimatedPicture::frameDelayMs(50), 500);
}

TEST(AnimatedPicture, AnimatesStopsAndDiesSafely) {
    auto picture = std::make_unique<CAnimatedPicture>();
    ASSERT_TRUE(picture->Load(QString::fromUtf8(ZEPH_TEST_PROGRAM_DIR "/IndexAds.gif")));
    EXPECT_EQ(picture->frameCount(), 12);
    EXPECT_EQ(picture->size(), QSize(573, 63));
    ASSERT_TRUE(picture->Draw());
    EXPECT_TRUE(picture->isAnimating());
    ASSERT_TRUE(waitFor([&] {
        return picture->currentImage().pixel(300, 30) != picture->palette().button().color().rgb();
    }));
    picture->Stop();
    EXPECT_FALSE(picture->isAnimating());
    picture->Draw();
    picture.reset();  // destroyed while animating
}

TEST(AnimatedPicture, StillPicturesAndFailures) {
    CAnimatedPicture picture;
    EXPECT_TRUE(picture.Load(QString::fromUtf8(ZEPH_TEST_PROGRAM_DIR "/NotifySkin.png")));
    EXPECT_EQ(picture.size(),
              QImage(QString::fromUtf8(ZEPH_TEST_PROGRAM_DIR "/NotifySkin.png")).size());
    EXPECT_TRUE(picture.Draw());
    EXPECT_FALSE(picture.isAnimating());
    EXPECT_TRUE(
        picture.Load(QString::fromUtf8(ZEPH_TEST_PROGRAM_DIR "/WaterPrint1.gif")));  // one frame
    picture.Draw();
    EXPECT_FALSE(picture.isAnimating());
    EXPECT_FALSE(picture.Load(QByteArray("GIF89a garbage that is no picture")));
    EXPECT_FALSE(picture.isLoaded());
    EXPECT_FALSE(picture.Load(QStringLiteral("/nonexistent.gif")));
    EXPECT_FALSE(picture.Draw());
}

TEST(IconButton, GreyUsesTheLuminanceWeights) {
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(200, 100, 50, 128));
    QRgb grey = IconButton::greyed(image).pixel(0, 0);
    int expected = static_cast<int>(0.299 * 200 + 0.587 * 100 + 0.114 * 50);
    EXPECT_EQ(qRed(grey), expected);
    EXPECT_EQ(qBlue(grey), expected);
    EXPECT_EQ(qAlpha(grey), 128);
}

}  // namespace
}  // namespace zeph::test
