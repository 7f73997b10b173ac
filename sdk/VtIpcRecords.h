#pragma once
// The error codes and records of the device SDK. VtIpcSDK.h declares them
// through this header; the SDK's inner parts (the camera session, the record
// coder) use them without the C calls.
//
// Texts inside the records are zero-terminated byte strings: the device name
// is UTF-8, every other text is in the workstation's character set.

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
