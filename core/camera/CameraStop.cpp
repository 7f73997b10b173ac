#include "CameraStop.h"

#include <utility>

namespace {
thread_local CameraStopFlag t_stop;
} // namespace

CameraStopScope::CameraStopScope(CameraStopFlag flag) : m_previous(std::exchange(t_stop, std::move(flag))) {}

CameraStopScope::~CameraStopScope()
{
    t_stop = std::move(m_previous);
}

CameraStopFlag CurrentCameraStop()
{
    return t_stop;
}
