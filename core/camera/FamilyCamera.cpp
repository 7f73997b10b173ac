#include "FamilyCamera.h"

#include <cstring>

namespace {
// What an SDK call that returned status came to, with the reason from the
// calling thread's last error when it failed.
CameraResult Result(int status)
{
    if (status == 0) {
        return {};
    }
    const int error = Vt_Sdk_GetLastError();
    switch (error) {
    case VT_ERR_UNREACHABLE:
        return {CameraStatus::Unreachable, error};
    case VT_ERR_AUTH_REFUSED:
        return {CameraStatus::Refused, error};
    case VT_ERR_NONE:
        // A failure without a reason is still a failure.
        return {CameraStatus::Failed, VT_ERR_CAMERA};
    default:
        return {CameraStatus::Failed, error};
    }
}

// The characters a camera takes as they are inside an encoded name.
bool StandsForItself(unsigned char c)
{
    return std::strchr("!#$&*()=:/;?+',@.", c) != nullptr && c != '\0';
}
} // namespace

FamilyCamera::FamilyCamera(const tagVtIpcInfo& info, LoginCredentials login) : Camera(info, std::move(login))
{
}

bool FamilyCamera::Supports(CameraOperation operation) const
{
    // The family's cameras keep their log as a database file (DownloadLog)
    // and take only the family's images, named and matched by the page.
    switch (operation) {
    case CameraOperation::SystemLog:
    case CameraOperation::MakersImage:
        return false;
    default:
        return true;
    }
}

CameraResult FamilyCamera::Login()
{
    const tagVtIpcInfo& info = Info();
    const int handle = Vt_Ipc_Login(info.ip, info.ip, info.port, Credentials().user.c_str(),
                                    Credentials().password.c_str(), 0);
    if (handle < 0) {
        return Result(-1);
    }
    m_handle = handle;
    return {};
}

CameraResult FamilyCamera::GetSystemDate(SystemDateRecord& record)
{
    return Result(Vt_Ipc_GetSystemDate(m_handle, &record));
}

CameraResult FamilyCamera::SetSystemDate(const SystemDateRecord& record)
{
    return Result(Vt_Ipc_SetSystemDate(m_handle, &record));
}

CameraResult FamilyCamera::SetDeviceName(const std::string& utf8Name)
{
    return Result(Vt_Ipc_SetDeviceName(m_handle, EncodeDeviceName(utf8Name).c_str()));
}

CameraResult FamilyCamera::ModifyPassword(const std::string& user, const std::string& newPassword)
{
    return Result(Vt_Ipc_ModifyPassword(m_handle, user.c_str(), newPassword.c_str()));
}

CameraResult FamilyCamera::GetSystemInfo(SystemInfoRecord& record)
{
    return Result(Vt_Ipc_GetSystemInfo(m_handle, &record));
}

CameraResult FamilyCamera::GetPorts(PortInfoRecord& record)
{
    return Result(Vt_Ipc_GetPortInfo(m_handle, &record));
}

CameraResult FamilyCamera::SetPorts(const PortInfoRecord& record)
{
    return Result(Vt_Ipc_SetPortInfo(m_handle, &record));
}

CameraResult FamilyCamera::GetDdns(DdnsRecord& record)
{
    return Result(Vt_Ipc_GetDDNS(m_handle, &record));
}

CameraResult FamilyCamera::SetDdns(const DdnsRecord& record)
{
    return Result(Vt_Ipc_SetDDNS(m_handle, &record));
}

CameraResult FamilyCamera::GetVideoConfig(VideoConfigRecord& record)
{
    return Result(Vt_Ipc_GetVideoConfig(m_handle, &record));
}

CameraResult FamilyCamera::SetVideoConfig(const VideoConfigRecord& record)
{
    return Result(Vt_Ipc_SetVideoConfig(m_handle, &record));
}

CameraResult FamilyCamera::GetOsd(OsdRecord& record)
{
    return Result(Vt_Ipc_GetOSD(m_handle, &record));
}

CameraResult FamilyCamera::SetOsd(const OsdRecord& record)
{
    return Result(Vt_Ipc_SetOSD(m_handle, &record));
}

CameraResult FamilyCamera::GetImagingSettings(ImagingSettingsRecord& record)
{
    return Result(Vt_Ipc_GetImagingSettings(m_handle, &record));
}

CameraResult FamilyCamera::SetImagingSettings(const ImagingSettingsRecord& record)
{
    return Result(Vt_Ipc_SetImagingSettings(m_handle, &record));
}

CameraResult FamilyCamera::GetImagingConfig(ImagingConfigRecord& record)
{
    return Result(Vt_Ipc_GetImagingConfig(m_handle, &record));
}

CameraResult FamilyCamera::SetImagingConfig(const ImagingConfigRecord& record)
{
    return Result(Vt_Ipc_SetImagingConfig(m_handle, &record));
}

CameraResult FamilyCamera::UpdateFirmware(const std::string& path)
{
    return Result(Vt_Ipc_UpdateFirmware(m_handle, path.c_str()));
}

CameraResult FamilyCamera::UpdateKernel(const std::string& path)
{
    return Result(Vt_Ipc_UpdateKernal(m_handle, path.c_str()));
}

CameraResult FamilyCamera::UploadOemFile(const std::string& path)
{
    return Result(Vt_Ipc_UploadOemConfigFile(m_handle, path.c_str()));
}

CameraResult FamilyCamera::DownloadLog(const std::string& localPath)
{
    return Result(Vt_Ipc_DownloadLog(m_handle, localPath.c_str()));
}

CameraResult FamilyCamera::DownloadConfig(const std::string& localPath)
{
    return Result(Vt_Ipc_DownloadCfg(m_handle, localPath.c_str()));
}

CameraResult FamilyCamera::DownloadCustom(const std::string& localPath, int kind,
                                          const std::string& remoteName)
{
    return Result(Vt_Ipc_DownloadCustom(m_handle, localPath.c_str(), kind, remoteName.c_str()));
}

CameraResult FamilyCamera::Reboot()
{
    return Result(Vt_Ipc_RebootSystem(m_handle));
}

CameraResult FamilyCamera::Restore()
{
    return Result(Vt_Ipc_RestoreSystem(m_handle));
}

CameraResult FamilyCamera::GetSnapshot(std::vector<uint8_t>& jpeg)
{
    // The largest picture the family's stream carries.
    constexpr size_t kMaxPicture = 4 * 1024 * 1024;
    std::vector<uint8_t> picture(kMaxPicture);
    size_t length = 0;
    const CameraResult result = Result(Vt_IpcClient_Snapshot(m_handle, picture.data(), picture.size(), &length));
    if (result.Done()) {
        picture.resize(length);
        jpeg = std::move(picture);
    }
    return result;
}

CameraResult FamilyCamera::StartLivePlay(uint32_t window)
{
    LivePlayRecord record{};
    record.window = window;
    return Result(Vt_IpcClient_LivePlay(m_handle, &record, 0, 0));
}

CameraResult FamilyCamera::StopLivePlay()
{
    return Result(Vt_IpcClient_StopLivePlay(m_handle));
}

bool IsFamilyCamera(const Camera& camera)
{
    return dynamic_cast<const FamilyCamera*>(&camera) != nullptr;
}

std::string EncodeDeviceName(const std::string& utf8Name)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(utf8Name.size() * 3);
    for (const char ch : utf8Name) {
        const auto c = static_cast<unsigned char>(ch);
        if (StandsForItself(c)) {
            encoded += ch;
        } else {
            // Always two digits: a byte below 0x10 must not come out as "% A".
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        }
    }
    return encoded;
}
