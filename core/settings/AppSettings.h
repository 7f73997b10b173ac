#pragma once
#include "Tivox.h"
#include "ZxExport.h"

#include <string>
#include <vector>

// Start-up switches and stored settings of the program.

// The key path under the current user where the program keeps its values.
inline constexpr const wchar_t* kSettingsKey = L"SOFTWARE\\Vantrel Zendrix";

struct AppSwitches
{
    int vtlog = 0; // adds the device-log page
    int vtoem = 0; // adds the OEM page
};

// Looks at the first two arguments only (after the program name), compared
// exactly: "vtoem" and "vtlog" in either order; anything else is ignored.
ZX_EXPORT AppSwitches ParseSwitches(const std::vector<std::string>& arguments);

// The decimal value of a stored "BasicMode" text; text that is not a number reads as 0.
ZX_EXPORT int ParseBasicMode(const std::wstring& text);

// Stored string values of the program's key, with their defaults.
ZX_EXPORT std::wstring ReadSetting(const wchar_t* name, const wchar_t* defaultText);
ZX_EXPORT bool WriteSetting(const wchar_t* name, const std::wstring& value);

// The web address a page asks to open in the browser; one at a time, taken
// by whoever opens it. Safe from any thread.
ZX_EXPORT void SetPendingWebAddress(const std::string& address);
ZX_EXPORT std::string TakePendingWebAddress();
// Asks for the camera's web page (WebAddress) on a double click. A camera
// without a web address asks for nothing and leaves a request made before
// in place.
ZX_EXPORT void RequestWebPage(const tagVtIpcInfo& camera);
