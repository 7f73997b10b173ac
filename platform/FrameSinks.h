#pragma once
// The window handles live video is drawn into. A video area registers a sink
// under its handle; every player in the process (the device SDK's MJPEG play,
// the RTSP player) hands the pictures it decodes for a handle to that sink.
// One table per process, shared by every library that links this one.
#include "ZxExport.h"

#include <cstdint>

// Receives one decoded picture on the player's thread: `height` rows of
// `width` RGB pixels, `stride` bytes apart, valid only during the call. A null
// `rgb` (width and height 0) says the window's stream shows no picture now
// (stalled or lost) until pictures come again. A sink must not call
// SetFrameSink.
using FrameSinkFn = void (*)(void* user, uint32_t window, const uint8_t* rgb, int width, int height,
                             int stride);

// Registers the sink of a window handle, or with a null sink removes it; a
// removal returns once no delivery to the old sink runs, and none starts after.
ZX_EXPORT void SetFrameSink(uint32_t window, FrameSinkFn sink, void* user);

// Hands a picture to the window's sink; false when the window has none.
// Deliveries to different windows, or from several players, run side by side.
ZX_EXPORT bool DeliverFrame(uint32_t window, const uint8_t* rgb, int width, int height, int stride);

// Tells the window's sink that its stream shows no picture; false when none.
ZX_EXPORT bool DeliverNoPicture(uint32_t window);
