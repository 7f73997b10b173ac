#include "MjpegParser.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using vtclient::MjpegParser;

std::string Part(const std::string& picture)
{
    return "--vtframe\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(picture.size()) +
           "\r\n\r\n" + picture + "\r\n";
}

TEST(MjpegParser, PicturesInAnySplit)
{
    const std::string stream = Part("first") + Part(std::string(1000, 'x')) + Part("third");
    for (size_t step : {1u, 7u, 5000u}) {
        std::vector<std::string> pictures;
        MjpegParser parser([&](std::string_view jpeg) {
            pictures.emplace_back(jpeg);
            return true;
        });
        for (size_t at = 0; at < stream.size(); at += step) {
            ASSERT_TRUE(parser.Feed(std::string_view(stream).substr(at, step)));
        }
        ASSERT_EQ(pictures.size(), 3u) << step;
        EXPECT_EQ(pictures[0], "first");
        EXPECT_EQ(pictures[1].size(), 1000u);
        EXPECT_EQ(pictures[2], "third");
    }
}

TEST(MjpegParser, BoundsAndMalformedStreamsStopIt)
{
    const auto accept = [](std::string_view) { return true; };
    MjpegParser huge(accept);
    EXPECT_FALSE(
        huge.Feed("--vtframe\r\nContent-Length: " + std::to_string(MjpegParser::kMaxPart + 1) + "\r\n\r\n"));
    MjpegParser noLength(accept);
    EXPECT_FALSE(noLength.Feed("--vtframe\r\nContent-Type: image/jpeg\r\n\r\n"));
    MjpegParser garbage(accept);
    EXPECT_FALSE(garbage.Feed("HTTP/1.1 200 OK\r\n"));
    EXPECT_FALSE(garbage.Feed(Part("late"))) << "a failed parser stays failed";
    MjpegParser endlessHead(accept);
    bool alive = endlessHead.Feed("--vtframe\r\n");
    for (int i = 0; i < 10 && alive; ++i) {
        alive = endlessHead.Feed("X-Pad: " + std::string(1000, 'p') + "\r\n");
    }
    EXPECT_FALSE(alive);
    MjpegParser stopping([](std::string_view) { return false; });
    EXPECT_FALSE(stopping.Feed(Part("one")));
}

} // namespace
