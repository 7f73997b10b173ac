#pragma once
// Files between the workstation and a camera, streamed: an upload reads the
// local file in small pieces, a download writes through DownloadReceiver. Both
// authenticate with the login's session and answer a VtSdkError.
#include "CameraSession.h"

#include <string>

namespace vtmedia {

struct TransferLimits
{
    int connectMs = 3000;
    int ioMs = 5000;       // longest wait for any progress
    int continueMs = 2000; // wait for the camera's go-ahead before a body is sent anyway
    int totalMs = 300000;  // one transfer in all
};

inline constexpr size_t kUploadPieceBytes = 64 * 1024;

// Percent-encodes every byte except letters, digits, '.', '-' and '_'.
std::string PercentEncode(std::string_view text);

// POSTs the file at `localPath` to `target`, its name (the last path
// component) in X-Vt-File-Name.
int UploadFile(vtclient::CameraSession& session, const std::string& target, const char* localPath,
               const TransferLimits& limits = {});

// GETs `target` into `localPath`; `fileName`, when not empty, goes
// percent-encoded in X-Vt-File-Name.
int DownloadFile(vtclient::CameraSession& session, const std::string& target, const char* localPath,
                 const std::string& fileName = {}, const TransferLimits& limits = {});

} // namespace vtmedia
