#include "OnvifCameraMaker.h"

#include <utility>

CameraMaker OnvifCameraMaker(OnvifCameraLookup lookup)
{
    return [lookup = std::move(lookup)](const tagVtIpcInfo& info,
                                        const LoginCredentials& login) -> std::shared_ptr<Camera> {
        std::optional<OnvifCameraAddress> address = lookup(info);
        if (!address) {
            return nullptr;
        }
        return std::make_shared<OnvifCamera>(info, login, std::move(*address));
    };
}
