#pragma once
// The device SDK: log in to a camera and read or write its settings over the
// camera protocol (docs/camera-protocol.md). Plain C records and calls; every
// call returns 0 on success (Vt_Ipc_Login: a handle of 0 or more) and -1 on
// failure, with the reason in the calling thread's last error. No call throws.
//
// Texts inside the records are zero-terminated byte strings: the device name
// is UTF-8, every other text is in the workstation's character set. The SDK
// passes the bytes through unchanged.
#include "VtIpcRecords.h"
#include "ZxExport.h"

#include <cstddef>
#include <cstdint>

// Receives each decoded picture of a live play, on the play's own thread:
// `height` rows of `width` RGB pixels, `stride` bytes apart, valid only during
// the call. It must not call Vt_Sdk_SetFrameSink. The sinks are the process's
// one table of window handles (FrameSinks.h): the SDK's plays deliver only
// pictures, while another player of the process (RTSP) may hand a sink a null
// `rgb` (width and height 0) to say its stream shows no picture now.
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

// Copies the next whole picture of the camera's primary stream, as the JPEG
// file the camera sent (not decoded), into `buffer` and its size into
// `*length`. A picture larger than `size` bytes fails with
// VT_ERR_NO_RESOURCES and `*length` then says how many bytes it needs. The
// call gives up after 10 s (VT_ERR_UNREACHABLE when no picture came by then).
ZX_EXPORT int Vt_IpcClient_Snapshot(int handle, uint8_t* buffer, size_t size, size_t* length);
}
