#pragma once
// The ONVIF device service of one camera: typed calls that return plain
// records (OnvifDeviceRecords.h) and an OnvifResult.
//
// Authentication: every call but GetSystemDateAndTime carries a WS-Security
// UsernameToken with PasswordDigest, its Created made on the camera's clock
// (the offset that GetSystemDateAndTime measured). A camera that answers 401
// with a Digest challenge gets the call again with HTTP Digest, and every
// later call of this client goes with HTTP Digest at once. PasswordText is sent only when
// the caller allowed it and the camera refused the digest.
//
// Threading: one client per camera and per worker; calls block and must not
// run on two threads at once on the same client. The abort flag given in the
// endpoint may be set from any thread and stops the running call soon.
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "OnvifDeviceRecords.h"
#include "SoapEnvelope.h"
#include "SoapTransport.h"

namespace onvif {

enum class OnvifStatus {
    Done,
    Unreachable,        // no answer: connection, timeout, or an answer too large
    Refused,            // the user name or password was not accepted
    Fault,              // the camera answered a SOAP fault (reason in the result)
    BadAnswer,          // an answer that is not the expected response
    CertificateChanged, // https: the camera shows another certificate than the pinned one
    Stopped,            // the abort flag was set
};

struct OnvifResult {
    OnvifStatus status = OnvifStatus::Done;
    std::string reason; // the fault's reason or what went wrong, for the panel
    SoapFault fault;
    bool ok() const { return status == OnvifStatus::Done; }
};

const char* OnvifStatusText(OnvifStatus status);
OnvifResult Failure(OnvifStatus status, std::string reason);

struct DeviceEndpoint {
    std::string serviceUrl; // http(s)://ip:port/onvif/device_service
    std::string user;
    std::string password;
    bool allowPasswordText = false;
    // https: the fingerprint accepted before; empty, the first one seen is
    // kept for this client's later calls (CertificateSha256() tells it).
    std::string pinnedSha256;
    std::chrono::milliseconds connectTimeout{3000};
    std::chrono::milliseconds totalTimeout{10000};
    const std::atomic<bool>* abort = nullptr;
};

class OnvifDeviceClient
{
public:
    explicit OnvifDeviceClient(DeviceEndpoint endpoint);

    // GetSystemDateAndTime (no authentication) then an authenticated
    // GetDeviceInformation.
    OnvifResult Login(DeviceInformation& information);

    // Also measures the camera's clock offset used by later calls.
    OnvifResult GetSystemDateAndTime(SystemDateAndTime& out);
    OnvifResult SetSystemDateAndTime(const DateTimeChange& change);
    OnvifResult GetNtp(NtpSettings& out);
    OnvifResult SetNtp(const NtpSettings& settings);
    OnvifResult GetDeviceInformation(DeviceInformation& out);
    OnvifResult GetNetworkInterfaces(std::vector<NetworkInterface>& out);
    OnvifResult SetNetworkInterfaces(const InterfaceChange& change, bool& rebootNeeded);
    OnvifResult GetNetworkDefaultGateway(std::vector<std::string>& out);
    OnvifResult SetNetworkDefaultGateway(const std::vector<std::string>& ipv4Addresses);
    OnvifResult GetDns(DnsSettings& out);
    OnvifResult SetDns(const DnsSettings& settings);
    OnvifResult GetHostname(HostnameSettings& out);
    OnvifResult SetHostname(const std::string& name);
    OnvifResult GetNetworkProtocols(std::vector<NetworkProtocol>& out);
    OnvifResult SetNetworkProtocols(const std::vector<NetworkProtocol>& protocols);
    OnvifResult GetUsers(std::vector<OnvifUser>& out);
    OnvifResult SetUser(const OnvifUser& user);
    OnvifResult SystemReboot();
    OnvifResult SetSystemFactoryDefault(FactoryDefault kind);
    OnvifResult StartFirmwareUpgrade(FirmwareUploadTicket& ticket);
    // POSTs the image to the ticket's upload address: http or https, on the
    // service's own host only (else BadAnswer, nothing sent); the service's
    // certificate pin applies to it too.
    OnvifResult UploadFirmware(const FirmwareUploadTicket& ticket, const std::string& imagePath,
                               std::chrono::milliseconds timeout, const UploadProgress& progress);
    // The older path: the image inline in the request (MTOM), for cameras
    // without StartFirmwareUpgrade. Images over 256 MiB are refused.
    OnvifResult UpgradeSystemFirmware(const std::string& imagePath, std::chrono::milliseconds timeout,
                                      std::string& message);
    OnvifResult GetSystemLog(std::string& text);
    OnvifResult GetServices(std::vector<OnvifService>& out);
    OnvifResult GetCapabilities(DeviceCapabilities& out);
    OnvifResult GetScopes(std::vector<std::string>& out);

    // A call on another service of the same camera (media, imaging) with
    // this client's login, camera clock, HTTP Digest and certificate pin.
    // The address must be on the device service's own host, else the call
    // ends BadAnswer and nothing is sent: an answer cannot send the login
    // elsewhere.
    OnvifResult CallService(const std::string& serviceUrl, std::string_view bodyXml,
                            const std::function<bool(pugi::xml_node)>& read);
    // GET of a file the camera serves on its own host (a snapshot): HTTP
    // Digest when challenged, at most `maxBytes`, the pin and the abort flag
    // as for every call. An answer other than 2xx is a Fault "HTTP <code>".
    OnvifResult Fetch(const std::string& url, std::size_t maxBytes, std::string& bytes);
    // Whether `url` (any scheme) names the device service's own host.
    bool OnOwnHost(const std::string& url) const;

    // The password the calls log in with.
    const std::string& Password() const { return endpoint_.password; }
    std::chrono::seconds ClockOffset() const { return clockOffset_; }
    // The https certificate's SHA-256 (lower-case hex) seen by the last call.
    const std::string& CertificateSha256() const { return certificateSha256_; }

private:
    // Sends `bodyXml` and hands the answer's body element to `read`.
    template <typename Read>
    OnvifResult Call(std::string_view bodyXml, bool authenticate, Read read);
    template <typename Read>
    OnvifResult CallAt(const std::string& url, std::string_view bodyXml, bool authenticate, Read read);
    OnvifResult Exchange(const std::string& url, std::string_view bodyXml, bool authenticate,
                         SoapAnswer& answer);
    // `makeRequest` is called for each send, so that a resend carries a
    // fresh nonce (a camera refuses a nonce it has seen).
    OnvifResult ExchangeOnce(const std::string& url, const std::function<std::string()>& makeRequest,
                             const std::string& contentType, SoapAnswer& answer,
                             std::chrono::milliseconds timeout);
    // Keeps the certificate seen; its status as a result.
    OnvifResult Answered(const TransportResult& transport);
    OnvifResult Simple(std::string_view bodyXml, std::string_view responseName);
    TransportOptions Transport(std::chrono::milliseconds timeout) const;
    UsernameToken Token(PasswordForm form) const;

    DeviceEndpoint endpoint_;
    std::chrono::seconds clockOffset_{0};
    bool httpDigest_ = false;
    std::string certificateSha256_;
};

} // namespace onvif
