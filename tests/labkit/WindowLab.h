#pragma once
// For lab tests that drive the real window (offscreen): the application is
// made by the first test, after the lab environment has moved the process
// into the workstation namespace (no thread may exist before that), and goes
// at the end of main. Header-only: labkit itself links no Qt.
#include "Lab.h"
#include "LangWidgets.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <memory>

namespace labkit {

inline std::unique_ptr<QApplication>& WindowApplication()
{
    static std::unique_ptr<QApplication> application;
    return application;
}

// Makes the application on first use.
inline void EnsureWindowApplication()
{
    static int argc = 1;
    static char name[] = "zendrix_lab_tests";
    static char* argv[] = {name, nullptr};
    if (!WindowApplication()) {
        WindowApplication() = std::make_unique<QApplication>(argc, argv);
    }
}

// The child of root with control ID id.
template <class T> T* ById(QWidget* root, unsigned id)
{
    for (T* widget : root->findChildren<T*>()) {
        if (CtrlId(widget) == id) {
            return widget;
        }
    }
    return nullptr;
}

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

// The main of such a test program.
inline int RunWindowLabTests(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::AddGlobalTestEnvironment(new LabEnvironment);
    const int result = RUN_ALL_TESTS();
    WindowApplication().reset();
    return result;
}

} // namespace labkit
