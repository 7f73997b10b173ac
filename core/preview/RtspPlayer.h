#pragma once
// Live video over RTSP: one thread per play opens the stream with FFmpeg,
// decodes H.264 or H.265 and hands RGB pictures to the frame sink of a window
// handle (FrameSinks.h), as the device SDK's play does for the family's
// cameras. A stream that shows no picture for a while is announced to the
// sink as "no picture" and opened again, with growing pauses, until stopped.
#include "ZxExport.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

enum class RtspTransport
{
    Tcp, // interleaved in the RTSP connection: passes firewalls and NAT
    Udp,
};

struct RtspSource
{
    // rtsp://host[:port]/path as the camera names it; user and password are
    // put into the address percent-encoded (any given in uri are replaced).
    std::string uri;
    std::string user;
    std::string password;
    RtspTransport transport = RtspTransport::Tcp;
};

struct RtspTimings
{
    // Connecting, the camera's answers and the first picture together.
    std::chrono::milliseconds connectWithin{8000};
    // No picture for this long: the sink is told and the stream opened again.
    std::chrono::milliseconds stallAfter{3000};
    // Pauses before opening again, doubling from the first to the longest.
    std::chrono::milliseconds firstRetry{500};
    std::chrono::milliseconds longestRetry{8000};
};

enum class RtspState
{
    Stopped,
    Connecting, // no picture yet since the play started
    Playing,    // pictures arrive
    NoPicture,  // pictures stopped or never came; opening again
    Failed,     // the camera refused the user and password: not tried again
};

enum class RtspFailure
{
    None,
    Unauthorized,  // 401: wrong user or password
    Unreachable,   // no connection, or no answer in time
    NotFound,      // the camera knows no such stream
    Unsupported,   // no H.264 or H.265 video in the stream
    Stalled,       // the stream ended or stopped carrying pictures
};

struct RtspStatus
{
    RtspState state = RtspState::Stopped;
    RtspFailure lastFailure = RtspFailure::None;
    uint64_t pictures = 0;      // handed to the sink
    uint64_t connections = 0;   // streams opened
    uint64_t brokenPackets = 0; // packets the decoder refused, skipped
    // Processor time of the play's thread (reading, decoding, converting to
    // RGB), without the time spent in the sink.
    double decodeCpuSeconds = 0;
};

class ZX_EXPORT RtspPlayer
{
public:
    explicit RtspPlayer(RtspTimings timings = {});
    // Stops the play.
    ~RtspPlayer();
    RtspPlayer(const RtspPlayer&) = delete;
    RtspPlayer& operator=(const RtspPlayer&) = delete;

    // Plays source into window's sink on a thread of its own, replacing a
    // running play; returns at once. False (nothing started) for an address
    // that is not rtsp://host... .
    bool Start(const RtspSource& source, uint32_t window);
    // Ends the play and joins its thread, promptly whatever the server does
    // (FFmpeg is interrupted in its waits); no picture is delivered after it.
    void Stop();

    RtspStatus Status() const;
    // Waits until a picture was delivered, the play failed or stopped, or
    // timeout passed; returns the state then.
    RtspState WaitForPicture(std::chrono::milliseconds timeout) const;

    struct Play;

private:
    RtspTimings m_timings;
    std::unique_ptr<Play> m_play;
};

// The transport a stored "RtspTransport" value names: "udp" (any case) UDP,
// anything else TCP; and the one stored in the program's settings.
ZX_EXPORT RtspTransport ParseRtspTransport(const std::wstring& text);
ZX_EXPORT RtspTransport StoredRtspTransport();

// The address FFmpeg opens: source.uri with the user and password
// percent-encoded in front of the host; empty for an address that is not
// rtsp:// or rtsps:// with a host.
ZX_EXPORT std::string RtspAddressWithLogin(const RtspSource& source);
