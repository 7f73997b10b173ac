#include "ZendrixDlg.h"

#include "AboutDlg.h"
#include "AppSettings.h"
#include "CameraAccess.h"
#include "DevicePage.h"
#include "DeviceRouter.h"
#include "DiscoverySession.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "LoginBoxes.h"
#include "ModelCountRule.h"
#include "OperationLog.h"
#include "OperationPanel.h"
#include "SearchDlg.h"
#include "SearchFilter.h"
#include "SortListCtrl.h"
#include "TitleBand.h"
#include "TitleButton.h"
#include "Tivox.h"
#include "WaitCursor.h"
#include "ZendrixApp.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <cstring>

namespace {
constexpr int kCaptionHeight = TitleBand::kHeight;
constexpr unsigned kAboutCommand = 32773;
const QColor kMargin(245, 246, 245);

QFont WindowFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setPixelSize(12);
    return font;
}

QString CaptureHelpText()
{
    return QStringLiteral(
               "No capture device can be opened: this program needs permission to capture and send network "
               "frames, so no camera can be found. Run it as root, or grant the permission once with: "
               "setcap cap_net_raw,cap_net_admin+eip %1")
        .arg(QCoreApplication::applicationFilePath());
}
} // namespace

CZendrixDlg::CZendrixDlg(CZendrixApp& app, MainWindowOptions options)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_app(app), m_options(options), m_titleBand(*this)
{
    InitGlobalModifyInfo();
    m_discovery = std::make_unique<DiscoverySession>();
    setWindowTitle(QStringLiteral("Vantrel Zendrix"));
    // Set for the whole program: widgets with a style sheet of their own
    // take the application's font, not their parent's.
    QApplication::setFont(WindowFont());
    setFont(WindowFont());
    setMouseTracking(true);
    SetCtrlId(this, 102);
    LangSelectStored();

    m_panel = new COperationPanel(this);
    SetCtrlId(m_panel, 1002);
    m_router = new DeviceRouter(m_panel->Poster(), this);
    BuildControls();

    m_search->setMaxLength(31);
    m_login->Load();

    m_sheet = new QTabWidget(this);
    m_sheet->setDocumentMode(false);
    m_basicWindow = new CSearchDlg(*this, kHolderNetworkBasic, this);
    m_router->AddRecipient(&m_basicWindow->Binding());
    m_networkPage = new CSearchDlg(*this, kHolderNetworkTab, m_sheet);
    AddDevicePage(m_networkPage, 10001, {}, &m_networkPage->Binding());
    // Opens the web addresses the pages ask for, unless a page takes that
    // over (HandOverWebAddresses).
    m_webTimer = new QTimer(this);
    connect(m_webTimer, &QTimer::timeout, this, &CZendrixDlg::OpenPendingWebAddress);
    m_webTimer->start(200);
    if (m_options.addPages) {
        m_options.addPages(*this);
    }
    m_basicWindow->setVisible(IsBasicMode());
    m_sheet->setVisible(!IsBasicMode());
    connect(m_sheet, &QTabWidget::currentChanged, this, [this] { update(); });
    m_sheet->setStyleSheet(QStringLiteral(
        "QTabWidget::pane { border: 1px solid #c9d3dd; background: white; top: -1px; }"
        "QTabBar::tab { color: white; background: rgb(30,112,178); border: 1px solid rgb(26,98,158);"
        " border-bottom: none; padding: 7px 18px; margin-right: 2px; border-top-left-radius: 4px;"
        " border-top-right-radius: 4px; min-width: 96px; }"
        "QTabBar::tab:selected { color: rgb(30,60,90); background: white; }"
        "QTabBar::tab:hover:!selected { background: rgb(52,145,214); }"));

    Relabel();
    resize(1100, 750);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    Layout();

    m_app.Table().SetListener(m_router);
    m_expiryTimer = new QTimer(this);
    connect(m_expiryTimer, &QTimer::timeout, this, [this] { m_app.Table().OnTimerTick(); });
    if (m_options.openAdapters) {
        StartDiscovery();
    }
}

CZendrixDlg::~CZendrixDlg()
{
    ShutDown();
    DestroyGlobalModifyInfo();
    m_expiryTimer->stop();
    // The pages go before the router they are registered with.
    for (const SheetPage& page : m_pages) {
        if (page.list != nullptr) {
            m_router->RemoveRecipient(page.list);
        }
    }
    m_router->RemoveRecipient(&m_basicWindow->Binding());
    delete m_sheet;
    delete m_basicWindow;
}

void CZendrixDlg::BuildControls()
{
    m_login = std::make_unique<LoginBoxes>(*this, m_app.osCode);
    m_search = LoginBoxes::BandEdit(*this, 1160);
    connect(m_search, &QLineEdit::textEdited, this, &CZendrixDlg::OnSearchEdited);
    connect(m_search, &QLineEdit::returnPressed, this, &CZendrixDlg::OnSearchEdited);

    const auto button = [this](CTitleButton::Glyph glyph, unsigned id) {
        auto* b = new CTitleButton(glyph, this);
        SetCtrlId(b, id);
        return b;
    };
    m_refresh = button(CTitleButton::Glyph::Refresh, 1162);
    m_titleBand.AddButtons([this] { ShowHelpMenu(); }, [this] { ToggleBasicMode(); });
    m_clearLogs = button(CTitleButton::Glyph::Clear, 1177);
    m_clearLogs->SetDark(true);
    m_count = new QPushButton(this);
    SetCtrlId(m_count, 1148);
    m_panelTitle = new QLabel(this);
    SetCtrlId(m_panelTitle, 1137);
    m_panelTitle->setAttribute(Qt::WA_TranslucentBackground);
    m_panelTitle->setStyleSheet(QStringLiteral("QLabel { color: rgb(40,60,80); font-weight: bold; }"));
    auto* grip = new QSizeGrip(this);
    grip->setObjectName(QStringLiteral("sizeGrip"));

    connect(m_refresh, &QAbstractButton::clicked, this, &CZendrixDlg::Refresh);
    connect(m_count, &QPushButton::clicked, this, &CZendrixDlg::OnCount);
    connect(m_clearLogs, &QAbstractButton::clicked, m_panel, &COperationPanel::Clear);
}

void CZendrixDlg::AddDevicePage(QWidget* page, unsigned titleKey, const QString& fixedTitle,
                                DeviceListBinding* list)
{
    m_sheet->addTab(page, titleKey != 0 ? LangQText(titleKey) : fixedTitle);
    m_pages.push_back({page, titleKey, fixedTitle, list});
    if (list != nullptr) {
        m_router->AddRecipient(list, &m_basicWindow->Binding());
    }
}

DeviceTable& CZendrixDlg::Table()
{
    return m_app.Table();
}

bool CZendrixDlg::IsBasicMode() const
{
    return m_app.basicMode != 0;
}

void CZendrixDlg::HandOverWebAddresses()
{
    m_webTimer->stop();
}

DeviceListBinding* CZendrixDlg::ShownList() const
{
    if (IsBasicMode()) {
        return &m_basicWindow->Binding();
    }
    for (const SheetPage& page : m_pages) {
        if (page.page == m_sheet->currentWidget()) {
            return page.list;
        }
    }
    return nullptr;
}

CSearchDlg* CZendrixDlg::ShownPage() const
{
    if (IsBasicMode()) {
        return m_basicWindow;
    }
    return qobject_cast<CSearchDlg*>(m_sheet->currentWidget());
}

bool CZendrixDlg::IsShownList(const DeviceListBinding* list) const
{
    return list != nullptr && ShownList() == list;
}

void CZendrixDlg::StartDiscovery()
{
    if (!m_options.capturePermitted()) {
        AddLine({CaptureHelpText().toStdWString(), true});
        TraceA(1, "%s", CaptureHelpText().toUtf8().constData());
        return;
    }
    // ONVIF cameras are read with the login boxes' login, again after a new password.
    m_login->FollowCredentials(
        [this](const LoginCredentials& login) { m_discovery->SetOnvifLogin(login.user, login.password); });
    if (m_discovery->Open(m_app.Table()) > 0) {
        m_expiryTimer->start(100);
    }
}

void CZendrixDlg::Refresh()
{
    m_discovery->Probe();
}

int CZendrixDlg::AdapterCount() const
{
    return static_cast<int>(m_discovery->DeviceCount());
}

int CZendrixDlg::ModifyVtIpcInfo(tagVtIpcInfo* info)
{
    return m_discovery->Modify(info);
}

LoginCredentials CZendrixDlg::Login() const
{
    return m_login->Credentials();
}

std::wstring CZendrixDlg::LoginUserText() const
{
    return m_login->UserText();
}

std::wstring CZendrixDlg::LoginPasswordText() const
{
    return m_login->PasswordText();
}

void CZendrixDlg::WatchLoginPassword(QObject* receiver, std::function<void()> changed)
{
    m_login->WatchPassword(receiver, std::move(changed));
}

void CZendrixDlg::AddLine(const PanelLine& line)
{
    m_panel->AddLine(line);
}

void CZendrixDlg::OpenWebPage(const tagVtIpcInfo& camera)
{
    RequestWebPage(camera);
}

void CZendrixDlg::ApplySearchFilter(bool countLine)
{
    DeviceListBinding* target = ShownList();
    if (target == nullptr) {
        return;
    }
    // Refilling thousands of rows takes a moment.
    const CWaitCursor busy;
    const int count = m_app.Table().ApplySearchFilter(*target, m_searchText);
    if (countLine) {
        AddLine({std::to_wstring(count) + L" " + LangText(83007, L"items have been found."), true});
    }
}

void CZendrixDlg::OnSearchEdited()
{
    m_searchText = NormaliseFilter(m_search->text().toStdWString());
    ApplySearchFilter(true);
}

void CZendrixDlg::OnCount()
{
    if (IsBasicMode()) {
        return;
    }
    if (CSearchDlg* page = ShownPage()) {
        page->CountByModel();
    } else if (auto* devicePage = dynamic_cast<DevicePage*>(m_sheet->currentWidget())) {
        devicePage->CountByModel();
    }
}

void CZendrixDlg::ToggleBasicMode()
{
    if (!IsBasicMode()) {
        m_basicWindow->List()->SetColumnOrder(m_networkPage->List()->ColumnOrder());
        m_sheet->hide();
        m_basicWindow->show();
    } else {
        m_networkPage->List()->SetColumnOrder(m_basicWindow->List()->ColumnOrder());
        m_basicWindow->hide();
        m_sheet->show();
    }
    m_app.basicMode = IsBasicMode() ? 0 : 1;
    Layout();
    update(0, kCaptionHeight, width(), 45);
}

void CZendrixDlg::ToggleMaximise()
{
    m_titleBand.ToggleMaximise();
}

QMenu* CZendrixDlg::ShowHelpMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("helpMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* about = menu->addAction(QStringLiteral("&About Vantrel Zendrix"));
    SetCommandId(about, kAboutCommand);
    LangRelabelMenu(menu, "BTNMENU");
    for (const auto& [titleKey, run] : m_menuCommands) {
        connect(menu->addAction(LangQText(titleKey)), &QAction::triggered, this, run);
    }
    QMenu* languages = menu->addMenu(LangQText(10015));
    languages->setObjectName(QStringLiteral("languageMenu"));
    SetCommandId(languages->addAction(QStringLiteral("English")), kLangFirstCommandId);
    LangBuildMenu(languages);
    connect(menu, &QMenu::triggered, this,
            [this](QAction* action) { OnHelpCommand(CommandId(action), action->text()); });
    const CTitleButton* help = m_titleBand.HelpButton();
    menu->popup(help->mapToGlobal(QPoint(0, help->height())));
    return menu;
}

void CZendrixDlg::OnHelpCommand(unsigned commandId, const QString& text)
{
    if (commandId == kAboutCommand) {
        ShowAbout();
    } else if (LangIsActionableCommand(commandId)) {
        LangSelectByName(text.toStdWString());
    }
    Relabel();
}

void CZendrixDlg::ShowAbout()
{
    auto* about = new CAboutDlg(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

void CZendrixDlg::Relabel()
{
    for (const SheetPage& page : m_pages) {
        m_sheet->setTabText(m_sheet->indexOf(page.page),
                            page.titleKey != 0 ? LangQText(page.titleKey) : page.fixedTitle);
    }
    m_panelTitle->setText(LangQText(10008));
    m_refresh->setToolTip(LangQText(10016));
    m_clearLogs->setToolTip(LangQText(10017));
    m_titleBand.RelabelButtons();
    m_count->setText(LangQText(20039));
    m_search->setPlaceholderText(LangQText(80001));
    m_networkPage->Relabel();
    m_basicWindow->Relabel();
    for (const SheetPage& page : m_pages) {
        if (auto* devicePage = dynamic_cast<DevicePage*>(page.page)) {
            devicePage->Relabel();
        }
    }
    for (CAboutDlg* about : findChildren<CAboutDlg*>()) {
        about->Relabel();
    }
    Layout();
    update(0, 0, width(), kCaptionHeight);
}

void CZendrixDlg::Layout()
{
    const int w = width();
    const int h = height();
    m_titleBand.LayoutButtons();
    m_login->Layout();

    m_refresh->setGeometry(w - 40, 59, 25, 24);
    m_search->setGeometry(w - 205, 61, 150, 20);
    m_count->setGeometry(w - 325, 60, 90, 22);
    m_count->setVisible(m_app.vtoem != 0 && !IsBasicMode());
    m_sheet->setGeometry(11, 90, w - 22, h - 195);
    m_basicWindow->setGeometry(15, 96, w - 30, h - 205);
    m_panelTitle->setGeometry(15, h - 103, w - 54, 16);
    m_clearLogs->setGeometry(w - 39, h - 104, 24, 18);
    m_panel->setGeometry(15, h - 87, w - 30, 72);
    if (auto* grip = findChild<QSizeGrip*>(QStringLiteral("sizeGrip"))) {
        grip->setGeometry(w - 14, h - 14, 14, 14);
    }
}

void CZendrixDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Layout();
}

void CZendrixDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = width();
    const int h = height();
    p.fillRect(rect(), kMargin);
    m_titleBand.Paint(p, !IsBasicMode());
    m_login->PaintLabels(p);

    p.setPen(QPen(QColor(201, 211, 221), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, w - 1, h - 1));
}

void CZendrixDlg::mousePressEvent(QMouseEvent* event)
{
    if (!m_titleBand.MousePress(*event)) {
        QWidget::mousePressEvent(event);
    }
}

void CZendrixDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_titleBand.MouseMove(*event)) {
        QWidget::mouseMoveEvent(event);
    }
}

void CZendrixDlg::mouseReleaseEvent(QMouseEvent* event)
{
    m_titleBand.MouseRelease();
    QWidget::mouseReleaseEvent(event);
}

void CZendrixDlg::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (TitleBand::MaximisesOn(*event)) {
        ToggleMaximise();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void CZendrixDlg::OpenPendingWebAddress()
{
    const std::string address = TakePendingWebAddress();
    if (!address.empty()) {
        QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
    }
}

void CZendrixDlg::closeEvent(QCloseEvent* event)
{
    hide();
    ShutDown();
    event->accept();
}

void CZendrixDlg::ShutDown()
{
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    m_discovery->Close();
    m_app.Table().SetListener(nullptr);
    m_router->Detach();
    m_expiryTimer->stop();
    m_webTimer->stop();
    // Saved here, while the window still stands: the secret store answers
    // through the event loop.
    m_login->Save();
}
