// A download reaches its final name whole or not at all.
#include "DownloadReceiver.h"

#include "VtIpcSDK.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using vtmedia::DownloadReceiver;

class DownloadReceiverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() / ("vtdownload-" + std::to_string(getpid()));
        fs::create_directories(folder_);
        target_ = folder_ / "camera_Log.db";
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Read(const fs::path& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    size_t FilesInFolder() const
    {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }

    fs::path folder_;
    fs::path target_;
};

TEST_F(DownloadReceiverTest, AWholeAnswerReplacesTheTargetOnlyAtItsLastByte)
{
    std::ofstream(target_) << "old";
    const std::string body = std::string(100000, 'a') + "tail";
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                               "\r\n\r\n" + body + "ignored after";
    const size_t lastBodyByte = answer.size() - std::string("ignored after").size() - 1;
    DownloadReceiver receiver(target_);
    for (size_t at = 0; at < lastBodyByte; at += 7000) {
        EXPECT_EQ(
            receiver.Feed(std::string_view(answer).substr(at, std::min<size_t>(7000, lastBodyByte - at))),
            DownloadReceiver::State::NeedMore);
    }
    EXPECT_EQ(Read(target_), "old") << "the target changed before the last byte";
    receiver.Feed(std::string_view(answer).substr(lastBodyByte));
    ASSERT_EQ(receiver.Current(), DownloadReceiver::State::Complete);
    EXPECT_EQ(Read(target_), body);
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(DownloadReceiverTest, BrokenAnswersLeaveNothingBehind)
{
    struct Case
    {
        const char* why;
        std::string answer;
        int error;
    };
    const Case cases[] = {
        {"cut off", "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nonly part", VT_ERR_PROTOCOL},
        {"no length", "HTTP/1.1 200 OK\r\n\r\nbody to the close", VT_ERR_PROTOCOL},
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nabcd\r\n0\r\n\r\n",
         VT_ERR_PROTOCOL},
        {"too large", "HTTP/1.1 200 OK\r\nContent-Length: 1001\r\n\r\n", VT_ERR_PROTOCOL},
        {"not found", "HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\n{}", VT_ERR_UNSUPPORTED},
        {"busy", "HTTP/1.1 503 Busy\r\nContent-Length: 0\r\n\r\n", VT_ERR_BUSY},
        {"not http", "SSH-2.0-OpenSSH\r\n\r\n", VT_ERR_PROTOCOL},
        {"endless head", "HTTP/1.1 200 OK\r\n" + std::string(20000, 'h'), VT_ERR_PROTOCOL},
        {"nothing", "", VT_ERR_UNREACHABLE},
    };
    for (const auto& c : cases) {
        std::ofstream(target_) << "old";
        {
            DownloadReceiver receiver(target_, 1000);
            receiver.Feed(c.answer);
            receiver.Finish();
            EXPECT_EQ(receiver.Current(), DownloadReceiver::State::Failed) << c.why;
            EXPECT_EQ(receiver.Error(), c.error) << c.why;
        }
        EXPECT_EQ(Read(target_), "old") << c.why;
        EXPECT_EQ(FilesInFolder(), 1u) << "a temporary file stayed: " << c.why;
    }
}

TEST_F(DownloadReceiverTest, AnAbandonedDownloadRemovesItsTemporaryFile)
{
    {
        DownloadReceiver receiver(target_);
        receiver.Feed("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n12345");
        EXPECT_EQ(FilesInFolder(), 1u) << "the bytes so far sit in a temporary file";
    }
    EXPECT_EQ(FilesInFolder(), 0u);
    EXPECT_FALSE(fs::exists(target_));
}

TEST_F(DownloadReceiverTest, ChallengesAndUnwritableFoldersAreReported)
{
    DownloadReceiver refused(target_);
    refused.Feed(
        "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"VtIpc\", nonce=\"n\", stale=true\r\n"
        "Content-Length: 0\r\n\r\n");
    EXPECT_EQ(refused.Error(), VT_ERR_AUTH_REFUSED);
    EXPECT_EQ(refused.Status(), 401);
    EXPECT_NE(refused.Challenge().find("stale=true"), std::string::npos);

    DownloadReceiver nowhere(folder_ / "missing-folder" / "file");
    nowhere.Feed("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx");
    EXPECT_EQ(nowhere.Error(), VT_ERR_FILE);
}

TEST_F(DownloadReceiverTest, AnEmptyFileIsAWholeFile)
{
    DownloadReceiver receiver(target_);
    EXPECT_EQ(receiver.Feed("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"),
              DownloadReceiver::State::Complete);
    EXPECT_TRUE(fs::exists(target_));
    EXPECT_EQ(fs::file_size(target_), 0u);
}

} // namespace
