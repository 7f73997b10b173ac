#pragma once
#include "Camera.h"
#include "CameraStop.h"
#include "OnvifDeviceClient.h"
#include "ZxExport.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A camera of another maker that speaks ONVIF, worked on through its device
// service (onvif::OnvifDeviceClient). It offers the system work that ONVIF has
// an equivalent for: date, time, time zone and NTP, host name, password,
// device information, HTTP and RTSP ports, firmware, reboot, factory default
// and the system log. Everything else (OEM files, the family's log database
// and configuration files, DDNS, video, OSD, imaging, live play) answers
// NotSupported and sends nothing.
//
// The device client is one per camera and is not to be used by two threads at
// once, so the camera's calls take turns; calls on different cameras run
// side by side. Abort, or the stop flag of the work that opened the camera
// (CameraStop.h), ends the running call soon and every later one.

// Where the camera's device service is and the certificate accepted before.
struct OnvifCameraAddress
{
    std::string serviceUrl;   // http(s)://ip:port/onvif/device_service
    std::string pinnedSha256; // https: lower-case hex; empty: the one pinned before (CertificatePins.h), else the first one seen
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

private:
    // Also pins the certificate of an https camera on its first answered call.
    CameraResult Result(const onvif::OnvifResult& result);
    onvif::DeviceEndpoint Endpoint(const std::string& password) const;

    OnvifCameraAddress m_address;
    std::wstring m_note;
    CameraStopFlag m_stop; // the opening thread's, else the camera's own
    mutable std::mutex m_lock; // one call at a time on the client
    std::unique_ptr<onvif::OnvifDeviceClient> m_client;
};

// Whether text is a host name a camera can take: labels of 1 to 63 letters,
// digits and hyphens, not starting or ending with a hyphen, joined by dots,
// 253 bytes at most.
ZX_EXPORT bool IsValidHostname(const std::string& text);
