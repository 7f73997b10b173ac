#include "HttpResponseParser.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using vtclient::HttpResponseParser;
using State = HttpResponseParser::State;

// Feeds the text in pieces of `step` bytes.
State FeedInSteps(HttpResponseParser& parser, const std::string& text, size_t step)
{
    State state = State::Incomplete;
    for (size_t at = 0; at < text.size() && state == State::Incomplete; at += step) {
        state = parser.Feed(std::string_view(text).substr(at, step));
    }
    return state;
}

TEST(HttpResponseParser, ContentLengthBodyInAnySplit)
{
    const std::string answer =
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 7\r\n\r\n{\"a\":1}";
    for (size_t step : {1u, 3u, 1000u}) {
        HttpResponseParser parser(1024);
        ASSERT_EQ(FeedInSteps(parser, answer, step), State::Complete) << step;
        EXPECT_EQ(parser.Response().status, 200);
        EXPECT_EQ(parser.Response().body, "{\"a\":1}");
        ASSERT_NE(parser.Response().Header("content-type"), nullptr);
        EXPECT_EQ(*parser.Response().Header("content-type"), "application/json");
    }
}

TEST(HttpResponseParser, ChunkedAndCloseDelimitedBodies)
{
    HttpResponseParser chunked(1024);
    EXPECT_EQ(
        FeedInSteps(
            chunked,
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4;x=y\r\nWiki\r\n5\r\npedia\r\n0\r\n\r\n",
            2),
        State::Complete);
    EXPECT_EQ(chunked.Response().body, "Wikipedia");

    HttpResponseParser toClose(1024);
    EXPECT_EQ(toClose.Feed("HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Digest x=1\r\n\r\nno"),
              State::Incomplete);
    EXPECT_EQ(toClose.Finish(), State::Complete);
    EXPECT_EQ(toClose.Response().status, 401);
    EXPECT_EQ(toClose.Response().body, "no");
}

TEST(HttpResponseParser, RefusesMalformedAnswers)
{
    for (const char* bad :
         {"HTTP/2 200 OK\r\n\r\n", "HTTP/1.1 20 OK\r\n\r\n", "HTTP/1.1 999 OK\r\n\r\n",
          "HTTP/1.1 200 OK\r\nNoColon\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n",
          "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n",
          "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n",
          "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"}) {
        HttpResponseParser parser(1024);
        EXPECT_EQ(parser.Feed(bad), State::Failed) << bad;
    }
    HttpResponseParser cut(1024);
    cut.Feed("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc");
    EXPECT_EQ(cut.Finish(), State::Failed);
}

TEST(HttpResponseParser, BoundsCutOffOversizedAnswers)
{
    HttpResponseParser bigBody(16);
    EXPECT_EQ(bigBody.Feed("HTTP/1.1 200 OK\r\nContent-Length: 17\r\n\r\n"), State::Failed);

    HttpResponseParser bigChunks(16);
    EXPECT_EQ(bigChunks.Feed(
                  "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n0123456789abcdef\r\n1\r\n"),
              State::Failed);

    HttpResponseParser endlessBody(16);
    endlessBody.Feed("HTTP/1.1 200 OK\r\n\r\n");
    EXPECT_EQ(endlessBody.Feed(std::string(17, 'x')), State::Failed);

    HttpResponseParser manyHeaders(16);
    std::string head = "HTTP/1.1 200 OK\r\n";
    for (size_t i = 0; i <= HttpResponseParser::kMaxHeaderLines; ++i) {
        head += "X-A: b\r\n";
    }
    EXPECT_EQ(manyHeaders.Feed(head), State::Failed);

    HttpResponseParser endlessLine(16);
    State state = endlessLine.Feed("HTTP/1.1 200 OK\r\nX-Long: ");
    for (int i = 0; i < 100 && state == State::Incomplete; ++i) {
        state = endlessLine.Feed(std::string(1024, 'y'));
    }
    EXPECT_EQ(state, State::Failed);
}

TEST(HttpResponseParser, SinkTakesOnlySuccessfulBodiesWithinTheBound)
{
    std::string sunk;
    const auto sink = [&sunk](std::string_view bytes) {
        sunk.append(bytes);
        return true;
    };
    HttpResponseParser ok(16, sink);
    EXPECT_EQ(
        FeedInSteps(
            ok, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n", 3),
        State::Complete);
    EXPECT_EQ(sunk, "abcde");
    EXPECT_TRUE(ok.Response().body.empty());

    sunk.clear();
    HttpResponseParser refused(16, sink);
    EXPECT_EQ(refused.Feed("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nnone"), State::Complete);
    EXPECT_TRUE(sunk.empty()) << "an error page never reaches the file";
    EXPECT_EQ(refused.Response().body, "none");

    HttpResponseParser endless(16, sink);
    endless.Feed("HTTP/1.1 200 OK\r\n\r\n");
    EXPECT_EQ(endless.Feed(std::string(17, 'z')), State::Failed);

    HttpResponseParser full(16, [](std::string_view) { return false; }); // the disk is full
    EXPECT_EQ(full.Feed("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nab"), State::Failed);
}

} // namespace
