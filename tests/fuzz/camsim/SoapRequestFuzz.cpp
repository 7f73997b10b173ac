// One input is a SOAP request as an ONVIF camera of the simulator receives
// it (also read as a WS-Discovery datagram); nothing a client sends may crash
// the camera, make it answer with XML it cannot read back, or leave it with
// an address that is none.
#include "OnvifService.h"
#include "SoapMessage.h"
#include "WsDiscovery.h"
#include "WsSecurity.h"

#include <arpa/inet.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    camsim::ParseProbe(input);
    std::string why;
    const auto request = camsim::ParseSoapRequest(input, why);
    if (!request) {
        return 0;
    }
    camsim::LiveCamera camera;
    camera.sim.protocol = camsim::CameraProtocol::Onvif;
    camera.sim.maker = "Fuzz & <Co>";
    camera.sim.ip = "192.168.5.100";
    camera.sim.netmask = "255.255.255.0";
    camera.sim.rebootNeeded = size % 2 == 0;
    camera.onvif = camsim::InitialOnvifState(camera.sim);
    if (request->token) {
        camsim::VerifyUsernameToken(*request->token, camera.onvif, 1'800'000'000, why);
    }
    const camsim::OnvifRequestContext context{"http://192.168.5.100:80", 1'800'000'000};
    for (const auto service : {camsim::OnvifServiceKind::Device, camsim::OnvifServiceKind::Media,
                               camsim::OnvifServiceKind::Media2, camsim::OnvifServiceKind::Imaging}) {
        const camsim::OnvifAnswer answer = camsim::AnswerOnvifRequest(camera, *request, service, context);
        pugi::xml_document reread;
        Check(camsim::ParseBoundedXml(answer.envelope, reread, why));
    }
    camsim::TakePendingAddress(camera);
    in_addr address{};
    Check(inet_pton(AF_INET, camera.sim.ip.c_str(), &address) == 1);
    Check(camera.sim.port > 0 && camera.sim.port < 65536);
    return 0;
}
