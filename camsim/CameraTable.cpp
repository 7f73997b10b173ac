#include "CameraTable.h"

namespace camsim {

void CameraTable::Add(SimCamera camera)
{
    auto live = std::make_shared<LiveCamera>();
    live->sim = std::move(camera);
    live->settings = FactorySettings(live->sim.model, live->sim.port, live->MacText());
    if (live->sim.IsOnvif()) {
        live->onvif = InitialOnvifState(live->sim);
    }
    if (live->sim.Has(kFaultOddImaging)) {
        MakeImagingOdd(live->settings);
    }
    std::lock_guard lock(m_lock);
    m_cameras.push_back(std::move(live));
}

std::vector<SimCamera> CameraTable::Snapshot() const
{
    std::vector<SimCamera> cameras;
    for (const auto& live : Cameras()) {
        std::lock_guard lock(live->mutex);
        cameras.push_back(live->sim);
    }
    return cameras;
}

std::vector<std::shared_ptr<LiveCamera>> CameraTable::Cameras() const
{
    std::lock_guard lock(m_lock);
    return m_cameras;
}

std::shared_ptr<LiveCamera> CameraTable::FindLive(const MacAddress& mac) const
{
    for (const auto& live : Cameras()) {
        std::lock_guard lock(live->mutex);
        if (live->sim.mac == mac) {
            return live;
        }
    }
    return nullptr;
}

std::optional<SimCamera> CameraTable::Find(const MacAddress& mac) const
{
    const auto live = FindLive(mac);
    if (!live) {
        return std::nullopt;
    }
    std::lock_guard lock(live->mutex);
    return live->sim;
}

ModifyOutcome CameraTable::ApplyModify(const MacAddress& mac, const ModifyRequest& request,
                                       SimCamera& current)
{
    const auto live = FindLive(mac);
    if (!live) {
        return ModifyOutcome::Silent;
    }
    std::lock_guard lock(live->mutex);
    SimCamera& camera = live->sim;
    if (camera.silent || camera.IsOnvif() || camera.Has(kFaultLostModify)) {
        return ModifyOutcome::Silent;
    }
    if (camera.Has(kFaultRefuseModify) || request.user != camera.user ||
        request.password != camera.password) {
        current = camera;
        return ModifyOutcome::Refused;
    }
    camera.ip = request.ip;
    camera.port = request.port;
    camera.netmask = request.netmask;
    camera.gateway = request.gateway;
    camera.dns = request.dns;
    camera.name = request.name;
    // The web port of the identity is the HTTP port of the port settings.
    live->settings.ports.httpPort = request.port;
    live->settings.ports.httpPort2 = request.port;
    current = camera;
    return ModifyOutcome::Accepted;
}

} // namespace camsim
