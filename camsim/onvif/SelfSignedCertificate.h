#pragma once
// The key and self-signed certificate an https camera makes for itself when
// it first serves, as cameras do out of the box. It keeps them across
// reboots and moves, so a client that pinned the fingerprint sees the same one.
#include <memory>
#include <optional>
#include <string>

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

namespace camsim {

struct TlsIdentity
{
    std::shared_ptr<X509> certificate;
    std::shared_ptr<EVP_PKEY> key;
};

// An EC P-256 key and a certificate for commonName, valid for ten years;
// nullopt with a reason when OpenSSL fails.
std::optional<TlsIdentity> MakeSelfSignedCertificate(const std::string& commonName, std::string& error);

// "AB:CD:..." of the certificate's SHA-256, as a browser shows it.
std::string CertificateFingerprint(X509* certificate);

} // namespace camsim
