// The discovery library's codec and the simulator's frames are written apart;
// here each reads what the other wrote.
#include "FrameCodec.h"
#include "RawFrameResponder.h"
#include "SimConfig.h"
#include "SimFrames.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

const unsigned char kAdapter[6] = {0x00, 0x1b, 0x21, 0x01, 0x02, 0x03};

void AddThreeCameras(camsim::CameraTable& table)
{
    camsim::SimOptions options;
    options.interfaceName = "unused";
    options.count = 3;
    options.baseIp = "10.20.0.1";
    options.seed = 3;
    std::vector<camsim::SimCamera> cameras;
    std::string error;
    EXPECT_TRUE(camsim::BuildCameras(options, cameras, error)) << error;
    cameras[1].faults = camsim::kFaultLostDiscovery | camsim::kFaultLostModify;
    cameras[2].faults = camsim::kFaultRefuseModify;
    cameras[0].name = "Lobby \xe5\x85\xa5\xe5\x8f\xa3"; // UTF-8 name
    for (auto& camera : cameras) {
        table.Add(camera);
    }
}

tagVtIpcInfo Change(const camsim::SimCamera& camera, const char* password)
{
    tagVtIpcInfo info{};
    std::memcpy(info.mac, camera.mac.data(), 6);
    std::strcpy(info.ip, "10.30.0.9");
    info.port = 8081;
    std::strcpy(info.netmask, "255.255.255.0");
    std::strcpy(info.gateway, "10.30.0.1");
    std::strcpy(info.dns, "10.30.0.2");
    std::strcpy(info.devName, "Dock 4");
    std::strcpy(info.user, "admin");
    std::strcpy(info.password, password);
    return info;
}

TEST(SimulatorCrossCheck, DiscoveryRepliesDecodeToTheCamerasAsTheSimulatorKeepsThem)
{
    camsim::CameraTable table;
    AddThreeCameras(table);
    camsim::RawFrameResponder responder(table);
    const tivox::Frame request = tivox::BuildDiscoveryRequest(kAdapter);
    const auto replies = responder.Answer(request.data(), request.size());
    ASSERT_EQ(replies.size(), 2u) << "the camera with lost discovery stays silent";
    const auto cameras = table.Snapshot();
    for (std::size_t i = 0; i < replies.size(); ++i) {
        const camsim::SimCamera& camera = cameras[i == 0 ? 0 : 2];
        tagMsgInfo msg{};
        ASSERT_EQ(tivox::DecodeFrame(replies[i].data(), replies[i].size(), kAdapter, msg),
                  tivox::FrameKind::DiscoveryReply);
        EXPECT_EQ(0, std::memcmp(msg.info.mac, camera.mac.data(), 6));
        EXPECT_EQ(0, std::memcmp(replies[i].data(), kAdapter, 6)) << "replies go to the asking adapter";
        EXPECT_EQ(msg.info.ip, camera.ip);
        EXPECT_EQ(msg.info.port, camera.port);
        EXPECT_EQ(msg.info.netmask, camera.netmask);
        EXPECT_EQ(msg.info.gateway, camera.gateway);
        EXPECT_EQ(msg.info.model, camera.model);
        EXPECT_EQ(msg.info.version, camera.version);
        EXPECT_EQ(msg.info.devName, camera.name);
        EXPECT_GT(msg.info.upTime, 0);
    }
}

TEST(SimulatorCrossCheck, ModifyRequestsChangeOnlyCamerasThatAcceptThem)
{
    camsim::CameraTable table;
    AddThreeCameras(table);
    camsim::RawFrameResponder responder(table);
    const auto cameras = table.Snapshot();

    // Wrong password: refused, and the camera keeps its identity.
    tivox::Frame request = tivox::BuildModifyRequest(kAdapter, Change(cameras[0], "wrong"));
    auto replies = responder.Answer(request.data(), request.size());
    ASSERT_EQ(replies.size(), 1u);
    tagMsgInfo msg{};
    ASSERT_EQ(tivox::DecodeFrame(replies[0].data(), replies[0].size(), kAdapter, msg),
              tivox::FrameKind::ModifyReply);
    EXPECT_EQ(msg.result, -1);
    EXPECT_EQ(msg.info.ip, cameras[0].ip);

    request = tivox::BuildModifyRequest(kAdapter, Change(cameras[0], "admin"));
    replies = responder.Answer(request.data(), request.size());
    ASSERT_EQ(replies.size(), 1u);
    ASSERT_EQ(tivox::DecodeFrame(replies[0].data(), replies[0].size(), kAdapter, msg),
              tivox::FrameKind::ModifyReply);
    EXPECT_EQ(msg.result, 0);
    EXPECT_STREQ(msg.info.ip, "10.30.0.9");
    EXPECT_EQ(msg.info.port, 8081);
    EXPECT_STREQ(msg.info.devName, "Dock 4");
    const auto changed = table.Find(cameras[0].mac);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->ip, "10.30.0.9");
    EXPECT_EQ(changed->dns, "10.30.0.2");

    // Another adapter's reply is not ours to decode.
    const unsigned char otherAdapter[6] = {0x00, 0x1b, 0x21, 0x09, 0x09, 0x09};
    EXPECT_EQ(tivox::DecodeFrame(replies[0].data(), replies[0].size(), otherAdapter, msg),
              tivox::FrameKind::Dropped);

    request = tivox::BuildModifyRequest(kAdapter, Change(cameras[1], "admin"));
    EXPECT_TRUE(responder.Answer(request.data(), request.size()).empty()) << "lost modify answers nothing";

    request = tivox::BuildModifyRequest(kAdapter, Change(cameras[2], "admin"));
    replies = responder.Answer(request.data(), request.size());
    ASSERT_EQ(replies.size(), 1u);
    ASSERT_EQ(tivox::DecodeFrame(replies[0].data(), replies[0].size(), kAdapter, msg),
              tivox::FrameKind::ModifyReply);
    EXPECT_EQ(msg.result, -1);
    EXPECT_EQ(table.Find(cameras[2].mac)->ip, cameras[2].ip);

    // The simulator's own replies are never taken for requests.
    EXPECT_TRUE(responder.Answer(replies[0].data(), replies[0].size()).empty());
}

TEST(SimulatorCrossCheck, ModifyTextCutAt233BytesIsRefusedNotMisread)
{
    camsim::CameraTable table;
    AddThreeCameras(table);
    const auto cameras = table.Snapshot();
    tagVtIpcInfo info = Change(cameras[0], "admin");
    std::memset(info.devName, 'N', 63);
    std::memset(info.user, 'U', 31);
    std::memset(info.password, 'P', 15);
    for (char* field : {info.ip, info.netmask, info.gateway, info.dns}) {
        std::strcpy(field, "255.255.255.255.255.255.255.25");
    }
    const tivox::Frame request = tivox::BuildModifyRequest(kAdapter, info);
    const auto parsed = camsim::ParseSimRequest(request.data(), request.size());
    ASSERT_TRUE(parsed);
    EXPECT_LT(parsed->modify.password.size(), 15u) << "the password was cut with the text";
    camsim::RawFrameResponder responder(table);
    const auto replies = responder.Answer(request.data(), request.size());
    ASSERT_EQ(replies.size(), 1u);
    tagMsgInfo msg{};
    ASSERT_EQ(tivox::DecodeFrame(replies[0].data(), replies[0].size(), kAdapter, msg),
              tivox::FrameKind::ModifyReply);
    EXPECT_EQ(msg.result, -1);
}

// The password closes the modify text, so the camera reads it whole: a
// semicolon, an apostrophe or a backslash in it is the password's own.
TEST(SimulatorCrossCheck, APasswordWithSemicolonsQuotesAndBackslashesModifiesTheCamera)
{
    camsim::CameraTable table;
    AddThreeCameras(table);
    const auto cameras = table.Snapshot();
    const char* password = "a;b'c\\;";
    tagVtIpcInfo info = Change(cameras[1], password);
    const tivox::Frame request = tivox::BuildModifyRequest(kAdapter, info);
    const auto parsed = camsim::ParseSimRequest(request.data(), request.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->modify.user, "admin");
    EXPECT_EQ(parsed->modify.password, password);
    EXPECT_EQ(parsed->modify.name, "Dock 4");
}

TEST(SimulatorCrossCheck, OptionsAndConfigurationAreChecked)
{
    camsim::SimOptions options;
    std::string message;
    EXPECT_FALSE(camsim::ParseSimOptions({"--count", "5"}, options, message));
    EXPECT_NE(message.find("--interface is required"), std::string::npos);
    EXPECT_FALSE(camsim::ParseSimOptions({"--interface", "x", "--count", "0"}, options, message));
    EXPECT_FALSE(camsim::ParseSimOptions({"--interface", "x", "--base-ip", "300.1.1.1"}, options, message));
    EXPECT_FALSE(camsim::ParseSimOptions({"--interface", "x", "--fault", "melt"}, options, message));
    EXPECT_FALSE(camsim::ParseSimOptions({"--interface"}, options, message));
    ASSERT_TRUE(
        camsim::ParseSimOptions({"--interface", "x", "--count", "300", "--base-ip", "10.0.0.250", "--fault",
                                 "refuse-modify", "--fault", "lost-discovery", "--seed", "9"},
                                options, message))
        << message;
    std::vector<camsim::SimCamera> cameras;
    ASSERT_TRUE(camsim::BuildCameras(options, cameras, message)) << message;
    ASSERT_EQ(cameras.size(), 300u);
    EXPECT_EQ(cameras[0].ip, "10.0.0.250");
    EXPECT_EQ(cameras[6].ip, "10.0.1.0");
    EXPECT_NE(cameras[0].mac, cameras[299].mac);
    EXPECT_TRUE(cameras[5].Has(camsim::kFaultRefuseModify));
    EXPECT_TRUE(cameras[5].Has(camsim::kFaultLostDiscovery));

    ASSERT_TRUE(camsim::ApplyConfigText(
        R"({"cameras": [{"index": 2, "name": "Gate", "mac": "02:5a:00:00:00:99", "port": 81, "faults": []}]})",
        cameras, message))
        << message;
    EXPECT_EQ(cameras[2].name, "Gate");
    EXPECT_EQ(cameras[2].port, 81);
    EXPECT_EQ(cameras[2].faults, camsim::kFaultNone);
    EXPECT_EQ(camsim::FormatMac(cameras[2].mac), "02:5a:00:00:00:99");
    EXPECT_FALSE(camsim::ApplyConfigText(R"({"cameras": [{"index": 300}]})", cameras, message));
    EXPECT_FALSE(camsim::ApplyConfigText(R"({"cameras": [{"index": 0, "mac": "nope"}]})", cameras, message));
    EXPECT_FALSE(
        camsim::ApplyConfigText(R"({"cameras": [{"index": 0, "faults": ["melt"]}]})", cameras, message));
    EXPECT_FALSE(camsim::ApplyConfigText("not json", cameras, message));
}

} // namespace
