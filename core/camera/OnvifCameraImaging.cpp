// OnvifCamera's picture values and imaging modes through the camera's
// imaging service, on the first media profile's video source.
#include "OnvifCamera.h"
#include "OnvifImagingClient.h"
#include "OnvifMediaMapping.h"

namespace {
using onvif::OnvifResult;

constexpr unsigned kImagingNotOffered = 88003;
constexpr const wchar_t* kImagingNotOfferedText =
    L"The camera does not offer this imaging setting; nothing was changed.";
} // namespace

CameraResult OnvifCamera::ImagingSource(std::string& videoSourceToken, onvif::ImagingOptions& options)
{
    onvif::MediaProfile profile;
    if (const CameraResult found = MediaProfile(1, profile); !found.Done()) {
        return found;
    }
    onvif::OnvifImagingClient imaging(*m_client, m_media.services.imaging);
    if (!imaging.Offered()) {
        return {CameraStatus::NotSupported, 0};
    }
    videoSourceToken = profile.videoSourceToken;
    if (!m_media.imagingOptions) {
        onvif::ImagingOptions read;
        if (const OnvifResult result = imaging.GetOptions(videoSourceToken, read); !result.ok()) {
            return MediaResult(result);
        }
        m_media.imagingOptions = read;
    }
    options = *m_media.imagingOptions;
    return {};
}

CameraResult OnvifCamera::WithImaging(const ImagingUse& use)
{
    std::lock_guard lock(m_lock);
    std::string source;
    onvif::ImagingOptions options;
    if (const CameraResult found = ImagingSource(source, options); !found.Done()) {
        return found;
    }
    onvif::OnvifImagingClient imaging(*m_client, m_media.services.imaging);
    onvif::ImagingSettings settings;
    if (const OnvifResult result = imaging.GetImagingSettings(source, settings); !result.ok()) {
        return MediaResult(result);
    }
    return use(options, settings, imaging, source);
}

CameraResult OnvifCamera::GetImagingSettings(ImagingSettingsRecord& record)
{
    return WithImaging([&](const onvif::ImagingOptions& options, onvif::ImagingSettings& settings,
                           onvif::OnvifImagingClient&, const std::string&) {
        record = PictureRecordOf(settings, options);
        return MediaResult({});
    });
}

CameraResult OnvifCamera::SetImagingSettings(const ImagingSettingsRecord& record)
{
    return WithImaging([&](const onvif::ImagingOptions& options, onvif::ImagingSettings& settings,
                           onvif::OnvifImagingClient& imaging, const std::string& source) {
        ApplyPictureRecord(record, options, settings);
        return MediaResult(imaging.SetImagingSettings(source, settings));
    });
}

CameraResult OnvifCamera::GetImagingConfig(ImagingConfigRecord& record)
{
    return WithImaging([&](const onvif::ImagingOptions&, onvif::ImagingSettings& settings, onvif::OnvifImagingClient&,
                           const std::string&) {
        record = ImagingConfigOf(settings);
        return MediaResult({});
    });
}

CameraResult OnvifCamera::SetImagingConfig(const ImagingConfigRecord& record)
{
    return WithImaging([&](const onvif::ImagingOptions& options, onvif::ImagingSettings& settings,
                           onvif::OnvifImagingClient& imaging, const std::string& source) {
        if (!ApplyImagingConfig(record, options, settings)) {
            return NotOffered(kImagingNotOffered, kImagingNotOfferedText);
        }
        return MediaResult(imaging.SetImagingSettings(source, settings));
    });
}
