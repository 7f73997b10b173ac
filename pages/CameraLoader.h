#pragma once
#include "LatestJob.h"
#include "ZxExport.h"

#include <QObject>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>

// The window side of a one-camera load: the reads run on a worker, and the
// step that fills the widgets from them runs on the UI thread, only for the
// newest load and only while the loader lives. A newer Start or a Drop makes
// the load in flight moot: its worker stops before its next call to the
// camera and its result is never shown. Destroying the loader waits for the
// workers, so the page that owns it may close in the middle of a load.
class ZX_EXPORT CameraLoader : public QObject
{
    Q_OBJECT

public:
    // What the UI thread does with a finished load's result.
    using Show = std::function<void()>;
    // Runs on the worker: reads the camera and returns the UI step, which
    // captures the result by value and touches no widget before it runs.
    using Read = std::function<Show(const std::atomic<bool>& stop)>;

    // The page shows the busy cursor while a load runs; only the page, so the
    // list, the tabs and the rest of the window stay usable.
    explicit CameraLoader(QWidget* page);
    ~CameraLoader() override;

    void Start(Read read);
    // The load in flight, if any, is dropped.
    void Drop();
    bool Loading() const { return m_loading; }
    // Worker threads not joined yet: the newest load and moot ones still in a
    // call to their camera.
    std::size_t Workers() { return m_jobs.Threads(); }

signals:
    // On the UI thread, when a load starts and when the newest one was shown
    // or dropped; with false the UI step has already run.
    void loadingChanged(bool loading);

private:
    void SetLoading(bool loading);

    QWidget* m_page;
    std::uint64_t m_generation = 0;
    bool m_loading = false;
    LatestJob m_jobs; // last: its workers are joined before anything else goes
};
