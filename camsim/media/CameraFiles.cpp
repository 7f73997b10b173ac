#include "CameraFiles.h"

#include "EventLogDatabase.h"
#include "TestPicture.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <unistd.h>

namespace camsim {
namespace fs = std::filesystem;

namespace {

bool WriteWhole(const fs::path& path, std::string_view bytes, std::string& error)
{
    const fs::path building = path.string() + ".building";
    {
        std::ofstream out(building, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            error = "cannot write " + building.string();
            return false;
        }
    }
    std::error_code ec;
    fs::rename(building, path, ec);
    if (ec) {
        error = ec.message();
        fs::remove(building, ec);
        return false;
    }
    return true;
}

std::string Noise(uint32_t seed, size_t size)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

std::string Snapshot()
{
    TestPicture picture;
    PictureSettings settings;
    settings.size = {640, 360};
    settings.osd.showTime = 1;
    settings.timeText = OsdTimeText(1796630400, 0);
    std::string jpeg;
    if (!picture.Render(settings, 12) || !picture.Encode(jpeg)) {
        return {};
    }
    return jpeg;
}

} // namespace

bool IsPlainFileName(std::string_view name)
{
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

bool CameraFiles::Prepare(std::string& error) const
{
    std::error_code ec;
    if (fs::exists(folder_ / "sd", ec)) {
        return true;
    }
    for (const char* sub : {"sd/record/20261201", "sd/snapshot", "other/oem"}) {
        fs::create_directories(folder_ / sub, ec);
        if (ec) {
            error = "cannot create " + (folder_ / sub).string() + ": " + ec.message();
            return false;
        }
    }
    return WriteWhole(folder_ / "sd/record/20261201/080000.avi", Noise(seed_, 300 * 1024), error) &&
           WriteWhole(folder_ / "sd/snapshot/20261201_080000.jpg", Snapshot(), error) &&
           WriteWhole(folder_ / "sd/alarm.txt", "2026-12-01 08:00:00 motion on input 1\r\n", error) &&
           WriteWhole(folder_ / "other/messages", "kernel: eth0 link up, 100 Mbps full duplex\n", error) &&
           WriteWhole(folder_ / "other/boot.bin", Noise(seed_ + 1, 64 * 1024), error);
}

std::optional<fs::path> CameraFiles::EventLog(int64_t now, int rows, std::string& error) const
{
    const fs::path path = folder_ / "log.db";
    std::error_code ec;
    if (fs::is_regular_file(path, ec) || WriteEventLog(path.string(), seed_, now, rows, error)) {
        return path;
    }
    return std::nullopt;
}

std::optional<fs::path> CameraFiles::WriteConfig(std::string_view text, std::string& error) const
{
    const fs::path path = folder_ / "config.txt";
    if (!WriteWhole(path, text, error)) {
        return std::nullopt;
    }
    return path;
}

std::optional<fs::path> CameraFiles::Resolve(int kind, std::string_view remoteName) const
{
    if (kind != 0 && kind != 1) {
        return std::nullopt;
    }
    // Both separators are accepted; every component must be a plain name.
    std::string name(remoteName);
    std::replace(name.begin(), name.end(), '\\', '/');
    fs::path relative;
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = std::min(name.find('/', start), name.size());
        const std::string_view part = std::string_view(name).substr(start, end - start);
        if (!part.empty()) {
            if (!IsPlainFileName(part)) {
                return std::nullopt;
            }
            relative /= std::string(part);
        }
        start = end + 1;
    }
    if (relative.empty()) {
        return std::nullopt;
    }
    const fs::path root = folder_ / (kind == 0 ? "sd" : "other");
    const fs::path candidate = root / relative;
    std::error_code ec;
    // No link may lead out of the camera's folder either.
    const fs::path real = fs::canonical(candidate, ec);
    const fs::path realRoot = fs::canonical(root, ec);
    if (ec || !fs::is_regular_file(real, ec)) {
        return std::nullopt;
    }
    const auto mismatch = std::mismatch(realRoot.begin(), realRoot.end(), real.begin(), real.end());
    if (mismatch.first != realRoot.end()) {
        return std::nullopt;
    }
    return real;
}

std::optional<fs::path> CameraFiles::OemTarget(std::string_view fileName) const
{
    if (!IsPlainFileName(fileName)) {
        return std::nullopt;
    }
    const fs::path folder = folder_ / "other/oem";
    const fs::path target = folder / std::string(fileName);
    std::error_code ec;
    size_t held = 0;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        held += entry.is_regular_file() && entry.path() != target ? 1 : 0;
    }
    if (ec || held >= kMaxOemFiles) {
        return std::nullopt;
    }
    return target;
}

} // namespace camsim
