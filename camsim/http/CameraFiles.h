#pragma once
// The files a camera offers for download: its event log (an SQLite file with
// a table `log`), its configuration text, and files on its SD card and elsewhere.
#include "LiveCamera.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace camsim {

// An event log of `rows` entries over every main and sub type, spread over the
// thirty days before `now`, as the bytes of an SQLite file; empty on failure.
std::string BuildEventLog(const SimCamera& camera, int64_t now, int rows = 600);

// The camera's settings as an INI-style text; the caller holds the camera's mutex.
std::string BuildConfigText(const LiveCamera& camera);

// A file by kind (0 SD card, 1 other files, among them "oem/NAME" for each
// uploaded OEM file) and name; nullopt when there is none.
// The caller holds the camera's mutex.
std::optional<std::string> CustomFile(const LiveCamera& camera, int kind, std::string_view name);

} // namespace camsim
