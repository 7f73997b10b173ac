#pragma once
// An ONVIF camera's paths on its web server: the device, media, Media2 and
// imaging services (SOAP 1.2 over POST), the snapshot, the firmware upload
// address StartFirmwareUpgrade hands out, and a status page at "/" that
// shows what clients have set.
#include "LiveCamera.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace httplib {
class Server;
}
namespace vtwire {
class DigestNonceIssuer;
}

namespace camsim {

struct OnvifActions
{
    std::function<void()> reboot;    // after the answer: Bye, silent, then back with Hello
    std::function<void()> readdress; // after the answer: Bye, serve on the new address or port, Hello
    std::function<void(std::optional<std::string>)> flash; // after the answer: write, reboot with the version
    std::function<void()> restream;  // after the answer: the streams take the camera's new settings
};

// True for the paths whose bodies are firmware images rather than SOAP.
bool IsOnvifUploadPath(const std::string& path);

// nonces: the HTTP Digest nonces of the service, for cameras that ask for
// HTTP Digest; it must outlive the server.
void AddOnvifRoutes(httplib::Server& server, std::weak_ptr<LiveCamera> camera, OnvifActions actions,
                    const vtwire::DigestNonceIssuer& nonces);

// The camera's page at "/"; the caller holds the camera's mutex.
std::string OnvifStatusHtml(const LiveCamera& camera);

} // namespace camsim
