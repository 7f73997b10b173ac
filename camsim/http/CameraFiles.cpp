#include "CameraFiles.h"

#include <memory>
#include <random>
#include <sqlite3.h>
#include <sstream>

namespace camsim {
namespace {

struct SubTypeRange
{
    int mainType;
    int first;
    int count;
};

// Main types 1 event, 2 operation, 3 information, 4 exception, with the
// codes of their sub types.
constexpr SubTypeRange kTypes[] = {{1, 11, 7}, {2, 100, 18}, {3, 300, 7}, {4, 200, 7}};

const char* const kUsers[] = {"admin", "operator", "system"};
// Short ones, and long ones of up to 255 bytes (the most a log row keeps), in
// UTF-8 with characters of two and three bytes too.
const char* const kDetails[] = {
    "motion detected in area 1",
    "configuration saved",
    "user logged in",
    "network cable reconnected",
    "SD card write error",
    "video loss restored",
    "Motion detected in area 3 while recording to the SD card: the recording was extended by 30 seconds "
    "and a snapshot was sent to the FTP server ftp.site.example in folder /alarms/entrance",
    "\u79fb\u52a8\u4fa6\u6d4b\u62a5\u8b66\uff1a\u5927\u95e8\u5165\u53e3\u533a\u57df\u4e00\u68c0\u6d4b\u5230"
    "\u79fb\u52a8\u76ee\u6807\uff0c\u6444\u50cf\u673a\u5df2\u5f00\u59cb\u5f55\u50cf\u5e76\u6293\u62cd\u4e09"
    "\u5f20\u56fe\u7247\uff0c\u62a5\u8b66\u8f93\u51fa\u4e00\u5df2\u6253\u5f00\u4e09\u5341\u79d2\uff0c\u8bf7"
    "\u53ca\u65f6\u67e5\u770b\u5f55\u50cf\u6587\u4ef6\u5e76\u786e\u8ba4\u73b0\u573a\u60c5\u51b5\uff0c\u5fc5"
    "\u8981\u65f6\u8054\u7cfb\u503c\u73ed\u4eba\u5458",
    "Connexion r\u00e9seau r\u00e9tablie apr\u00e8s 12 s \u2014 d\u00e9bit mesur\u00e9 4096 kbit/s, adresse "
    "192.168.1.20, passerelle 192.168.1.1 (configuration enregistr\u00e9e)",
};

struct DatabaseCloser
{
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};

uint32_t SeedOf(const SimCamera& camera)
{
    uint32_t seed = 2166136261u;
    for (unsigned char byte : camera.mac) {
        seed = (seed ^ byte) * 16777619u;
    }
    return seed;
}

// Deterministic bytes for a named file, so repeated downloads are equal.
std::string FileBytes(std::string_view name, size_t size)
{
    std::seed_seq seed(name.begin(), name.end());
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    return bytes;
}

} // namespace

std::string BuildEventLog(const SimCamera& camera, int64_t now, int rows)
{
    sqlite3* raw = nullptr;
    if (sqlite3_open(":memory:", &raw) != SQLITE_OK) {
        sqlite3_close(raw);
        return {};
    }
    std::unique_ptr<sqlite3, DatabaseCloser> db(raw);
    if (sqlite3_exec(db.get(),
                     "create table log(time integer, main_type integer, sub_type integer, sub_param integer, "
                     "user text, ip text, detail text); begin;",
                     nullptr, nullptr, nullptr) != SQLITE_OK) {
        return {};
    }
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db.get(), "insert into log values(?,?,?,?,?,?,?)", -1, &insert, nullptr) !=
        SQLITE_OK) {
        return {};
    }
    std::mt19937 random(SeedOf(camera));
    size_t type = 0;
    int sub = 0;
    for (int i = 0; i < rows; ++i) {
        // Every sub type of every main type in turn, so all of them occur.
        const SubTypeRange& range = kTypes[type];
        sqlite3_bind_int64(insert, 1, now - static_cast<int64_t>(random() % (30 * 86400)));
        sqlite3_bind_int(insert, 2, range.mainType);
        sqlite3_bind_int(insert, 3, range.first + sub);
        sqlite3_bind_int(insert, 4, static_cast<int>(random() % 8));
        sqlite3_bind_text(insert, 5, kUsers[random() % std::size(kUsers)], -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 6, i % 3 == 0 ? "192.168.0.250" : camera.ip.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 7, kDetails[random() % std::size(kDetails)], -1, SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
        if (++sub == range.count) {
            sub = 0;
            type = (type + 1) % std::size(kTypes);
        }
    }
    sqlite3_finalize(insert);
    if (sqlite3_exec(db.get(), "commit;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        return {};
    }
    sqlite3_int64 size = 0;
    unsigned char* bytes = sqlite3_serialize(db.get(), "main", &size, 0);
    if (bytes == nullptr) {
        return {};
    }
    std::string file(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
    sqlite3_free(bytes);
    return file;
}

std::string BuildConfigText(const LiveCamera& camera)
{
    const SimCamera& sim = camera.sim;
    const CameraSettings& s = camera.settings;
    std::ostringstream text;
    text << "[device]\r\nname=" << sim.name << "\r\nmodel=" << sim.model << "\r\nversion=" << sim.version
         << "\r\nhardware=" << sim.hardware << "\r\nmac=" << camera.MacText() << "\r\n"
         << "[network]\r\nip=" << sim.ip << "\r\nnetmask=" << sim.netmask << "\r\ngateway=" << sim.gateway
         << "\r\ndns=" << sim.dns << "\r\nhttp_port=" << s.ports.httpPort
         << "\r\nrtsp_port=" << s.ports.rtspPort << "\r\n[ddns]\r\nenabled=" << int{s.ddns.enabled}
         << "\r\nprovider=" << s.ddns.provider << "\r\nhost=" << s.ddns.host << "\r\n"
         << "[video]\r\nprimary_codec=" << int{s.primary.codec} << "\r\nprimary_size=" << s.primary.frameSize
         << "\r\nprimary_rate=" << s.primary.frameRate << "\r\nprimary_bitrate=" << s.primary.bitRate
         << "\r\nsecondary_enabled=" << int{s.primary.secondaryEnabled}
         << "\r\nsecondary_size=" << s.secondary.frameSize << "\r\n[osd]\r\ntitle=" << s.osd.title
         << "\r\nshow_title=" << int{s.osd.showTitle} << "\r\nshow_time=" << int{s.osd.showTime} << "\r\n"
         << "[image]\r\nbrightness=" << s.picture.brightness << "\r\ncontrast=" << s.picture.contrast
         << "\r\nsaturation=" << s.picture.saturation << "\r\nfrequency=" << s.imaging.frequency << "\r\n";
    return text.str();
}

std::optional<std::string> CustomFile(const LiveCamera& camera, int kind, std::string_view name)
{
    if (kind == 0) {
        for (const char* file : {"record/clip_0001.avi", "record/clip_0002.avi", "snapshot/snap_0001.jpg"}) {
            if (name == file) {
                return FileBytes(name, 96 * 1024 + name.size());
            }
        }
        return std::nullopt;
    }
    if (kind == 1 && name.starts_with("oem/")) {
        const auto found = camera.oemFiles.find(std::string(name.substr(4)));
        return found != camera.oemFiles.end() ? std::optional<std::string>(found->second) : std::nullopt;
    }
    if (kind == 1 && name == "version.txt") {
        return camera.sim.model + " " + camera.sim.version + " " + camera.sim.hardware + "\r\n";
    }
    if (kind == 1 && name == "system.log") {
        return "boot ok\r\nnetwork up " + camera.sim.ip + "\r\nweb server on port " +
               std::to_string(camera.sim.port) + "\r\n";
    }
    return std::nullopt;
}

} // namespace camsim
