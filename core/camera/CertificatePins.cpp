#include "CertificatePins.h"

#include "IniFile.h"
#include "LangTable.h"
#include "MacText.h"
#include "ProgramFolder.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>

namespace {
constexpr const char* kPinFileName = "CertificatePins.txt";
// A pin file is a few lines per camera; anything far larger is no pin file.
constexpr std::streamoff kMaxPinFileBytes = 4 << 20;

std::mutex& PinFileMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string PinFile()
{
    const std::string folder = PlatformProgramFolder();
    return folder.empty() ? std::string() : folder + "/" + kPinFileName;
}

bool IsFingerprint(const std::string& text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// Lines that are not "key pinned [refused]" with real fingerprints are dropped.
std::vector<CertificatePin> ReadPins()
{
    std::vector<CertificatePin> pins;
    std::ifstream in(PinFile(), std::ios::binary | std::ios::ate);
    if (!in || in.tellg() > kMaxPinFileBytes) {
        return pins;
    }
    in.seekg(0);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        CertificatePin pin;
        fields >> pin.key >> pin.pinned >> pin.refused;
        if (!pin.key.empty() && IsFingerprint(pin.pinned) && (pin.refused.empty() || IsFingerprint(pin.refused))) {
            pins.push_back(std::move(pin));
        }
    }
    return pins;
}

bool WritePins(const std::vector<CertificatePin>& pins)
{
    const std::string file = PinFile();
    if (file.empty()) {
        return false;
    }
    std::string text;
    for (const CertificatePin& pin : pins) {
        text += pin.key + " " + pin.pinned + (pin.refused.empty() ? "" : " " + pin.refused) + "\n";
    }
    return WriteWholeFile(file, text);
}

// Reads, lets change alter key's pin (a new one starts empty) and writes
// when it says so; false when it did not or the file cannot be written.
bool ChangePin(const std::string& key, const std::function<bool(CertificatePin&)>& change)
{
    std::lock_guard lock(PinFileMutex());
    std::vector<CertificatePin> pins = ReadPins();
    auto found = std::find_if(pins.begin(), pins.end(), [&](const CertificatePin& pin) { return pin.key == key; });
    CertificatePin pin = found != pins.end() ? *found : CertificatePin{key, {}, {}};
    if (!change(pin)) {
        return false;
    }
    if (found != pins.end()) {
        *found = std::move(pin);
    } else {
        pins.push_back(std::move(pin));
    }
    return WritePins(pins);
}
} // namespace

std::string CertificatePinKey(const tagVtIpcInfo& camera)
{
    const bool hasMac = std::any_of(std::begin(camera.mac), std::end(camera.mac), [](auto b) { return b != 0; });
    return hasMac ? FormatMac(camera.mac) : std::string(camera.ip, ::strnlen(camera.ip, sizeof camera.ip));
}

std::string FingerprintText(const std::string& sha256, std::size_t bytes)
{
    std::string text;
    for (std::size_t i = 0; i + 1 < sha256.size() && i / 2 < bytes; i += 2) {
        text += (text.empty() ? "" : ":") + sha256.substr(i, 2);
    }
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c; });
    return text;
}

std::vector<CertificatePin> CertificatePins()
{
    std::lock_guard lock(PinFileMutex());
    return ReadPins();
}

std::string PinnedCertificate(const std::string& key)
{
    for (const CertificatePin& pin : CertificatePins()) {
        if (pin.key == key) {
            return pin.pinned;
        }
    }
    return {};
}

bool PinCertificate(const std::string& key, const std::string& sha256)
{
    return IsFingerprint(sha256) && ChangePin(key, [&](CertificatePin& pin) {
               pin.pinned = sha256;
               pin.refused.clear();
               return true;
           });
}

bool NoteRefusedCertificate(const std::string& key, const std::string& sha256)
{
    return IsFingerprint(sha256) && ChangePin(key, [&](CertificatePin& pin) {
               if (pin.pinned.empty() || pin.pinned == sha256) {
                   return false;
               }
               pin.refused = sha256;
               return true;
           });
}

bool AcceptRefusedCertificate(const std::string& key, CertificatePin& before)
{
    return ChangePin(key, [&](CertificatePin& pin) {
        if (pin.refused.empty()) {
            return false;
        }
        before = pin;
        pin.pinned = pin.refused;
        pin.refused.clear();
        return true;
    });
}

std::wstring CertificateChangedNote(const std::string& key, const std::string& pinned, const std::string& seen)
{
    return LangFilledText(85005,
                          L"The camera's HTTPS certificate has changed (pinned %1..., now %2...); nothing "
                          L"was sent. If the change is expected, accept it with: zendrix-cli trust %3",
                          {FingerprintText(pinned, 8), FingerprintText(seen, 8),
                           (key.find(':') != std::string::npos ? "--mac " : "--ip ") + key});
}
