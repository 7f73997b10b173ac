#pragma once
// The demo site (scripts/demo-site.json, the site the README's first command
// starts) as the installer's day reads it.
#include <string>
#include <vector>

// What the site file says about one camera.
struct SiteCamera
{
    std::string ip;
    std::string model;
    std::string password;
    std::string version;
};

// The day works with the family's cameras: the site's ONVIF cameras run in
// the simulator and are listed beside them, but are not in `cameras`; their
// addresses are in `onvifIps`.
struct Site
{
    std::string user;
    std::string password;
    std::vector<SiteCamera> cameras;
    std::vector<std::string> onvifIps;
    std::vector<std::string> simArgs;
    std::string error;
};

// Reads the site and writes the simulator's copy to configPath: the same
// cameras, without the reboots now and then, which would make a scripted day
// depend on luck; the simulator's own reboots stay, shortened.
Site ReadSite(const std::string& configPath);
