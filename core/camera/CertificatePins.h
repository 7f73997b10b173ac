#pragma once
#include "Tivox.h"
#include "ZxExport.h"

#include <cstddef>
#include <string>
#include <vector>

// The certificates of https cameras, pinned on first use. A camera's
// self-signed certificate cannot be checked against any authority, so the
// first one it shows is kept, and any other one later is refused until the
// user accepts it. One line per camera in CertificatePins.txt in the user's
// program folder (PlatformProgramFolder): its key, the pinned SHA-256 (lower
// case hex) and, after a refusal, the fingerprint the camera showed instead,
// which accepting pins. The file is replaced whole on every change, so a crash
// never leaves half of it. Calls from any thread; one process writes at a time.

struct CertificatePin
{
    std::string key;     // the camera's MAC ("AA:BB:..."), else its IP address
    std::string pinned;  // the fingerprint accepted
    std::string refused; // the other one a camera showed after it; empty when none
};

// The camera's MAC when the device table knows it, else its address.
ZX_EXPORT std::string CertificatePinKey(const tagVtIpcInfo& camera);

// "AB:CD:..." of a lower-case hex fingerprint, as browsers show one; the
// first `bytes` bytes only when given.
ZX_EXPORT std::string FingerprintText(const std::string& sha256, std::size_t bytes = 32);

// The line telling that the camera of key showed seen instead of the
// pinned certificate, that nothing was sent, and how to accept it.
ZX_EXPORT std::wstring CertificateChangedNote(const std::string& key, const std::string& pinned,
                                              const std::string& seen);

// Every pin, in the order they were made.
ZX_EXPORT std::vector<CertificatePin> CertificatePins();
// The pinned fingerprint of key; empty when none is.
ZX_EXPORT std::string PinnedCertificate(const std::string& key);
// Pins sha256 for key (a first use); false when the file cannot be written.
ZX_EXPORT bool PinCertificate(const std::string& key, const std::string& sha256);
// Notes the fingerprint a pinned camera showed instead, for accepting it later.
ZX_EXPORT bool NoteRefusedCertificate(const std::string& key, const std::string& sha256);
// Pins the fingerprint noted as refused for key; before gets the pin as it
// was. False when there is no refused one to accept or the file cannot be
// written (nothing changes then).
ZX_EXPORT bool AcceptRefusedCertificate(const std::string& key, CertificatePin& before);
