#pragma once
// A camera's media service as typed calls: Media2 (ver20) where the camera
// offers it, Media (ver10) otherwise; both read into the same records
// (OnvifMediaRecords.h). The calls go through the camera's device client, so
// they carry its login, camera clock, HTTP Digest choice, certificate pin and
// abort flag, and go only to the camera's own host.
//
// Threading: as the device client it uses (one thread at a time).
#include "OnvifDeviceClient.h"
#include "OnvifMediaRecords.h"

#include <string>
#include <vector>

namespace onvif {

// Where the media and imaging services are: GetServices, or GetCapabilities
// for a camera that does not know GetServices.
OnvifResult FindMediaServices(OnvifDeviceClient& device, MediaServices& out);

// A file is a JPEG picture when it starts with the JPEG start-of-image mark.
bool LooksLikeJpeg(std::string_view bytes);

inline constexpr std::size_t kMaxSnapshotBytes = 16u * 1024u * 1024u;

class OnvifMediaClient
{
public:
    // Media2 when the camera offers it, else Media; `services` from FindMediaServices.
    OnvifMediaClient(OnvifDeviceClient& device, const MediaServices& services);

    // Whether the camera offers a media service at all.
    bool Offered() const { return !address_.empty(); }
    bool IsMedia2() const { return media2_; }

    OnvifResult GetProfiles(std::vector<MediaProfile>& out);
    OnvifResult GetVideoEncoderConfigurations(std::vector<VideoEncoderConfig>& out);
    OnvifResult GetVideoEncoderConfiguration(const std::string& token, VideoEncoderConfig& out);
    // What the configuration can take (per encoding), for the profile that holds it.
    OnvifResult GetVideoEncoderConfigurationOptions(const std::string& configurationToken,
                                                    const std::string& profileToken,
                                                    std::vector<VideoEncoderOptions>& out);
    // Kept by the camera across a reboot.
    OnvifResult SetVideoEncoderConfiguration(const VideoEncoderConfig& configuration);
    // RTP unicast over RTSP.
    OnvifResult GetStreamUri(const std::string& profileToken, std::string& uri);
    OnvifResult GetSnapshotUri(const std::string& profileToken, std::string& uri);
    // GetSnapshotUri, then the picture itself (at most kMaxSnapshotBytes,
    // from the camera's own host); BadAnswer when it is no JPEG.
    OnvifResult GetSnapshot(const std::string& profileToken, std::string& jpeg);

    // On-screen texts (Media2 only; Media answers BadAnswer "not offered").
    OnvifResult GetOsds(const std::string& videoSourceConfigToken, std::vector<OsdConfig>& out);
    OnvifResult GetOsdOptions(const std::string& videoSourceConfigToken, OsdOptions& out);
    OnvifResult CreateOsd(const OsdConfig& osd, std::string& token);
    OnvifResult SetOsd(const OsdConfig& osd);
    OnvifResult DeleteOsd(const std::string& token);

private:
    OnvifResult Send(const std::string& bodyXml, const std::function<bool(pugi::xml_node)>& read);
    // The request element's opening tag with its namespace, and its closing tag.
    std::string Open(std::string_view name) const;
    std::string Close(std::string_view name) const;
    std::string Parameter(std::string_view name, std::string_view value) const;

    OnvifDeviceClient& device_;
    std::string address_;
    bool media2_ = false;
};

// The request body of SetVideoEncoderConfiguration (ver10 or ver20 shape).
std::string VideoEncoderConfigXml(const VideoEncoderConfig& configuration, bool media2);
// The tr2:OSD element of CreateOSD and SetOSD.
std::string OsdXml(const OsdConfig& osd);

} // namespace onvif
