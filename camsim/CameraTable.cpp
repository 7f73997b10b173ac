#include "CameraTable.h"

namespace camsim {

void CameraTable::Add(SimCamera camera)
{
    std::lock_guard lock(m_lock);
    m_cameras.push_back(std::move(camera));
}

std::size_t CameraTable::Size() const
{
    std::lock_guard lock(m_lock);
    return m_cameras.size();
}

std::vector<SimCamera> CameraTable::Snapshot() const
{
    std::lock_guard lock(m_lock);
    return m_cameras;
}

std::optional<SimCamera> CameraTable::Find(const MacAddress& mac) const
{
    std::lock_guard lock(m_lock);
    for (const SimCamera& camera : m_cameras) {
        if (camera.mac == mac) {
            return camera;
        }
    }
    return std::nullopt;
}

ModifyOutcome CameraTable::ApplyModify(const MacAddress& mac, const ModifyRequest& request,
                                       SimCamera& current)
{
    std::lock_guard lock(m_lock);
    for (SimCamera& camera : m_cameras) {
        if (camera.mac != mac) {
            continue;
        }
        if (camera.Has(kFaultLostModify)) {
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
        current = camera;
        return ModifyOutcome::Accepted;
    }
    return ModifyOutcome::Silent;
}

} // namespace camsim
