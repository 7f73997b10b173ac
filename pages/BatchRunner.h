#pragma once
#include "BatchEngine.h"
#include "ZxExport.h"

#include <QObject>
#include <functional>
#include <vector>

// The window side of the batch engine: runs a batch off the UI thread and
// hands each camera's lines, in the engine's delivery order, to the UI thread,
// only while the runner lives. Destroying the runner skips the cameras not yet started and
// waits for the running ones, so a page may close in the middle of a batch.
class ZX_EXPORT BatchRunner : public QObject
{
    Q_OBJECT

public:
    using LineSink = std::function<void(const PanelLine& line)>;

    // Lines go to sink on the UI thread (the page passes the main window's panel).
    explicit BatchRunner(LineSink sink, QObject* parent = nullptr,
                         int maxParallel = BatchEngine::kDefaultParallel);
    ~BatchRunner() override;

    // False while a batch runs.
    bool Start(std::vector<tagVtIpcInfo> targets, BatchEngine::Operation operation);
    void Cancel();
    bool Running() const { return m_running; }
    BatchEngine& Engine() { return m_engine; }

signals:
    void started(int total);
    // After the lines of each camera, on the UI thread.
    void progress(int done, int total);
    void finished(bool cancelled);

private:
    LineSink m_sink;
    BatchEngine m_engine;
    bool m_running = false;
    int m_done = 0;
    int m_total = 0;
};
