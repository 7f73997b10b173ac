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
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMetaObject>
#include <QTimer>
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

// Answers the file dialog that the next step opens with path, typed into its
// name box as the operator would; the step itself runs the dialog.
inline void AnswerNextFileDialog(const QString& path)
{
    QTimer::singleShot(300, [path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* nameBox = dialog != nullptr ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (nameBox == nullptr) {
            ADD_FAILURE() << "no file dialog to answer";
            return;
        }
        nameBox->setText(path);
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
}

// Picks the item with that text from a menu that was just shown and closes
// the menu; false when it has no such item.
inline bool PickMenuItem(QMenu* menu, const QString& text)
{
    QAction* picked = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            picked = action;
        }
    }
    menu->close();
    if (picked != nullptr) {
        picked->trigger();
    }
    return picked != nullptr;
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
