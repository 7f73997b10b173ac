#pragma once
#include "BatchEngine.h"
#include "BatchSetReading.h"
#include "CameraAccess.h"
#include "Tivox.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What the sub-pages of the batch set page ask of it: the cameras an apply
// works on, the login, the batch engine and the reboot queue. The page answers
// for the window it is on (PageHost), so the sub-pages know no window.
class BatchSetHost
{
public:
    virtual ~BatchSetHost() = default;
    // The cameras of the target rule: every ticked camera in list order, else
    // the selected one; empty after telling the operator to select one.
    virtual std::vector<tagVtIpcInfo> ApplyTargets() = 0;
    virtual LoginCredentials Login() const = 0;
    // The main window's login password box, trimmed, and a call of changed
    // on the UI thread whenever it changes, for as long as receiver lives.
    virtual std::wstring LoginPasswordText() const = 0;
    virtual void WatchLoginPassword(QObject* receiver, std::function<void()> changed) = 0;
    // Runs an apply on the batch engine; each camera's lines reach the
    // operation panel in target order. False while another batch runs.
    virtual bool RunApply(std::vector<tagVtIpcInfo> targets, BatchEngine::Operation operation) = 0;
    // Safe from any thread: a logged-in camera to reboot later.
    virtual void QueueReboot(std::shared_ptr<Camera> camera) = 0;
    virtual bool TickedMode() const = 0;
};

// A sub-page of the batch set page: "System", "Network" or "Video".
class BatchSubPage : public QWidget
{
public:
    explicit BatchSubPage(BatchSetHost& host, QWidget* parent = nullptr) : QWidget(parent), m_host(host) {}

    virtual void Relabel() = 0;
    // Fills the sub-page from what a load read from the camera just clicked
    // (its reads ran on a worker); on the UI thread.
    virtual void ShowReading(const BatchSetReading& reading, const tagVtIpcInfo& camera) = 0;
    // The save routine that "Save Parameters" runs while this sub-page is shown.
    virtual void Save() = 0;
    // Ticked mode changed (the device-name box is only for one camera).
    virtual void SetTickedMode(bool /*ticked*/) {}
    // What a load read from the ticked camera with the lowest capability
    // class (not logged in when the login failed), whose choices bound a
    // batch; on the UI thread.
    virtual void ShowReference(const ReferenceReading& /*reading*/, const tagVtIpcInfo& /*camera*/) {}

protected:
    BatchSetHost& Host() const { return m_host; }

private:
    BatchSetHost& m_host;
};
