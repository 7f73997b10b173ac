#include "SelfSignedCertificate.h"

#include <cstdio>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/x509.h>

namespace camsim {

std::optional<TlsIdentity> MakeSelfSignedCertificate(const std::string& commonName, std::string& error)
{
    TlsIdentity identity;
    identity.key.reset(EVP_EC_gen("P-256"), EVP_PKEY_free);
    identity.certificate.reset(X509_new(), X509_free);
    X509* certificate = identity.certificate.get();
    unsigned char serial[8];
    if (!identity.key || !certificate || RAND_bytes(serial, sizeof serial) != 1) {
        error = "cannot make a key";
        return std::nullopt;
    }
    serial[0] &= 0x7F;
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    const bool made =
        number != nullptr && BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate)) != nullptr &&
        X509_set_version(certificate, 2) == 1 && X509_gmtime_adj(X509_getm_notBefore(certificate), -86400) &&
        X509_gmtime_adj(X509_getm_notAfter(certificate), 10L * 365 * 86400) &&
        X509_NAME_add_entry_by_txt(X509_get_subject_name(certificate), "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0) == 1 &&
        X509_set_issuer_name(certificate, X509_get_subject_name(certificate)) == 1 &&
        X509_set_pubkey(certificate, identity.key.get()) == 1 &&
        X509_sign(certificate, identity.key.get(), EVP_sha256()) > 0;
    BN_free(number);
    if (!made) {
        error = "cannot make a self-signed certificate";
        return std::nullopt;
    }
    return identity;
}

std::string CertificateFingerprint(X509* certificate)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(certificate, EVP_sha256(), digest, &length);
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : ":%02X", digest[i]);
        text += pair;
    }
    return text;
}

} // namespace camsim
