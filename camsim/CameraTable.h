#pragma once
// The cameras of one simulator, safe to use from several threads (the raw
// frame responder and the web servers): the table guards its list, each
// camera guards itself.

#include "LiveCamera.h"
#include "SimCamera.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace camsim {

// What a modify request asks for, in the order the request carries it.
struct ModifyRequest
{
    std::string ip;
    int port = 0;
    std::string netmask;
    std::string gateway;
    std::string dns;
    std::string name;
    std::string user;
    std::string password;
};

enum class ModifyOutcome
{
    Silent,
    Refused,
    Accepted
};

class CameraTable
{
public:
    // The camera starts with its model's factory settings.
    void Add(SimCamera camera);
    std::vector<SimCamera> Snapshot() const;
    std::optional<SimCamera> Find(const MacAddress& mac) const;
    std::vector<std::shared_ptr<LiveCamera>> Cameras() const;
    std::shared_ptr<LiveCamera> FindLive(const MacAddress& mac) const;

    // Applies a change of identity when the login matches and the camera
    // takes changes; the camera as it is afterwards goes to current.
    ModifyOutcome ApplyModify(const MacAddress& mac, const ModifyRequest& request, SimCamera& current);

private:
    mutable std::mutex m_lock;
    std::vector<std::shared_ptr<LiveCamera>> m_cameras;
};

} // namespace camsim
