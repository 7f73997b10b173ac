// Random answers against the SOAP parser and the device, media and imaging
// answer readers: the
// body of any answer is offered to every reader, as a confused or hostile
// camera could answer any call with any response.
#include "OnvifDeviceAnswers.h"
#include "OnvifImagingClient.h"
#include "OnvifMediaAnswers.h"
#include "SoapEnvelope.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// Every media and imaging reader, in both media shapes.
void ReadMediaAnswers(pugi::xml_node body)
{
    for (const bool media2 : {false, true}) {
        std::vector<onvif::MediaProfile> profiles;
        std::vector<onvif::VideoEncoderConfig> configurations;
        std::vector<onvif::VideoEncoderOptions> options;
        std::string uri;
        if (onvif::ReadProfiles(body, media2, profiles) && profiles.size() > onvif::kMaxListItems) {
            __builtin_trap();
        }
        onvif::ReadVideoEncoderConfigurations(body, media2, configurations);
        if (onvif::ReadVideoEncoderOptions(body, media2, options)) {
            for (const onvif::VideoEncoderOptions& item : options) {
                if (item.resolutions.size() > onvif::kMaxListItems ||
                    (item.bitrate && item.bitrate->min > item.bitrate->max)) {
                    __builtin_trap();
                }
            }
        }
        if (onvif::ReadMediaUri(body, media2, "GetStreamUriResponse", uri) && uri.empty()) {
            __builtin_trap();
        }
    }
    onvif::VideoEncoderConfig configuration;
    std::vector<onvif::OsdConfig> osds;
    onvif::OsdOptions osdOptions;
    std::string token;
    onvif::ImagingSettings imaging;
    onvif::ImagingOptions imagingOptions;
    onvif::ReadVideoEncoderConfiguration(body, configuration);
    onvif::ReadOsds(body, osds);
    onvif::ReadOsdOptions(body, osdOptions);
    onvif::ReadCreatedOsd(body, token);
    if (onvif::ReadImagingSettings(body, imaging)) {
        onvif::ImagingSettingsXml(imaging);
    }
    onvif::ReadImagingOptions(body, imagingOptions);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const onvif::SoapAnswer answer = onvif::ParseAnswer(std::string_view(reinterpret_cast<const char*>(data), size));
    if (answer.status == onvif::SoapStatus::Fault &&
        (answer.fault.reason.size() > 512 || answer.fault.code.size() > 512 || answer.fault.subcode.size() > 512)) {
        __builtin_trap();
    }
    if (answer.status != onvif::SoapStatus::Body) {
        return 0;
    }
    const pugi::xml_node body = answer.body;
    onvif::SystemDateAndTime clock;
    onvif::NtpSettings ntp;
    onvif::DeviceInformation information;
    std::vector<onvif::NetworkInterface> interfaces;
    bool reboot = false;
    std::vector<std::string> texts;
    onvif::DnsSettings dns;
    onvif::HostnameSettings hostname;
    std::vector<onvif::NetworkProtocol> protocols;
    std::vector<onvif::OnvifUser> users;
    onvif::FirmwareUploadTicket ticket;
    std::string log;
    std::vector<onvif::OnvifService> services;
    onvif::DeviceCapabilities capabilities;
    onvif::ReadSystemDateAndTime(body, clock);
    onvif::ReadNtp(body, ntp);
    onvif::ReadDeviceInformation(body, information);
    if (onvif::ReadNetworkInterfaces(body, interfaces) && interfaces.size() > onvif::kMaxListItems) {
        __builtin_trap();
    }
    onvif::ReadRebootNeeded(body, reboot);
    onvif::ReadDefaultGateway(body, texts);
    onvif::ReadDns(body, dns);
    onvif::ReadHostname(body, hostname);
    onvif::ReadNetworkProtocols(body, protocols);
    onvif::ReadUsers(body, users);
    if (onvif::ReadFirmwareUploadTicket(body, ticket) && (ticket.uploadDelaySeconds < 0 || ticket.uploadUri.empty())) {
        __builtin_trap();
    }
    onvif::ReadSystemLog(body, log);
    onvif::ReadServices(body, services);
    onvif::ReadCapabilities(body, capabilities);
    if (onvif::ReadScopes(body, texts) && texts.size() > onvif::kMaxListItems) {
        __builtin_trap();
    }
    ReadMediaAnswers(body);
    return 0;
}
