#pragma once
// What the Media and Media2 services share: the encoders' XML in both
// shapes, reading a changed encoder configuration from either, and the
// stream and snapshot addresses of a profile.
#include "OnvifService.h"

#include <functional>
#include <string>
#include <string_view>

namespace camsim {

inline constexpr Resolution kSensorResolution{1920, 1080};

// A finite number written in full ("25", "0.5", "-3"); false for anything else.
bool ReadReal(const std::string& text, double& value);

std::string ResolutionXml(std::string_view element, const Resolution& resolution);
std::string RangeXml(std::string_view element, const IntRange& range);

// The one tt:VideoSourceConfiguration as the element `element`.
std::string SourceConfigXml(std::string_view element);

// A tt:VideoEncoderConfiguration (Media) or tt:VideoEncoder2Configuration
// (Media2) as the element `element`.
std::string EncoderXml(std::string_view element, const EncoderConfig& config);
std::string Encoder2Xml(std::string_view element, const EncoderConfig& config);

// SetVideoEncoderConfiguration of either service (prefix "trt" or "tr2"):
// the Configuration read in either shape, checked against the encoder's
// options, kept when it fits; ter:InvalidArgVal/ter:ConfigModify otherwise
// and ter:NoConfig for an unknown token. Elements it leaves out keep their
// values.
OnvifAnswer SetEncoder(LiveCamera& camera, const SoapRequest& request, std::string_view prefix, int64_t now);

// The encoder a request names by ConfigurationToken or ProfileToken; the
// main one when it names neither; nullopt for a token that is none.
std::optional<std::size_t> EncoderOfRequest(const OnvifMediaState& state, const SoapRequest& request);

// GetVideoEncoderConfigurationOptions of either service: the options of the
// encoder the request names, in the service's shape; ter:NoConfig for a
// token that is none.
OnvifAnswer EncoderOptionsAnswer(const OnvifMediaState& state, const SoapRequest& request, std::string_view prefix,
                                 const std::function<std::string(const EncoderOptions&)>& optionsXml);

// "rtsp://192.168.5.101:554/profile_1".
std::string StreamUri(const LiveCamera& camera, std::size_t encoder);
// "http://192.168.5.101:80/onvif/snapshot?profile=profile_1".
std::string SnapshotUri(const OnvifRequestContext& context, std::size_t encoder);

} // namespace camsim
