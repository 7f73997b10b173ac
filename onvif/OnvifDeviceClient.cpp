#include "OnvifDeviceClient.h"

#include "OnvifDeviceAnswers.h"
#include "SoapBody.h"

#include <algorithm>
#include <ctime>

namespace onvif {

namespace {

// tt:NetworkHost / tt:IPAddress content inside an element named `name`.
std::string HostElement(std::string_view name, const NetworkHost& host)
{
    return std::string("<") + std::string(name) + ">" + Element("tt:Type", host.isName ? "DNS" : "IPv4") +
           Element(host.isName ? "tt:DNSname" : "tt:IPv4Address", host.value) + "</" + std::string(name) + ">";
}

bool IsAuthenticationFault(const SoapFault& fault)
{
    for (const std::string* text : {&fault.subcode, &fault.code}) {
        if (*text == "NotAuthorized" || *text == "FailedAuthentication" || *text == "InvalidSecurityToken" ||
            *text == "FailedCheck") {
            return true;
        }
    }
    return false;
}

OnvifResult FromTransport(const TransportResult& transport)
{
    switch (transport.status) {
    case TransportStatus::Answered:
        return {};
    case TransportStatus::Aborted:
        return Failure(OnvifStatus::Stopped, "stopped");
    case TransportStatus::CertificateChanged:
        return Failure(OnvifStatus::CertificateChanged, "the camera's certificate changed");
    case TransportStatus::TooLarge:
        return Failure(OnvifStatus::BadAnswer, "answer too large");
    case TransportStatus::BadUrl:
        return Failure(OnvifStatus::Unreachable, "not an http or https address");
    case TransportStatus::Unreachable:
    case TransportStatus::TimedOut:
        break;
    }
    return Failure(OnvifStatus::Unreachable, transport.error);
}

} // namespace

OnvifResult Failure(OnvifStatus status, std::string reason)
{
    OnvifResult result;
    result.status = status;
    result.reason = std::move(reason);
    return result;
}

const char* OnvifStatusText(OnvifStatus status)
{
    switch (status) {
    case OnvifStatus::Done:
        return "done";
    case OnvifStatus::Unreachable:
        return "unreachable";
    case OnvifStatus::Refused:
        return "user name or password refused";
    case OnvifStatus::Fault:
        return "the camera refused the request";
    case OnvifStatus::BadAnswer:
        return "bad answer";
    case OnvifStatus::CertificateChanged:
        return "certificate changed";
    case OnvifStatus::Stopped:
        return "stopped";
    }
    return "unknown";
}

OnvifDeviceClient::OnvifDeviceClient(DeviceEndpoint endpoint) : endpoint_(std::move(endpoint)) {}

TransportOptions OnvifDeviceClient::Transport(std::chrono::milliseconds timeout) const
{
    TransportOptions options;
    options.connectTimeout = endpoint_.connectTimeout;
    options.totalTimeout = timeout;
    options.abort = endpoint_.abort;
    if (httpDigest_) {
        options.digestUser = endpoint_.user;
        options.digestPassword = endpoint_.password;
    }
    options.pinnedSha256 = endpoint_.pinnedSha256;
    return options;
}

UsernameToken OnvifDeviceClient::Token(PasswordForm form) const
{
    return UsernameToken{endpoint_.user, endpoint_.password, form, clockOffset_};
}

OnvifResult OnvifDeviceClient::Answered(const TransportResult& transport)
{
    if (!transport.certificateSha256.empty()) {
        certificateSha256_ = transport.certificateSha256;
        // Learnt on first use, it holds for the rest of this client's calls.
        if (endpoint_.pinnedSha256.empty()) {
            endpoint_.pinnedSha256 = certificateSha256_;
        }
    }
    if (OnvifResult failed = FromTransport(transport); !failed.ok()) {
        return failed;
    }
    if (transport.httpStatus == 401 || transport.httpStatus == 403) {
        return Failure(OnvifStatus::Refused, "HTTP " + std::to_string(transport.httpStatus));
    }
    return {};
}

OnvifResult OnvifDeviceClient::ExchangeOnce(const std::string& url,
                                            const std::function<std::string()>& makeRequest,
                                            const std::string& contentType, SoapAnswer& answer,
                                            std::chrono::milliseconds timeout)
{
    TransportResult transport = PostBody(url, makeRequest(), contentType, Transport(timeout));
    if (transport.digestOffered && !httpDigest_ && !endpoint_.user.empty()) {
        httpDigest_ = true;
        transport = PostBody(url, makeRequest(), contentType, Transport(timeout));
    }
    if (OnvifResult failed = Answered(transport); !failed.ok()) {
        return failed;
    }
    answer = ParseAnswer(transport.body);
    if (answer.status == SoapStatus::Fault) {
        OnvifResult result = Failure(IsAuthenticationFault(answer.fault) ? OnvifStatus::Refused : OnvifStatus::Fault,
                                     answer.fault.reason.empty() ? answer.fault.subcode : answer.fault.reason);
        result.fault = answer.fault;
        return result;
    }
    if (answer.status != SoapStatus::Body) {
        return Failure(OnvifStatus::BadAnswer, transport.httpStatus / 100 == 2
                                                   ? answer.problem
                                                   : "HTTP " + std::to_string(transport.httpStatus));
    }
    return {};
}

OnvifResult OnvifDeviceClient::Exchange(const std::string& url, std::string_view bodyXml, bool authenticate,
                                        SoapAnswer& answer)
{
    const bool hasUser = authenticate && !endpoint_.user.empty();
    const auto request = [&](PasswordForm form) {
        return [this, bodyXml, hasUser, form] {
            const UsernameToken token = Token(form);
            return BuildRequest(bodyXml, hasUser ? &token : nullptr);
        };
    };
    OnvifResult result =
        ExchangeOnce(url, request(PasswordForm::Digest), kSoapContentType, answer, endpoint_.totalTimeout);
    if (result.status == OnvifStatus::Refused && hasUser && endpoint_.allowPasswordText) {
        result =
            ExchangeOnce(url, request(PasswordForm::Text), kSoapContentType, answer, endpoint_.totalTimeout);
    }
    return result;
}

template <typename Read>
OnvifResult OnvifDeviceClient::CallAt(const std::string& url, std::string_view bodyXml, bool authenticate,
                                      Read read)
{
    SoapAnswer answer;
    OnvifResult result = Exchange(url, bodyXml, authenticate, answer);
    if (result.ok() && !read(answer.body)) {
        return Failure(OnvifStatus::BadAnswer,
                       "unexpected answer " + std::string(LocalName(answer.body.name()).substr(0, 64)));
    }
    return result;
}

template <typename Read>
OnvifResult OnvifDeviceClient::Call(std::string_view bodyXml, bool authenticate, Read read)
{
    return CallAt(endpoint_.serviceUrl, bodyXml, authenticate, read);
}

OnvifResult OnvifDeviceClient::Simple(std::string_view bodyXml, std::string_view responseName)
{
    return Call(bodyXml, true, [&](pugi::xml_node body) { return IsResponse(body, responseName); });
}

OnvifResult OnvifDeviceClient::Login(DeviceInformation& information)
{
    SystemDateAndTime clock;
    if (OnvifResult result = GetSystemDateAndTime(clock); !result.ok()) {
        return result;
    }
    return GetDeviceInformation(information);
}

OnvifResult OnvifDeviceClient::GetSystemDateAndTime(SystemDateAndTime& out)
{
    const auto sent = std::chrono::system_clock::now();
    OnvifResult result = Call("<tds:GetSystemDateAndTime/>", false,
                              [&](pugi::xml_node body) { return ReadSystemDateAndTime(body, out); });
    if (result.ok() && out.hasUtc) {
        std::tm utc{};
        utc.tm_year = out.utc.year - 1900;
        utc.tm_mon = out.utc.month - 1;
        utc.tm_mday = out.utc.day;
        utc.tm_hour = out.utc.hour;
        utc.tm_min = out.utc.minute;
        utc.tm_sec = out.utc.second;
        const auto camera = std::chrono::system_clock::from_time_t(timegm(&utc));
        const auto received = std::chrono::system_clock::now();
        const auto middle = sent + (received - sent) / 2;
        clockOffset_ = std::chrono::duration_cast<std::chrono::seconds>(camera - middle);
    }
    return result;
}

OnvifResult OnvifDeviceClient::SetSystemDateAndTime(const DateTimeChange& change)
{
    std::string body = "<tds:SetSystemDateAndTime>" + Element("tds:DateTimeType", change.ntp ? "NTP" : "Manual") +
                       Flag("tds:DaylightSavings", change.daylightSavings);
    if (!change.timeZone.empty()) {
        body += "<tds:TimeZone>" + Element("tt:TZ", change.timeZone) + "</tds:TimeZone>";
    }
    if (!change.ntp) {
        const UtcDateTime& t = change.utc;
        body += "<tds:UTCDateTime><tt:Time>" + Number("tt:Hour", t.hour) + Number("tt:Minute", t.minute) +
                Number("tt:Second", t.second) + "</tt:Time><tt:Date>" + Number("tt:Year", t.year) +
                Number("tt:Month", t.month) + Number("tt:Day", t.day) + "</tt:Date></tds:UTCDateTime>";
    }
    body += "</tds:SetSystemDateAndTime>";
    return Simple(body, "SetSystemDateAndTimeResponse");
}

OnvifResult OnvifDeviceClient::GetNtp(NtpSettings& out)
{
    return Call("<tds:GetNTP/>", true, [&](pugi::xml_node body) { return ReadNtp(body, out); });
}

OnvifResult OnvifDeviceClient::SetNtp(const NtpSettings& settings)
{
    std::string body = "<tds:SetNTP>" + Flag("tds:FromDHCP", settings.fromDhcp);
    for (const NetworkHost& server : settings.servers) {
        body += HostElement("tds:NTPManual", server);
    }
    body += "</tds:SetNTP>";
    return Simple(body, "SetNTPResponse");
}

OnvifResult OnvifDeviceClient::GetDeviceInformation(DeviceInformation& out)
{
    return Call("<tds:GetDeviceInformation/>", true,
                [&](pugi::xml_node body) { return ReadDeviceInformation(body, out); });
}

OnvifResult OnvifDeviceClient::GetNetworkInterfaces(std::vector<NetworkInterface>& out)
{
    return Call("<tds:GetNetworkInterfaces/>", true,
                [&](pugi::xml_node body) { return ReadNetworkInterfaces(body, out); });
}

OnvifResult OnvifDeviceClient::SetNetworkInterfaces(const InterfaceChange& change, bool& rebootNeeded)
{
    std::string body = "<tds:SetNetworkInterfaces>" + Element("tds:InterfaceToken", change.token) +
                       "<tds:NetworkInterface>" + Flag("tt:Enabled", true) + "<tt:IPv4>" +
                       Flag("tt:Enabled", true);
    if (!change.dhcp) {
        body += "<tt:Manual>" + Element("tt:Address", change.address) +
                Number("tt:PrefixLength", change.prefixLength) + "</tt:Manual>";
    }
    body += Flag("tt:DHCP", change.dhcp) + "</tt:IPv4></tds:NetworkInterface></tds:SetNetworkInterfaces>";
    return Call(body, true, [&](pugi::xml_node answer) { return ReadRebootNeeded(answer, rebootNeeded); });
}

OnvifResult OnvifDeviceClient::GetNetworkDefaultGateway(std::vector<std::string>& out)
{
    return Call("<tds:GetNetworkDefaultGateway/>", true,
                [&](pugi::xml_node body) { return ReadDefaultGateway(body, out); });
}

OnvifResult OnvifDeviceClient::SetNetworkDefaultGateway(const std::vector<std::string>& ipv4Addresses)
{
    std::string body = "<tds:SetNetworkDefaultGateway>";
    for (const std::string& address : ipv4Addresses) {
        body += Element("tds:IPv4Address", address);
    }
    body += "</tds:SetNetworkDefaultGateway>";
    return Simple(body, "SetNetworkDefaultGatewayResponse");
}

OnvifResult OnvifDeviceClient::GetDns(DnsSettings& out)
{
    return Call("<tds:GetDNS/>", true, [&](pugi::xml_node body) { return ReadDns(body, out); });
}

OnvifResult OnvifDeviceClient::SetDns(const DnsSettings& settings)
{
    std::string body = "<tds:SetDNS>" + Flag("tds:FromDHCP", settings.fromDhcp);
    for (const std::string& domain : settings.searchDomains) {
        body += Element("tds:SearchDomain", domain);
    }
    for (const NetworkHost& server : settings.servers) {
        body += HostElement("tds:DNSManual", server);
    }
    body += "</tds:SetDNS>";
    return Simple(body, "SetDNSResponse");
}

OnvifResult OnvifDeviceClient::GetHostname(HostnameSettings& out)
{
    return Call("<tds:GetHostname/>", true, [&](pugi::xml_node body) { return ReadHostname(body, out); });
}

OnvifResult OnvifDeviceClient::SetHostname(const std::string& name)
{
    return Simple("<tds:SetHostname>" + Element("tds:Name", name) + "</tds:SetHostname>", "SetHostnameResponse");
}

OnvifResult OnvifDeviceClient::GetNetworkProtocols(std::vector<NetworkProtocol>& out)
{
    return Call("<tds:GetNetworkProtocols/>", true,
                [&](pugi::xml_node body) { return ReadNetworkProtocols(body, out); });
}

OnvifResult OnvifDeviceClient::SetNetworkProtocols(const std::vector<NetworkProtocol>& protocols)
{
    std::string body = "<tds:SetNetworkProtocols>";
    for (const NetworkProtocol& protocol : protocols) {
        body += "<tds:NetworkProtocols>" + Element("tt:Name", protocol.name) + Flag("tt:Enabled", protocol.enabled);
        for (const int port : protocol.ports) {
            body += Number("tt:Port", port);
        }
        body += "</tds:NetworkProtocols>";
    }
    body += "</tds:SetNetworkProtocols>";
    return Simple(body, "SetNetworkProtocolsResponse");
}

OnvifResult OnvifDeviceClient::GetUsers(std::vector<OnvifUser>& out)
{
    return Call("<tds:GetUsers/>", true, [&](pugi::xml_node body) { return ReadUsers(body, out); });
}

OnvifResult OnvifDeviceClient::SetUser(const OnvifUser& user)
{
    return Simple("<tds:SetUser><tds:User>" + Element("tt:Username", user.name) +
                      Element("tt:Password", user.password) + Element("tt:UserLevel", user.level) +
                      "</tds:User></tds:SetUser>",
                  "SetUserResponse");
}

OnvifResult OnvifDeviceClient::SystemReboot()
{
    return Simple("<tds:SystemReboot/>", "SystemRebootResponse");
}

OnvifResult OnvifDeviceClient::SetSystemFactoryDefault(FactoryDefault kind)
{
    return Simple("<tds:SetSystemFactoryDefault>" +
                      Element("tds:FactoryDefault", kind == FactoryDefault::Hard ? "Hard" : "Soft") +
                      "</tds:SetSystemFactoryDefault>",
                  "SetSystemFactoryDefaultResponse");
}

OnvifResult OnvifDeviceClient::StartFirmwareUpgrade(FirmwareUploadTicket& ticket)
{
    return Call("<tds:StartFirmwareUpgrade/>", true,
                [&](pugi::xml_node body) { return ReadFirmwareUploadTicket(body, ticket); });
}

OnvifResult OnvifDeviceClient::GetSystemLog(std::string& text)
{
    return Call("<tds:GetSystemLog><tds:LogType>System</tds:LogType></tds:GetSystemLog>", true,
                [&](pugi::xml_node body) { return ReadSystemLog(body, text); });
}

OnvifResult OnvifDeviceClient::GetServices(std::vector<OnvifService>& out)
{
    return Call("<tds:GetServices><tds:IncludeCapability>false</tds:IncludeCapability></tds:GetServices>", true,
                [&](pugi::xml_node body) { return ReadServices(body, out); });
}

OnvifResult OnvifDeviceClient::GetCapabilities(DeviceCapabilities& out)
{
    return Call("<tds:GetCapabilities><tds:Category>All</tds:Category></tds:GetCapabilities>", true,
                [&](pugi::xml_node body) { return ReadCapabilities(body, out); });
}

bool OnvifDeviceClient::OnOwnHost(const std::string& url) const
{
    const std::string host = UrlHost(url);
    return !host.empty() && host == UrlHost(endpoint_.serviceUrl);
}

OnvifResult OnvifDeviceClient::CallService(const std::string& serviceUrl, std::string_view bodyXml,
                                           const std::function<bool(pugi::xml_node)>& read)
{
    if (!OnOwnHost(serviceUrl)) {
        return Failure(OnvifStatus::BadAnswer,
                       "service address on another host: " + serviceUrl.substr(0, 128));
    }
    return CallAt(serviceUrl, bodyXml, true, read);
}

OnvifResult OnvifDeviceClient::Fetch(const std::string& url, std::size_t maxBytes, std::string& bytes)
{
    if (!OnOwnHost(url)) {
        return Failure(OnvifStatus::BadAnswer, "address on another host: " + url.substr(0, 128));
    }
    TransportOptions options = Transport(endpoint_.totalTimeout);
    options.maxAnswerBytes = maxBytes;
    // libcurl asks without credentials first and answers a Digest challenge
    // only (never Basic).
    options.digestUser = endpoint_.user;
    options.digestPassword = endpoint_.password;
    TransportResult transport = GetUrl(url, options);
    if (OnvifResult failed = Answered(transport); !failed.ok()) {
        return failed;
    }
    if (transport.httpStatus / 100 != 2) {
        return Failure(OnvifStatus::Fault, "HTTP " + std::to_string(transport.httpStatus));
    }
    bytes = std::move(transport.body);
    return {};
}

OnvifResult OnvifDeviceClient::GetScopes(std::vector<std::string>& out)
{
    return Call("<tds:GetScopes/>", true, [&](pugi::xml_node body) { return ReadScopes(body, out); });
}

} // namespace onvif
