#pragma once
#include "Tivox.h"
#include "VtIpcSDK.h"
#include "ZxExport.h"

#include <cstdint>
#include <string>
#include <vector>

// One camera as every page and terminal command works on it: plain
// operations on the settings records the program keeps of a camera, whatever
// protocol carries them. The family's cameras speak the device SDK
// (FamilyCamera); a camera of another protocol maps its answers onto the same
// records. OpenCamera (CameraProvider.h) gives the camera of a device-table
// entry.

// The user name and password typed in the main window, as the SDK takes them.
struct LoginCredentials
{
    std::string user;     // at most 31 bytes
    std::string password; // at most 15 bytes
};

// The kinds of work a camera may or may not offer; a page asks before it
// sends anything.
enum class CameraOperation
{
    SystemDate, // date, time, time zone and clock source
    DeviceName,
    Password,
    SystemInfo, // model, hardware and firmware version
    Ports,
    Ddns,
    VideoConfig,
    Osd,
    ImagingSettings, // the picture values
    ImagingConfig,   // mirror, flip, mains frequency, IR cut, exposure and the like
    FirmwareUpload,  // the family's firmware and kernel images
    OemUpload,
    LogDownload, // the camera's event log database
    ConfigDownload,
    CustomDownload,
    Reboot,
    Restore,
    LivePlay,
    SystemLog,   // the camera's system log as plain lines
    MakersImage, // a firmware image of the camera's own maker, which the camera checks itself
    VideoOptions, // what each stream's encoder can take, as the camera itself offers it
    Snapshot,     // one current picture as a JPEG file
};

// Codec numbers of VideoConfigRecord and VideoStreamOptions for a camera that
// is not an A model (A models call MJPEG 1 on the family's wire).
inline constexpr int kWireCodecH264 = 0;
inline constexpr int kWireCodecMpeg4 = 1;
inline constexpr int kWireCodecMjpeg = 2;
inline constexpr int kWireCodecH265 = 3;

// What one stream of a camera's encoder can take; a page offers no value
// outside it. Frame sizes are codes of the stream's frame-size table
// (VideoParams.h); a size the camera offers that the table lacks is left out.
struct VideoStreamOptions
{
    std::vector<int> codecs; // kWireCodec numbers
    std::vector<int> frameSizes;
    int minFrameRate = 1;
    int maxFrameRate = 30;
    int minBitRate = 0; // kbit/s
    int maxBitRate = 0;
    int minIFrameInterval = 1;
    int maxIFrameInterval = 60;
    bool rateControlChoice = true; // constant or variable bit rate may be chosen
};

enum class CameraStatus
{
    Done,
    Unreachable,  // refused, timed out, no route
    Refused,      // the camera refused the user name or password
    NotSupported, // the camera does not offer the operation; nothing was sent
    Failed,       // anything else; code says what
};

// What one call came to.
struct CameraResult
{
    CameraStatus status = CameraStatus::Done;
    int code = 0; // the protocol's own error code (the family's VtSdkError); 0 when Done
    bool Done() const { return status == CameraStatus::Done; }
};

// A camera opened for a device-table entry with the login to use. Opening
// sends nothing; Login verifies the credentials and the other calls work over
// that login. Calls may come from several threads at once. Each call blocks
// until the camera answered or gave up. Every operation the camera does not
// offer answers NotSupported without sending anything.
class ZX_EXPORT Camera
{
public:
    Camera(const tagVtIpcInfo& info, LoginCredentials login);
    virtual ~Camera();
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    // The device-table entry the camera was opened for.
    const tagVtIpcInfo& Info() const { return m_info; }
    const LoginCredentials& Credentials() const { return m_login; }

    virtual bool Supports(CameraOperation operation) const = 0;

    virtual CameraResult Login() = 0;
    // What the last call has to tell beyond its result, as the text of a
    // panel line without the camera's prefix: an https camera's certificate
    // pinned on first use, or why a changed one was refused. Empty when
    // there is nothing.
    virtual std::wstring Note() const;

    virtual CameraResult GetSystemDate(SystemDateRecord& record);
    virtual CameraResult SetSystemDate(const SystemDateRecord& record);
    // The name as the camera keeps it, UTF-8.
    virtual CameraResult SetDeviceName(const std::string& utf8Name);
    // Whether the camera can keep the name as it is; a name it cannot keep is
    // refused, never changed into another one. Asks nothing of the camera.
    virtual bool AcceptsDeviceName(const std::string& utf8Name) const;
    virtual CameraResult ModifyPassword(const std::string& user, const std::string& newPassword);
    virtual CameraResult GetSystemInfo(SystemInfoRecord& record);

    virtual CameraResult GetPorts(PortInfoRecord& record);
    virtual CameraResult SetPorts(const PortInfoRecord& record);
    virtual CameraResult GetDdns(DdnsRecord& record);
    virtual CameraResult SetDdns(const DdnsRecord& record);

    // The record's stream byte picks the stream to read.
    virtual CameraResult GetVideoConfig(VideoConfigRecord& record);
    virtual CameraResult SetVideoConfig(const VideoConfigRecord& record);
    // What the stream (1 primary, 0 secondary) can take.
    virtual CameraResult GetVideoOptions(uint8_t stream, VideoStreamOptions& options);
    virtual CameraResult GetOsd(OsdRecord& record);
    virtual CameraResult SetOsd(const OsdRecord& record);

    virtual CameraResult GetImagingSettings(ImagingSettingsRecord& record);
    virtual CameraResult SetImagingSettings(const ImagingSettingsRecord& record);
    virtual CameraResult GetImagingConfig(ImagingConfigRecord& record);
    virtual CameraResult SetImagingConfig(const ImagingConfigRecord& record);

    // Local files sent to the camera: a firmware or kernel image (the camera
    // flashes and restarts after its answer), an OEM file it keeps under its
    // file name.
    virtual CameraResult UpdateFirmware(const std::string& path);
    virtual CameraResult UpdateKernel(const std::string& path);
    virtual CameraResult UploadOemFile(const std::string& path);

    // Files fetched from the camera into localPath, which appears only once
    // the whole file arrived. kind of a custom file: 0 SD card, 1 other files.
    virtual CameraResult DownloadLog(const std::string& localPath);
    virtual CameraResult DownloadConfig(const std::string& localPath);
    virtual CameraResult DownloadCustom(const std::string& localPath, int kind,
                                        const std::string& remoteName);

    // The camera's own system log, one line each, oldest first.
    virtual CameraResult GetSystemLogLines(std::vector<std::string>& lines);

    virtual CameraResult Reboot();
    virtual CameraResult Restore();

    // The camera's current picture as the bytes of a JPEG file.
    virtual CameraResult GetSnapshot(std::vector<uint8_t>& jpeg);

    // Plays the camera's primary stream into the frame sink of window (see
    // Vt_Sdk_SetFrameSink); playing again replaces the play. The stop waits
    // for the play's thread.
    virtual CameraResult StartLivePlay(uint32_t window);
    virtual CameraResult StopLivePlay();

    // Any thread: the camera's running and later calls end soon (as failed),
    // for a page that closes while its workers still wait on the camera; a
    // camera opened under a stop flag (CameraStop.h) sets that flag, which
    // stops the other cameras of the same work too. A protocol whose calls
    // cannot be stopped ends them on its own time-outs.
    virtual void Abort();

private:
    tagVtIpcInfo m_info;
    LoginCredentials m_login;
};
