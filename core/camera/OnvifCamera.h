#pragma once
#include "Camera.h"
#include "CameraStop.h"
#include "OnvifDeviceClient.h"
#include "OnvifMediaRecords.h"
#include "RtspPlayer.h"
#include "ZxExport.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// A camera of another maker that speaks ONVIF, worked on through its device
// service (onvif::OnvifDeviceClient) and its media and imaging services. It
// offers the work that ONVIF has an equivalent for: date, time, time zone and
// NTP, host name, password, device information, HTTP and RTSP ports,
// firmware, reboot, factory default, the system log, the two video streams
// and their options, the on-screen title and date (Media2), the picture
// values and imaging modes, a snapshot and live play over RTSP. Everything
// else (OEM files, the family's log database and configuration files, DDNS)
// answers NotSupported and sends nothing.
//
// The device client is one per camera and is not to be used by two threads at
// once, so the camera's calls take turns; calls on different cameras run
// side by side. Abort, or the stop flag of the work that opened the camera
// (CameraStop.h), ends the running call soon and every later one.

namespace onvif {
class OnvifImagingClient;
class OnvifMediaClient;
} // namespace onvif

// Where the camera's device service is and the certificate accepted before.
struct OnvifCameraAddress
{
    std::string serviceUrl;   // http(s)://ip:port/onvif/device_service
    std::string pinnedSha256; // https: lower-case hex; empty: the one pinned before (CertificatePins.h), else the first one seen
};

// Where the live play finds the camera's main stream, and the login it takes.
struct OnvifStreamAddress
{
    std::string uri; // rtsp://, on the camera's own host
    std::string user;
    std::string password;
};

class ZX_EXPORT OnvifCamera : public Camera
{
public:
    OnvifCamera(const tagVtIpcInfo& info, LoginCredentials login, OnvifCameraAddress address);

    bool Supports(CameraOperation operation) const override;

    // GetSystemDateAndTime (for the camera's clock) and GetDeviceInformation
    // with the credentials: Refused when the camera did not take them,
    // Unreachable when it did not answer, as the family's cameras report.
    CameraResult Login() override;

    // The record's date and time are the zone's local time; its zone is a row
    // of the family's table, sent as a POSIX TZ string. Mode 1 sets the NTP
    // server and then NTP; 0 and 2 set the time by hand; 3 keeps the camera's
    // clock source and time and writes only the zone and daylight saving.
    CameraResult GetSystemDate(SystemDateRecord& record) override;
    CameraResult SetSystemDate(const SystemDateRecord& record) override;
    // The name becomes the camera's host name; a name that is no host name is
    // refused (AcceptsDeviceName) and nothing is sent.
    CameraResult SetDeviceName(const std::string& utf8Name) override;
    bool AcceptsDeviceName(const std::string& utf8Name) const override;
    // SetUser for the user, at the level the camera has it at (Administrator
    // for a user it does not list); the camera's later calls log in with the
    // new password when it was the login's own.
    CameraResult ModifyPassword(const std::string& user, const std::string& newPassword) override;
    CameraResult GetSystemInfo(SystemInfoRecord& record) override;

    // HTTP and RTSP ports (the second port of each when the camera has one);
    // the camera's other protocols are written back as they were.
    CameraResult GetPorts(PortInfoRecord& record) override;
    CameraResult SetPorts(const PortInfoRecord& record) override;

    // StartFirmwareUpgrade and the upload to the address it gives; a camera
    // without it gets the image inline (UpgradeSystemFirmware).
    CameraResult UpdateFirmware(const std::string& path) override;

    CameraResult GetSystemLogLines(std::vector<std::string>& lines) override;

    // Video (OnvifCameraMedia.cpp): stream 1 is the first media profile's
    // encoder, stream 0 the second profile's. Media2 where the camera offers
    // it, Media otherwise. A value the camera does not offer is refused
    // (kNotOffered, with a note) and nothing is written; a resolution the
    // frame-size table lacks reads as -1 and a write of -1 keeps it. The
    // second stream cannot be switched off.
    CameraResult GetVideoConfig(VideoConfigRecord& record) override;
    CameraResult SetVideoConfig(const VideoConfigRecord& record) override;
    CameraResult GetVideoOptions(uint8_t stream, VideoStreamOptions& options) override;
    // The title as a plain-text OSD and the date as a date-and-time OSD of
    // the first profile's video source (Media2 only), created, changed or
    // deleted as the record says.
    CameraResult GetOsd(OsdRecord& record) override;
    CameraResult SetOsd(const OsdRecord& record) override;
    // GetSnapshotUri of the first profile and the picture from the camera's
    // own host (HTTP Digest, at most 16 MiB, a JPEG or a failure).
    CameraResult GetSnapshot(std::vector<uint8_t>& jpeg) override;
    // GetStreamUri (RTP unicast over RTSP) of the first profile.
    CameraResult GetStreamAddress(OnvifStreamAddress& address);
    // The first profile's stream with the login, played by an RtspPlayer
    // (TCP interleaved unless the settings choose UDP) into the window's
    // frame sink; the stop joins it.
    CameraResult StartLivePlay(uint32_t window) override;
    CameraResult StopLivePlay() override;

    // Imaging (OnvifCameraImaging.cpp) of the first profile's video source:
    // brightness, contrast, saturation and sharpness as 0-255 over the
    // camera's own ranges (noise reduction has no equivalent and reads 0); a
    // value read and written back unchanged stays exactly as it was. The
    // configuration maps IR cut, wide dynamic range, backlight compensation
    // and the maximum exposure time; its other fields read as
    // ImagingConfigDefaults() and a change of them is refused.
    CameraResult GetImagingSettings(ImagingSettingsRecord& record) override;
    CameraResult SetImagingSettings(const ImagingSettingsRecord& record) override;
    CameraResult GetImagingConfig(ImagingConfigRecord& record) override;
    CameraResult SetImagingConfig(const ImagingConfigRecord& record) override;

    CameraResult Reboot() override;
    // The soft factory default: the camera keeps its network settings, so
    // it can still be reached afterwards.
    CameraResult Restore() override;

    // The line about the certificate when the last call pinned one or met
    // a changed one.
    std::wstring Note() const override;

    void Abort() override;

    // Status codes of results that are not Done.
    static constexpr int kInvalidHostname = 1000;
    static constexpr int kBadRecord = 1001;
    // https: the camera showed another certificate than the pinned one and
    // was sent nothing (CertificatePins.h tells how it is accepted).
    static constexpr int kCertificateChanged = 1002;
    // A value the camera does not offer; nothing was written.
    static constexpr int kNotOffered = 1003;

private:
    // What does not change within a session, read once per camera so that a
    // batch does not ask for it for every field; dropped when a call on it
    // fails, to be read again.
    struct MediaCache
    {
        bool servicesKnown = false;
        onvif::MediaServices services;
        std::optional<std::vector<onvif::MediaProfile>> profiles;
        std::map<std::string, std::vector<onvif::VideoEncoderOptions>> encoderOptions; // by configuration
        std::optional<onvif::ImagingOptions> imagingOptions;
        std::optional<onvif::OsdOptions> osdOptions;
    };

    // Also pins the certificate of an https camera on its first answered call.
    CameraResult Result(const onvif::OnvifResult& result);
    // Result, and a fault's reason as the note; a failed call empties the cache.
    CameraResult MediaResult(const onvif::OnvifResult& result);
    // kNotOffered with the note of the key.
    CameraResult NotOffered(unsigned key, const wchar_t* english);
    onvif::DeviceEndpoint Endpoint(const std::string& password) const;
    // The profile of a stream (1 the first, 0 the second) with its encoder;
    // NotSupported without a media service or such a profile. m_lock held.
    CameraResult MediaProfile(uint8_t stream, onvif::MediaProfile& profile);
    // MediaProfile and the configuration of its encoder now. m_lock held.
    CameraResult CurrentEncoder(uint8_t stream, onvif::MediaProfile& profile,
                                onvif::VideoEncoderConfig& encoder);
    CameraResult EncoderOptions(const onvif::MediaProfile& profile,
                                std::vector<onvif::VideoEncoderOptions>& options);
    // The first profile's video source and the imaging options; NotSupported
    // without an imaging service. m_lock held.
    CameraResult ImagingSource(std::string& videoSourceToken, onvif::ImagingOptions& options);
    // Under m_lock: ImagingSource and the source's settings now, handed to
    // `use` with the imaging client and the source's token.
    using ImagingUse = std::function<CameraResult(const onvif::ImagingOptions&, onvif::ImagingSettings&,
                                                  onvif::OnvifImagingClient&, const std::string&)>;
    CameraResult WithImaging(const ImagingUse& use);
    // Under m_lock: the first profile and the media client, handed to `use`.
    using MainProfileUse = std::function<CameraResult(const onvif::MediaProfile&, onvif::OnvifMediaClient&)>;
    CameraResult WithMainProfile(const MainProfileUse& use);

    OnvifCameraAddress m_address;
    std::wstring m_note;
    CameraStopFlag m_stop; // the opening thread's, else the camera's own
    mutable std::mutex m_lock; // one call at a time on the client
    std::unique_ptr<onvif::OnvifDeviceClient> m_client;
    MediaCache m_media;
    // What Supports tells of the services once they are known.
    static constexpr unsigned kServicesKnown = 1;
    static constexpr unsigned kMediaOffered = 2;
    static constexpr unsigned kMedia2Offered = 4;
    static constexpr unsigned kImagingOffered = 8;
    std::atomic<unsigned> m_offered{0};
    std::mutex m_playLock; // the player's own, apart from the SOAP calls
    std::unique_ptr<RtspPlayer> m_player;
};

// Whether text is a host name a camera can take: labels of 1 to 63 letters,
// digits and hyphens, not starting or ending with a hyphen, joined by dots,
// 253 bytes at most.
ZX_EXPORT bool IsValidHostname(const std::string& text);
