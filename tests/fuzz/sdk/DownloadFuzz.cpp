// One input is a camera's answer to a file download, arriving in pieces whose
// size the first byte picks. Whatever the answer, the target holds either the
// whole promised body or nothing, and no temporary file stays behind.
#include "DownloadReceiver.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const fs::path& Folder()
{
    static const fs::path folder = [] {
        const fs::path made = fs::temp_directory_path() / ("vtdownload-fuzz-" + std::to_string(getpid()));
        fs::create_directories(made);
        return made;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const fs::path target = Folder() / "download.bin";
    const std::string_view answer(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t step = 1 + data[0] % 61;
    bool complete = false;
    {
        vtmedia::DownloadReceiver receiver(target, 4096);
        for (size_t at = 0; at < answer.size(); at += step) {
            if (receiver.Feed(answer.substr(at, step)) != vtmedia::DownloadReceiver::State::NeedMore) {
                break;
            }
        }
        complete = receiver.Finish() == vtmedia::DownloadReceiver::State::Complete;
        if (complete == (receiver.Error() != 0)) {
            std::abort(); // success with an error, or failure without one
        }
    }
    std::error_code ec;
    const bool exists = fs::exists(target, ec);
    if (exists != complete || (exists && fs::file_size(target, ec) > 4096)) {
        std::abort(); // a file under the final name that is not a whole download
    }
    size_t files = 0;
    for (auto it = fs::directory_iterator(Folder(), ec); it != fs::directory_iterator(); ++it) {
        ++files;
    }
    if (files != (exists ? 1u : 0u)) {
        std::abort(); // a temporary file stayed
    }
    fs::remove(target, ec);
    return 0;
}
