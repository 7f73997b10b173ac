#pragma once
#include "BatchEngine.h"
#include "CameraAccess.h"
#include "VtIpcSDK.h"
#include "ZxExport.h"

#include <atomic>
#include <optional>
#include <string>

// The rules of the "Network" sub-page of the batch set page: ports, the
// dynamic-DNS client with its provider entries, and the partner's easy-DDNS
// service, whose host name a camera takes from its own hardware address.

// The provider list: entries 0-3 always, entry 4 (the partner's easy-DDNS
// service) only for the cameras that know it.
inline constexpr int kProviderEntryCount = 5;
inline constexpr int kFreeDnsEntry = 1;
inline constexpr int kPartnerEntry = 4;

// What entry shows ("" outside 0-4).
ZX_EXPORT std::string ProviderEntryText(int entry);
// The partner's short lower-case form: what older firmware expects and what a
// camera may report as its provider.
ZX_EXPORT std::string PartnerShortName();
// The domain under which the partner service names the cameras.
ZX_EXPORT std::string PartnerDomain();

// "a.b.c.d"; missing or unreadable parts are 0.
struct FirmwareVersion
{
    int a = 0;
    int b = 0;
    int c = 0;
    int d = 0;
};
ZX_EXPORT FirmwareVersion ParseFirmwareVersion(const std::string& text);

// True when the camera knows the partner service: its MAC text begins
// 00:30:4F (either case) and its firmware is a development build (first
// number 0) or at least x.4.x.73.
ZX_EXPORT bool OffersPartnerEntry(const std::string& macText, const std::string& version);

// The entry that shows the camera's provider text: the first known text that
// contains it; the partner entry only when the list holds it; 0 otherwise.
ZX_EXPORT int ProviderEntryFor(const std::string& providerText, bool partnerListed);

// What the camera is sent for entry: firmware before x.4.x.83 (release
// builds) knows No-IP and ZoneEdit without their www label and the partner
// only by its short form.
ZX_EXPORT std::string ProviderTextToSend(int entry, const std::string& version);

// "pl" and the hex digits of the last three address bytes as the camera wrote
// them, then a dot and the partner domain: 00:30:4f:0a:b1:c2 gives
// "pl0ab1c2.<domain>". Empty when macText is not six colon-separated pairs
// of hex digits.
ZX_EXPORT std::string EasyDdnsHostName(const std::string& macText);

// The whole-text check of a DDNS host name (narrow text as sent).
ZX_EXPORT bool IsValidDdnsHostName(const std::string& host);

// Wide text in the workstation's character set for a record field of
// fieldBytes bytes (terminator included), cut before the character that would
// not fit. Unlike the SDK converter it adds no escapes: these texts are
// credentials and names that must arrive as typed.
ZX_EXPORT std::string NarrowField(const std::wstring& text, std::size_t fieldBytes);

// The sub-page's boxes when "Save Parameters" is pressed.
struct NetworkParamsForm
{
    std::wstring http;
    std::wstring rtsp;
    bool ddnsEnabled = false;
    int providerEntry = 0;
    bool easyChosen = false;
    std::wstring user;
    std::wstring password;
    std::wstring host;
    std::wstring hash;
    std::string version; // the loaded camera's firmware version
};

enum class NetworkField
{
    None,
    Http,
    Rtsp,
    Host,
};

// The first failed check: its message key and the box that takes the focus
// (None: the focus stays). key 0: the form passed.
struct NetworkProblem
{
    unsigned key = 0;
    NetworkField field = NetworkField::None;
};

// What the apply writes to every target: the ports and the DDNS record.
struct NetworkBlock
{
    PortInfoRecord ports{};
    DdnsRecord ddns{};
};

// Checks the form in the order the operator is told about problems and, when
// it passes, fills block.
ZX_EXPORT NetworkProblem BuildNetworkBlock(const NetworkParamsForm& form, NetworkBlock& block);

// The network apply for one camera: log in, write the DDNS record, then the
// ports, one panel line per call. With easy DDNS chosen each camera gets the
// easy-DDNS host name of its own address, never the loaded camera's.
ZX_EXPORT BatchEngine::Operation NetworkApplyOperation(LoginCredentials login, NetworkBlock block);

// What a load reads for the "Network" sub-page; each part absent when the
// camera did not give it. The firmware version is asked for only with a DDNS
// record, which it qualifies.
struct NetworkReading
{
    std::optional<PortInfoRecord> ports;
    std::optional<DdnsRecord> ddns;
    std::optional<std::string> version;
};

// The reads of a load from a logged-in camera; off the UI thread. Nothing
// more is read once stop is set.
ZX_EXPORT NetworkReading ReadNetworkSettings(Camera& camera, const std::atomic<bool>& stop);
