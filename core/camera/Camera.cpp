#include "Camera.h"

#include <utility>

namespace {
// The answer of every operation a camera's protocol does not offer.
CameraResult NotSupported()
{
    return {CameraStatus::NotSupported, 0};
}
} // namespace

Camera::Camera(const tagVtIpcInfo& info, LoginCredentials login) : m_info(info), m_login(std::move(login)) {}

Camera::~Camera() = default;

CameraResult Camera::GetSystemDate(SystemDateRecord&)
{
    return NotSupported();
}

CameraResult Camera::SetSystemDate(const SystemDateRecord&)
{
    return NotSupported();
}

CameraResult Camera::SetDeviceName(const std::string&)
{
    return NotSupported();
}

bool Camera::AcceptsDeviceName(const std::string&) const
{
    return true;
}

CameraResult Camera::ModifyPassword(const std::string&, const std::string&)
{
    return NotSupported();
}

CameraResult Camera::GetSystemInfo(SystemInfoRecord&)
{
    return NotSupported();
}

CameraResult Camera::GetPorts(PortInfoRecord&)
{
    return NotSupported();
}

CameraResult Camera::SetPorts(const PortInfoRecord&)
{
    return NotSupported();
}

CameraResult Camera::GetDdns(DdnsRecord&)
{
    return NotSupported();
}

CameraResult Camera::SetDdns(const DdnsRecord&)
{
    return NotSupported();
}

CameraResult Camera::GetVideoConfig(VideoConfigRecord&)
{
    return NotSupported();
}

CameraResult Camera::SetVideoConfig(const VideoConfigRecord&)
{
    return NotSupported();
}

CameraResult Camera::GetOsd(OsdRecord&)
{
    return NotSupported();
}

CameraResult Camera::SetOsd(const OsdRecord&)
{
    return NotSupported();
}

CameraResult Camera::GetImagingSettings(ImagingSettingsRecord&)
{
    return NotSupported();
}

CameraResult Camera::SetImagingSettings(const ImagingSettingsRecord&)
{
    return NotSupported();
}

CameraResult Camera::GetImagingConfig(ImagingConfigRecord&)
{
    return NotSupported();
}

CameraResult Camera::SetImagingConfig(const ImagingConfigRecord&)
{
    return NotSupported();
}

CameraResult Camera::UpdateFirmware(const std::string&)
{
    return NotSupported();
}

CameraResult Camera::UpdateKernel(const std::string&)
{
    return NotSupported();
}

CameraResult Camera::UploadOemFile(const std::string&)
{
    return NotSupported();
}

CameraResult Camera::DownloadLog(const std::string&)
{
    return NotSupported();
}

CameraResult Camera::DownloadConfig(const std::string&)
{
    return NotSupported();
}

CameraResult Camera::DownloadCustom(const std::string&, int, const std::string&)
{
    return NotSupported();
}

CameraResult Camera::GetSystemLogLines(std::vector<std::string>&)
{
    return NotSupported();
}

std::wstring Camera::Note() const
{
    return {};
}

void Camera::Abort() {}

CameraResult Camera::Reboot()
{
    return NotSupported();
}

CameraResult Camera::Restore()
{
    return NotSupported();
}

CameraResult Camera::StartLivePlay(uint32_t)
{
    return NotSupported();
}

CameraResult Camera::StopLivePlay()
{
    return NotSupported();
}

CameraResult Camera::GetVideoOptions(uint8_t, VideoStreamOptions&)
{
    return NotSupported();
}

CameraResult Camera::GetSnapshot(std::vector<uint8_t>&)
{
    return NotSupported();
}
