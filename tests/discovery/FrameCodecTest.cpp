#include "FrameCodec.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const unsigned char kAdapter[6] = {0x00, 0x1b, 0x21, 0xaa, 0xbb, 0xcc};
const unsigned char kOtherAdapter[6] = {0x00, 0x1b, 0x21, 0xaa, 0xbb, 0xcd};
const unsigned char kCamera[6] = {0x02, 0x5a, 0x00, 0x00, 0x00, 0x07};

// A reply as a camera sends it: 260 bytes, kind bytes a and b, text from the
// offset its kind prescribes.
std::vector<unsigned char> Reply(unsigned char a, unsigned char b, const std::string& text,
                                 const unsigned char* addressedTo = kAdapter, unsigned char resultByte = 1)
{
    std::vector<unsigned char> frame(tivox::kFrameSize, 0);
    std::memcpy(frame.data(), addressedTo, 6);
    std::memcpy(frame.data() + 6, kCamera, 6);
    frame[12] = 0x08;
    frame[13] = 0x09;
    std::memcpy(frame.data() + 14, tivox::kSignature, 4);
    frame[18] = a;
    frame[19] = b;
    std::size_t offset = 20;
    if (a + b == 3) {
        std::memcpy(frame.data() + 20, addressedTo, 6);
        frame[26] = resultByte;
        offset = 27;
    }
    std::memcpy(frame.data() + offset, text.data(), std::min(text.size(), frame.size() - offset));
    return frame;
}

tivox::FrameKind Decode(const std::vector<unsigned char>& frame, tagMsgInfo& msg,
                        std::size_t captured = tivox::kFrameSize)
{
    return tivox::DecodeFrame(frame.data(), captured, kAdapter, msg);
}

const char* kExample = "192.168.5.10;80;255.255.255.0;192.168.5.1;192.168.5.1;M1;V2;x;Cam A;y;3600";

TEST(FrameCodec, KindSumDecidesWhichByteCarriesTheKind)
{
    tagMsgInfo msg{};
    EXPECT_EQ(Decode(Reply(1, 0, kExample), msg), tivox::FrameKind::DiscoveryReply);
    EXPECT_EQ(Decode(Reply(0, 1, kExample), msg), tivox::FrameKind::DiscoveryReply);
    EXPECT_EQ(Decode(Reply(1, 2, kExample), msg), tivox::FrameKind::ModifyReply);
    EXPECT_EQ(Decode(Reply(3, 0, kExample), msg), tivox::FrameKind::ModifyReply);
    // A discovery request heard from another workstation, a modify request,
    // and a sum that wraps nothing (255 + 2) are all ignored.
    EXPECT_EQ(Decode(Reply(0, 0, kExample), msg), tivox::FrameKind::Dropped);
    EXPECT_EQ(Decode(Reply(0, 2, kExample), msg), tivox::FrameKind::Dropped);
    EXPECT_EQ(Decode(Reply(255, 2, kExample), msg), tivox::FrameKind::Dropped);
}

TEST(FrameCodec, DiscoveryReplyDecodesEveryField)
{
    tagMsgInfo msg{};
    msg.result = 77;
    ASSERT_EQ(Decode(Reply(0, 1, kExample), msg), tivox::FrameKind::DiscoveryReply);
    EXPECT_EQ(0, std::memcmp(msg.info.mac, kCamera, 6));
    EXPECT_EQ(msg.info.mac[6], 0);
    EXPECT_EQ(msg.info.mac[7], 0);
    EXPECT_STREQ(msg.info.ip, "192.168.5.10");
    EXPECT_EQ(msg.info.port, 80);
    EXPECT_STREQ(msg.info.netmask, "255.255.255.0");
    EXPECT_STREQ(msg.info.gateway, "192.168.5.1");
    EXPECT_STREQ(msg.info.dns, "192.168.5.1");
    EXPECT_STREQ(msg.info.model, "M1");
    EXPECT_STREQ(msg.info.version, "V2");
    EXPECT_STREQ(msg.info.extra7, "x");
    EXPECT_STREQ(msg.info.devName, "Cam A");
    EXPECT_STREQ(msg.info.extra9, "y");
    EXPECT_EQ(msg.info.upTime, 3600);
    EXPECT_EQ(msg.info.viaUdp, 0);
    EXPECT_STREQ(msg.info.user, "");
    EXPECT_EQ(msg.result, 0);
}

TEST(FrameCodec, MissingFieldsAreEmptyOrZero)
{
    tagMsgInfo msg{};
    ASSERT_EQ(Decode(Reply(1, 0, "10.0.0.5;;255.0.0.0"), msg), tivox::FrameKind::DiscoveryReply);
    EXPECT_STREQ(msg.info.ip, "10.0.0.5");
    EXPECT_EQ(msg.info.port, 0);
    EXPECT_STREQ(msg.info.netmask, "255.0.0.0");
    EXPECT_STREQ(msg.info.gateway, "");
    EXPECT_STREQ(msg.info.devName, "");
    EXPECT_EQ(msg.info.upTime, 0);
}

TEST(FrameCodec, ModifyReplyMustBeAddressedToThisAdapter)
{
    tagMsgInfo msg{};
    EXPECT_EQ(Decode(Reply(0, 3, kExample, kOtherAdapter), msg), tivox::FrameKind::Dropped);

    ASSERT_EQ(Decode(Reply(0, 3, kExample, kAdapter, 1), msg), tivox::FrameKind::ModifyReply);
    EXPECT_EQ(msg.result, 0);
    EXPECT_STREQ(msg.info.ip, "192.168.5.10");

    // A refusal still carries the camera's current settings.
    ASSERT_EQ(Decode(Reply(0, 3, kExample, kAdapter, 0), msg), tivox::FrameKind::ModifyReply);
    EXPECT_EQ(msg.result, -1);
    EXPECT_STREQ(msg.info.devName, "Cam A");
    EXPECT_EQ(msg.info.upTime, 3600);
}

TEST(FrameCodec, ShortOrUnsignedFramesAreDropped)
{
    tagMsgInfo msg{};
    auto frame = Reply(0, 1, kExample);
    EXPECT_EQ(Decode(frame, msg, 20), tivox::FrameKind::Dropped);
    EXPECT_EQ(Decode(frame, msg, 0), tivox::FrameKind::Dropped);
    // 21 bytes hold one character of text and nothing past the capture.
    ASSERT_EQ(Decode(frame, msg, 21), tivox::FrameKind::DiscoveryReply);
    EXPECT_STREQ(msg.info.ip, "1");
    // A modify reply cut before its result byte cannot be judged.
    EXPECT_EQ(Decode(Reply(0, 3, kExample), msg, 26), tivox::FrameKind::Dropped);
    ASSERT_EQ(Decode(Reply(0, 3, kExample), msg, 27), tivox::FrameKind::ModifyReply);
    EXPECT_STREQ(msg.info.ip, "");

    frame[17] = 0x11;
    EXPECT_EQ(Decode(frame, msg), tivox::FrameKind::Dropped);
}

TEST(FrameCodec, TextEndsAtCapturedLengthWithoutTerminator)
{
    // Text filling the frame to its last byte has no NUL; it must end there.
    std::string text = "1.2.3.4;8080;";
    text.resize(240, 'z');
    tagMsgInfo msg{};
    ASSERT_EQ(Decode(Reply(1, 0, text), msg), tivox::FrameKind::DiscoveryReply);
    EXPECT_EQ(msg.info.port, 8080);
    EXPECT_EQ(std::string(msg.info.netmask), std::string(31, 'z'));
}

TEST(FrameCodec, LongFieldsAreCutToTheirRecordWidth)
{
    const std::string name70(70, 'N');
    const std::string model40(40, 'M');
    const std::string text = "1.1.1.1;80;m;g;d;" + model40 + ";v;x;" + name70 + ";y;5";
    tagMsgInfo msg{};
    ASSERT_EQ(Decode(Reply(1, 0, text), msg), tivox::FrameKind::DiscoveryReply);
    EXPECT_EQ(std::string(msg.info.devName), name70.substr(0, 63));
    EXPECT_EQ(std::string(msg.info.model), model40.substr(0, 31));
    EXPECT_EQ(msg.info.upTime, 5);
}

TEST(FrameCodec, SplittingRuleForSeparators)
{
    auto split = [](const std::string& text) {
        tivox::FieldSlots slots{};
        tivox::SplitFieldString(reinterpret_cast<const unsigned char*>(text.data()), text.size(), slots);
        std::vector<std::string> fields;
        for (std::size_t i = 0; i < 5; ++i) {
            fields.emplace_back(slots[i].data());
        }
        return fields;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(split("a;;b"), (V{"a", "", "b", "", ""}));
    EXPECT_EQ(split("a;b;"), (V{"a", "b", "", "", ""}));
    EXPECT_EQ(split(";x"), (V{"x", "", "", "", ""}));
    EXPECT_EQ(split(";;x"), (V{"", "x", "", "", ""}));
    EXPECT_EQ(split("a;;;b"), (V{"a", "", "", "b", ""}));
    EXPECT_EQ(split(std::string("a;b\0;c", 6)), (V{"a", "b", "", "", ""}));
}

TEST(FrameCodec, SplittingNeverWritesPastItsSlots)
{
    // 40 fields of 300 characters: only 32 slots of 255 characters survive.
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += std::string(300, static_cast<char>('A' + i % 26)) + ";";
    }
    tivox::FieldSlots slots{};
    tivox::SplitFieldString(reinterpret_cast<const unsigned char*>(text.data()), text.size(), slots);
    EXPECT_EQ(std::string(slots[0].data()), std::string(255, 'A'));
    EXPECT_EQ(std::string(slots[31].data()), std::string(255, 'F'));
    // Many separators alone move the slot far past the end without harm.
    const std::string separators(1000, ';');
    tivox::FieldSlots empty{};
    tivox::SplitFieldString(reinterpret_cast<const unsigned char*>(separators.data()), separators.size(),
                            empty);
    for (const auto& slot : empty) {
        EXPECT_EQ(slot[0], '\0');
    }
}

TEST(FrameCodec, DecimalFields)
{
    EXPECT_EQ(tivox::ParseDecimal("  +80x"), 80);
    EXPECT_EQ(tivox::ParseDecimal("-12"), -12);
    EXPECT_EQ(tivox::ParseDecimal("abc"), 0);
    EXPECT_EQ(tivox::ParseDecimal(""), 0);
    EXPECT_EQ(tivox::ParseDecimal("99999999999999"), 2147483647);
    EXPECT_EQ(tivox::ParseDecimal("-99999999999999"), -2147483647 - 1);
}

TEST(FrameCodec, DiscoveryRequestLayout)
{
    const tivox::Frame frame = tivox::BuildDiscoveryRequest(kAdapter);
    const unsigned char head[20] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00, 0x1b, 0x21, 0xaa,
                                    0xbb, 0xcc, 0x08, 0x09, 0x20, 0x12, 0x06, 0x10, 0x00, 0x00};
    EXPECT_EQ(0, std::memcmp(frame.data(), head, sizeof(head)));
    for (std::size_t i = 20; i < frame.size(); ++i) {
        ASSERT_EQ(frame[i], 0) << "byte " << i;
    }
}

tagVtIpcInfo ModifyExample()
{
    tagVtIpcInfo info{};
    std::memcpy(info.mac, kCamera, 6);
    std::strcpy(info.ip, "10.1.2.3");
    info.port = 80;
    std::strcpy(info.netmask, "255.255.255.0");
    std::strcpy(info.gateway, "10.1.2.1");
    std::strcpy(info.dns, "10.1.2.1");
    std::strcpy(info.devName, "Cam");
    std::strcpy(info.user, "admin");
    std::strcpy(info.password, "secret");
    return info;
}

TEST(FrameCodec, ModifyRequestLayout)
{
    const tivox::Frame frame = tivox::BuildModifyRequest(kAdapter, ModifyExample());
    EXPECT_EQ(frame[18], 0);
    EXPECT_EQ(frame[19], 2);
    EXPECT_EQ(0, std::memcmp(frame.data() + 6, kAdapter, 6));
    EXPECT_EQ(0, std::memcmp(frame.data() + 20, kCamera, 6));
    const char* expected = "10.1.2.3;80;255.255.255.0;10.1.2.1;10.1.2.1;Cam;admin;secret";
    EXPECT_STREQ(reinterpret_cast<const char*>(frame.data() + 26), expected);
    for (std::size_t i = 26 + std::strlen(expected); i < frame.size(); ++i) {
        ASSERT_EQ(frame[i], 0) << "byte " << i;
    }
}

TEST(FrameCodec, LongModifyTextIsCutAndStaysTerminated)
{
    tagVtIpcInfo info = ModifyExample();
    for (char* field : {info.ip, info.netmask, info.gateway, info.dns}) {
        std::memset(field, '1', 31);
    }
    std::memset(info.devName, 'N', sizeof(info.devName) - 1);
    std::memset(info.model, 'M', sizeof(info.model)); // not sent, and not terminated
    std::memset(info.user, 'U', sizeof(info.user));   // a caller that forgot the terminator
    std::memset(info.password, 'P', sizeof(info.password));
    char full[512];
    const std::size_t length = tivox::FormatModifyText(info, full, sizeof(full));
    EXPECT_EQ(length, 4 * 31 + 2 + 7 + 63 + 32 + 16u);
    ASSERT_GT(length, tivox::kModifyTextMax);

    const tivox::Frame frame = tivox::BuildModifyRequest(kAdapter, info);
    EXPECT_EQ(0, std::memcmp(frame.data() + 26, full, tivox::kModifyTextMax));
    EXPECT_EQ(frame[259], 0);
}

} // namespace
