#pragma once
// SIGTERM, SIGINT and SIGHUP (logout, shutdown, Ctrl+C, a closed terminal)
// close the program the way its close button does, so the settings are saved.
// The handler only writes the signal's number into a pipe; a socket notifier
// hands it to the event loop, where `onSignal` runs on the UI thread.
#include "ZxExport.h"

#include <QObject>
#include <functional>

class QSocketNotifier;

class ZX_EXPORT SignalCloser : public QObject
{
    Q_OBJECT
public:
    // One at a time: the handlers write into this object's pipe.
    explicit SignalCloser(std::function<void()> onSignal, QObject* parent = nullptr);
    ~SignalCloser() override;
    SignalCloser(const SignalCloser&) = delete;
    SignalCloser& operator=(const SignalCloser&) = delete;

private:
    void Drain();

    std::function<void()> m_onSignal;
    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};
