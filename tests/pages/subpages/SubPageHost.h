#pragma once
// Test scaffolding: the part of the batch set page that the sub-pages call,
// over the real batch runner and the real device SDK, so that a sub-page can
// be driven before the batch set page holds it. It is not a camera: the
// cameras it reaches are real vtcamsim instances.
#include "BatchRunner.h"
#include "BatchSubPage.h"
#include "MessageBox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>
#include <vector>

class SubPageHost : public BatchSetHost
{
public:
    SubPageHost()
        : m_runner([this](const PanelLine& line) { lines << QString::fromStdWString(line.text); })
    {
    }

    std::vector<tagVtIpcInfo> ApplyTargets() override
    {
        if (targets.empty()) {
            ZxMessageBox(90010);
        }
        return targets;
    }
    LoginCredentials Login() const override { return login; }
    std::wstring LoginPasswordText() const override { return {login.password.begin(), login.password.end()}; }
    // The scaffolding's login is set before a sub-page is made and never
    // changes while it lives, so there is nothing to tell.
    void WatchLoginPassword(QObject*, std::function<void()>) override {}
    bool RunApply(std::vector<tagVtIpcInfo> cameras, BatchEngine::Operation operation) override
    {
        ++batches;
        return m_runner.Start(std::move(cameras), std::move(operation));
    }
    void QueueReboot(std::shared_ptr<Camera> camera) override { reboots.push_back(std::move(camera)); }
    bool TickedMode() const override { return ticked; }

    // Serves events until the running batch has handed over its last line.
    bool WaitForBatch(int milliseconds = 30000)
    {
        QElapsedTimer timer;
        timer.start();
        while (m_runner.Running() || m_runner.Engine().Running()) {
            if (timer.elapsed() > milliseconds) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        QCoreApplication::processEvents();
        return true;
    }

    std::vector<tagVtIpcInfo> targets;
    LoginCredentials login{"admin", "admin"};
    bool ticked = false;
    QStringList lines;
    std::vector<std::shared_ptr<Camera>> reboots;
    int batches = 0;

private:
    BatchRunner m_runner;
};
