#pragma once
#include "Camera.h"
#include "CliOutput.h"
#include "VtIpcSDK.h"

#include <optional>
#include <string>
#include <vector>

// What "get" prints of each settings section: the columns and one camera's
// values in them, read from the records the camera returns. Passwords are
// never among them.
enum class SettingsSection
{
    System,
    Network,
    Video,
    Osd,
    Imaging,
};

// False for a name that is none of system, network, video, osd, imaging.
bool ParseSettingsSection(const std::string& name, SettingsSection& section);

// Everything one camera answered for a section.
struct SectionValues
{
    SystemDateRecord date{};
    PortInfoRecord ports{};
    DdnsRecord ddns{};
    SystemInfoRecord info{};
    VideoConfigRecord primary{};
    VideoConfigRecord secondary{};
    OsdRecord osd{};
    ImagingSettingsRecord picture{};
    ImagingConfigRecord imaging{};
    // A camera of another maker: its streams' own options (video), and no
    // family rules for its model.
    bool family = true;
    std::optional<VideoStreamOptions> primaryOptions;
    std::optional<VideoStreamOptions> secondaryOptions;
};

// Reads the section's records from a logged-in camera; false when any read
// failed. The video of a camera of another maker is read with its options
// instead of the family's imaging configuration.
bool ReadSection(Camera& camera, SettingsSection section, SectionValues& values);

// The columns after MAC and IP, and one camera's cells in them.
std::vector<OutputColumn> SectionColumns(SettingsSection section);
std::vector<std::string> SectionCells(SettingsSection section, const SectionValues& values,
                                      const std::string& model);

// A record's text field up to its terminator.
std::string FieldString(const char* field, std::size_t size);
