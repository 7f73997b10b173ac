#pragma once
// Waiting in a lab test that drives the real window: the event loop keeps
// running, so the window serves what the capture threads hand it.
#include <QElapsedTimer>
#include <QTest>
#include <functional>

// Keeps the event loop running until the condition holds or time runs out.
inline bool WaitFor(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QTest::qWait(20);
    }
    return true;
}
