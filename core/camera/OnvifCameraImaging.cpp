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

CameraResult OnvifCamera::CurrentImaging(std::string& videoSourceToken, onvif::ImagingOptions& options,
                                         onvif::ImagingSettings& settings)
{
    if (const CameraResult found = ImagingSource(videoSourceToken, options); !found.Done()) {
        return found;
    }
    onvif::OnvifImagingClient imaging(*m_client, m_media.services.imaging);
    return MediaResult(imaging.GetImagingSettings(videoSourceToken, settings));
}

CameraResult OnvifCamera::GetImagingSettings(ImagingSettingsRecord& record)
{
    std::lock_guard lock(m_lock);
    std::string source;
    onvif::ImagingOptions options;
    onvif::ImagingSettings settings;
    if (const CameraResult read = CurrentImaging(source, options, settings); !read.Done()) {
        return read;
    }
    record = PictureRecordOf(settings, options);
    return {};
}

CameraResult OnvifCamera::SetImagingSettings(const ImagingSettingsRecord& record)
{
    std::lock_guard lock(m_lock);
    std::string source;
    onvif::ImagingOptions options;
    onvif::ImagingSettings settings;
    if (const CameraResult read = CurrentImaging(source, options, settings); !read.Done()) {
        return read;
    }
    ApplyPictureRecord(record, options, settings);
    onvif::OnvifImagingClient imaging(*m_client, m_media.services.imaging);
    return MediaResult(imaging.SetImagingSettings(source, settings));
}

CameraResult OnvifCamera::GetImagingConfig(ImagingConfigRecord& record)
{
    std::lock_guard lock(m_lock);
    std::string source;
    onvif::ImagingOptions options;
    onvif::ImagingSettings settings;
    if (const CameraResult read = CurrentImaging(source, options, settings); !read.Done()) {
        return read;
    }
    record = ImagingConfigOf(settings);
    return {};
}

CameraResult OnvifCamera::SetImagingConfig(const ImagingConfigRecord& record)
{
    std::lock_guard lock(m_lock);
    std::string source;
    onvif::ImagingOptions options;
    onvif::ImagingSettings settings;
    if (const CameraResult read = CurrentImaging(source, options, settings); !read.Done()) {
        return read;
    }
    if (!ApplyImagingConfig(record, options, settings)) {
        return NotOffered(kImagingNotOffered, kImagingNotOfferedText);
    }
    onvif::OnvifImagingClient imaging(*m_client, m_media.services.imaging);
    return MediaResult(imaging.SetImagingSettings(source, settings));
}
