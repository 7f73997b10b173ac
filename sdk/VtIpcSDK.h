#pragma once
// The device SDK: log in to a camera and read or write its settings over the
// camera protocol (docs/camera-protocol.md). Plain C records and calls; every
// call returns 0 on success (Vt_Ipc_Login: a handle of 0 or more) and -1 on
// failure, with the reason in the calling thread's last error. No call throws.
//
// Texts inside the records are zero-terminated byte strings: the device name
// is UTF-8, every other text is in the workstation's character set. The SDK
// passes the bytes through unchanged.
#include "ZxExport.h"

#include <cstddef>
#include <cstdint>

// Last-error codes (Vt_Sdk_GetLastError).
enum VtSdkError : int
{
    VT_ERR_NONE = 0,
    VT_ERR_NOT_INITIALISED = 1,
    VT_ERR_INVALID_HANDLE = 2,
    VT_ERR_INVALID_ARGUMENT = 3,
    VT_ERR_NO_RESOURCES = 4,
    VT_ERR_UNREACHABLE = 5,  // refused, timed out, no route: the camera cannot be reached
    VT_ERR_AUTH_REFUSED = 6, // the camera refused the user name or password
    VT_ERR_REJECTED = 7,     // the camera refused the values
    VT_ERR_UNSUPPORTED = 8,
    VT_ERR_PROTOCOL = 9, // malformed or over-long answer
    VT_ERR_BUSY = 10,    // flashing or rebooting
    VT_ERR_CAMERA = 11,
    VT_ERR_FILE = 12,
};

#pragma pack(push, 1)

// Date, time, time zone and clock source.
struct SystemDateRecord
{
    uint8_t mode;        // 0 manual, 1 NTP server, 2 computer time, 3 keep current
    char date[16];       // "%04d/%02d/%02d"
    char time[16];       // "%02d:%02d:%02d"
    uint8_t daylight;    // 0 disabled, 1 automatic
    char ntpServer[64];  // host name
    uint8_t reserved[2]; // 0
    int32_t timeZone;    // row 0-116 of the time-zone list
};
static_assert(sizeof(SystemDateRecord) == 104);
static_assert(offsetof(SystemDateRecord, date) == 1 && offsetof(SystemDateRecord, time) == 17);
static_assert(offsetof(SystemDateRecord, daylight) == 33 && offsetof(SystemDateRecord, ntpServer) == 34);
static_assert(offsetof(SystemDateRecord, timeZone) == 100);

struct PortInfoRecord
{
    int32_t httpPort;
    int32_t httpPort2;
    int32_t rtspPort;
    int32_t rtspPort2;
    int32_t reserved;
};
static_assert(sizeof(PortInfoRecord) == 20);

struct DdnsRecord
{
    uint8_t enabled;
    char provider[64];
    char user[32];
    char password[32];
    char hash[128];
    char host[128];
    uint8_t easyEnabled; // easy-DDNS service enabled
    uint8_t easyChosen;  // easy DDNS chosen
    char mac[32];        // read only: "00:30:4F:12:34:56"
};
static_assert(sizeof(DdnsRecord) == 419);
static_assert(offsetof(DdnsRecord, provider) == 1 && offsetof(DdnsRecord, user) == 65);
static_assert(offsetof(DdnsRecord, password) == 97 && offsetof(DdnsRecord, hash) == 129);
static_assert(offsetof(DdnsRecord, host) == 257 && offsetof(DdnsRecord, easyEnabled) == 385);
static_assert(offsetof(DdnsRecord, easyChosen) == 386 && offsetof(DdnsRecord, mac) == 387);

struct SystemInfoRecord
{
    char model[32];
    char hardware[16]; // hardware revision
    char version[32];  // firmware version, "a.b.c.d"
};
static_assert(sizeof(SystemInfoRecord) == 80);
static_assert(offsetof(SystemInfoRecord, version) == 48);

struct VideoConfigRecord
{
    uint8_t stream;           // 1 primary, 0 secondary; set by the caller before a read
    uint8_t secondaryEnabled; // 0/1
    uint8_t codec;            // 0 H.264, 1 MPEG4, 2 MJPEG (A models: 0 H.264, 1 MJPEG)
    uint8_t reserved0;
    int32_t frameSize;   // code of the stream's frame-size table
    int32_t frameRate;   // maximum frames per second
    int32_t bitRate;     // kbit/s
    uint8_t rateControl; // 0 CBR, 1 VBR
    uint8_t reserved1[3];
    int32_t iFrameInterval;
    int32_t profile; // the camera's own value; a write passes back what a read gave
};
static_assert(sizeof(VideoConfigRecord) == 28);
static_assert(offsetof(VideoConfigRecord, frameSize) == 4 && offsetof(VideoConfigRecord, bitRate) == 12);
static_assert(offsetof(VideoConfigRecord, rateControl) == 16 &&
              offsetof(VideoConfigRecord, iFrameInterval) == 20);
static_assert(offsetof(VideoConfigRecord, profile) == 24);

struct OsdRecord
{
    uint8_t showTitle;
    uint8_t showTime;
    char title[96];
    uint8_t titlePosition; // 0 top left, 1 top right
    uint8_t datePosition;  // 0 top left, 1 top right, 2 bottom left, 3 bottom right
    uint8_t dateFormat;    // 0 YYYY-MM-DD, 1 MM/DD/YYYY, 2 DD/MM/YYYY
};
static_assert(sizeof(OsdRecord) == 101);
static_assert(offsetof(OsdRecord, title) == 2 && offsetof(OsdRecord, titlePosition) == 98);
static_assert(offsetof(OsdRecord, dateFormat) == 100);

// Picture values: 0-255, except sharpness and noise reduction on cameras whose
// model does not end in "A" (0-100).
struct ImagingSettingsRecord
{
    int32_t brightness;
    int32_t contrast;
    int32_t saturation;
    int32_t sharpness;
    int32_t noiseReduction;
};
static_assert(sizeof(ImagingSettingsRecord) == 20);

struct ImagingConfigRecord
{
    uint8_t mirror; // 0/1
    uint8_t flip;   // 0/1
    uint8_t reserved0[2];
    int32_t frequency; // power line frequency, 50 or 60 Hz
    uint8_t irCut;     // 0 night, 1 day, 2 auto
    uint8_t wdr;       // wide dynamic range 0/1
    uint8_t backlight; // backlight compensation 0/1
    uint8_t reserved1[25];
    uint8_t localDisplay; // 0 off, 1 NTSC, 2 PAL
    uint8_t reserved2[4];
    uint8_t outdoor;       // 0 outdoor, 1 indoor
    uint8_t exposureLevel; // 0-10
    uint8_t maxExposure;   // index 0-12 into the exposure time list
};
static_assert(sizeof(ImagingConfigRecord) == 44);
static_assert(offsetof(ImagingConfigRecord, frequency) == 4 && offsetof(ImagingConfigRecord, irCut) == 8);
static_assert(offsetof(ImagingConfigRecord, localDisplay) == 36 &&
              offsetof(ImagingConfigRecord, outdoor) == 41);
static_assert(offsetof(ImagingConfigRecord, exposureLevel) == 42 &&
              offsetof(ImagingConfigRecord, maxExposure) == 43);

// The video area to play into: a window handle the program registered with
// Vt_Sdk_SetFrameSink.
struct LivePlayRecord
{
    uint8_t reserved0[4];
    uint32_t window;
    uint8_t reserved1[32];
};
static_assert(sizeof(LivePlayRecord) == 40 && offsetof(LivePlayRecord, window) == 4);

#pragma pack(pop)

// Receives each decoded picture of a live play, on the play's own thread:
// `height` rows of `width` RGB pixels, `stride` bytes apart, valid only during
// the call. It must not call Vt_Sdk_SetFrameSink.
typedef void (*VtFrameSink)(void* user, uint32_t window, const uint8_t* rgb, int width, int height,
                            int stride);

extern "C" {

// Process set-up and tear-down. Destroy ends every exchange in flight (those
// calls fail with VT_ERR_NOT_INITIALISED), stops every play and forgets every
// login handle; it returns promptly whatever the cameras do.
ZX_EXPORT int Vt_Sdk_Init();
ZX_EXPORT int Vt_Sdk_Destroy();
// Registers (or, with a null sink, removes) the sink of a window handle; a
// removal returns once no delivery to that sink is running.
ZX_EXPORT int Vt_Sdk_SetFrameSink(uint32_t window, VtFrameSink sink, void* user);
// The reason of the calling thread's last failed call (VtSdkError); 0 after a success.
ZX_EXPORT int Vt_Sdk_GetLastError();

// Verifies the credentials with the camera and returns a login handle (0 or
// more), or -1. Handles are never closed; logging in again to the same camera
// with the same credentials returns the same handle. Of more than 4096, the
// least recently used handle that no call or play is using is retired (later
// calls with it fail with VT_ERR_INVALID_HANDLE); a handle number is never
// given to another camera. `address2` and `reserved`
// are accepted for the callers' sake and not used.
ZX_EXPORT int Vt_Ipc_Login(const char* address, const char* address2, int port, const char* user,
                           const char* password, int reserved);

ZX_EXPORT int Vt_Ipc_GetSystemDate(int handle, SystemDateRecord* record);
ZX_EXPORT int Vt_Ipc_SetSystemDate(int handle, const SystemDateRecord* record);
// `encodedName`: the UTF-8 name percent-encoded, at most 127 bytes.
ZX_EXPORT int Vt_Ipc_SetDeviceName(int handle, const char* encodedName);
ZX_EXPORT int Vt_Ipc_ModifyPassword(int handle, const char* user, const char* newPassword);
ZX_EXPORT int Vt_Ipc_GetSystemInfo(int handle, SystemInfoRecord* record);

ZX_EXPORT int Vt_Ipc_GetPortInfo(int handle, PortInfoRecord* record);
ZX_EXPORT int Vt_Ipc_SetPortInfo(int handle, const PortInfoRecord* record);
ZX_EXPORT int Vt_Ipc_GetDDNS(int handle, DdnsRecord* record);
ZX_EXPORT int Vt_Ipc_SetDDNS(int handle, const DdnsRecord* record);

// The stream byte of `record` picks the stream to read.
ZX_EXPORT int Vt_Ipc_GetVideoConfig(int handle, VideoConfigRecord* record);
ZX_EXPORT int Vt_Ipc_SetVideoConfig(int handle, const VideoConfigRecord* record);
ZX_EXPORT int Vt_Ipc_GetOSD(int handle, OsdRecord* record);
ZX_EXPORT int Vt_Ipc_SetOSD(int handle, const OsdRecord* record);

ZX_EXPORT int Vt_Ipc_GetImagingSettings(int handle, ImagingSettingsRecord* record);
ZX_EXPORT int Vt_Ipc_SetImagingSettings(int handle, const ImagingSettingsRecord* record);
ZX_EXPORT int Vt_Ipc_GetImagingConfig(int handle, ImagingConfigRecord* record);
ZX_EXPORT int Vt_Ipc_SetImagingConfig(int handle, const ImagingConfigRecord* record);

ZX_EXPORT int Vt_Ipc_RebootSystem(int handle);
ZX_EXPORT int Vt_Ipc_RestoreSystem(int handle);

// Sends a firmware or kernel image (a local file of at most 128 MiB, streamed
// from disk). The camera checks the image's name against its model, answers,
// then flashes and reboots; it is silent meanwhile and announces itself after.
ZX_EXPORT int Vt_Ipc_UpdateFirmware(int handle, const char* path);
ZX_EXPORT int Vt_Ipc_UpdateKernal(int handle, const char* path);

// Sends an OEM file (the OEM configuration or one of its images, at most
// 16 MiB) to the camera, which keeps it under its file name.
ZX_EXPORT int Vt_Ipc_UploadOemConfigFile(int handle, const char* path);

// Fetch the camera's event log (an SQLite file with a table `log`), its
// configuration text, or one of its files (kind 0: SD card, 1: other files;
// `remoteName` at most 255 bytes) into `localPath`. The bytes go to a
// temporary file beside it that is renamed only when complete, so a broken
// download never leaves a file under `localPath`.
ZX_EXPORT int Vt_Ipc_DownloadLog(int handle, const char* localPath);
ZX_EXPORT int Vt_Ipc_DownloadCfg(int handle, const char* localPath);
ZX_EXPORT int Vt_Ipc_DownloadCustom(int handle, const char* localPath, int kind, const char* remoteName);

// Plays the camera's primary stream into the record's window: the SDK reads
// and decodes it on a thread of its own. Playing again with the same handle
// replaces the play (a new window, say). The two numbers are not used.
ZX_EXPORT int Vt_IpcClient_LivePlay(int handle, const LivePlayRecord* record, int reserved1, int reserved2);
// Stops the handle's play and waits for its thread; returns at once whatever
// the camera does (only a frame sink still running is waited for).
ZX_EXPORT int Vt_IpcClient_StopLivePlay(int handle);
}
