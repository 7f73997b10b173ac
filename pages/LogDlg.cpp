#include "LogDlg.h"

#include "AddressConflict.h"
#include "BatchRunner.h"
#include "CameraLoader.h"
#include "CapabilityClass.h"
#include "CustomDownloadDlg.h"
#include "LangKeys.h"
#include "LangWidgets.h"
#include "LogRules.h"
#include "MessageBox.h"
#include "PageHost.h"
#include "PreviewRules.h"
#include "RecordText.h"
#include "RowPlacer.h"
#include "SortListCtrl.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimeEdit>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

namespace {
constexpr int kListWidth = 160;
constexpr int kLeft = 170;
constexpr int kRowHeight = 22;
constexpr int kIpColumn = 1;
constexpr unsigned kPageWordId = LangControl::kLogPage;

DeviceListSpec LogListSpec()
{
    DeviceListSpec listSpec;
    listSpec.holderBit = CLogDlg::kHolderBit;
    listSpec.columns = {
        DeviceColumn{0, 35, [](const tagVtIpcInfo&, std::time_t) { return QString(); }},
        DeviceColumn{
            20002, 103,
            [](const tagVtIpcInfo& i, std::time_t) { return QString::fromStdWString(FieldText(i.ip)); }},
    };
    listSpec.numberColumn = 0;
    listSpec.addressColumns = {kIpColumn, -1, -1};
    listSpec.initialSortColumn = 1;
    listSpec.tickBoxes = false;
    listSpec.matchFields = [](const tagVtIpcInfo& info, std::time_t) { return NameMacIpModelFields(info); };
    return listSpec;
}

QPushButton* Button(QWidget* parent, unsigned id, const char* english)
{
    auto* button = new QPushButton(QString::fromLatin1(english), parent);
    SetCtrlId(button, id);
    return button;
}

QToolButton* ImageButton(QWidget* parent, QStyle::StandardPixmap pixmap)
{
    auto* button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(pixmap));
    button->setAutoRaise(false);
    return button;
}

} // namespace

CLogDlg::CLogDlg(PageHost& host, QWidget* parent) : QWidget(parent), m_host(host)
{
    SetCtrlId(this, 146);
    BuildControls();
    m_binding = std::make_unique<DeviceListBinding>(m_list, LogListSpec(), host);
    connect(m_binding.get(), &DeviceListBinding::rowsChanged, this, &CLogDlg::OnRowsChanged);
    m_runner = new BatchRunner([this](const PanelLine& line) { m_host.AddLine(line); }, this, 1);
    connect(m_runner, &BatchRunner::finished, this, &CLogDlg::Finish);
    m_pages = new CameraLoader(this);
    connect(m_pages, &CameraLoader::loadingChanged, this, &CLogDlg::OnQueryRunning);
    Relabel();
}

CLogDlg::~CLogDlg()
{
    // The runner waits for a running download, the loader for a page being
    // read, before the page goes; neither result is shown.
    m_state.Close();
    delete m_runner;
    m_runner = nullptr;
    m_pages->disconnect(this);
    delete m_pages;
    m_pages = nullptr;
    m_binding->disconnect(this);
    m_binding.reset();
}

void CLogDlg::BuildControls()
{
    m_list = new CSortListCtrl(this);
    SetCtrlId(m_list, 1003);
    m_grid = new LogGrid(this);
    m_systemLog = new QPlainTextEdit(this);
    m_systemLog->setReadOnly(true);
    m_systemLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_systemLog->hide();

    m_filterRow = std::make_unique<LogFilterRow>(*this);

    m_tips = new QLabel(this);
    m_tips->setStyleSheet(QStringLiteral("color: #c0392b;"));
    m_tips->hide();
    m_show = Button(this, LangControl::kLogShow, "Show Log");
    m_download = Button(this, LangControl::kLogDownload, "Download Log");
    m_export = Button(this, LangControl::kLogExportConfig, "Export Config");
    m_custom = Button(this, LangControl::kLogCustomDownload, "Custom Download");
    m_previous = ImageButton(this, QStyle::SP_ArrowLeft);
    m_next = ImageButton(this, QStyle::SP_ArrowRight);
    m_pageLabel = new QLabel(QStringLiteral("0/0"), this);
    m_pageLabel->setAlignment(Qt::AlignCenter);
    m_pageWord = new QLabel(QStringLiteral("Page"), this);
    SetCtrlId(m_pageWord, kPageWordId);
    m_go = Button(this, LangControl::kLogGoToPage, "Go");
    m_pageBox = new QLineEdit(this);
    m_pageBox->setMaxLength(10);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CLogDlg::OnSelectionChanged);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &CLogDlg::OnRowDoubleClicked);
    connect(m_filterRow->QueryButton(), &QPushButton::clicked, this, &CLogDlg::OnQuery);
    connect(m_show, &QPushButton::clicked, this, &CLogDlg::OnShowLog);
    connect(m_download, &QPushButton::clicked, this, [this] { OnFile(CameraFileKind::Log); });
    connect(m_export, &QPushButton::clicked, this, [this] { OnFile(CameraFileKind::Config); });
    connect(m_custom, &QPushButton::clicked, this, [this] { OnFile(CameraFileKind::Custom); });
    connect(m_previous, &QToolButton::clicked, this, &CLogDlg::OnPrevious);
    connect(m_next, &QToolButton::clicked, this, &CLogDlg::OnNext);
    connect(m_go, &QPushButton::clicked, this, &CLogDlg::OnGo);
    connect(m_pageBox, &QLineEdit::returnPressed, this, &CLogDlg::OnGo);
}

void CLogDlg::Relabel()
{
    LangRelabelWindow(this, "DLGLOG");
    m_tips->setText(LangQText(90012));
    m_grid->Relabel();
    m_binding->RelabelHeaders();
    m_filterRow->Relabel();
    Relayout();
}

void CLogDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void CLogDlg::Relayout()
{
    const int w = width();
    const int h = height();
    m_list->setGeometry(0, 0, kListWidth, h);
    m_grid->setGeometry(kLeft, 40, std::max(0, w - kLeft), std::max(0, h - 68));
    m_systemLog->setGeometry(m_grid->geometry());

    m_filterRow->Layout(kLeft, 9, kRowHeight);

    // Along the bottom the controls follow each other closely, so that the
    // page box still fits a narrow window in any language.
    const int bottom = h - 23;
    const auto wide = [](QWidget* widget, const QString& text, int least) {
        return std::max(least, widget->fontMetrics().horizontalAdvance(text) + 24);
    };
    RowPlacer row;
    row.Place(m_tips, kLeft, bottom, 320, kRowHeight);
    row.Restart();
    row.Place(m_show, kLeft, bottom - 1, wide(m_show, m_show->text(), 95), kRowHeight + 2);
    row.Place(m_download, 0, bottom - 1, wide(m_download, m_download->text(), 110), kRowHeight + 2);
    row.Place(m_export, 0, bottom - 1, wide(m_export, m_export->text(), 110), kRowHeight + 2);
    row.Place(m_custom, 0, bottom - 1, wide(m_custom, m_custom->text(), 125), kRowHeight + 2);
    row.Skip(8);
    row.Place(m_previous, 0, bottom - 1, 28, kRowHeight + 2);
    row.Place(m_pageLabel, 0, bottom, wide(m_pageLabel, QStringLiteral("0000/0000"), 60), kRowHeight);
    row.Place(m_pageWord, 0, bottom, wide(m_pageWord, m_pageWord->text(), 30) - 16, kRowHeight);
    row.Place(m_next, 0, bottom - 1, 28, kRowHeight + 2);
    row.Skip(8);
    row.Place(m_go, 0, bottom - 1, wide(m_go, m_go->text(), 44), kRowHeight + 2);
    row.Place(m_pageBox, 0, bottom, 56, kRowHeight);
}

bool CLogDlg::SelectedCamera(tagVtIpcInfo& camera, bool tell)
{
    QTreeWidgetItem* row = m_selected ? m_binding->FindRow(m_selected.get()) : nullptr;
    if (row != nullptr && m_binding->InfoOf(row, camera)) {
        return true;
    }
    if (tell) {
        ZxMessageBox(90010, ZxButtons::Ok, this);
    }
    return false;
}

void CLogDlg::OnSelectionChanged()
{
    const QList<QTreeWidgetItem*> rows = m_list->selectedItems();
    tagVtIpcInfo camera{};
    if (!m_state.CanStartCameraWork() || rows.isEmpty() || !m_binding->InfoOf(rows.front(), camera)) {
        return;
    }
    ClearGrid();
    const DeviceRef entry = m_binding->EntryOf(rows.front());
    if (entry != m_selected) {
        m_filterActive = false;
    }
    m_selected = entry;
    const bool conflict = AddressConflictRow(*m_binding, {rows.front()}, kIpColumn) != nullptr;
    ShowConflict(conflict);
    if (conflict) {
        m_selected.reset();
        return;
    }
    const LoginCredentials login = m_host.Login();
    Run(camera, [login](const tagVtIpcInfo& target) { return SelectCameraLog(target, login); });
}

void CLogDlg::ShowConflict(bool conflict)
{
    m_show->setVisible(!conflict);
    m_download->setVisible(!conflict);
    m_export->setVisible(!conflict);
    m_tips->setVisible(conflict);
}

void CLogDlg::OnRowDoubleClicked(QTreeWidgetItem* row, int)
{
    tagVtIpcInfo info{};
    if (row != nullptr && m_binding->InfoOf(row, info)) {
        m_host.OpenWebPage(info);
    }
}

void CLogDlg::OnRowsChanged()
{
    if (m_selected && m_binding->FindRow(m_selected.get()) == nullptr) {
        // The camera left the list: its log goes with it.
        m_selected.reset();
        m_loggedIn.reset();
        ClearGrid();
    }
}

void CLogDlg::OnShowLog()
{
    tagVtIpcInfo camera{};
    if (!SelectedCamera(camera, true)) {
        return;
    }
    const LoginCredentials login = m_host.Login();
    const std::shared_ptr<Camera> held = m_loggedIn;
    Run(camera, [login, held](const tagVtIpcInfo& target) { return RefreshCameraLog(held, target, login); });
}

void CLogDlg::OnFile(CameraFileKind kind)
{
    tagVtIpcInfo camera{};
    if (!SelectedCamera(camera, true)) {
        return;
    }
    CameraFileRequest request;
    request.kind = kind;
    if (kind == CameraFileKind::Custom) {
        if (!IsAModel(camera.model)) {
            ZxMessageBox(87003, ZxButtons::Ok, this);
            return;
        }
        CCustomDownloadDlg dialog(m_customKind, m_customName, this);
        const bool accepted = m_customHook ? m_customHook(dialog) : dialog.exec() == QDialog::Accepted;
        if (!accepted || dialog.RemoteName().empty()) {
            return;
        }
        m_customKind = dialog.Kind();
        m_customName = dialog.RemoteName();
        request.customKind = m_customKind;
        request.remoteName = m_customName;
    }
    const LoginCredentials login = m_host.Login();
    const std::shared_ptr<Camera> held = m_loggedIn;
    const std::time_t now = std::time(nullptr);
    Run(camera, [login, held, request, now](const tagVtIpcInfo& target) {
        return FetchCameraFile(held, target, login, request, now);
    });
}

void CLogDlg::Run(const tagVtIpcInfo& camera, std::function<LogOutcome(const tagVtIpcInfo&)> work)
{
    if (!m_state.CanStartCameraWork()) {
        return;
    }
    // The page being read is moot: the camera's log may be fetched anew.
    m_pages->Drop();
    auto outcome = std::make_shared<LogOutcome>();
    const bool started = m_runner->Start({camera}, [outcome, work](const tagVtIpcInfo& target, std::size_t) {
        *outcome = work(target);
        std::vector<PanelLine> lines;
        if (outcome->line) {
            lines.push_back(*outcome->line);
        }
        return lines;
    });
    if (!started) {
        return;
    }
    m_jobCamera = m_selected;
    m_jobOutcome = outcome;
    m_state.CameraWorkStarted();
    setCursor(Qt::BusyCursor);
    UpdateControls();
}

void CLogDlg::Finish()
{
    const std::shared_ptr<LogOutcome> outcome = std::move(m_jobOutcome);
    const DeviceRef camera = std::move(m_jobCamera);
    const bool ran = m_state.CameraWorkEnded();
    unsetCursor();
    UpdateControls();
    if (!ran || !outcome) {
        return;
    }
    // The camera may have left the list while it was asked.
    const bool current = camera && camera == m_selected;
    if (current) {
        m_loggedIn = outcome->camera;
    }
    if (outcome->showCache && current) {
        m_filterActive = false;
        ShowPage(1);
    }
    if (outcome->systemLog && current) {
        ShowSystemLog(*outcome->systemLog);
    }
    if (outcome->messageKey == 0) {
        return;
    }
    if (!outcome->question) {
        ZxMessageBox(outcome->messageKey, ZxButtons::Ok, this);
    } else if (ZxMessageBox(outcome->messageKey, ZxButtons::YesNo, this) == ZxAnswer::Yes) {
        RevealFile(outcome->path);
    }
}

bool CLogDlg::Busy() const
{
    return m_state.Busy();
}

void CLogDlg::OnQueryRunning(bool running)
{
    if (running) {
        m_state.QueryStarted();
    } else {
        m_state.QueryEnded();
    }
    UpdateControls();
}

void CLogDlg::UpdateControls()
{
    const bool idle = !Busy();
    m_list->setEnabled(idle);
    m_show->setEnabled(idle);
    // The commands wait while busy; the filter's fields stay editable then,
    // as long as a log database is shown.
    const bool commands = m_state.DatabaseCommands();
    for (QWidget* command : std::initializer_list<QWidget*>{m_download, m_export, m_custom,
                                                            m_filterRow->QueryButton(), m_previous, m_next, m_go}) {
        command->setEnabled(commands);
    }
    const bool database = m_state.View() == LogPageView::Database;
    QWidget* const fields[] = {m_filterRow->MainType(), m_filterRow->SubType(),   m_filterRow->StartDate(),
                               m_filterRow->StartTime(), m_filterRow->EndDate(), m_filterRow->EndTime(),
                               m_pageBox};
    for (QWidget* field : fields) {
        field->setEnabled(database);
    }
}

void CLogDlg::RevealFile(const std::string& path)
{
    const QFileInfo file(QString::fromStdString(path));
    QDesktopServices::openUrl(QUrl::fromLocalFile(file.absolutePath()));
}

void CLogDlg::OnQuery()
{
    if (!m_filterRow->ChosenFilter(m_savedFilter)) {
        ZxMessageBox(900115, ZxButtons::Ok, this);
        return;
    }
    m_filterActive = true;
    ShowPage(1);
}

void CLogDlg::ClearGrid()
{
    m_pages->Drop();
    m_grid->Clear();
    m_pageLabel->setText(m_grid->PageText());
    m_systemLog->clear();
    m_systemLog->hide();
    m_grid->show();
    m_state.Show(LogPageView::Database);
    UpdateControls();
}

void CLogDlg::ShowSystemLog(const SystemLogView& log)
{
    ClearGrid();
    m_state.Show(LogPageView::SystemLines);
    QStringList lines;
    if (log.older > 0) {
        lines << LangQText(87101).arg(log.older);
    }
    for (const std::string& line : log.lines) {
        lines << QString::fromStdString(line);
    }
    m_systemLog->setPlainText(lines.join(QLatin1Char('\n')));
    m_grid->hide();
    m_systemLog->show();
    UpdateControls();
}

void CLogDlg::ShowPage(int page)
{
    tagVtIpcInfo camera{};
    if (!m_state.CanQuery() || !SelectedCamera(camera, false)) {
        return;
    }
    ClearGrid();
    // A long log, or a file that is no log at all, takes its time on the
    // worker; the window goes on meanwhile.
    const std::string path = CachedLogPath(camera);
    const tagLogFilter filter = m_filterActive ? m_savedFilter : tagLogFilter{};
    m_pages->Start([this, path, filter, page](const std::atomic<bool>&) -> CameraLoader::Show {
        LogPage shown = QueryLogPage(path, filter, page);
        return [this, shown = std::move(shown)] {
            m_grid->Show(shown);
            m_pageLabel->setText(m_grid->PageText());
        };
    });
}

void CLogDlg::OnPrevious()
{
    if (m_grid->CurrentPage() > 1) {
        ShowPage(m_grid->CurrentPage() - 1);
    }
}

void CLogDlg::OnNext()
{
    if (m_grid->CurrentPage() < m_grid->TotalPages()) {
        ShowPage(m_grid->CurrentPage() + 1);
    }
}

void CLogDlg::OnGo()
{
    const int page = ParsePageNumber(m_pageBox->text().toStdWString());
    if (IsPageInRange(page, m_grid->TotalPages())) {
        ShowPage(page);
    }
}
