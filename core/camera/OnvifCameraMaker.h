#pragma once
#include "CameraProvider.h"
#include "OnvifCamera.h"
#include "ZxExport.h"

#include <functional>
#include <optional>

// The maker that gives an OnvifCamera for the device-table entries that are
// ONVIF cameras. Whoever feeds WS-Discovery into the device table owns its
// registration and answers the lookup from the table, e.g.
//
//   CameraMakerRegistration m_onvifCameras{OnvifCameraMaker(lookup)};

// Where the entry's ONVIF device service is; nullopt for an entry that is not
// an ONVIF camera. Called from any thread, once per OpenCamera.
using OnvifCameraLookup = std::function<std::optional<OnvifCameraAddress>(const tagVtIpcInfo& info)>;

ZX_EXPORT CameraMaker OnvifCameraMaker(OnvifCameraLookup lookup);
