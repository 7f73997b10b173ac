#pragma once
#include "CapturePermission.h"
#include "PageHost.h"
#include "TitleBand.h"
#include "ZxExport.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class DeviceRouter;
class DiscoverySession;
class CZendrixApp;
class CZendrixDlg;
class CSearchDlg;
class COperationPanel;
class CTitleButton;
class LoginBoxes;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;

// How the main window starts. Tests and tools that must not touch the
// network start it without capture devices.
struct MainWindowOptions
{
    bool openAdapters = true;
    // Whether this process may capture; asked once before any device is opened.
    std::function<bool()> capturePermitted = PlatformCapturePermitted;
    // Adds the pages that work on cameras after the network settings page;
    // the program passes them in, so this window needs no page of its own.
    std::function<void(CZendrixDlg& window)> addPages;
};

// The program's only top-level window: its own title band with the window
// buttons, the login boxes every camera operation uses, the search box, the
// pages as tabs (or the network settings window alone in basic mode), the
// operation panel, one discovery object per capture device and the expiry
// timer of the device table.
class ZX_EXPORT CZendrixDlg : public QWidget, public PageHost
{
    Q_OBJECT

public:
    CZendrixDlg(CZendrixApp& app, MainWindowOptions options = {});
    ~CZendrixDlg() override;

    // PageHost
    LoginCredentials Login() const override;
    std::wstring LoginUserText() const override;
    std::wstring LoginPasswordText() const override;
    void WatchLoginPassword(QObject* receiver, std::function<void()> changed) override;
    // Workers post through Panel()->Poster().
    void AddLine(const PanelLine& line) override;
    // -1 also for a missing record.
    int ModifyVtIpcInfo(tagVtIpcInfo* info) override;
    void OpenWebPage(const tagVtIpcInfo& camera) override;

    void ApplySearchFilter(bool countLine);
    bool IsBasicMode() const;
    COperationPanel* Panel() const { return m_panel; }
    CZendrixApp& App() const { return m_app; }

    // DeviceListHost
    DeviceTable& Table() override;
    std::wstring SearchText() const override { return m_searchText; }
    bool IsShownList(const DeviceListBinding* list) const override;

    // The pages and controls, for the pages that arrive later and for tests.
    CSearchDlg* NetworkPage() const { return m_networkPage; }
    CSearchDlg* BasicWindow() const { return m_basicWindow; }
    QTabWidget* Sheet() const { return m_sheet; }
    int AdapterCount() const;
    // Opens the capture devices and sends the first request; the window does
    // it itself when it opens unless openAdapters says otherwise.
    void StartDiscovery();

    // Adds a page as the next tab, titled by titleKey (or by the fixed title
    // when the key is 0); a page with a device list also receives the table's
    // messages, after the pages before it and before the basic-mode window.
    // The window owns the page from then on; a page that is a DevicePage is
    // relabelled with the window.
    void AddDevicePage(QWidget* page, unsigned titleKey, const QString& fixedTitle, DeviceListBinding* list);
    // A page that opens the pending web addresses itself (with the pauses
    // it knows of) takes the job over from the window's own timer.
    void HandOverWebAddresses();

    void Relabel();
    void ToggleBasicMode();
    void ToggleMaximise();
    bool IsMaximised() const { return m_titleBand.IsMaximised(); }
    // The help menu as it pops up below its button.
    QMenu* ShowHelpMenu();
    // A command of the pages in the help menu, titled by key, above the languages.
    void AddMenuCommand(unsigned titleKey, std::function<void()> run)
    {
        m_menuCommands.emplace_back(titleKey, std::move(run));
    }
    void OnHelpCommand(unsigned commandId, const QString& text);
    void ShowAbout();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void Layout();
    void Refresh();
    void OnSearchEdited();
    void OnCount();
    void ShutDown();
    void OpenPendingWebAddress();
    CSearchDlg* ShownPage() const;
    // The device list the operator sees now: the basic-mode window's, or
    // the shown tab's (null for a tab without one).
    DeviceListBinding* ShownList() const;

    CZendrixApp& m_app;
    MainWindowOptions m_options;
    DeviceRouter* m_router = nullptr;
    QTabWidget* m_sheet = nullptr;
    CSearchDlg* m_networkPage = nullptr;
    CSearchDlg* m_basicWindow = nullptr;
    COperationPanel* m_panel = nullptr;
    QLabel* m_panelTitle = nullptr;
    std::unique_ptr<LoginBoxes> m_login;
    QLineEdit* m_search = nullptr;
    CTitleButton* m_refresh = nullptr;
    QPushButton* m_count = nullptr;
    CTitleButton* m_clearLogs = nullptr;
    QTimer* m_expiryTimer = nullptr;
    QTimer* m_webTimer = nullptr;
    struct SheetPage
    {
        QWidget* page;
        unsigned titleKey;
        QString fixedTitle;
        DeviceListBinding* list;
    };
    std::vector<SheetPage> m_pages;
    std::vector<std::pair<unsigned, std::function<void()>>> m_menuCommands;
    std::unique_ptr<DiscoverySession> m_discovery;
    std::wstring m_searchText;
    TitleBand m_titleBand;
    bool m_shutDown = false;
};
