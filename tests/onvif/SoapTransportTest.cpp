// The transport and the device client over real HTTP and TLS on 127.0.0.1.
// The other end is a test fake: a few cpp-httplib handlers that answer as a
// camera would for the case at hand (HTTP Digest, its own clock, oversized or
// stalled answers, redirects, a self-signed certificate).
#include "SoapTransport.h"

#include "OnvifDeviceClient.h"
#include "OnvifMediaClient.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <httplib.h>
#include <mutex>
#include <openssl/evp.h>
#include <regex>
#include <set>
#include <thread>

namespace {

namespace fs = std::filesystem;

// Runs a cpp-httplib server (plain or TLS) on 127.0.0.1 for one test.
class FakeCamera
{
public:
    explicit FakeCamera(std::unique_ptr<httplib::Server> server) : server_(std::move(server))
    {
        port_ = server_->bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_->listen_after_bind(); });
        while (!server_->is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~FakeCamera()
    {
        server_->stop();
        thread_.join();
    }
    httplib::Server& server() { return *server_; }
    std::string Url(const std::string& scheme, const std::string& path) const
    {
        return scheme + "://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::thread thread_;
};

std::string Md5Hex(const std::string& text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

std::string Field(const std::string& header, const std::string& name)
{
    std::smatch match;
    const std::regex pattern(name + "=(\"([^\"]*)\"|([^,\\s]*))");
    if (!std::regex_search(header, match, pattern)) {
        return {};
    }
    return match[2].matched ? match[2].str() : match[3].str();
}

std::string Envelope(const std::string& body)
{
    return "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
           " xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\" xmlns:tt=\"http://www.onvif.org/ver10/schema\">"
           "<s:Body>" +
           body + "</s:Body></s:Envelope>";
}

// A camera whose clock runs two hours ahead and that wants HTTP Digest and a
// WS-Security digest made on its clock for everything but the time.
struct DigestCamera {
    static constexpr const char* kUser = "admin";
    static constexpr const char* kPassword = "qr7319";
    static constexpr auto kAhead = std::chrono::hours(2);
    std::mutex mutex;
    std::vector<std::string> bodies;
    std::set<std::string> nonces;

    void Handle(const httplib::Request& request, httplib::Response& response)
    {
        {
            std::lock_guard lock(mutex);
            bodies.push_back(request.body);
        }
        const auto now = std::chrono::system_clock::now() + kAhead;
        if (request.body.find("GetSystemDateAndTime") != std::string::npos) {
            const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
            std::tm t{};
            gmtime_r(&seconds, &t);
            response.set_content(
                Envelope("<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime><tt:DateTimeType>Manual"
                         "</tt:DateTimeType><tt:DaylightSavings>false</tt:DaylightSavings><tt:UTCDateTime><tt:Time>"
                         "<tt:Hour>" + std::to_string(t.tm_hour) + "</tt:Hour><tt:Minute>" +
                         std::to_string(t.tm_min) + "</tt:Minute><tt:Second>" + std::to_string(t.tm_sec) +
                         "</tt:Second></tt:Time><tt:Date><tt:Year>" + std::to_string(t.tm_year + 1900) +
                         "</tt:Year><tt:Month>" + std::to_string(t.tm_mon + 1) + "</tt:Month><tt:Day>" +
                         std::to_string(t.tm_mday) + "</tt:Day></tt:Date></tt:UTCDateTime>"
                         "</tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>"),
                "application/soap+xml");
            return;
        }
        const std::string authorization = request.get_header_value("Authorization");
        const std::string nonce = "d1g3st";
        const std::string expected =
            Md5Hex(Md5Hex(std::string(kUser) + ":onvif:" + kPassword) + ":" + nonce + ":" + Field(authorization, "nc") +
                   ":" + Field(authorization, "cnonce") + ":auth:" + Md5Hex("POST:" + Field(authorization, "uri")));
        if (!authorization.starts_with("Digest ") || Field(authorization, "response") != expected) {
            response.status = 401;
            response.set_header("WWW-Authenticate",
                                "Digest realm=\"onvif\", qop=\"auth\", nonce=\"" + nonce + "\", algorithm=MD5");
            return;
        }
        if (!TokenValid(request.body, now) || !FreshNonce(request.body)) {
            response.status = 400;
            response.set_content(
                Envelope("<s:Fault><s:Code><s:Value>s:Sender</s:Value><s:Subcode><s:Value>ter:NotAuthorized"
                         "</s:Value></s:Subcode></s:Code><s:Reason><s:Text xml:lang=\"en\">Sender not Authorized"
                         "</s:Text></s:Reason></s:Fault>"),
                "application/soap+xml");
            return;
        }
        response.set_content(
            Envelope("<tds:GetDeviceInformationResponse><tds:Manufacturer>Acme</tds:Manufacturer><tds:Model>"
                     "AC-100</tds:Model><tds:FirmwareVersion>1.2</tds:FirmwareVersion><tds:SerialNumber>S1"
                     "</tds:SerialNumber><tds:HardwareId>H1</tds:HardwareId></tds:GetDeviceInformationResponse>"),
            "application/soap+xml");
    }

    static bool TokenValid(const std::string& body, std::chrono::system_clock::time_point cameraNow)
    {
        pugi::xml_document document;
        if (onvif::ParseBounded(body, document) != onvif::XmlStatus::Ok) {
            return false;
        }
        const pugi::xml_node token = onvif::Descendant(document, "UsernameToken");
        const std::string created = onvif::Child(token, "Created").text().get();
        std::tm t{};
        if (strptime(created.c_str(), "%Y-%m-%dT%H:%M:%SZ", &t) == nullptr) {
            return false;
        }
        const auto skew = std::chrono::system_clock::from_time_t(timegm(&t)) - cameraNow;
        const std::string nonceText = onvif::Child(token, "Nonce").text().get();
        std::vector<std::uint8_t> nonce(nonceText.size());
        nonce.resize(static_cast<std::size_t>(EVP_DecodeBlock(
                         nonce.data(), reinterpret_cast<const unsigned char*>(nonceText.data()),
                         static_cast<int>(nonceText.size()))) -
                     static_cast<std::size_t>(std::count(nonceText.begin(), nonceText.end(), '=')));
        return std::chrono::abs(skew) < std::chrono::minutes(5) &&
               onvif::Child(token, "Username").text().get() == std::string(kUser) &&
               onvif::Child(token, "Password").text().get() == onvif::PasswordDigest(nonce, created, kPassword);
    }

    bool FreshNonce(const std::string& body)
    {
        const auto start = body.find("Base64Binary\">");
        std::lock_guard lock(mutex);
        return start != std::string::npos && nonces.insert(body.substr(start, 40)).second;
    }

    bool SawPasswordText()
    {
        std::lock_guard lock(mutex);
        return std::any_of(bodies.begin(), bodies.end(),
                           [](const std::string& b) { return b.find("#PasswordText") != std::string::npos; });
    }
};

std::string Run(const std::string& command)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[256];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    if (pipe != nullptr) {
        ::pclose(pipe);
    }
    return output;
}

// A fresh self-signed certificate and its SHA-256 as openssl prints it.
std::string MakeCertificate(const fs::path& folder, const std::string& name)
{
    const fs::path key = folder / (name + ".key");
    const fs::path certificate = folder / (name + ".pem");
    Run("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=" + name +
        " -keyout " + key.string() + " -out " + certificate.string() + " 2>/dev/null");
    std::string fingerprint = Run("openssl x509 -noout -fingerprint -sha256 -in " + certificate.string());
    fingerprint = fingerprint.substr(fingerprint.find('=') + 1);
    std::string hex;
    for (const char c : fingerprint) {
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            hex += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return hex;
}

} // namespace

// Login against a camera that wants HTTP Digest on top of WS-Security and whose
// clock is two hours ahead: the token is made on the camera's clock. A wrong
// password is a refusal, and PasswordText is sent only when allowed.
TEST(SoapTransportTest, LoginWithHttpDigestAndTheCamerasClock)
{
    DigestCamera camera;
    FakeCamera server(std::make_unique<httplib::Server>());
    server.server().Post("/onvif/device_service",
                         [&](const httplib::Request& q, httplib::Response& r) { camera.Handle(q, r); });
    onvif::DeviceEndpoint endpoint;
    endpoint.serviceUrl = server.Url("http", "/onvif/device_service");
    endpoint.user = DigestCamera::kUser;
    endpoint.password = DigestCamera::kPassword;

    onvif::OnvifDeviceClient client(endpoint);
    onvif::DeviceInformation information;
    const onvif::OnvifResult login = client.Login(information);
    ASSERT_EQ(login.status, onvif::OnvifStatus::Done) << login.reason;
    EXPECT_EQ(information.model, "AC-100");
    EXPECT_NEAR(static_cast<double>(client.ClockOffset().count()), 7200.0, 5.0);

    endpoint.password = "wrong";
    onvif::OnvifDeviceClient refused(endpoint);
    EXPECT_EQ(refused.Login(information).status, onvif::OnvifStatus::Refused);
    EXPECT_FALSE(camera.SawPasswordText());
    endpoint.allowPasswordText = true;
    onvif::OnvifDeviceClient allowed(endpoint);
    EXPECT_EQ(allowed.Login(information).status, onvif::OnvifStatus::Refused);
    EXPECT_TRUE(camera.SawPasswordText());
}

// An oversized answer ends at the cap, a stalled one at the abort flag; a
// redirect is not followed and only http and https are spoken.
TEST(SoapTransportTest, AnswersAreBoundedStoppableAndNeverRedirected)
{
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    std::atomic<int> targetHits{0};
    FakeCamera server(std::make_unique<httplib::Server>());
    server.server().Post("/big", [](const httplib::Request&, httplib::Response& r) {
        r.set_content(std::string(onvif::kMaxAnswerBytes + 1024, 'x'), "application/soap+xml");
    });
    server.server().Post("/slow", [&](const httplib::Request&, httplib::Response& r) {
        std::unique_lock lock(mutex);
        released.wait_for(lock, std::chrono::seconds(20), [&] { return release; });
        r.set_content("late", "text/plain");
    });
    server.server().Post("/redirect", [](const httplib::Request&, httplib::Response& r) { r.set_redirect("/target"); });
    server.server().Post("/target", [&](const httplib::Request&, httplib::Response&) { ++targetHits; });

    onvif::TransportOptions options;
    options.totalTimeout = std::chrono::seconds(60);
    onvif::TransportResult result = onvif::PostBody(server.Url("http", "/big"), "<x/>", onvif::kSoapContentType, options);
    EXPECT_EQ(result.status, onvif::TransportStatus::TooLarge);
    EXPECT_TRUE(result.body.empty());

    std::atomic<bool> abort{false};
    options.abort = &abort;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        abort = true;
    });
    result = onvif::PostBody(server.Url("http", "/slow"), "<x/>", onvif::kSoapContentType, options);
    stopper.join();
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    released.notify_all();
    EXPECT_EQ(result.status, onvif::TransportStatus::Aborted);

    abort = false;
    result = onvif::PostBody(server.Url("http", "/redirect"), "<x/>", onvif::kSoapContentType, options);
    EXPECT_EQ(result.status, onvif::TransportStatus::Answered);
    EXPECT_EQ(result.httpStatus, 302);
    EXPECT_EQ(targetHits.load(), 0);

    for (const char* url : {"ftp://127.0.0.1/x", "file:///etc/passwd", "gopher://127.0.0.1/"}) {
        EXPECT_EQ(onvif::PostBody(url, "<x/>", onvif::kSoapContentType, options).status,
                  onvif::TransportStatus::BadUrl);
    }
}

// https: the certificate's fingerprint is learnt on first use; a camera that
// later shows another certificate is refused before any request is sent.
TEST(SoapTransportTest, PinnedCertificateThatChangesIsRefusedBeforeTheRequest)
{
    const fs::path folder = fs::temp_directory_path() / ("onvif-tls-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string first = MakeCertificate(folder, "first");
    const std::string second = MakeCertificate(folder, "second");
    ASSERT_EQ(first.size(), 64u);
    ASSERT_NE(first, second);
    std::atomic<int> requests{0};
    const auto answer = [&](const httplib::Request&, httplib::Response& r) {
        ++requests;
        r.set_content(Envelope("<tds:GetHostnameResponse/>"), "application/soap+xml");
    };
    onvif::TransportOptions options;
    {
        FakeCamera camera(std::make_unique<httplib::SSLServer>((folder / "first.pem").c_str(),
                                                               (folder / "first.key").c_str()));
        camera.server().Post("/onvif/device_service", answer);
        const std::string url = camera.Url("https", "/onvif/device_service");
        onvif::TransportResult result = onvif::PostBody(url, "<x/>", onvif::kSoapContentType, options);
        ASSERT_EQ(result.status, onvif::TransportStatus::Answered) << result.error;
        EXPECT_EQ(result.certificateSha256, first);
        options.pinnedSha256 = first;
        EXPECT_EQ(onvif::PostBody(url, "<x/>", onvif::kSoapContentType, options).status,
                  onvif::TransportStatus::Answered);
    }
    EXPECT_EQ(requests.load(), 2);
    {
        FakeCamera camera(std::make_unique<httplib::SSLServer>((folder / "second.pem").c_str(),
                                                               (folder / "second.key").c_str()));
        camera.server().Post("/onvif/device_service", answer);
        const onvif::TransportResult result = onvif::PostBody(camera.Url("https", "/onvif/device_service"), "<x/>",
                                                              onvif::kSoapContentType, options);
        EXPECT_EQ(result.status, onvif::TransportStatus::CertificateChanged);
        EXPECT_EQ(result.certificateSha256, second);
    }
    EXPECT_EQ(requests.load(), 2);
    fs::remove_all(folder);
}

// Firmware both ways: the image POSTed to the address StartFirmwareUpgrade
// gives, with progress, and inline as an MTOM attachment for older cameras.
TEST(SoapTransportTest, FirmwareReachesTheCameraBothWays)
{
    const fs::path image = fs::temp_directory_path() / ("onvif-image-" + std::to_string(::getpid()));
    std::string bytes(3 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    }
    {
        std::ofstream(image, std::ios::binary) << bytes;
    }
    std::mutex mutex;
    std::string uploaded;
    std::string uploadType;
    std::string inlineRequest;
    std::string inlineType;
    FakeCamera camera(std::make_unique<httplib::Server>());
    const std::string uploadUri = camera.Url("http", "/upload/1");
    camera.server().Post("/onvif/device_service", [&](const httplib::Request& q, httplib::Response& r) {
        if (q.body.find("StartFirmwareUpgrade") != std::string::npos) {
            r.set_content(Envelope("<tds:StartFirmwareUpgradeResponse><tds:UploadUri>" + uploadUri +
                                   "</tds:UploadUri><tds:UploadDelay>PT0S</tds:UploadDelay><tds:ExpectedDownTime>"
                                   "PT2M</tds:ExpectedDownTime></tds:StartFirmwareUpgradeResponse>"),
                          "application/soap+xml");
            return;
        }
        std::lock_guard lock(mutex);
        inlineRequest = q.body;
        inlineType = q.get_header_value("Content-Type");
        const std::string soap = "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
                                 " xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\"><s:Body>"
                                 "<tds:UpgradeSystemFirmwareResponse><tds:Message>rebooting</tds:Message>"
                                 "</tds:UpgradeSystemFirmwareResponse></s:Body></s:Envelope>";
        r.set_content(soap, "application/soap+xml");
    });
    camera.server().Post("/upload/1", [&](const httplib::Request& q, httplib::Response&) {
        std::lock_guard lock(mutex);
        uploaded = q.body;
        uploadType = q.get_header_value("Content-Type");
    });

    onvif::DeviceEndpoint endpoint;
    endpoint.serviceUrl = camera.Url("http", "/onvif/device_service");
    endpoint.user = "admin";
    endpoint.password = "qr7319";
    onvif::OnvifDeviceClient client(endpoint);
    onvif::FirmwareUploadTicket ticket;
    ASSERT_TRUE(client.StartFirmwareUpgrade(ticket).ok());
    EXPECT_EQ(ticket.uploadUri, uploadUri);
    EXPECT_EQ(ticket.expectedDownTimeSeconds, 120);
    std::uint64_t lastSent = 0;
    std::uint64_t lastTotal = 0;
    const onvif::OnvifResult upload = client.UploadFirmware(ticket, image.string(), std::chrono::seconds(60),
                                                            [&](std::uint64_t sent, std::uint64_t total) {
                                                                EXPECT_GE(sent, lastSent);
                                                                lastSent = sent;
                                                                lastTotal = total;
                                                            });
    ASSERT_TRUE(upload.ok()) << upload.reason;
    EXPECT_EQ(lastTotal, bytes.size());
    EXPECT_EQ(lastSent, bytes.size());

    // An answer may not send the image to another host.
    onvif::FirmwareUploadTicket elsewhere = ticket;
    elsewhere.uploadUri = "http://127.0.0.2:9/upload";
    EXPECT_EQ(client.UploadFirmware(elsewhere, image.string(), std::chrono::seconds(5), {}).status,
              onvif::OnvifStatus::BadAnswer);

    std::string message;
    const onvif::OnvifResult inlined = client.UpgradeSystemFirmware(image.string(), std::chrono::seconds(60), message);
    ASSERT_TRUE(inlined.ok()) << inlined.reason;
    EXPECT_EQ(message, "rebooting");
    std::lock_guard lock(mutex);
    EXPECT_TRUE(uploaded == bytes);
    EXPECT_EQ(uploadType, "application/octet-stream");
    EXPECT_NE(inlineType.find("multipart/related"), std::string::npos);
    EXPECT_NE(inlineRequest.find("href=\"cid:firmware@zendrix\""), std::string::npos);
    EXPECT_NE(inlineRequest.find("Content-ID: <firmware@zendrix>\r\n\r\n" + bytes + "\r\n--"), std::string::npos);
    fs::remove(image);
}

// The snapshot address comes from the camera's answer: a picture is fetched
// only from the camera's own host, and only a JPEG is taken as one; a media
// service on another host is never sent the login.
TEST(SoapTransportTest, TheSnapshotComesOnlyFromTheCameraItselfAndOnlyAsAJpeg)
{
    FakeCamera camera(std::make_unique<httplib::Server>());
    std::mutex mutex;
    std::string snapshotUri;
    camera.server().Post("/onvif/media2_service", [&](const httplib::Request&, httplib::Response& r) {
        std::lock_guard lock(mutex);
        r.set_content(
            "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
            " xmlns:tr2=\"http://www.onvif.org/ver20/media/wsdl\"><s:Body><tr2:GetSnapshotUriResponse>"
            "<tr2:Uri>" +
                snapshotUri + "</tr2:Uri></tr2:GetSnapshotUriResponse></s:Body></s:Envelope>",
            "application/soap+xml");
    });
    camera.server().Get("/snap.jpg", [](const httplib::Request&, httplib::Response& r) {
        r.set_content(std::string("\xFF\xD8\xFF\xE0 picture", 12), "image/jpeg");
    });
    camera.server().Get("/page.html", [](const httplib::Request&, httplib::Response& r) {
        r.set_content("<html>login</html>", "text/html");
    });
    onvif::DeviceEndpoint endpoint;
    endpoint.serviceUrl = camera.Url("http", "/onvif/device_service");
    endpoint.user = "admin";
    endpoint.password = "qr7319";
    onvif::OnvifDeviceClient device(endpoint);
    onvif::MediaServices services;
    services.media2 = camera.Url("http", "/onvif/media2_service");
    onvif::OnvifMediaClient media(device, services);

    const auto snapshot = [&](const std::string& uri, std::string& jpeg) {
        {
            std::lock_guard lock(mutex);
            snapshotUri = uri;
        }
        return media.GetSnapshot("profile_1", jpeg);
    };
    std::string jpeg;
    ASSERT_TRUE(snapshot(camera.Url("http", "/snap.jpg"), jpeg).ok());
    EXPECT_EQ(jpeg.size(), 12u);
    EXPECT_EQ(snapshot("http://127.0.0.2:9/snap.jpg", jpeg).status, onvif::OnvifStatus::BadAnswer);
    EXPECT_EQ(snapshot(camera.Url("http", "/page.html"), jpeg).status, onvif::OnvifStatus::BadAnswer);

    services.media2 = "http://127.0.0.2:9/onvif/media2_service";
    onvif::OnvifMediaClient elsewhere(device, services);
    const onvif::OnvifResult refused = elsewhere.GetSnapshot("profile_1", jpeg);
    EXPECT_EQ(refused.status, onvif::OnvifStatus::BadAnswer);
    EXPECT_NE(refused.reason.find("another host"), std::string::npos) << refused.reason;
}
