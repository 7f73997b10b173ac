// The RTSP player against a hostile server: endless header lines, a
// description that claims a gigabyte, and a flood of bogus NAL units neither
// crash the player nor grow the process's memory beyond a bound.
#include "ChildServer.h"
#include "RtspPlayer.h"

#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

// What a broken stream may make FFmpeg hold: 256 picture parameter sets of
// 170 kB each in both its parser and its decoder (87 MB), the decoder's
// pictures up to their budget (128 MB) and their side tables. Far below what
// an unbounded read of a claimed gigabyte reaches within the connect time.
constexpr long kBoundKb = 256 * 1024;

long StatusKb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

// The peak resident size starts again from the current one.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct HostileRun
{
    RtspStatus status;
    long growthKb = 0;
};

HostileRun PlayAgainst(const std::string& mode)
{
    ChildServer server({"/usr/bin/python3", HOSTILE_RTSP_SERVER, mode});
    EXPECT_NE(server.Port(), 0) << mode;
    RtspTimings timings;
    timings.connectWithin = 2s;
    timings.stallAfter = 1s;
    timings.firstRetry = 100ms;
    timings.longestRetry = 400ms;
    ResetPeak();
    const long before = StatusKb("VmRSS");
    RtspPlayer player(timings);
    EXPECT_TRUE(player.Start({"rtsp://127.0.0.1:" + std::to_string(server.Port()) + "/hostile", "u", "p", {}},
                             0x7100));
    std::this_thread::sleep_for(5s);
    HostileRun run;
    run.status = player.Status();
    player.Stop();
    run.growthKb = StatusKb("VmHWM") - before;
    return run;
}

} // namespace

TEST(RtspHostileServerTest, EndlessHeadersNeverOpenAndStayBounded)
{
    const HostileRun run = PlayAgainst("headers");
    EXPECT_EQ(run.status.connections, 0u);
    EXPECT_EQ(run.status.lastFailure, RtspFailure::Unreachable);
    EXPECT_EQ(run.status.state, RtspState::NoPicture);
    EXPECT_LT(run.growthKb, kBoundKb);
}

TEST(RtspHostileServerTest, AGigabyteDescriptionIsRefusedAndStaysBounded)
{
    const HostileRun run = PlayAgainst("sdp");
    EXPECT_EQ(run.status.connections, 0u);
    EXPECT_EQ(run.status.state, RtspState::NoPicture);
    EXPECT_LT(run.growthKb, kBoundKb);
}

TEST(RtspHostileServerTest, BogusNalUnitsAreSkippedAndStayBounded)
{
    const HostileRun run = PlayAgainst("nal");
    EXPECT_GE(run.status.connections, 1u);
    EXPECT_GT(run.status.brokenPackets, 0u);
    EXPECT_LT(run.growthKb, kBoundKb) << run.status.connections << " connections, " << run.status.pictures
                                      << " pictures, " << run.status.brokenPackets << " broken packets";
}
