#pragma once
#include <functional>
#include <string_view>

#include "ZxExport.h"

// The one debugger channel of the process. Diagnostics that a user never sees
// go here: to stderr when ZENDRIX_DEBUG is set in the environment, else nowhere.
ZX_EXPORT void PlatformDebugOutput(const char* text);
ZX_EXPORT void PlatformDebugOutputW(const wchar_t* text);

// While a sink is installed every text goes to it instead of stderr; tests use
// it to read what a component said. An empty function removes the sink.
using PlatformDebugSink = std::function<void(std::string_view text)>;
ZX_EXPORT void PlatformSetDebugSink(PlatformDebugSink sink);
