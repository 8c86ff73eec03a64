#include <gtest/gtest.h>

#include <filesystem>

#include "common/WebFetch.h"
#include "tests/support/HttpServer.h"
#include "tests/support/TempFolder.h"

namespace zeph {
namespace {

using test::HttpReply;
using test::HttpServer;

struct ParseCase {
    const char* response;
    AdvertiseParse result;
};

TEST(ParseAdvertise, TagsMustComeInOrder) {
    const ParseCase cases[] = {
        {"<AdsPicture>p</AdsPicture><AdsURL>u</AdsURL><AdvertiseText>t</AdvertiseText>",
         AdvertiseParse::Ok},
        {"x<AdsURL>u</AdsURL><AdsPicture>p</AdsPicture><AdvertiseText>t</AdvertiseText>",
         AdvertiseParse::Missing},
        {"<AdsPicture>p</AdsPicture><AdsURL>u</AdsURL>", AdvertiseParse::Missing},
        {"short", AdvertiseParse::TooShort},
        {"<AdsPicture>p<AdsURL>u</AdsURL><AdvertiseText>t</AdvertiseText>",
         AdvertiseParse::Missing},
    };
    for (const auto& c : cases) {
        AdvertiseInfo info;
        EXPECT_EQ(parseAdvertise(c.response, true, info), c.result) << c.response;
    }
    AdvertiseInfo info;
    ASSERT_EQ(
        parseAdvertise("junk<AdsPicture>http://h/p.gif</AdsPicture> <AdsURL>http://h/</AdsURL>"
                       "<AdvertiseText>one<br>two</AdvertiseText>junk",
                       true, info),
        AdvertiseParse::Ok);
    EXPECT_EQ(info.picture, "http://h/p.gif");
    EXPECT_EQ(info.text, "one\r\ntwo");
    ASSERT_EQ(
        parseAdvertise(
            "<AdsPicture>p</AdsPicture><AdsURL>u</AdsURL><AdvertiseText>a<br>b</AdvertiseText>",
            false, info),
        AdvertiseParse::Ok);
    EXPECT_EQ(info.text, "a<br>b");
}

TEST(WebFetch, OnlyHttpAddressesAndStatus200Count) {
    HttpServer server;
    server.reply("/ok", {200, "hello"});
    server.reply("/gone", {404, "nope"});
    server.reply("/big", {200, std::string(2 << 20, 'x')});
    std::string base = "http://" + server.host();
    EXPECT_EQ(fetchText(base + "/ok"), "hello");
    EXPECT_FALSE(fetchText(base + "/gone"));
    EXPECT_FALSE(fetchText(base + "/big"));  // past the 1 MiB limit
    for (const char* refused :
         {"file:///etc/passwd", "javascript:alert(1)", "ftp://127.0.0.1/", "http:///x", ""})
        EXPECT_FALSE(fetchText(refused)) << refused;
    std::atomic<bool> cancelled{true};
    EXPECT_FALSE(fetchText(base + "/ok", &cancelled));
    EXPECT_FALSE(fetchText("http://127.0.0.1:9/unreachable"));
}

TEST(WebFetch, AdvertiseCodesAndDownloadsReplaceWhole) {
    HttpServer server;
    std::string base = "http://" + server.host();
    server.reply("/ad", {200, "<AdsPicture>" + base +
                                  "/pic.gif</AdsPicture><AdsURL>http://x/</AdsURL>"
                                  "<AdvertiseText>t</AdvertiseText>"});
    server.reply("/short", {200, "abc"});
    server.reply("/pic.gif", {200, "GIF89a-new"});
    AdvertiseInfo info;
    EXPECT_EQ(fetchAdvertise(base + "/ad", true, info), 0);
    EXPECT_EQ(fetchAdvertise(base + "/short", true, info), -2);
    EXPECT_EQ(fetchAdvertise(base + "/missing", true, info), -1);

    test::TempFolder folder;
    std::string target = (folder / "main_advertise.gif").string();
    test::writeFile(target, "old picture");
    EXPECT_FALSE(downloadFile(base + "/missing.gif", target));
    EXPECT_EQ(test::readFile(target), "old picture");
    EXPECT_TRUE(downloadFile(info.picture, target));
    EXPECT_EQ(test::readFile(target), "GIF89a-new");
    EXPECT_FALSE(std::filesystem::exists(target + ".part"));
}

}  // namespace
}  // namespace zeph
