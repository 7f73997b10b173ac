// The firmware calls of the device client: the upload to the address the
// camera gives, and the older inline (MTOM) upgrade.
#include "OnvifDeviceAnswers.h"
#include "OnvifDeviceClient.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <openssl/rand.h>

namespace onvif {

namespace {

constexpr std::uintmax_t kMaxInlineFirmwareBytes = 256u * 1024u * 1024u;

std::string RandomHex(std::size_t bytes)
{
    std::array<std::uint8_t, 32> random{};
    bytes = std::min(bytes, random.size());
    RAND_bytes(random.data(), static_cast<int>(bytes));
    return Hex(std::span<const std::uint8_t>(random.data(), bytes));
}

} // namespace

OnvifResult OnvifDeviceClient::UploadFirmware(const FirmwareUploadTicket& ticket,
                                              const std::string& imagePath, std::chrono::milliseconds timeout,
                                              const UploadProgress& progress)
{
    // The image goes to the camera itself, never to another host the answer names.
    if (!OnOwnHost(ticket.uploadUri)) {
        return Failure(OnvifStatus::BadAnswer,
                       "upload address on another host: " + ticket.uploadUri.substr(0, 128));
    }
    const TransportResult transport = PostFile(ticket.uploadUri, imagePath, Transport(timeout), progress);
    if (OnvifResult failed = Answered(transport); !failed.ok()) {
        return failed;
    }
    if (transport.httpStatus / 100 != 2) {
        return Failure(OnvifStatus::Fault, "HTTP " + std::to_string(transport.httpStatus));
    }
    return {};
}

OnvifResult OnvifDeviceClient::UpgradeSystemFirmware(const std::string& imagePath,
                                                     std::chrono::milliseconds timeout, std::string& message)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(imagePath, error);
    if (error || size > kMaxInlineFirmwareBytes) {
        return Failure(OnvifStatus::BadAnswer,
                       error ? "cannot read " + imagePath : "image too large to send inline");
    }
    std::ifstream file(imagePath, std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The image travels as an MTOM attachment that the SOAP part points at.
    const std::string boundary = "zendrix-" + RandomHex(16);
    const std::string body =
        "<tds:UpgradeSystemFirmware><tds:Firmware><xop:Include"
        " xmlns:xop=\"http://www.w3.org/2004/08/xop/include\" href=\"cid:firmware@zendrix\"/>"
        "</tds:Firmware></tds:UpgradeSystemFirmware>";
    const auto request = [&] {
        const UsernameToken token = Token(PasswordForm::Digest);
        std::string text =
            "--" + boundary +
            "\r\nContent-Type: application/xop+xml; charset=UTF-8; type=\"application/soap+xml\""
            "\r\nContent-Transfer-Encoding: 8bit\r\nContent-ID: <soap@zendrix>\r\n\r\n" +
            BuildRequest(body, endpoint_.user.empty() ? nullptr : &token) + "\r\n--" + boundary +
            "\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: binary"
            "\r\nContent-ID: <firmware@zendrix>\r\n\r\n";
        text += image;
        text += "\r\n--" + boundary + "--\r\n";
        return text;
    };
    const std::string contentType =
        "multipart/related; type=\"application/xop+xml\"; start=\"<soap@zendrix>\";"
        " start-info=\"application/soap+xml\"; boundary=\"" +
        boundary + "\"";
    SoapAnswer answer;
    OnvifResult result = ExchangeOnce(endpoint_.serviceUrl, request, contentType, answer, timeout);
    if (result.ok()) {
        if (!IsResponse(answer.body, "UpgradeSystemFirmwareResponse")) {
            return Failure(OnvifStatus::BadAnswer, "unexpected answer");
        }
        message = TextCut(Child(answer.body, "Message"), kMaxFieldBytes);
    }
    return result;
}

} // namespace onvif
