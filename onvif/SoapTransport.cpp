#include "SoapTransport.h"

#include "SoapEnvelope.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>

#include <curl/curl.h>
#include <span>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace onvif {

namespace {

constexpr int kPollMilliseconds = 50;

// What one transfer's callbacks share with the call that runs it.
struct Transfer {
    const TransportOptions* options = nullptr;
    std::string body;
    bool tooLarge = false;
    bool certificateChanged = false;
    std::string certificateSha256;
    const UploadProgress* progress = nullptr;
    bool digestOffered = false;
};

int TransferIndex()
{
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        TransferIndex();
    });
}

size_t WriteAnswer(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    if (transfer->body.size() + length > transfer->options->maxAnswerBytes) {
        transfer->tooLarge = true;
        return 0; // libcurl ends the transfer with a write error
    }
    transfer->body.append(data, length);
    return length;
}

size_t ReadHeader(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    std::string line(data, std::min<size_t>(length, 512));
    for (char& c : line) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    // A new answer (after a redirect or an authentication round) starts over.
    if (line.starts_with("http/")) {
        transfer->digestOffered = false;
    } else if (line.starts_with("www-authenticate:") && line.find("digest") != std::string::npos) {
        transfer->digestOffered = true;
    }
    return length;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t uploadTotal, curl_off_t uploaded)
{
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->progress != nullptr && *transfer->progress && uploadTotal > 0) {
        (*transfer->progress)(static_cast<std::uint64_t>(uploaded), static_cast<std::uint64_t>(uploadTotal));
    }
    const std::atomic<bool>* abort = transfer->options->abort;
    return abort != nullptr && abort->load() ? 1 : 0;
}

// Certificates are the camera's own: no chain is checked, the leaf's
// fingerprint is what is trusted (or learnt on first use).
int VerifyPeer(int, X509_STORE_CTX* store)
{
    if (X509_STORE_CTX_get_error_depth(store) != 0) {
        return 1;
    }
    auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* transfer = static_cast<Transfer*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), TransferIndex()));
    X509* certificate = X509_STORE_CTX_get_current_cert(store);
    if (transfer == nullptr || certificate == nullptr) {
        return 0;
    }
    unsigned char* der = nullptr;
    const int length = i2d_X509(certificate, &der);
    if (length <= 0) {
        return 0;
    }
    transfer->certificateSha256 = CertificateFingerprint(der, static_cast<std::size_t>(length));
    OPENSSL_free(der);
    const std::string& pinned = transfer->options->pinnedSha256;
    if (!pinned.empty() && pinned != transfer->certificateSha256) {
        transfer->certificateChanged = true;
        return 0; // the handshake fails: no byte of the request is sent
    }
    return 1;
}

CURLcode PrepareTls(CURL*, void* sslContext, void* user)
{
    auto* context = static_cast<SSL_CTX*>(sslContext);
    SSL_CTX_set_ex_data(context, TransferIndex(), user);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, VerifyPeer);
    return CURLE_OK;
}

bool HasWebScheme(const std::string& url)
{
    return url.starts_with("http://") || url.starts_with("https://");
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

void CommonOptions(CURL* easy, const std::string& url, Transfer& transfer, const TransportOptions& options)
{
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeout.count()));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(options.totalTimeout.count()));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteAnswer);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, ReadHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L); // replaced by VerifyPeer
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L); // cameras are reached by address
    curl_easy_setopt(easy, CURLOPT_SSL_SESSIONID_CACHE, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, PrepareTls);
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, &transfer);
    if (!options.digestUser.empty()) {
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_DIGEST));
        curl_easy_setopt(easy, CURLOPT_USERNAME, options.digestUser.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, options.digestPassword.c_str());
    }
}

// Runs the transfer on this thread, looking at the abort flag between polls.
TransportResult Perform(CURL* easy, Transfer& transfer, TransportResult result)
{
    CURLM* multi = curl_multi_init();
    curl_multi_add_handle(multi, easy);
    CURLcode code = CURLE_OK;
    bool aborted = false;
    int running = 1;
    while (running != 0) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            break;
        }
        if (transfer.options->abort != nullptr && transfer.options->abort->load()) {
            aborted = true;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
    }
    int pending = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &pending)) {
        if (message->msg == CURLMSG_DONE) {
            code = message->data.result;
        }
    }
    curl_multi_remove_handle(multi, easy);
    curl_multi_cleanup(multi);

    result.certificateSha256 = transfer.certificateSha256;
    result.body = std::move(transfer.body);
    if (aborted || code == CURLE_ABORTED_BY_CALLBACK) {
        result.status = TransportStatus::Aborted;
    } else if (transfer.certificateChanged) {
        result.status = TransportStatus::CertificateChanged;
    } else if (transfer.tooLarge) {
        result.status = TransportStatus::TooLarge;
    } else if (code == CURLE_OPERATION_TIMEDOUT) {
        result.status = TransportStatus::TimedOut;
    } else if (code == CURLE_UNSUPPORTED_PROTOCOL || code == CURLE_URL_MALFORMAT) {
        result.status = TransportStatus::BadUrl;
    } else if (code != CURLE_OK) {
        result.status = TransportStatus::Unreachable;
    } else {
        result.status = TransportStatus::Answered;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.httpStatus);
        result.digestOffered = result.httpStatus == 401 && transfer.digestOffered;
    }
    if (result.status != TransportStatus::Answered) {
        result.error = curl_easy_strerror(code);
        result.body.clear();
    }
    return result;
}

} // namespace

const char* TransportStatusText(TransportStatus status)
{
    switch (status) {
    case TransportStatus::Answered:
        return "answered";
    case TransportStatus::BadUrl:
        return "not an http or https address";
    case TransportStatus::Unreachable:
        return "unreachable";
    case TransportStatus::TimedOut:
        return "timed out";
    case TransportStatus::Aborted:
        return "stopped";
    case TransportStatus::TooLarge:
        return "answer too large";
    case TransportStatus::CertificateChanged:
        return "certificate changed";
    }
    return "unknown";
}

std::string UrlHost(const std::string& url)
{
    CURLU* handle = curl_url();
    char* host = nullptr;
    std::string text;
    if (curl_url_set(handle, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
        curl_url_get(handle, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
        text = host;
        for (char& c : text) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    curl_free(host);
    curl_url_cleanup(handle);
    return text;
}

std::string CertificateFingerprint(const unsigned char* der, std::size_t length)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int digestLength = 0;
    EVP_Digest(der, length, digest.data(), &digestLength, EVP_sha256(), nullptr);
    return Hex(std::span<const std::uint8_t>(digest.data(), digestLength));
}

TransportResult PostBody(const std::string& url, std::string_view body, const std::string& contentType,
                         const TransportOptions& options)
{
    TransportResult result;
    if (!HasWebScheme(url)) {
        result.status = TransportStatus::BadUrl;
        return result;
    }
    GlobalInit();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<curl_slist, SlistDeleter> headers(
        curl_slist_append(nullptr, ("Content-Type: " + contentType).c_str()));
    headers.reset(curl_slist_append(headers.release(), "Expect:"));
    Transfer transfer;
    transfer.options = &options;
    CommonOptions(easy.get(), url, transfer, options);
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy.get(), CURLOPT_POST, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    return Perform(easy.get(), transfer, std::move(result));
}

TransportResult GetUrl(const std::string& url, const TransportOptions& options)
{
    TransportResult result;
    if (!HasWebScheme(url)) {
        result.status = TransportStatus::BadUrl;
        return result;
    }
    GlobalInit();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    Transfer transfer;
    transfer.options = &options;
    CommonOptions(easy.get(), url, transfer, options);
    curl_easy_setopt(easy.get(), CURLOPT_HTTPGET, 1L);
    return Perform(easy.get(), transfer, std::move(result));
}

TransportResult PostFile(const std::string& url, const std::string& path, const TransportOptions& options,
                         const UploadProgress& progress)
{
    TransportResult result;
    if (!HasWebScheme(url)) {
        result.status = TransportStatus::BadUrl;
        return result;
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (error || !file) {
        result.status = TransportStatus::Unreachable;
        result.error = "cannot read " + path;
        return result;
    }
    GlobalInit();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<curl_slist, SlistDeleter> headers(
        curl_slist_append(nullptr, "Content-Type: application/octet-stream"));
    headers.reset(curl_slist_append(headers.release(), "Expect:"));
    Transfer transfer;
    transfer.options = &options;
    transfer.progress = &progress;
    CommonOptions(easy.get(), url, transfer, options);
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy.get(), CURLOPT_POST, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_READDATA, file.get());
    curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(size));
    return Perform(easy.get(), transfer, std::move(result));
}

} // namespace onvif
