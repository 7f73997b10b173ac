// OnvifCamera's video streams, on-screen texts, snapshot and stream address
// through the camera's media service.
#include "OnvifCamera.h"
#include "OnvifMediaClient.h"
#include "OnvifMediaMapping.h"

namespace {
using onvif::OnvifResult;

constexpr unsigned kVideoNotOffered = 88001;
constexpr const wchar_t* kVideoNotOfferedText =
    L"The camera does not offer this video setting; nothing was changed.";
constexpr unsigned kOsdNotOffered = 88002;
constexpr const wchar_t* kOsdNotOfferedText =
    L"The camera does not offer this on-screen text; nothing was changed.";

CameraResult NotSupported()
{
    return {CameraStatus::NotSupported, 0};
}
} // namespace

CameraResult OnvifCamera::MediaProfile(uint8_t stream, onvif::MediaProfile& profile)
{
    if (!m_media.servicesKnown) {
        onvif::MediaServices services;
        if (const OnvifResult result = onvif::FindMediaServices(*m_client, services); !result.ok()) {
            return MediaResult(result);
        }
        m_media.services = services;
        m_media.servicesKnown = true;
        m_offered = kServicesKnown | (services.media.empty() && services.media2.empty() ? 0 : kMediaOffered) |
                    (services.media2.empty() ? 0 : kMedia2Offered) | (services.imaging.empty() ? 0 : kImagingOffered);
    }
    onvif::OnvifMediaClient media(*m_client, m_media.services);
    if (!media.Offered()) {
        return NotSupported();
    }
    if (!m_media.profiles) {
        std::vector<onvif::MediaProfile> profiles;
        if (const OnvifResult result = media.GetProfiles(profiles); !result.ok()) {
            return MediaResult(result);
        }
        std::erase_if(profiles, [](const onvif::MediaProfile& p) { return !p.encoder; });
        m_media.profiles = std::move(profiles);
    }
    const std::size_t index = stream == 1 ? 0 : 1;
    if (index >= m_media.profiles->size()) {
        return NotSupported();
    }
    profile = (*m_media.profiles)[index];
    return {};
}

CameraResult OnvifCamera::EncoderOptions(const onvif::MediaProfile& profile,
                                         std::vector<onvif::VideoEncoderOptions>& options)
{
    const std::string& token = profile.encoder->token;
    if (const auto cached = m_media.encoderOptions.find(token); cached != m_media.encoderOptions.end()) {
        options = cached->second;
        return {};
    }
    onvif::OnvifMediaClient media(*m_client, m_media.services);
    if (const OnvifResult result = media.GetVideoEncoderConfigurationOptions(token, profile.token, options);
        !result.ok()) {
        return MediaResult(result);
    }
    m_media.encoderOptions[token] = options;
    return {};
}

CameraResult OnvifCamera::CurrentEncoder(uint8_t stream, onvif::MediaProfile& profile,
                                         onvif::VideoEncoderConfig& encoder)
{
    if (const CameraResult found = MediaProfile(stream, profile); !found.Done()) {
        return found;
    }
    onvif::OnvifMediaClient media(*m_client, m_media.services);
    return MediaResult(media.GetVideoEncoderConfiguration(profile.encoder->token, encoder));
}

CameraResult OnvifCamera::GetVideoConfig(VideoConfigRecord& record)
{
    std::lock_guard lock(m_lock);
    const uint8_t stream = record.stream == 1 ? 1 : 0;
    onvif::MediaProfile profile;
    onvif::VideoEncoderConfig encoder;
    if (const CameraResult read = CurrentEncoder(stream, profile, encoder); !read.Done()) {
        return read;
    }
    record = VideoRecordOf(encoder, stream);
    return {};
}

CameraResult OnvifCamera::SetVideoConfig(const VideoConfigRecord& record)
{
    std::lock_guard lock(m_lock);
    const uint8_t stream = record.stream == 1 ? 1 : 0;
    onvif::MediaProfile profile;
    onvif::VideoEncoderConfig encoder;
    if (const CameraResult read = CurrentEncoder(stream, profile, encoder); !read.Done()) {
        return read;
    }
    std::vector<onvif::VideoEncoderOptions> options;
    if (const CameraResult read = EncoderOptions(profile, options); !read.Done()) {
        return read;
    }
    if ((stream == 0 && record.secondaryEnabled == 0) || !ApplyVideoRecord(record, options, encoder)) {
        return NotOffered(kVideoNotOffered, kVideoNotOfferedText);
    }
    onvif::OnvifMediaClient media(*m_client, m_media.services);
    return MediaResult(media.SetVideoEncoderConfiguration(encoder));
}

CameraResult OnvifCamera::GetVideoOptions(uint8_t stream, VideoStreamOptions& options)
{
    std::lock_guard lock(m_lock);
    onvif::MediaProfile profile;
    onvif::VideoEncoderConfig encoder;
    if (const CameraResult read = CurrentEncoder(stream == 1 ? 1 : 0, profile, encoder); !read.Done()) {
        return read;
    }
    std::vector<onvif::VideoEncoderOptions> offered;
    if (const CameraResult read = EncoderOptions(profile, offered); !read.Done()) {
        return read;
    }
    options = StreamOptionsOf(offered, encoder.encoding, stream == 1);
    return {};
}

CameraResult OnvifCamera::WithMainProfile(const MainProfileUse& use)
{
    std::lock_guard lock(m_lock);
    onvif::MediaProfile profile;
    if (const CameraResult found = MediaProfile(1, profile); !found.Done()) {
        return found;
    }
    onvif::OnvifMediaClient media(*m_client, m_media.services);
    return use(profile, media);
}

CameraResult OnvifCamera::GetOsd(OsdRecord& record)
{
    return WithMainProfile([&](const onvif::MediaProfile& profile, onvif::OnvifMediaClient& media) {
        std::vector<onvif::OsdConfig> osds;
        if (!media.IsMedia2()) {
            return NotSupported();
        }
        if (const OnvifResult result = media.GetOsds(profile.videoSourceConfigToken, osds); !result.ok()) {
            return MediaResult(result);
        }
        record = OsdRecordOf(FindOsdPair(osds));
        return MediaResult({});
    });
}

CameraResult OnvifCamera::SetOsd(const OsdRecord& record)
{
    return WithMainProfile([&](const onvif::MediaProfile& profile, onvif::OnvifMediaClient& media) {
        if (!media.IsMedia2()) {
            return NotSupported();
        }
        const std::string& source = profile.videoSourceConfigToken;
        if (!m_media.osdOptions) {
            onvif::OsdOptions options;
            if (const OnvifResult result = media.GetOsdOptions(source, options); !result.ok()) {
                return MediaResult(result);
            }
            m_media.osdOptions = options;
        }
        std::vector<onvif::OsdConfig> osds;
        if (const OnvifResult result = media.GetOsds(source, osds); !result.ok()) {
            return MediaResult(result);
        }
        const OsdPair existing = FindOsdPair(osds);
        OsdPair wanted;
        if (!OsdPairFor(record, *m_media.osdOptions, source, existing, wanted)) {
            return NotOffered(kOsdNotOffered, kOsdNotOfferedText);
        }
        for (const auto& [now, next] :
             {std::pair{existing.title, wanted.title}, std::pair{existing.date, wanted.date}}) {
            OnvifResult result;
            std::string token;
            if (next && now) {
                result = *next == *now ? OnvifResult{} : media.SetOsd(*next);
            } else if (next) {
                result = media.CreateOsd(*next, token);
            } else if (now) {
                result = media.DeleteOsd(now->token);
            }
            if (!result.ok()) {
                return MediaResult(result);
            }
        }
        return MediaResult({});
    });
}

CameraResult OnvifCamera::GetSnapshot(std::vector<uint8_t>& jpeg)
{
    return WithMainProfile([&](const onvif::MediaProfile& profile, onvif::OnvifMediaClient& media) {
        std::string bytes;
        if (const OnvifResult result = media.GetSnapshot(profile.token, bytes); !result.ok()) {
            return MediaResult(result);
        }
        jpeg.assign(bytes.begin(), bytes.end());
        return MediaResult({});
    });
}

CameraResult OnvifCamera::GetStreamAddress(OnvifStreamAddress& address)
{
    return WithMainProfile([&](const onvif::MediaProfile& profile, onvif::OnvifMediaClient& media) {
        std::string uri;
        OnvifResult result = media.GetStreamUri(profile.token, uri);
        // The player sends the login to this address: only rtsp on the camera itself.
        if (result.ok() && (!uri.starts_with("rtsp://") || !m_client->OnOwnHost(uri))) {
            result = onvif::Failure(onvif::OnvifStatus::BadAnswer, "stream address elsewhere: " + uri.substr(0, 128));
        }
        if (!result.ok()) {
            return MediaResult(result);
        }
        address = {uri, Credentials().user, m_client->Password()};
        return MediaResult({});
    });
}

CameraResult OnvifCamera::StartLivePlay(uint32_t window)
{
    OnvifStreamAddress address;
    if (const CameraResult found = GetStreamAddress(address); !found.Done()) {
        return found;
    }
    std::lock_guard lock(m_playLock);
    if (!m_player) {
        m_player = std::make_unique<RtspPlayer>();
    }
    if (!m_player->Start({address.uri, address.user, address.password, StoredRtspTransport()}, window)) {
        return {CameraStatus::Failed, static_cast<int>(onvif::OnvifStatus::BadAnswer)};
    }
    return {};
}

CameraResult OnvifCamera::StopLivePlay()
{
    std::lock_guard lock(m_playLock);
    if (m_player) {
        m_player->Stop();
    }
    return {};
}
