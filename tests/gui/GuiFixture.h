#pragma once
#include "../core/TestInfo.h"
#include "DeviceTable.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "OperationPanel.h"
#include "ProgramFolder.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>

// A private settings and program folder holding the real language files, for
// as long as it lives.
class PrivateProgramFolder
{
public:
    PrivateProgramFolder()
    {
        QVERIFY(m_folder.isValid());
        ::setenv("XDG_CONFIG_HOME", m_folder.filePath(QStringLiteral("config")).toLocal8Bit().constData(), 1);
        const QString lang = m_folder.filePath(QStringLiteral("Lang"));
        QDir().mkpath(lang);
        const QDir shipped(QString::fromStdString(PlatformExecutableFolder()) + QStringLiteral("/Lang"));
        for (const QString& name : shipped.entryList({QStringLiteral("*.lng")}, QDir::Files)) {
            QFile::copy(shipped.filePath(name), lang + QLatin1Char('/') + name);
        }
        PlatformSetProgramFolder(m_folder.path().toStdString());
        LangClearSelection();
    }

    ~PrivateProgramFolder()
    {
        LangClearSelection();
        PlatformSetProgramFolder("");
        ::unsetenv("XDG_CONFIG_HOME");
    }

    QTemporaryDir m_folder;
};

// One program started the way main() starts it, without capture devices, in
// a private settings and program folder with the real language files.
class GuiFixture : public PrivateProgramFolder
{
public:
    explicit GuiFixture(std::vector<std::string> arguments = {}, const char* basicMode = nullptr,
                        MainWindowOptions options = NoCapture())
    {
        if (basicMode != nullptr) {
            WriteSetting(L"BasicMode", std::wstring(basicMode, basicMode + std::strlen(basicMode)));
        }
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons buttons) {
            boxes << text;
            return buttons == ZxButtons::YesNo ? answer : ZxAnswer::Ok;
        });
        app = std::make_unique<CZendrixApp>(std::move(arguments));
        app->InitInstance();
        dlg = std::make_unique<CZendrixDlg>(*app, options);
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    }

    ~GuiFixture()
    {
        dlg.reset();
        app.reset();
        ZxSetMessageBoxHook({});
    }

    static MainWindowOptions NoCapture()
    {
        MainWindowOptions options;
        options.openAdapters = false;
        return options;
    }

    // Reports cameras the way the capture threads do: from another thread,
    // while this one serves the events it posts, as the window's would.
    void Discover(const std::vector<tagVtIpcInfo>& cameras, int code = 1, int result = 0)
    {
        std::atomic<bool> done{false};
        std::thread capture([&] {
            for (const tagVtIpcInfo& info : cameras) {
                tagMsgInfo msg{};
                msg.info = info;
                msg.result = result;
                DeviceTable::CaptureCallback(code, &msg, &app->Table());
            }
            done = true;
        });
        while (!done) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        capture.join();
        QCoreApplication::processEvents();
    }

    template <class T> T* ById(QWidget* root, unsigned id) const
    {
        for (T* widget : root->findChildren<T*>()) {
            if (CtrlId(widget) == id) {
                return widget;
            }
        }
        return nullptr;
    }

    // The operation panel's lines, oldest first.
    QStringList Lines() const
    {
        QStringList lines;
        for (int i = 0; i < dlg->Panel()->count(); ++i) {
            lines << dlg->Panel()->item(i)->text();
        }
        return lines;
    }

    std::unique_ptr<CZendrixApp> app;
    std::unique_ptr<CZendrixDlg> dlg;
    QStringList boxes;
    ZxAnswer answer = ZxAnswer::Yes;
};

// What the user does to a list and a box, the way a mouse and keyboard do it.
// In a namespace of their own: test files that have helpers of these names
// keep them.
namespace user_actions {
inline QStringList Column(QTreeWidget* list, int column)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts << list->topLevelItem(i)->text(column);
    }
    return texts;
}

inline void ClickRow(QTreeWidget* list, int row, int column = 4)
{
    list->scrollToItem(list->topLevelItem(row));
    const QRect cell = list->visualRect(list->model()->index(row, column));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

inline void ClickHeader(QTreeWidget* list, int column)
{
    QHeaderView* header = list->header();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

inline void Type(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}
} // namespace user_actions
