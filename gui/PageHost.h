#pragma once
#include "DeviceListBinding.h"
#include "PanelLine.h"

#include <functional>
#include <string>

class QObject;
struct LoginCredentials;

// What a page asks of the window that holds it, and nothing more: the login
// typed in the window, the operation panel, the device table and the search
// (DeviceListHost), the change of a camera's network identity and the
// browser. Pages know the window only through this; the main window is one.
class PageHost : public DeviceListHost
{
public:
    // The login typed in the window, as the device SDK takes it.
    virtual LoginCredentials Login() const = 0;
    // The login boxes' texts, trimmed.
    virtual std::wstring LoginUserText() const = 0;
    virtual std::wstring LoginPasswordText() const = 0;
    // Calls changed on the UI thread whenever the login password box changes,
    // for as long as receiver lives.
    virtual void WatchLoginPassword(QObject* receiver, std::function<void()> changed) = 0;

    // On the UI thread: one line at the end of the operation panel. Work on
    // other threads hands its lines to the UI thread first (BatchRunner,
    // CameraLoader).
    virtual void AddLine(const PanelLine& line) = 0;

    // Sends a change of network identity through every capture device; 0
    // when at least one sent it, -1 when none could.
    virtual int ModifyVtIpcInfo(tagVtIpcInfo* info) = 0;

    // The camera's web page in the browser; a camera without a web address
    // opens nothing.
    virtual void OpenWebPage(const tagVtIpcInfo& camera) = 0;
};
