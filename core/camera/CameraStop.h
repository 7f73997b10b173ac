#pragma once
#include "ZxExport.h"

#include <atomic>
#include <memory>

// Stopping cameras' calls when whoever started the work goes away (a page
// that closes in the middle of a batch). Work that runs on threads of its own
// names its stop flag on each of them; a camera opened on such a thread keeps
// the flag, and once it is set the camera's running and later calls end soon
// as failed. A protocol whose calls cannot be stopped ends them on its own
// time-outs.
using CameraStopFlag = std::shared_ptr<std::atomic<bool>>;

// Names the flag for the calling thread until the scope ends.
class ZX_EXPORT CameraStopScope
{
public:
    explicit CameraStopScope(CameraStopFlag flag);
    ~CameraStopScope();
    CameraStopScope(const CameraStopScope&) = delete;
    CameraStopScope& operator=(const CameraStopScope&) = delete;

private:
    CameraStopFlag m_previous;
};

// The calling thread's flag; empty outside any scope.
ZX_EXPORT CameraStopFlag CurrentCameraStop();
