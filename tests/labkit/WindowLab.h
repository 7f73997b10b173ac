#pragma once
// For lab tests that drive the real window (offscreen): the application is
// made by the first test, after the lab environment has moved the process
// into the workstation namespace (no thread may exist before that), and goes
// at the end of main. Header-only: labkit itself links no Qt.
#include "Lab.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
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

// The texts of a list widget's lines, such as the operation panel's, top to bottom.
inline QStringList ListLines(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) {
        lines << list->item(i)->text();
    }
    return lines;
}

// A program folder and settings store of the test's own, holding the shipped
// language files, so that a window test leaves the user's settings and
// language choice alone; everything is pointed back at destruction.
class ProgramSandbox
{
public:
    ProgramSandbox()
    {
        if (!m_folder.isValid()) {
            return;
        }
        ::setenv("XDG_CONFIG_HOME", (Path() + "/config").c_str(), 1);
        const QDir shipped(QString::fromStdString(PlatformExecutableFolder()) + QStringLiteral("/Lang"));
        QDir().mkpath(m_folder.filePath(QStringLiteral("Lang")));
        for (const QString& file : shipped.entryList({QStringLiteral("*.lng")}, QDir::Files)) {
            QFile::copy(shipped.filePath(file), m_folder.filePath(QStringLiteral("Lang/") + file));
        }
        PlatformSetProgramFolder(Path());
        LangClearSelection();
    }
    ~ProgramSandbox()
    {
        LangClearSelection();
        PlatformSetProgramFolder("");
        ::unsetenv("XDG_CONFIG_HOME");
    }
    ProgramSandbox(const ProgramSandbox&) = delete;
    ProgramSandbox& operator=(const ProgramSandbox&) = delete;

    bool Valid() const { return m_folder.isValid(); }
    std::string Path() const { return m_folder.path().toStdString(); }

private:
    QTemporaryDir m_folder;
};

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
