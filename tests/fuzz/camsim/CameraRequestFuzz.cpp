// One input is a request body as a camera receives it, and also an
// Authorization header; nothing a client sends may crash the camera or slip
// an unacceptable value into its settings.
#include "CameraSettings.h"
#include "DigestAuth.h"
#include "PercentEncoding.h"
#include "RecordJson.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

template <class Record, class Check> void Receive(const nlohmann::json& object, Record current, Check check)
{
    if (vtwire::FromJson(object, current, false) && check(current) && !vtwire::ToJson(current)) {
        std::abort(); // an accepted record must encode again
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const vtwire::DigestNonceIssuer issuer("fuzz");
    vtwire::VerifyDigest(input, "GET", "/vtipc/v1/login", "admin", "admin", issuer, 1'800'000'000);
    if (const auto name = vtwire::PercentDecode(input)) {
        camsim::IsAcceptableDeviceName(*name);
    }
    const auto object = vtwire::ParseObject(input);
    if (!object) {
        return 0;
    }
    const camsim::CameraSettings s = camsim::FactorySettings("VT-C6121", 80, "00:30:4F:00:00:01");
    Receive(*object, s.date, [](const SystemDateRecord& r) {
        if (camsim::IsAcceptable(r) && (r.mode == 0 || r.mode == 2) &&
            !camsim::ParseCameraClock(r.date, r.time)) {
            std::abort(); // an accepted manual date must be a real date
        }
        return camsim::IsAcceptable(r);
    });
    Receive(*object, s.ports, [](const PortInfoRecord& r) { return camsim::IsAcceptable(r); });
    Receive(*object, s.ddns, [](const DdnsRecord& r) { return camsim::IsAcceptable(r); });
    Receive(*object, s.primary, [](const VideoConfigRecord& r) { return camsim::IsAcceptable(r, 1); });
    Receive(*object, s.osd, [](const OsdRecord& r) { return camsim::IsAcceptable(r); });
    Receive(*object, s.picture,
            [](const ImagingSettingsRecord& r) { return camsim::IsAcceptable(r, "VT-C6121"); });
    Receive(*object, s.imaging, [](const ImagingConfigRecord& r) { return camsim::IsAcceptable(r); });
    return 0;
}
