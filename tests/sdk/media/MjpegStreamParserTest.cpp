// The live video reader: pictures come out whole in any split of the bytes,
// and every bound stops a stream that would grow without end.
#include "MjpegStreamParser.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using vtmedia::MjpegLimits;
using vtmedia::MjpegStreamParser;
using vtmedia::MultipartBoundary;

std::string Part(const std::string& picture, const std::string& extraHeaders = {})
{
    return "--vtframe\r\nContent-Type: image/jpeg\r\n" + extraHeaders +
           "Content-Length: " + std::to_string(picture.size()) + "\r\n\r\n" + picture + "\r\n";
}

struct Collector
{
    std::vector<std::string> pictures;
    MjpegStreamParser Parser(MjpegLimits limits = {})
    {
        return MjpegStreamParser(
            "vtframe", [this](std::string_view jpeg) { pictures.emplace_back(jpeg); }, limits);
    }
};

TEST(MultipartBoundaryTest, TakesTheBoundaryOfAMixedReplaceTypeOnly)
{
    EXPECT_EQ(MultipartBoundary("multipart/x-mixed-replace; boundary=vtframe"), "vtframe");
    EXPECT_EQ(MultipartBoundary("Multipart/X-Mixed-Replace;boundary=\"a b\""), std::nullopt); // space inside
    EXPECT_EQ(MultipartBoundary("multipart/x-mixed-replace; boundary=\"frame\"; charset=x"), "frame");
    EXPECT_EQ(MultipartBoundary("multipart/x-mixed-replace; boundary=--myboundary"), "myboundary");
    EXPECT_EQ(MultipartBoundary("multipart/x-mixed-replace"), std::nullopt);
    EXPECT_EQ(MultipartBoundary("multipart/x-mixed-replace; boundary="), std::nullopt);
    EXPECT_EQ(MultipartBoundary("image/jpeg; boundary=vtframe"), std::nullopt);
    EXPECT_EQ(MultipartBoundary("multipart/x-mixed-replace; boundary=" + std::string(71, 'b')), std::nullopt);
}

TEST(MjpegStreamParserTest, PicturesComeOutWholeInAnySplit)
{
    const std::string first(1000, '\xFF');
    std::string second = "\xFF\xD8 binary \r\n--vtframe\r\n inside \xFF\xD9";
    const std::string stream = "\r\n" + Part(first) + Part(second, "X-Frame: 2\r\n") + Part("");
    for (const size_t step : {size_t{1}, size_t{3}, size_t{64}, stream.size()}) {
        Collector collector;
        auto parser = collector.Parser();
        for (size_t at = 0; at < stream.size(); at += step) {
            ASSERT_TRUE(parser.Feed(std::string_view(stream).substr(at, step))) << "step " << step;
        }
        ASSERT_EQ(collector.pictures.size(), 3u) << "step " << step;
        EXPECT_EQ(collector.pictures[0], first);
        EXPECT_EQ(collector.pictures[1], second);
        EXPECT_EQ(collector.pictures[2], "");
        EXPECT_EQ(parser.Pictures(), 3u);
    }
}

TEST(MjpegStreamParserTest, BrokenPartsEndTheStream)
{
    struct Case
    {
        const char* why;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"no length", "--vtframe\r\nContent-Type: image/jpeg\r\n\r\nabc"},
        {"bad length", "--vtframe\r\nContent-Length: 12x\r\n\r\n"},
        {"negative length", "--vtframe\r\nContent-Length: -1\r\n\r\n"},
        {"header without colon", "--vtframe\r\nnonsense\r\n\r\n"},
        {"closing delimiter", "--vtframe--\r\n"},
    };
    for (const auto& c : cases) {
        Collector collector;
        auto parser = collector.Parser();
        EXPECT_FALSE(parser.Feed(c.bytes)) << c.why;
        EXPECT_TRUE(parser.Failed()) << c.why;
        EXPECT_FALSE(parser.Feed(Part("after"))) << "nothing is taken after a failure: " << c.why;
        EXPECT_TRUE(collector.pictures.empty()) << c.why;
    }
}

TEST(MjpegStreamParserTest, BoundsCutOffOversizedAndEndlessStreams)
{
    MjpegLimits limits;
    limits.maxPartBytes = 100;
    limits.maxPartHeaderBytes = 64;
    limits.maxPreambleBytes = 32;
    {
        Collector collector;
        auto parser = collector.Parser(limits);
        EXPECT_TRUE(parser.Feed(Part(std::string(100, 'x'))));
        EXPECT_FALSE(parser.Feed(Part(std::string(101, 'x')))) << "a part above the bound";
        EXPECT_EQ(collector.pictures.size(), 1u);
    }
    {
        Collector collector;
        auto parser = collector.Parser(limits);
        EXPECT_FALSE(parser.Feed("--vtframe\r\nX-Long: " + std::string(60, 'h') + "\r\n")) << "a long header";
    }
    {
        Collector collector;
        auto parser = collector.Parser(limits);
        bool going = parser.Feed("--vtframe\r\n");
        for (int i = 0; going && i < 100; ++i) {
            going = parser.Feed("X-Endless: headers\r\n");
        }
        EXPECT_FALSE(going) << "headers that never end";
    }
    {
        Collector collector;
        auto parser = collector.Parser(limits);
        bool going = true;
        for (int i = 0; going && i < 100; ++i) {
            going = parser.Feed("junk without a newline ");
        }
        EXPECT_FALSE(going) << "bytes that never reach a boundary";
    }
    {
        Collector collector;
        auto parser = collector.Parser(limits);
        bool going = true;
        for (int i = 0; going && i < 100; ++i) {
            going = parser.Feed("junk line\r\n");
        }
        EXPECT_FALSE(going) << "lines that are never a boundary";
    }
}

} // namespace
