#include "CameraProvider.h"

#include "FamilyCamera.h"

#include <mutex>
#include <utility>
#include <vector>

namespace {
struct Registry
{
    std::mutex lock;
    std::vector<std::pair<unsigned, CameraMaker>> makers; // oldest first
    unsigned nextId = 1;
};

// Built on first use, so a registration in another file's static object
// finds it whatever the order of initialisation.
Registry& Makers()
{
    static Registry registry;
    return registry;
}
} // namespace

CameraMakerRegistration::CameraMakerRegistration(CameraMaker maker)
{
    Registry& registry = Makers();
    std::lock_guard lock(registry.lock);
    m_id = registry.nextId++;
    registry.makers.emplace_back(m_id, std::move(maker));
}

CameraMakerRegistration::~CameraMakerRegistration()
{
    Registry& registry = Makers();
    std::lock_guard lock(registry.lock);
    std::erase_if(registry.makers, [this](const auto& entry) { return entry.first == m_id; });
}

std::shared_ptr<Camera> OpenCamera(const tagVtIpcInfo& info, const LoginCredentials& login)
{
    std::vector<CameraMaker> makers;
    {
        Registry& registry = Makers();
        std::lock_guard lock(registry.lock);
        for (auto it = registry.makers.rbegin(); it != registry.makers.rend(); ++it) {
            makers.push_back(it->second);
        }
    }
    for (const CameraMaker& maker : makers) {
        if (std::shared_ptr<Camera> camera = maker(info, login)) {
            return camera;
        }
    }
    return std::make_shared<FamilyCamera>(info, login);
}
