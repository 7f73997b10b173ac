#include "OnvifRoutes.h"

#include "CameraRoutes.h"
#include "DigestAuth.h"
#include "InterfaceAddresses.h"
#include "OnvifService.h"
#include "PictureSource.h"
#include "StatusPage.h"
#include "WsSecurity.h"

#include <ctime>
#include <httplib.h>

namespace camsim {
namespace {

constexpr const char* kSoapType = "application/soap+xml; charset=utf-8";

int64_t Now()
{
    return static_cast<int64_t>(std::time(nullptr));
}

void Send(httplib::Response& res, const OnvifAnswer& answer)
{
    res.status = answer.status;
    res.set_content(answer.envelope, kSoapType);
}

OnvifAnswer NotAuthorized(int status, const std::string& reason)
{
    return Fault(status, {true, "ter:NotAuthorized", {}, "Sender not authorized: " + reason});
}

// The HTTP Digest check of a camera that asks for it; nullopt when the
// request is signed. The caller holds the camera's mutex.
std::optional<OnvifAnswer> DigestCheck(LiveCamera& camera, const httplib::Request& req,
                                       const vtwire::DigestNonceIssuer& nonces, httplib::Response& res)
{
    const int64_t now = Now();
    const auto verdict = vtwire::VerifyDigest(req.get_header_value("Authorization"), req.method, req.target,
                                              camera.sim.user, camera.sim.password, nonces, now);
    if (verdict == vtwire::DigestVerdict::Accepted) {
        return std::nullopt;
    }
    res.set_header("WWW-Authenticate", vtwire::BuildDigestChallenge(nonces, now, verdict == vtwire::DigestVerdict::Stale));
    camera.onvif.Log(camera.onvif.CameraTime(now), "login refused (HTTP Digest)");
    return NotAuthorized(401, "HTTP Digest credentials needed");
}

// The login check of one request; nullopt when it may go on. The caller
// holds the camera's mutex.
std::optional<OnvifAnswer> CheckLogin(LiveCamera& camera, const SoapRequest& request, const httplib::Request& req,
                                      const vtwire::DigestNonceIssuer& nonces, httplib::Response& res)
{
    if (IsPreAuthAction(request.actionName)) {
        return std::nullopt;
    }
    const int64_t now = Now();
    if (camera.sim.onvifAuth == OnvifAuth::HttpDigest) {
        return DigestCheck(camera, req, nonces, res);
    }
    std::string why = "no UsernameToken";
    if (request.token && VerifyUsernameToken(*request.token, camera.onvif, now, why)) {
        return std::nullopt;
    }
    camera.onvif.Log(camera.onvif.CameraTime(now), "login refused: " + why);
    return NotAuthorized(400, why);
}

void RunAfter(const OnvifAnswer& answer, const OnvifActions& actions)
{
    switch (answer.after) {
    case OnvifAfter::Reboot:
        actions.reboot();
        break;
    case OnvifAfter::Readdress:
        actions.readdress();
        break;
    case OnvifAfter::Flash:
        actions.flash(answer.flashVersion);
        break;
    case OnvifAfter::Restream:
        actions.restream();
        break;
    case OnvifAfter::Nothing:
        break;
    }
}

void AddService(httplib::Server& server, const char* path, OnvifServiceKind service,
                const std::weak_ptr<LiveCamera>& weak, const OnvifActions& actions,
                const vtwire::DigestNonceIssuer& nonces)
{
    server.Post(path, [weak, actions, service, &nonces](const httplib::Request& req, httplib::Response& res) {
        std::string why;
        const std::unique_ptr<SoapRequest> request = ParseSoapRequest(req.body, why);
        const auto camera = weak.lock();
        if (!camera) {
            res.status = 503;
            return;
        }
        if (!request) {
            // An HTTP Digest client (libcurl among them) first sends its POST
            // without a body to learn the challenge: a camera that asks for
            // Digest challenges anything not signed before reading it.
            std::optional<OnvifAnswer> challenge;
            {
                std::lock_guard lock(camera->mutex);
                if (camera->sim.onvifAuth == OnvifAuth::HttpDigest) {
                    challenge = DigestCheck(*camera, req, nonces, res);
                }
            }
            Send(res, challenge ? *challenge : Fault(400, {true, "ter:WellFormed", {}, why}));
            return;
        }
        OnvifAnswer answer;
        {
            std::lock_guard lock(camera->mutex);
            const auto refused = CheckLogin(*camera, *request, req, nonces, res);
            OnvifRequestContext context;
            context.serviceRoot = camera->sim.OnvifRoot();
            context.now = Now();
            answer = refused ? *refused : AnswerOnvifRequest(*camera, *request, service, context);
        }
        Send(res, answer);
        RunAfter(answer, actions);
    });
}

void AddFirmwareUpload(httplib::Server& server, const std::weak_ptr<LiveCamera>& weak, const OnvifActions& actions)
{
    server.Post(std::string(kFirmwareUploadPath) + "([0-9]+)", [weak, actions](const httplib::Request& req,
                                                                                httplib::Response& res,
                                                                                const httplib::ContentReader& reader) {
        std::string head;
        if (ReceiveImage(reader, weak, &head) > kMaxImageRequest) {
            res.status = 413;
            return;
        }
        const auto camera = weak.lock();
        if (!camera) {
            res.status = 503;
            return;
        }
        std::optional<std::string> version;
        {
            std::lock_guard lock(camera->mutex);
            OnvifState& state = camera->onvif;
            if (state.uploadToken.empty() || req.matches[1] != state.uploadToken) {
                res.status = 404;
                return;
            }
            version = OnvifImageVersion(head, camera->sim.model);
            if (!version) {
                res.status = 415;
                res.set_content("the image does not fit this camera\n", "text/plain");
                return;
            }
            state.uploadToken.clear();
            state.Log(state.CameraTime(Now()), "firmware upgrade to " + *version);
        }
        res.status = 200;
        res.set_content("flashing\n", "text/plain");
        actions.flash(version);
    });
}

// The current picture of a profile as a JPEG, behind HTTP Digest whatever
// login the SOAP services take.
void AddSnapshot(httplib::Server& server, const std::weak_ptr<LiveCamera>& weak, const vtwire::DigestNonceIssuer& nonces)
{
    server.Get(kSnapshotPath, [weak, &nonces](const httplib::Request& req, httplib::Response& res) {
        const auto camera = weak.lock();
        if (!camera) {
            res.status = 503;
            return;
        }
        PictureSettings picture;
        {
            std::lock_guard lock(camera->mutex);
            if (const auto refused = DigestCheck(*camera, req, nonces, res)) {
                res.status = refused->status;
                res.set_content("authentication required\n", "text/plain");
                return;
            }
            const auto encoder = EncoderOfProfile(req.get_param_value("profile"));
            if (!encoder) {
                res.status = 404;
                res.set_content("no such profile\n", "text/plain");
                return;
            }
            picture = PictureOf(*camera, *encoder);
        }
        std::string why;
        const std::optional<std::string> jpeg = SnapshotJpeg(picture, why);
        if (!jpeg) {
            res.status = 500;
            res.set_content(why + "\n", "text/plain");
            return;
        }
        res.set_content(*jpeg, "image/jpeg");
    });
}

std::string Row(std::string_view label, std::string_view value)
{
    return "<tr><th>" + HtmlEscape(label) + "</th><td>" + HtmlEscape(value) + "</td></tr>\n";
}

} // namespace

bool IsOnvifUploadPath(const std::string& path)
{
    return path.rfind(kFirmwareUploadPath, 0) == 0;
}

void AddOnvifRoutes(httplib::Server& server, std::weak_ptr<LiveCamera> camera, OnvifActions actions,
                    const vtwire::DigestNonceIssuer& nonces)
{
    bool media2 = false;
    if (const auto locked = camera.lock()) {
        std::lock_guard lock(locked->mutex);
        media2 = locked->sim.media2;
    }
    AddService(server, kDeviceServicePath, OnvifServiceKind::Device, camera, actions, nonces);
    AddService(server, kMediaServicePath, OnvifServiceKind::Media, camera, actions, nonces);
    if (media2) {
        AddService(server, kMedia2ServicePath, OnvifServiceKind::Media2, camera, actions, nonces);
    }
    AddService(server, kImagingServicePath, OnvifServiceKind::Imaging, camera, actions, nonces);
    AddSnapshot(server, camera, nonces);
    AddFirmwareUpload(server, camera, actions);
    server.Get("/", [camera](const httplib::Request&, httplib::Response& res) {
        const auto locked = camera.lock();
        if (!locked) {
            res.status = 503;
            return;
        }
        std::lock_guard lock(locked->mutex);
        res.set_content(OnvifStatusHtml(*locked), "text/html; charset=utf-8");
    });
}

std::string OnvifStatusHtml(const LiveCamera& camera)
{
    const OnvifState& state = camera.onvif;
    std::string ntp;
    for (const std::string& server : state.ntpServers) {
        ntp += (ntp.empty() ? "" : " ") + server;
    }
    std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlEscape(camera.sim.name) +
                       "</title></head>\n<body>\n<h1>" + HtmlEscape(camera.sim.name) + "</h1>\n<table>\n";
    page += Row("Protocol", "ONVIF");
    page += Row("Manufacturer", camera.sim.maker);
    page += Row("Model", camera.sim.model);
    page += Row("Firmware", camera.sim.version);
    page += Row("MAC", camera.MacText());
    page += Row("Address", camera.sim.ip + "/" + std::to_string(PrefixFromNetmask(camera.sim.netmask)));
    page += Row("Gateway", camera.sim.gateway);
    page += Row("Hostname", state.hostname);
    page += Row("Time", FormatUtc(state.CameraTime(Now())));
    page += Row("DateTimeType", state.ntpTime ? "NTP" : "Manual");
    page += Row("TimeZone", state.timeZone);
    page += Row("NTP", ntp);
    if (camera.sim.https) {
        page += Row("Certificate SHA-256", state.certificateFingerprint);
    }
    page += Row("RTSP port", std::to_string(state.rtspPort));
    const OnvifMediaState& media = state.media;
    for (std::size_t i = 0; i < media.encoders.size(); ++i) {
        page += Row(std::string("Video ") + kProfileTokens[i], DescribeEncoder(media.encoders[i]));
    }
    for (const OsdConfig& osd : media.osds) {
        page += Row("OSD " + osd.token, (osd.dateTime ? "date and time" : "title " + osd.text) + " " + osd.position);
    }
    const ImagingValues& imaging = media.imaging;
    page += Row("Brightness", FormatNumber(imaging.brightness));
    page += Row("ColorSaturation", FormatNumber(imaging.colorSaturation));
    page += Row("Contrast", FormatNumber(imaging.contrast));
    page += Row("Sharpness", FormatNumber(imaging.sharpness));
    page += Row("IrCutFilter", imaging.irCutFilter);
    page += Row("Exposure", imaging.exposureMode);
    page += Row("WhiteBalance", imaging.whiteBalanceMode);
    page += "</table>\n</body></html>\n";
    return page;
}

} // namespace camsim
