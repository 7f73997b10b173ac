#pragma once
#include "ZxExport.h"

#include <cstdint>
#include <optional>
#include <string>

// The size of a file given as an image to send to cameras (firmware, kernel,
// OEM picture): a regular file this process can read; nothing for anything
// else. A named pipe or device is refused at once instead of waiting for a
// writer: its name is judged before it is opened, and what was opened,
// without blocking, is judged again by fstat, in case the name changed hands
// meanwhile. Every check of an image, in the window and in the terminal tool,
// goes through here.
ZX_EXPORT std::optional<std::uint64_t> ReadableImageSize(const std::string& path);
