// An ONVIF camera's video streams, on-screen texts, imaging and snapshot
// through OnvifCamera, against the simulator's media (Media2 and Media),
// imaging and snapshot services over real HTTP on 127.0.0.1; what reached
// the camera is read back from the simulator's state.
#include "FrameSinks.h"
#include "OnvifCameraFixture.h"
#include "RtspService.h"

#include <arpa/inet.h>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <turbojpeg.h>
#include <unistd.h>

namespace {

class OnvifCameraMediaTest : public OnvifCameraFixture, public ::testing::WithParamInterface<bool>
{
protected:
    // Media2, or only Media ver10 as older cameras have.
    void Configure(camsim::SimCamera& sim) override
    {
        sim.media2 = GetParam();
        sim.name = "Lobby";
        sim.imagingMin = -50; // wider than 0-255: two camera values share a record value
        sim.imagingMax = 1000;
    }
    camsim::OnvifMediaState Media() const { return State().media; }
    void SetMedia(const std::function<void(camsim::OnvifMediaState&)>& change)
    {
        std::lock_guard lock(m_camera->mutex);
        change(m_camera->onvif.media);
    }
};

TEST_P(OnvifCameraMediaTest, StreamsAreReadAndWrittenWithinTheCamerasOwnOptions)
{
    OnvifCamera camera(Entry(), {"admin", kSimPassword}, Address());
    ASSERT_TRUE(camera.Login().Done());
    VideoConfigRecord main{};
    main.stream = 1;
    ASSERT_TRUE(camera.GetVideoConfig(main).Done());
    EXPECT_EQ(main.codec, kWireCodecH264);
    EXPECT_EQ(main.frameSize, 2) << "1920x1080";
    EXPECT_EQ(main.frameRate, 25);
    EXPECT_EQ(main.bitRate, 4096);
    EXPECT_EQ(main.iFrameInterval, 50);

    VideoStreamOptions options;
    ASSERT_TRUE(camera.GetVideoOptions(1, options).Done());
    EXPECT_EQ(options.codecs, (std::vector<int>{kWireCodecH264, kWireCodecMjpeg}));
    EXPECT_EQ(options.frameSizes, (std::vector<int>{2, 5, 6})) << "1080P, 720P, D1";
    EXPECT_EQ(options.maxFrameRate, 30);
    EXPECT_EQ(options.maxBitRate, 16384);
    EXPECT_EQ(options.rateControlChoice, GetParam()) << "only Media2 tells constant from variable";
    ASSERT_TRUE(camera.GetVideoOptions(0, options).Done());
    EXPECT_EQ(options.frameSizes, (std::vector<int>{0, 2, 3})) << "640x480, 352x288, 320x240";

    main.frameSize = 5;
    main.frameRate = 15;
    main.bitRate = 2048;
    main.iFrameInterval = 30;
    main.rateControl = 1;
    ASSERT_TRUE(camera.SetVideoConfig(main).Done())
        << std::string(camera.Note().begin(), camera.Note().end());
    VideoConfigRecord sub{};
    sub.stream = 0;
    ASSERT_TRUE(camera.GetVideoConfig(sub).Done());
    sub.frameSize = 3;
    ASSERT_TRUE(camera.SetVideoConfig(sub).Done());
    camsim::OnvifMediaState media = Media();
    EXPECT_EQ(media.encoders[0].resolution, (camsim::Resolution{1280, 720}));
    EXPECT_EQ(media.encoders[0].frameRate, 15);
    EXPECT_EQ(media.encoders[0].bitrate, 2048);
    EXPECT_EQ(media.encoders[0].govLength, 30);
    if (GetParam()) {
        EXPECT_FALSE(media.encoders[0].constantBitRate);
    }
    EXPECT_EQ(media.encoders[1].resolution, (camsim::Resolution{320, 240}));

    // What the camera does not offer is refused with a line and never sent.
    for (const auto& [size, bitRate] : {std::pair{0, 2048}, std::pair{5, 20000}}) {
        VideoConfigRecord refused = main;
        refused.frameSize = size;
        refused.bitRate = bitRate;
        const CameraResult result = camera.SetVideoConfig(refused);
        EXPECT_EQ(result.status, CameraStatus::Failed);
        EXPECT_EQ(result.code, OnvifCamera::kNotOffered);
        EXPECT_FALSE(camera.Note().empty());
    }
    // The second stream cannot be switched off: refused, not reported done.
    VideoConfigRecord off = sub;
    off.secondaryEnabled = 0;
    EXPECT_EQ(camera.SetVideoConfig(off).code, OnvifCamera::kNotOffered);
    EXPECT_EQ(Media().encoders, media.encoders);
}

TEST_P(OnvifCameraMediaTest, TitleAndDateAreOnScreenTextsOfMedia2)
{
    OnvifCamera camera(Entry(), {"admin", kSimPassword}, Address());
    ASSERT_TRUE(camera.Login().Done());
    OsdRecord osd{};
    if (!GetParam()) {
        EXPECT_EQ(camera.GetOsd(osd).status, CameraStatus::NotSupported);
        EXPECT_FALSE(camera.Supports(CameraOperation::Osd)) << "known once the services were read";
        return;
    }
    ASSERT_TRUE(camera.GetOsd(osd).Done());
    EXPECT_EQ(osd.showTitle, 1);
    EXPECT_STREQ(osd.title, "Lobby");
    EXPECT_EQ(osd.titlePosition, 0);
    EXPECT_EQ(osd.showTime, 1);
    EXPECT_EQ(osd.datePosition, 1);

    std::snprintf(osd.title, sizeof osd.title, "Gate 2");
    osd.titlePosition = 1;
    osd.showTime = 0;
    ASSERT_TRUE(camera.SetOsd(osd).Done());
    std::vector<camsim::OsdConfig> osds = Media().osds;
    ASSERT_EQ(osds.size(), 1u) << "the date's text was deleted";
    EXPECT_EQ(osds[0].text, "Gate 2");
    EXPECT_EQ(osds[0].position, "UpperRight");

    osd.showTime = 1;
    osd.datePosition = 2;
    ASSERT_TRUE(camera.SetOsd(osd).Done());
    osds = Media().osds;
    ASSERT_EQ(osds.size(), 2u) << "the date's text was made again";
    EXPECT_TRUE(osds[1].dateTime);
    EXPECT_EQ(osds[1].position, "LowerLeft");
    OsdRecord read{};
    ASSERT_TRUE(camera.GetOsd(read).Done());
    EXPECT_EQ(std::memcmp(&read, &osd, sizeof osd), 0);
}

TEST_P(OnvifCameraMediaTest, PictureValuesScaleOverTheCamerasRangeAndNeverDrift)
{
    OnvifCamera camera(Entry(), {"admin", kSimPassword}, Address());
    ASSERT_TRUE(camera.Login().Done());
    SetMedia([](camsim::OnvifMediaState& media) { media.imaging.brightness = 501; });
    ImagingSettingsRecord picture{};
    ASSERT_TRUE(camera.GetImagingSettings(picture).Done());
    EXPECT_EQ(picture.brightness, 134) << "(501 + 50) * 255 / 1050";
    EXPECT_EQ(picture.contrast, 128);
    ASSERT_TRUE(camera.SetImagingSettings(picture).Done());
    camsim::ImagingValues imaging = Media().imaging;
    EXPECT_EQ(imaging.brightness, 501) << "written back unchanged, the camera's value stays";
    EXPECT_EQ(imaging.contrast, 475);

    picture.brightness = 255;
    picture.saturation = 0;
    ASSERT_TRUE(camera.SetImagingSettings(picture).Done());
    imaging = Media().imaging;
    EXPECT_EQ(imaging.brightness, 1000);
    EXPECT_EQ(imaging.colorSaturation, -50);

    ImagingConfigRecord config{};
    ASSERT_TRUE(camera.GetImagingConfig(config).Done());
    EXPECT_EQ(config.irCut, 2) << "AUTO";
    config.irCut = 1;
    ASSERT_TRUE(camera.SetImagingConfig(config).Done());
    EXPECT_EQ(Media().imaging.irCutFilter, "ON");
    config.frequency = 60;
    EXPECT_EQ(camera.SetImagingConfig(config).code, OnvifCamera::kNotOffered) << "no equivalent";
}

TEST_P(OnvifCameraMediaTest, TheSnapshotIsAJpegOfTheMainStreamAndTheStreamIsOnTheCamera)
{
    OnvifCamera camera(Entry(), {"admin", kSimPassword}, Address());
    ASSERT_TRUE(camera.Login().Done());
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(camera.GetSnapshot(jpeg).Done()) << std::string(camera.Note().begin(), camera.Note().end());
    tjhandle decoder = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colours = 0;
    ASSERT_EQ(tjDecompressHeader3(decoder, jpeg.data(), static_cast<unsigned long>(jpeg.size()), &width,
                                  &height, &subsampling, &colours),
              0);
    std::vector<uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    EXPECT_EQ(tjDecompress2(decoder, jpeg.data(), static_cast<unsigned long>(jpeg.size()), pixels.data(),
                            width, 0, height, TJPF_RGB, 0),
              0);
    tjDestroy(decoder);
    EXPECT_EQ(width, 1920);
    EXPECT_EQ(height, 1080);

    OnvifStreamAddress stream;
    ASSERT_TRUE(camera.GetStreamAddress(stream).Done());
    EXPECT_EQ(stream.uri, "rtsp://127.0.0.1:554/profile_1");
    EXPECT_EQ(stream.user, "admin");
    EXPECT_EQ(stream.password, kSimPassword);
}

// A TCP port on 127.0.0.1 that was free a moment ago.
int FreePort()
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(socket);
    return ntohs(address.sin_port);
}

// Counts the pictures a window's sink is handed, and their size.
struct PictureCounter
{
    static constexpr uint32_t kWindow = 0x0F1E;
    std::mutex mutex;
    std::condition_variable arrived;
    int pictures = 0;
    int width = 0;

    PictureCounter() { SetFrameSink(kWindow, &Receive, this); }
    ~PictureCounter() { SetFrameSink(kWindow, nullptr, nullptr); }
    static void Receive(void* user, uint32_t, const uint8_t* rgb, int width, int, int)
    {
        auto* self = static_cast<PictureCounter*>(user);
        std::lock_guard lock(self->mutex);
        if (rgb != nullptr) {
            self->pictures += 1;
            self->width = width;
        }
        self->arrived.notify_all();
    }
    bool WaitFor(int count)
    {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(20), [&] { return pictures >= count; });
    }
};

TEST_P(OnvifCameraMediaTest, LivePlayShowsTheMainStreamOverRtspWithTheLogin)
{
    {
        std::lock_guard lock(m_camera->mutex);
        m_camera->onvif.rtspPort = FreePort();
    }
    camsim::RtspService rtsp;
    ASSERT_TRUE(rtsp.Serve(m_camera));
    OnvifCamera camera(Entry(), {"admin", kSimPassword}, Address());
    ASSERT_TRUE(camera.Login().Done());
    EXPECT_TRUE(camera.Supports(CameraOperation::LivePlay));
    PictureCounter counter;
    ASSERT_TRUE(camera.StartLivePlay(PictureCounter::kWindow).Done());
    EXPECT_TRUE(counter.WaitFor(5)) << "pictures: " << counter.pictures;
    ASSERT_TRUE(camera.StopLivePlay().Done());
    int stopped = 0;
    {
        std::lock_guard lock(counter.mutex);
        EXPECT_EQ(counter.width, 1920);
        stopped = counter.pictures;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::lock_guard lock(counter.mutex);
    EXPECT_EQ(counter.pictures, stopped) << "no picture after the stop";
}

INSTANTIATE_TEST_SUITE_P(MediaServices, OnvifCameraMediaTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "Media2" : "MediaOnly";
                         });

} // namespace
