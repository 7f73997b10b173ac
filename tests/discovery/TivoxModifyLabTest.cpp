// Changing cameras' addresses over raw frames in the lab: answered,
// refused and unanswered requests, and the table that times them out.
#include "TivoxLabFixture.h"

#include <fstream>

namespace tivoxlab {
namespace {

tagVtIpcInfo ChangeFor(const tagVtIpcInfo& camera, const char* ip, const char* name, const char* password)
{
    tagVtIpcInfo change = camera;
    std::strcpy(change.ip, ip);
    std::strcpy(change.devName, name);
    std::strcpy(change.user, "admin");
    std::strcpy(change.password, password);
    change.port = 8080;
    return change;
}

// Every modify outcome in one run, so that the fifteen-second time-outs are
// waited for once: an accepted change, a wrong password, a refusing camera,
// a silent camera and a full table of unanswered requests.
TEST_F(TivoxLab, ModifyOutcomesAndTimeOuts)
{
    const std::string config = ::testing::TempDir() + "tivox-lab-cameras.json";
    std::ofstream(config) << R"({"cameras": [{"index": 1, "faults": ["refuse-modify"]},
                                             {"index": 2, "faults": ["lost-modify"]}]})";
    StartCameras({"--count", "3", "--config", config});
    CTivox tivox;
    ASSERT_EQ(OpenOnLab(tivox), 0);
    Collector collector;
    ASSERT_EQ(tivox.StartCapture(&Collector::Callback, &collector), 0);
    ASSERT_EQ(tivox.StartDiscovery(), 0);
    ASSERT_TRUE(collector.WaitFor([](const auto& events) { return DiscoveredIps(events).size() == 3; }, 5s));
    tagVtIpcInfo cameras[3];
    for (const Event& event : collector.Events()) {
        for (int i = 0; i < 3; ++i) {
            if (CameraIp(i) == event.msg.info.ip) {
                cameras[i] = event.msg.info;
            }
        }
    }

    tagVtIpcInfo noPassword = ChangeFor(cameras[0], "192.168.7.7", "x", "");
    EXPECT_EQ(tivox.ModifyIpcInfo(&noPassword), -1);

    tagVtIpcInfo wrongPassword = ChangeFor(cameras[0], "192.168.7.7", "Wrong", "nope");
    ASSERT_EQ(tivox.ModifyIpcInfo(&wrongPassword), 0);
    ASSERT_TRUE(collector.WaitFor([](const auto& events) { return Count(events, 3, -1) == 1; }, 5s));

    tagVtIpcInfo accepted = ChangeFor(cameras[0], "192.168.7.7", "Gate North", "admin");
    ASSERT_EQ(tivox.ModifyIpcInfo(&accepted), 0);
    ASSERT_TRUE(collector.WaitFor([](const auto& events) { return Count(events, 3, 0) == 1; }, 5s));

    tagVtIpcInfo refused = ChangeFor(cameras[1], "192.168.7.8", "Refused", "admin");
    ASSERT_EQ(tivox.ModifyIpcInfo(&refused), 0);
    ASSERT_TRUE(collector.WaitFor([](const auto& events) { return Count(events, 3, -1) == 2; }, 5s));

    // The silent camera's change goes out through two adapter objects, as the
    // program sends it on every adapter; with 126 cameras that do not exist
    // they fill the table, and the 129th request goes out without a slot.
    CTivox secondAdapter;
    ASSERT_EQ(OpenOnLab(secondAdapter), 0);
    Collector secondCollector;
    ASSERT_EQ(secondAdapter.StartCapture(&Collector::Callback, &secondCollector), 0);
    const auto unansweredSent = Clock::now();
    tagVtIpcInfo silent = ChangeFor(cameras[2], "192.168.7.9", "Silent", "admin");
    ASSERT_EQ(tivox.ModifyIpcInfo(&silent), 0);
    ASSERT_EQ(secondAdapter.ModifyIpcInfo(&silent), 0);
    constexpr int kGhosts = 127;
    for (int i = 0; i < kGhosts; ++i) {
        tagVtIpcInfo ghost = ChangeFor(cameras[2], "192.168.8.1", "Ghost", "admin");
        ghost.mac[0] = 0x0a;
        ghost.mac[5] = static_cast<unsigned char>(i);
        ASSERT_EQ(tivox.ModifyIpcInfo(&ghost), 0);
    }

    // The accepted change is real: the camera now reports it.
    const std::size_t before = collector.Events().size();
    ASSERT_EQ(tivox.StartDiscovery(), 0);
    ASSERT_TRUE(collector.WaitFor([&](const auto& events) { return events.size() >= before + 3; }, 5s));
    bool sawChanged = false;
    for (const Event& event : collector.Events()) {
        if (event.code == 1 && std::memcmp(event.msg.info.mac, cameras[0].mac, 6) == 0 &&
            std::strcmp(event.msg.info.ip, "192.168.7.7") == 0) {
            sawChanged = true;
            EXPECT_STREQ(event.msg.info.devName, "Gate North");
            EXPECT_EQ(event.msg.info.port, 8080);
        }
    }
    EXPECT_TRUE(sawChanged);

    // Either adapter object's sweeper may report an expired request, once.
    auto timeOuts = [&] {
        std::vector<Event> all;
        for (Collector* source : {&collector, &secondCollector}) {
            for (const Event& event : source->Events()) {
                if (event.msg.result == 1) {
                    all.push_back(event);
                }
            }
        }
        return all;
    };
    const auto deadline = Clock::now() + 20s;
    while (timeOuts().size() < 128 && Clock::now() < deadline) {
        std::this_thread::sleep_for(100ms);
    }
    std::this_thread::sleep_for(1200ms); // room for a wrong 129th report
    const auto events = collector.Events();
    EXPECT_EQ(Count(events, 3, 0), 1u);
    EXPECT_EQ(Count(events, 3, -1), 2u);
    const auto expired = timeOuts();
    EXPECT_EQ(expired.size(), 128u);
    int silentReports = 0;
    for (const Event& event : expired) {
        EXPECT_EQ(event.code, 3);
        EXPECT_FALSE(event.msg.info.mac[0] == 0x0a && event.msg.info.mac[5] == kGhosts - 1)
            << "the 129th request had no slot and must not be reported";
        EXPECT_NE(std::memcmp(event.msg.info.mac, cameras[0].mac, 6), 0) << "an answered change timed out";
        EXPECT_NE(std::memcmp(event.msg.info.mac, cameras[1].mac, 6), 0) << "a refused change timed out";
        const double seconds = std::chrono::duration<double>(event.when - unansweredSent).count();
        EXPECT_GE(seconds, 15.0);
        EXPECT_LE(seconds, 16.0);
        if (std::memcmp(event.msg.info.mac, cameras[2].mac, 6) == 0) {
            ++silentReports;
            EXPECT_STREQ(event.msg.info.ip, "192.168.7.9") << "the report carries the request as sent";
            EXPECT_STREQ(event.msg.info.password, "admin");
        }
    }
    EXPECT_EQ(silentReports, 2) << "one report per adapter that sent the change";
}

} // namespace
} // namespace tivoxlab
