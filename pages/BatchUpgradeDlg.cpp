#include "BatchUpgradeDlg.h"

#include "AddressConflict.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "OperationLog.h"
#include "PageHost.h"
#include "SortListCtrl.h"
#include "TickedList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int kStripHeight = 66;
constexpr int kIpColumn = 4;

QPushButton* Button(QWidget* parent, unsigned id)
{
    auto* button = new QPushButton(parent);
    SetCtrlId(button, id);
    return button;
}

} // namespace

CBatchUpgradeDlg::CBatchUpgradeDlg(PageHost& host, std::shared_ptr<RebootQueue> rebootQueue, QWidget* parent)
    : QWidget(parent), m_host(host), m_rebootQueue(std::move(rebootQueue))
{
    SetCtrlId(this, 131);
    BuildControls();
    m_binding = std::make_unique<DeviceListBinding>(m_list, FamilyList::Columns(kHolderBit), host);
    m_familyList = std::make_unique<FamilyList>(*m_binding);
    connect(m_binding.get(), &DeviceListBinding::rowsChanged, this, &CBatchUpgradeDlg::ScheduleListCheck);
    m_tickedList = std::make_unique<TickedList>(m_host, *m_binding, m_selectAll);
    connect(m_tickedList.get(), &TickedList::tickChanged, this, &CBatchUpgradeDlg::CheckCurrentChoice);
    connect(m_tickedList.get(), &TickedList::allTicked, this, &CBatchUpgradeDlg::CheckCurrentChoice);

    const auto sink = [this](const PanelLine& line) { m_host.AddLine(line); };
    m_upgradeRun = std::make_unique<UpgradeRun>(sink);
    m_actions = std::make_unique<BatchRunner>(sink);
    connect(m_upgradeRun.get(), &UpgradeRun::progressChanged, this, &CBatchUpgradeDlg::ShowProgress);
    connect(m_upgradeRun.get(), &UpgradeRun::stepEnded, this, &CBatchUpgradeDlg::UpdateButtons);
    connect(m_actions.get(), &BatchRunner::finished, this, &CBatchUpgradeDlg::UpdateButtons);
    Relabel();
    UpdateButtons();
}

CBatchUpgradeDlg::~CBatchUpgradeDlg()
{
    // Cameras not started are skipped, running calls are waited for; their
    // results die with the runners, so nothing reaches a closing window.
    m_upgradeRun.reset();
    m_actions.reset();
    m_tickedList.reset();
    m_familyList.reset();
    m_binding->disconnect(this);
    m_binding.reset();
}

void CBatchUpgradeDlg::BuildControls()
{
    m_list = new CSortListCtrl(this);
    SetCtrlId(m_list, 1003);
    m_selectAll = new QCheckBox(this);
    SetCtrlId(m_selectAll, 1004);
    m_family = new QComboBox(this);
    SetCtrlId(m_family, 1114);
    for (const char* caption : FamilyFilterCaptions()) {
        m_family->addItem(QString::fromLatin1(caption));
    }
    m_warning = new QLabel(this);
    SetCtrlId(m_warning, 1021);
    m_warning->setStyleSheet(QStringLiteral("QLabel { color: rgb(200,30,30); font-weight: bold; }"));
    m_warning->hide();
    m_fileLabel = new QLabel(this);
    m_path = new QLineEdit(this);
    SetCtrlId(m_path, 1185);
    m_browse = Button(this, 1111);
    m_upgrade = Button(this, 1178);
    m_progressBar = new QProgressBar(this);
    SetCtrlId(m_progressBar, 1113);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->hide();
    m_reboot = Button(this, 1041);
    m_restore = Button(this, 1042);

    connect(m_list, &QTreeWidget::itemClicked, this, &CBatchUpgradeDlg::OnRowClicked);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &CBatchUpgradeDlg::OnCurrentRowChanged);
    connect(m_family, &QComboBox::currentIndexChanged, this, &CBatchUpgradeDlg::OnFamilyChanged);
    connect(m_path, &QLineEdit::textEdited, this, &CBatchUpgradeDlg::OnPathEdited);
    connect(m_browse, &QPushButton::clicked, this, &CBatchUpgradeDlg::OnBrowse);
    connect(m_upgrade, &QPushButton::clicked, this, &CBatchUpgradeDlg::OnUpgrade);
    connect(m_reboot, &QPushButton::clicked, this, &CBatchUpgradeDlg::OnReboot);
    connect(m_restore, &QPushButton::clicked, this, &CBatchUpgradeDlg::OnRestore);
}

void CBatchUpgradeDlg::Relabel()
{
    m_selectAll->setText(LangQText(20010));
    m_fileLabel->setText(LangQText(30000));
    m_browse->setText(LangQText(30001));
    m_upgrade->setText(LangQText(30002));
    m_reboot->setText(LangQText(40007));
    m_restore->setText(LangQText(40008));
    if (m_warningKey != 0) {
        m_warning->setText(LangQText(m_warningKey));
    }
    m_binding->RelabelHeaders();
    Relayout();
}

void CBatchUpgradeDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void CBatchUpgradeDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(0, height() - kStripHeight, width(), kStripHeight, QColor(245, 246, 245));
    painter.setPen(QColor(235, 235, 235));
    painter.drawLine(0, height() - kStripHeight, width(), height() - kStripHeight);
}

void CBatchUpgradeDlg::Relayout()
{
    const int w = width();
    const int h = height();
    const int rowHeight = 24;
    m_list->setGeometry(0, 0, w, std::max(0, h - kStripHeight));

    // First row: the choice of cameras, the warning and the progress.
    const int top = h - kStripHeight + 6;
    int x = 6;
    const int selectWidth = m_selectAll->sizeHint().width();
    m_selectAll->setGeometry(x, top, selectWidth, rowHeight);
    x += selectWidth + 12;
    m_family->setGeometry(x, top, 130, rowHeight);
    x += 130 + 16;
    const int barWidth = std::min(260, std::max(120, w / 4));
    m_progressBar->setGeometry(w - barWidth - 8, top + 2, barWidth, rowHeight - 4);
    m_warning->setGeometry(x, top, std::max(0, w - barWidth - 16 - x), rowHeight);

    // Second row: the image file and the buttons.
    const int bottom = h - 32;
    x = 6;
    const int labelWidth = m_fileLabel->sizeHint().width();
    m_fileLabel->setGeometry(x, bottom, labelWidth, rowHeight);
    x += labelWidth + 6;
    const auto buttonWidth = [](QPushButton* button) { return std::max(84, button->sizeHint().width() + 8); };
    QPushButton* const buttons[] = {m_browse, m_upgrade, m_reboot, m_restore};
    int buttonsWidth = 0;
    for (QPushButton* button : buttons) {
        buttonsWidth += buttonWidth(button) + 6;
    }
    const int pathWidth = std::max(120, w - x - buttonsWidth - 24);
    m_path->setGeometry(x, bottom, pathWidth, rowHeight);
    x += pathWidth + 6;
    for (QPushButton* button : buttons) {
        // Reboot and Restore stand apart from the upgrade's buttons.
        if (button == m_reboot) {
            x += 18;
        }
        button->setGeometry(x, bottom - 1, buttonWidth(button), rowHeight + 2);
        x += buttonWidth(button) + 6;
    }
}

// ---- The list -------------------------------------------------------------

void CBatchUpgradeDlg::ScheduleListCheck()
{
    if (m_familyList->Pruning() || m_listCheckPending) {
        return;
    }
    // Once per burst of table messages, after the binding has finished its
    // own work on the list.
    m_listCheckPending = true;
    QTimer::singleShot(0, this, [this] { CheckList(); });
}

void CBatchUpgradeDlg::CheckList()
{
    m_listCheckPending = false;
    m_familyList->Prune();
    if (m_selected && m_binding->FindRow(m_selected.get()) == nullptr) {
        m_selected.reset();
    }
    const std::vector<QTreeWidgetItem*> ticked = m_binding->TickedRows();
    if (ticked.empty()) {
        if (m_selectAll->isChecked() && m_binding->Rows().empty()) {
            m_selectAll->setChecked(false);
        }
        CheckCurrentChoice();
    } else {
        CheckRows(ticked);
    }
}

void CBatchUpgradeDlg::Refill()
{
    m_familyList->Refill(m_host);
    if (QTreeWidgetItem* row = SelectedRow()) {
        m_list->setCurrentItem(row);
        m_list->scrollToItem(row);
    } else {
        m_selected.reset();
    }
}

QTreeWidgetItem* CBatchUpgradeDlg::SelectedRow() const
{
    return m_selected ? m_binding->FindRow(m_selected.get()) : nullptr;
}

void CBatchUpgradeDlg::SelectRow(QTreeWidgetItem* row)
{
    m_selected = m_binding->EntryOf(row);
    if (m_list->currentItem() != row) {
        m_list->setCurrentItem(row);
    }
}

std::vector<tagVtIpcInfo> CBatchUpgradeDlg::Cameras(const std::vector<QTreeWidgetItem*>& rows) const
{
    std::vector<tagVtIpcInfo> cameras;
    cameras.reserve(rows.size());
    for (QTreeWidgetItem* row : rows) {
        tagVtIpcInfo info{};
        if (m_binding->InfoOf(row, info)) {
            cameras.push_back(info);
        }
    }
    return cameras;
}

std::vector<QTreeWidgetItem*> CBatchUpgradeDlg::TargetRows()
{
    std::vector<QTreeWidgetItem*> rows = m_binding->TickedRows();
    if (rows.empty()) {
        if (QTreeWidgetItem* row = SelectedRow()) {
            rows.push_back(row);
        }
    }
    if (rows.empty()) {
        ZxMessageBox(90010, ZxButtons::Ok, this);
    }
    return rows;
}

void CBatchUpgradeDlg::OnRowClicked(QTreeWidgetItem* row, int column)
{
    if (row == nullptr || column == 0 || !m_binding->TickedRows().empty()) {
        return;
    }
    SelectRow(row);
    m_selectAll->setChecked(false);
    CheckRows({row});
}

void CBatchUpgradeDlg::OnCurrentRowChanged(QTreeWidgetItem* current)
{
    // Moving with the keys picks the camera as a click does, so the
    // highlighted row is always the one an upgrade would go to.
    if (current == nullptr || current == SelectedRow() || !m_binding->TickedRows().empty()) {
        return;
    }
    SelectRow(current);
    CheckRows({current});
}

void CBatchUpgradeDlg::OnFamilyChanged(int index)
{
    if (!m_familyList->ChooseFamily(index)) {
        return;
    }
    Refill();
    if (m_selectAll->isChecked()) {
        m_tickedList->SetAllTicks(true);
    }
    CheckList();
}

// ---- Checks ---------------------------------------------------------------

std::optional<ImageName> CBatchUpgradeDlg::ChosenImage() const
{
    const QString path = m_path->text().trimmed();
    if (path.isEmpty()) {
        return std::nullopt;
    }
    const QByteArray native = QFile::encodeName(path);
    return ParseImageName(ImageFileName(std::string_view(native.constData(), native.size())));
}

bool CBatchUpgradeDlg::CheckRows(const std::vector<QTreeWidgetItem*>& rows)
{
    if (QTreeWidgetItem* conflict = AddressConflictRow(*m_binding, rows, kIpColumn)) {
        SelectRow(conflict);
        m_list->scrollToItem(conflict);
        ShowWarning(90012);
        return false;
    }
    if (!TakeMakersImages(Cameras(rows)) && !ImageMatchesCameras(ChosenImage(), CameraModels(Cameras(rows)))) {
        ShowWarning(90011);
        return false;
    }
    HideWarning();
    return true;
}

void CBatchUpgradeDlg::CheckCurrentChoice()
{
    const std::vector<QTreeWidgetItem*> ticked = m_binding->TickedRows();
    if (!ticked.empty()) {
        CheckRows(ticked);
    } else if (QTreeWidgetItem* row = SelectedRow()) {
        CheckRows({row});
    } else {
        HideWarning();
        m_checkPassed = false;
        UpdateButtons();
    }
}

void CBatchUpgradeDlg::ShowWarning(unsigned key)
{
    m_warningKey = key;
    m_warning->setText(LangQText(key));
    m_warning->show();
    m_checkPassed = false;
    UpdateButtons();
}

void CBatchUpgradeDlg::HideWarning()
{
    m_warningKey = 0;
    m_warning->hide();
    m_checkPassed = true;
    UpdateButtons();
}

void CBatchUpgradeDlg::UpdateButtons()
{
    // A reboot or restore in the middle of flashing could leave a camera
    // without firmware, and an upgrade must not start on cameras that are
    // being rebooted: one kind of run at a time.
    const bool busy = Upgrading() || ActionsRunning();
    m_upgrade->setEnabled(m_checkPassed && !busy);
    m_reboot->setEnabled(!busy);
    m_restore->setEnabled(!busy);
}

bool CBatchUpgradeDlg::Upgrading() const
{
    return m_upgradeRun->Running();
}

bool CBatchUpgradeDlg::ActionsRunning() const
{
    return m_actions->Running();
}

// ---- Image file -----------------------------------------------------------

void CBatchUpgradeDlg::OnBrowse()
{
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("All Files(*.*)"));
    if (!path.isEmpty()) {
        ChooseImage(path);
    }
}

void CBatchUpgradeDlg::ChooseImage(const QString& path)
{
    if (const unsigned problem = ImageFileProblem(QFile::encodeName(path).toStdString()); problem != 0) {
        m_path->clear();
        ZxMessageBox(problem, ZxButtons::Ok, this);
        return;
    }
    m_path->setText(path);
    OnPathEdited();
}

void CBatchUpgradeDlg::OnPathEdited()
{
    // A typed or pasted path is matched against every ticked camera, as a
    // chosen one is.
    if (!m_binding->TickedRows().empty() || SelectedRow() != nullptr) {
        CheckCurrentChoice();
    }
}

// ---- Upgrade --------------------------------------------------------------

void CBatchUpgradeDlg::OnUpgrade()
{
    if (Upgrading()) {
        return;
    }
    const LoginCredentials login = m_host.Login();
    const QString path = m_path->text().trimmed();
    if (path.isEmpty()) {
        ZxMessageBox(90014, ZxButtons::Ok, this);
        return;
    }
    const QByteArray native = QFile::encodeName(path);
    const std::string fileName(ImageFileName(std::string_view(native.constData(), native.size())));
    const ImageName image = ParseImageName(fileName);
    if (image.kind == ImageKind::None && !TakeMakersImages(Cameras(TargetRows()))) {
        TraceA(1, "Firmware(%s) name is invalid.", fileName.c_str());
        ZxMessageBox(90034, ZxButtons::Ok, this);
        return;
    }
    // A path typed into the box meets the file rules here instead of at Browse.
    if (const unsigned problem = ImageFileProblem(native.toStdString()); problem != 0) {
        ZxMessageBox(problem, ZxButtons::Ok, this);
        return;
    }
    const std::vector<QTreeWidgetItem*> rows = TargetRows();
    const std::vector<tagVtIpcInfo> targets = Cameras(rows);
    if (rows.empty()) {
        return;
    }
    if (targets.empty()) {
        ZxMessageBox(90010, ZxButtons::Ok, this);
        return;
    }
    const tagVtIpcInfo& reference = targets.front();
    const ReferenceVerdict verdict =
        TakeMakersImages(targets) ? ReferenceVerdict::Fits : CheckReferenceCamera(image, reference.model);
    if (verdict == ReferenceVerdict::NoModel) {
        return;
    }
    if (verdict != ReferenceVerdict::Fits) {
        TraceA(1, "%s", ReferenceVerdictTrace(verdict, reference.model, fileName).c_str());
        ZxMessageBox(90011, ZxButtons::Ok, this);
        return;
    }

    m_upgradeRun->Start(targets, login, native.toStdString(), !m_binding->TickedRows().empty());
    UpdateButtons();
}

void CBatchUpgradeDlg::ShowProgress()
{
    m_progressBar->setValue(m_upgradeRun->Progress().Position());
    m_progressBar->setVisible(m_upgradeRun->Progress().Visible());
}

// ---- Reboot and restore ---------------------------------------------------

void CBatchUpgradeDlg::RunActions(unsigned question, BatchEngine::Operation operation,
                                  std::vector<tagVtIpcInfo> targets)
{
    if (ZxMessageBox(question, ZxButtons::YesNo, this) != ZxAnswer::Yes) {
        return;
    }
    m_actions->Start(std::move(targets), std::move(operation));
    UpdateButtons();
}

void CBatchUpgradeDlg::OnReboot()
{
    if (ActionsRunning() || Upgrading()) {
        return;
    }
    const bool single = m_binding->TickedRows().empty();
    const std::vector<QTreeWidgetItem*> rows = TargetRows();
    if (!rows.empty()) {
        RunActions(90026, RebootOperation(m_host.Login(), m_rebootQueue, single), Cameras(rows));
    }
}

void CBatchUpgradeDlg::OnRestore()
{
    if (ActionsRunning() || Upgrading()) {
        return;
    }
    const std::vector<QTreeWidgetItem*> rows = TargetRows();
    if (!rows.empty()) {
        RunActions(90027, RestoreOperation(m_host.Login(), m_rebootQueue), Cameras(rows));
    }
}
