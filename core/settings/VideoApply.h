#pragma once
#include "BatchEngine.h"
#include "CameraAccess.h"
#include "VideoParams.h"
#include "ZxExport.h"

#include <optional>

// What the "Video" sub-page and the terminal tool write to each camera.

// Both streams as the page builds them.
struct VideoStreams
{
    VideoConfigRecord primary{};
    VideoConfigRecord secondary{};
};

// The video apply for one camera, of the parts given (the page leaves out
// what the camera shown did not give; the terminal tool changes the title
// without touching the streams, or the streams without the title): OSD,
// primary stream, secondary stream, one panel line each. A stream whose
// current configuration cannot be read is not written (its value at offset
// 24 would be lost) and reports a failure.
// A family camera gets the records as PrimaryForCamera and SecondaryForCamera
// make them; a camera of another maker gets the page's values as they are,
// each stream first checked against the camera's own options: a value it
// does not offer is not sent, and its line says which. A failure line ends
// with the camera's reason when it gave one.
ZX_EXPORT BatchEngine::Operation VideoPartsOperation(LoginCredentials login, std::optional<VideoStreams> streams,
                                                     std::optional<OsdRecord> osd);
