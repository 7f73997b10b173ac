#pragma once
// One simulated camera as both its frame side and its web server see it:
// identity, login and faults, and the settings it keeps. Every field is
// guarded by `mutex`.
#include "CameraSettings.h"
#include "OnvifState.h"
#include "SimCamera.h"

#include <map>
#include <mutex>
#include <string>

namespace camsim {

struct LiveCamera
{
    mutable std::mutex mutex;
    SimCamera sim;
    CameraSettings settings;
    std::string eventLog;                        // the SQLite file of its event log, made on first demand
    std::map<std::string, std::string> oemFiles; // uploaded OEM files by name
    OnvifState onvif;                            // an ONVIF camera's settings; unused by the family's

    // "00:30:4F:12:34:56", as the camera writes it; the caller holds the mutex.
    std::string MacText() const;
};

} // namespace camsim
