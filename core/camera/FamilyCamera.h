#pragma once
#include "Camera.h"
#include "ZxExport.h"

#include <atomic>
#include <string>

// A camera of the family, worked on through the device SDK (libVtIpcSDK): the
// only core class that calls the SDK's camera operations. It offers every
// operation but the plain system log (its log is a database file, fetched by
// DownloadLog), other makers' images and snapshots. Its login handle is never closed: the SDK keeps one handle per
// camera and login and gives the same one to a later login.
class ZX_EXPORT FamilyCamera : public Camera
{
public:
    FamilyCamera(const tagVtIpcInfo& info, LoginCredentials login);

    bool Supports(CameraOperation operation) const override;

    CameraResult Login() override;

    CameraResult GetSystemDate(SystemDateRecord& record) override;
    CameraResult SetSystemDate(const SystemDateRecord& record) override;
    CameraResult SetDeviceName(const std::string& utf8Name) override;
    CameraResult ModifyPassword(const std::string& user, const std::string& newPassword) override;
    CameraResult GetSystemInfo(SystemInfoRecord& record) override;

    CameraResult GetPorts(PortInfoRecord& record) override;
    CameraResult SetPorts(const PortInfoRecord& record) override;
    CameraResult GetDdns(DdnsRecord& record) override;
    CameraResult SetDdns(const DdnsRecord& record) override;

    CameraResult GetVideoConfig(VideoConfigRecord& record) override;
    CameraResult SetVideoConfig(const VideoConfigRecord& record) override;
    // The lists of the camera's capability class at its power line frequency
    // (FamilyVideoOptions.cpp, beside the class tables' rules).
    CameraResult GetVideoOptions(uint8_t stream, VideoStreamOptions& options) override;
    CameraResult GetOsd(OsdRecord& record) override;
    CameraResult SetOsd(const OsdRecord& record) override;

    CameraResult GetImagingSettings(ImagingSettingsRecord& record) override;
    CameraResult SetImagingSettings(const ImagingSettingsRecord& record) override;
    CameraResult GetImagingConfig(ImagingConfigRecord& record) override;
    CameraResult SetImagingConfig(const ImagingConfigRecord& record) override;

    CameraResult UpdateFirmware(const std::string& path) override;
    CameraResult UpdateKernel(const std::string& path) override;
    CameraResult UploadOemFile(const std::string& path) override;

    CameraResult DownloadLog(const std::string& localPath) override;
    CameraResult DownloadConfig(const std::string& localPath) override;
    CameraResult DownloadCustom(const std::string& localPath, int kind,
                                const std::string& remoteName) override;

    CameraResult Reboot() override;
    CameraResult Restore() override;

    // One picture of the primary stream as it came, not decoded.
    CameraResult GetSnapshot(std::vector<uint8_t>& jpeg) override;

    CameraResult StartLivePlay(uint32_t window) override;
    CameraResult StopLivePlay() override;

private:
    std::atomic<int> m_handle{-1}; // -1 until a login succeeded
};

// True for a camera of the family, whose video lists come from its class
// rather than from answers of its own.
ZX_EXPORT bool IsFamilyCamera(const Camera& camera);

// The name as the family's cameras take it: every byte "%XX" in upper-case
// hex, except ! # $ & * ( ) = : / ; ? + ' , @ and . which stand for
// themselves ("Cam.1" -> "%43%61%6D.%31").
ZX_EXPORT std::string EncodeDeviceName(const std::string& utf8Name);
