#pragma once
// A camera's imaging service (ver20) as typed calls on one video source:
// the picture values and modes, and the ranges and modes the camera offers.
// The calls go through the camera's device client (login, clock, pin, abort
// flag, own host only). Threading: as the device client (one thread at a time).
#include "OnvifDeviceClient.h"
#include "OnvifMediaRecords.h"

#include <string>

namespace onvif {

class OnvifImagingClient
{
public:
    // `address` from FindMediaServices (MediaServices::imaging).
    OnvifImagingClient(OnvifDeviceClient& device, std::string address);

    bool Offered() const { return !address_.empty(); }

    OnvifResult GetImagingSettings(const std::string& videoSourceToken, ImagingSettings& out);
    OnvifResult GetOptions(const std::string& videoSourceToken, ImagingOptions& out);
    // Every value present in `settings` is sent; the camera keeps them
    // across a reboot.
    OnvifResult SetImagingSettings(const std::string& videoSourceToken, const ImagingSettings& settings);

private:
    OnvifResult Send(const std::string& bodyXml, const std::function<bool(pugi::xml_node)>& read);

    OnvifDeviceClient& device_;
    std::string address_;
};

// The timg:ImagingSettings element of SetImagingSettings.
std::string ImagingSettingsXml(const ImagingSettings& settings);

bool ReadImagingSettings(pugi::xml_node body, ImagingSettings& out);
bool ReadImagingOptions(pugi::xml_node body, ImagingOptions& out);

} // namespace onvif
