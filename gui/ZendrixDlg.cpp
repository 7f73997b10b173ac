#include "ZendrixDlg.h"

#include "AboutDlg.h"
#include "AppSettings.h"
#include "CameraAccess.h"
#include "DevicePage.h"
#include "DeviceRouter.h"
#include "DiscoverySession.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "LoginSecret.h"
#include "ModelCountRule.h"
#include "NetworkForm.h"
#include "OperationLog.h"
#include "OperationPanel.h"
#include "SearchDlg.h"
#include "SearchFilter.h"
#include "SortListCtrl.h"
#include "TextCodec.h"
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
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cstring>

namespace {
constexpr int kCaptionHeight = 90;
constexpr unsigned kAboutCommand = 32773;
const QColor kMargin(245, 246, 245);
const QColor kBandBlue(37, 131, 203);
const QColor kLabelInk(235, 235, 235);

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
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_app(app), m_options(options)
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

    m_user->setMaxLength(31);
    m_password->setMaxLength(15);
    m_search->setMaxLength(31);
    if (m_app.osCode < 24) {
        m_user->setReadOnly(true);
    } else {
        m_user->setEnabled(false);
    }
    m_user->setText(QString::fromStdWString(ReadSetting(L"User", L"admin")));
    m_password->setText(QString::fromStdWString(ReadLoginPassword(L"qr7319")));

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
    const auto lineEdit = [this](unsigned id) {
        auto* edit = new QLineEdit(this);
        SetCtrlId(edit, id);
        edit->setFrame(false);
        edit->setStyleSheet(
            QStringLiteral("QLineEdit { background: white; border-radius: 5px; padding: 0 4px; }"
                           "QLineEdit:disabled { background: rgb(226,234,242); color: rgb(60,70,80); }"));
        return edit;
    };
    m_user = lineEdit(1039);
    m_password = lineEdit(1029);
    m_password->setEchoMode(QLineEdit::Password);
    m_search = lineEdit(1160);
    connect(m_search, &QLineEdit::textEdited, this, &CZendrixDlg::OnSearchEdited);
    connect(m_search, &QLineEdit::returnPressed, this, &CZendrixDlg::OnSearchEdited);

    const auto button = [this](CTitleButton::Glyph glyph, unsigned id) {
        auto* b = new CTitleButton(glyph, this);
        SetCtrlId(b, id);
        return b;
    };
    m_refresh = button(CTitleButton::Glyph::Refresh, 1162);
    m_close = button(CTitleButton::Glyph::Close, 1157);
    m_maximise = button(CTitleButton::Glyph::Maximise, 1156);
    m_minimise = button(CTitleButton::Glyph::Minimise, 1154);
    m_help = button(CTitleButton::Glyph::Help, 1159);
    m_mode = button(CTitleButton::Glyph::Mode, 1158);
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
    connect(m_close, &QAbstractButton::clicked, this, &QWidget::close);
    connect(m_maximise, &QAbstractButton::clicked, this, &CZendrixDlg::ToggleMaximise);
    connect(m_minimise, &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(m_help, &QAbstractButton::clicked, this, &CZendrixDlg::ShowHelpMenu);
    connect(m_mode, &QAbstractButton::clicked, this, &CZendrixDlg::ToggleBasicMode);
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
    // The fields the SDK takes: 31 and 15 bytes.
    char user[32] = {};
    char password[16] = {};
    CTextCodec::ToNarrowAsTyped(kCodePageAnsi, LoginUserText().c_str(), user, sizeof user);
    CTextCodec::ToNarrowAsTyped(kCodePageAnsi, LoginPasswordText().c_str(), password, sizeof password);
    return {user, password};
}

std::wstring CZendrixDlg::LoginUserText() const
{
    return Trimmed(m_user->text().toStdWString());
}

std::wstring CZendrixDlg::LoginPasswordText() const
{
    return Trimmed(m_password->text().toStdWString());
}

void CZendrixDlg::WatchLoginPassword(QObject* receiver, std::function<void()> changed)
{
    connect(m_password, &QLineEdit::textChanged, receiver, [changed = std::move(changed)] { changed(); });
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
    if (!m_maximised) {
        m_restoreGeometry = geometry();
        if (QScreen* s = screen()) {
            setGeometry(s->availableGeometry());
        }
        m_maximised = true;
    } else {
        setGeometry(m_restoreGeometry);
        m_maximised = false;
    }
    m_maximise->SetGlyph(m_maximised ? CTitleButton::Glyph::Restore : CTitleButton::Glyph::Maximise);
    m_maximise->setToolTip(m_maximised ? LangQText(10011) : LangQText(10010));
}

QMenu* CZendrixDlg::ShowHelpMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("helpMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* about = menu->addAction(QStringLiteral("&About Vantrel Zendrix"));
    SetCommandId(about, kAboutCommand);
    LangRelabelMenu(menu, "BTNMENU");
    QMenu* languages = menu->addMenu(LangQText(10015));
    languages->setObjectName(QStringLiteral("languageMenu"));
    SetCommandId(languages->addAction(QStringLiteral("English")), kLangFirstCommandId);
    LangBuildMenu(languages);
    connect(menu, &QMenu::triggered, this,
            [this](QAction* action) { OnHelpCommand(CommandId(action), action->text()); });
    menu->popup(m_help->mapToGlobal(QPoint(0, m_help->height())));
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
    m_close->setToolTip(LangQText(10009));
    m_maximise->setToolTip(m_maximised ? LangQText(10011) : LangQText(10010));
    m_minimise->setToolTip(LangQText(10012));
    m_help->setToolTip(LangQText(10013));
    m_mode->setToolTip(LangQText(10014));
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
    m_close->setGeometry(w - 40, 7, 25, 28);
    m_maximise->setGeometry(w - 70, 7, 25, 28);
    m_minimise->setGeometry(w - 100, 7, 25, 28);
    m_help->setGeometry(w - 130, 7, 25, 28);
    m_mode->setGeometry(w - 160, 7, 25, 28);

    // The login labels are painted; the boxes follow their measured width.
    const QFontMetrics metrics(font());
    const int userLabel = metrics.horizontalAdvance(LangQText(10006));
    m_user->setGeometry(15 + userLabel + 8, 63, 50, 20);
    const int passwordLabel = metrics.horizontalAdvance(LangQText(10007));
    // Wide enough for the fifteen characters a password may have.
    m_password->setGeometry(m_user->x() + 60 + passwordLabel + 3, 63, 170, 20);

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

    // The title band: a deep blue gradient with the product mark and name.
    QLinearGradient band(0, 0, 0, kCaptionHeight);
    band.setColorAt(0.0, QColor(22, 86, 146));
    band.setColorAt(1.0, kBandBlue);
    p.fillRect(QRect(0, 0, w, kCaptionHeight), band);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawLine(0, 50, w, 50);

    const QRectF mark(16, 11, 30, 30);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawRoundedRect(mark, 7, 7);
    p.setBrush(kBandBlue);
    p.drawEllipse(mark.center(), 9.5, 9.5);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(mark.center(), 4.5, 4.5);
    p.setBrush(QColor(22, 86, 146));
    p.drawEllipse(mark.center(), 2.2, 2.2);

    QFont title = font();
    title.setPixelSize(19);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(56, 10, 400, 32), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vantrel Zendrix"));

    if (!IsBasicMode()) {
        p.fillRect(QRect(0, kCaptionHeight, 15, 42), kBandBlue);
        p.fillRect(QRect(w - 15, kCaptionHeight, 15, 42), kBandBlue);
        p.fillRect(QRect(0, kCaptionHeight, w, 2), kBandBlue);
    }

    p.setFont(font());
    p.setPen(kLabelInk);
    const QFontMetrics metrics(font());
    p.drawText(QPoint(15, 65 + metrics.ascent()), LangQText(10006));
    p.drawText(QPoint(m_user->x() + 60, 65 + metrics.ascent()), LangQText(10007));

    p.setPen(QPen(QColor(201, 211, 221), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, w - 1, h - 1));
}

void CZendrixDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && event->position().y() < kCaptionHeight && !m_maximised) {
        // The window manager moves the window when it can; otherwise the
        // window follows the mouse itself.
        if (QWindow* window = windowHandle(); window != nullptr && window->startSystemMove()) {
            return;
        }
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        m_dragging = true;
        return;
    }
    QWidget::mousePressEvent(event);
}

void CZendrixDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton) != 0) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void CZendrixDlg::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void CZendrixDlg::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && event->position().y() < kCaptionHeight) {
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
    WriteSetting(L"User", Trimmed(m_user->text().toStdWString()));
    WriteLoginPassword(Trimmed(m_password->text().toStdWString()));
}
