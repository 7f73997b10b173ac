#include "BatchSetDlg.h"

#include "AddressConflict.h"
#include "BatchRunner.h"
#include "CameraLoader.h"
#include "CapabilityClass.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "MacText.h"
#include "MessageBox.h"
#include "NetworkParamDlg.h"
#include "PageHost.h"
#include "PreviewRules.h"
#include "RebootQueue.h"
#include "RecordText.h"
#include "SortListCtrl.h"
#include "SystemParamDlg.h"
#include "TickedList.h"
#include "VideoImageDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <cstring>

namespace {
constexpr int kListWidth = 510;
constexpr int kIpColumn = 4;
constexpr int kStripHeight = 24;
const QColor kStrip(245, 246, 245);
const QColor kStripLine(235, 235, 235);

QString Field(const char* text)
{
    return QString::fromStdWString(FieldText(text));
}
} // namespace

DeviceListSpec CBatchSetDlg::BatchListSpec()
{
    DeviceListSpec listSpec;
    listSpec.holderBit = kHolderBatchSet;
    listSpec.columns = {
        DeviceColumn{0, 24, {}},
        DeviceColumn{0, 32, [](const tagVtIpcInfo&, std::time_t) { return QString(); }},
        DeviceColumn{20000, 89,
                     [](const tagVtIpcInfo& i, std::time_t) { return QString::fromStdWString(NameText(i)); }},
        DeviceColumn{20001, 124,
                     [](const tagVtIpcInfo& i, std::time_t) { return QString::fromStdString(MacCellText(i.mac)); }},
        DeviceColumn{20002, 108, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.ip); }},
        DeviceColumn{20006, 100, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.model); }},
    };
    listSpec.numberColumn = 1;
    listSpec.addressColumns = {4, -1, -1};
    listSpec.initialSortColumn = 4;
    listSpec.matchFields = [](const tagVtIpcInfo& info, std::time_t) { return NameMacIpModelFields(info); };
    return listSpec;
}

CBatchSetDlg::CBatchSetDlg(PageHost& host, std::shared_ptr<RebootQueue> rebootQueue, QWidget* parent)
    : QWidget(parent), m_host(host), m_rebootQueue(std::move(rebootQueue))
{
    SetCtrlId(this, 130);
    BuildControls();
    m_binding = std::make_unique<DeviceListBinding>(m_list, BatchListSpec(), host);
    connect(m_binding.get(), &DeviceListBinding::rowsChanged, this, &CBatchSetDlg::OnRowsChanged);
    m_tickedList = std::make_unique<TickedList>(m_host, *m_binding, m_selectAll);
    connect(m_tickedList.get(), &TickedList::tickChanged, this, &CBatchSetDlg::OnTickChanged);
    connect(m_tickedList.get(), &TickedList::allTicked, this, &CBatchSetDlg::OnSelectAll);

    m_runner = new BatchRunner([this](const PanelLine& line) { m_host.AddLine(line); }, this);
    connect(m_runner, &BatchRunner::started, this, [this](int total) { OnBatchProgress(0, total); });
    connect(m_runner, &BatchRunner::progress, this, &CBatchSetDlg::OnBatchProgress);
    connect(m_runner, &BatchRunner::finished, this, [this] {
        m_state.SaveEnded();
        UpdateSaveState();
    });
    m_loader = new CameraLoader(this);
    connect(m_loader, &CameraLoader::loadingChanged, this, &CBatchSetDlg::OnLoadingChanged);

    // The sub-pages in the order of their tabs, which is also the order a
    // loaded camera is read in.
    m_system = new CSystemParamDlg(*this, m_subSheet);
    AddSubPage(m_system, 20018);
    AddSubPage(new CNetworkParamDlg(*this, m_subSheet), 20019);
    AddSubPage(new CVideoImageDlg(*this, m_subSheet), 20030);

    m_subSheet->setCurrentIndex(0);
    connect(m_subSheet, &QTabWidget::currentChanged, this, &CBatchSetDlg::UpdateSaveState);
    Relabel();
    UpdateSaveState();
}

CBatchSetDlg::~CBatchSetDlg()
{
    // Workers of a running batch or load are waited for before the sub-pages
    // they report through go; a load's result is dropped.
    m_state.Close();
    m_list->disconnect(this);
    delete m_loader;
    m_loader = nullptr;
    delete m_runner;
    m_runner = nullptr;
    m_tickedList.reset();
    m_binding->disconnect(this);
    m_binding.reset();
}

void CBatchSetDlg::BuildControls()
{
    m_list = new CSortListCtrl(this);
    SetCtrlId(m_list, 1003);
    m_selectAll = new QCheckBox(this);
    SetCtrlId(m_selectAll, 1020);
    QFont bold = font();
    bold.setBold(true);
    m_selectAll->setFont(bold);
    m_warning = new QLabel(this);
    SetCtrlId(m_warning, 1021);
    m_warning->setStyleSheet(QStringLiteral("QLabel { color: rgb(200,30,30); }"));
    m_warning->hide();
    m_save = new QPushButton(this);
    SetCtrlId(m_save, 1043);
    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("batchProgress"));
    m_progress->hide();
    m_subSheet = new QTabWidget(this);
    m_subSheet->setStyleSheet(QStringLiteral("QTabBar::tab { min-width: 80px; height: 24px; padding: 0 10px; }"));

    connect(m_list, &QTreeWidget::itemClicked, this, &CBatchSetDlg::OnRowClicked);
    connect(m_save, &QPushButton::clicked, this, &CBatchSetDlg::OnSave);
}

void CBatchSetDlg::AddSubPage(BatchSubPage* page, unsigned titleKey)
{
    m_subPages.push_back({page, titleKey});
    m_subSheet->addTab(page, LangQText(titleKey));
    page->SetTickedMode(m_tickedMode);
}

void CBatchSetDlg::Relabel()
{
    for (const SubPage& sub : m_subPages) {
        m_subSheet->setTabText(m_subSheet->indexOf(sub.page), LangQText(sub.titleKey));
    }
    m_selectAll->setText(LangQText(20010));
    m_binding->RelabelHeaders();
    m_warning->setText(LangQText(90012).left(519));
    m_save->setText(LangQText(40015));
    for (const SubPage& sub : m_subPages) {
        sub.page->Relabel();
    }
    Relayout();
}

void CBatchSetDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void CBatchSetDlg::Relayout()
{
    const int w = width();
    const int h = height();
    const int listWidth = std::min(kListWidth, w / 2);
    m_list->setGeometry(0, 0, listWidth, std::max(0, h - kStripHeight - 1));
    m_subSheet->setGeometry(listWidth + 2, 0, std::max(0, w - listWidth - 2), std::max(0, h - kStripHeight - 1));
    const int top = h - 21;
    const int selectWidth = m_selectAll->sizeHint().width();
    m_selectAll->setGeometry(4, top, selectWidth, 20);
    const int warningX = std::max(115, 4 + selectWidth + 12);
    const int saveX = std::max(listWidth + 40, warningX + m_warning->sizeHint().width() + 12);
    m_warning->setGeometry(warningX, top, saveX - warningX - 8, 20);
    const int saveWidth = std::max(120, m_save->sizeHint().width());
    m_save->setGeometry(saveX, top - 1, saveWidth, 22);
    m_progress->setGeometry(saveX + saveWidth + 10, top, 120, 20);
}

void CBatchSetDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int h = height();
    p.fillRect(QRect(0, h - kStripHeight, width(), kStripHeight), kStrip);
    p.setPen(kStripLine);
    p.drawLine(m_subSheet->x(), h - kStripHeight - 1, width(), h - kStripHeight - 1);
}

QTreeWidgetItem* CBatchSetDlg::SelectedRow() const
{
    return m_selected ? m_binding->FindRow(m_selected.get()) : nullptr;
}

bool CBatchSetDlg::SharesIp(QTreeWidgetItem* row) const
{
    return AddressConflictRow(*m_binding, {row}, kIpColumn) != nullptr;
}

QTreeWidgetItem* CBatchSetDlg::TickedConflictRow() const
{
    return AddressConflictRow(*m_binding, m_binding->TickedRows(), kIpColumn);
}

void CBatchSetDlg::ShowConflict(QTreeWidgetItem* row)
{
    m_list->setCurrentItem(row);
    m_list->scrollToItem(row);
    UpdateSaveState();
}

void CBatchSetDlg::UpdateSaveState()
{
    QTreeWidgetItem* selected = SelectedRow();
    const bool conflict = m_tickedMode ? TickedConflictRow() != nullptr : selected != nullptr && SharesIp(selected);
    m_warning->setVisible(conflict);
    m_save->setEnabled(!conflict && m_state.CanSave() && (m_tickedMode || selected != nullptr) &&
                       m_subSheet->currentWidget() != nullptr);
}

void CBatchSetDlg::SetTickedMode(bool ticked)
{
    if (ticked == m_tickedMode) {
        return;
    }
    m_tickedMode = ticked;
    m_state.TickedModeChanged(ticked);
    m_loader->Drop();
    for (const SubPage& sub : m_subPages) {
        sub.page->SetTickedMode(ticked);
    }
    UpdateSaveState();
}

void CBatchSetDlg::OnRowClicked(QTreeWidgetItem* row, int column)
{
    if (row != nullptr && column != 0) {
        LoadCamera(row);
    }
}

void CBatchSetDlg::LoadCamera(QTreeWidgetItem* row)
{
    tagVtIpcInfo camera{};
    if (!m_binding->InfoOf(row, camera)) {
        return;
    }
    const LoginCredentials login = Login();
    // Unticking goes through the tick handler, which leaves ticked mode when
    // this was the last tick.
    row->setCheckState(0, Qt::Unchecked);
    if (!m_binding->TickedRows().empty()) {
        return;
    }
    m_selectAll->setChecked(false);
    SetTickedMode(false);

    // This click makes any load in flight moot, whether or not it loads.
    m_loader->Drop();
    m_selected = m_binding->EntryOf(row);
    m_list->setCurrentItem(row);
    UpdateSaveState();
    if (SharesIp(row) || !m_state.StartCameraLoad()) {
        return;
    }
    m_system->ShowCameraName(camera);
    m_loader->Start([this, camera, login](const std::atomic<bool>& stop) -> CameraLoader::Show {
        BatchSetReading reading = ReadBatchSetCamera(camera, login, stop);
        return [this, camera, reading = std::move(reading)] { ShowLoadedCamera(camera, reading); };
    });
}

void CBatchSetDlg::ShowLoadedCamera(const tagVtIpcInfo& camera, const BatchSetReading& reading)
{
    if (reading.loginFailure) {
        m_host.AddLine(*reading.loginFailure);
        return;
    }
    for (const SubPage& sub : m_subPages) {
        sub.page->ShowReading(reading, camera);
    }
}

bool CBatchSetDlg::Loading() const
{
    return m_state.Loading();
}

void CBatchSetDlg::OnLoadingChanged(bool loading)
{
    if (!loading) {
        m_state.LoadEnded();
    }
    UpdateSaveState();
}

void CBatchSetDlg::OnTickChanged(QTreeWidgetItem* row)
{
    if (row->checkState(0) == Qt::Checked) {
        SetTickedMode(true);
    } else if (m_binding->TickedRows().empty()) {
        SetTickedMode(false);
    }
    if (m_tickedMode) {
        CheckTickedCameras();
        return;
    }
    UpdateSaveState();
}

void CBatchSetDlg::OnSelectAll(bool checked)
{
    SetTickedMode(checked);
    if (checked) {
        CheckTickedCameras();
        return;
    }
    UpdateSaveState();
    QTreeWidgetItem* show = SelectedRow();
    if (show == nullptr && m_list->topLevelItemCount() > 0) {
        show = m_list->topLevelItem(0);
    }
    if (show != nullptr) {
        m_list->setCurrentItem(show);
        m_list->scrollToItem(show);
    }
}

void CBatchSetDlg::CheckTickedCameras()
{
    if (QTreeWidgetItem* conflict = TickedConflictRow()) {
        ShowConflict(conflict);
        return;
    }
    UpdateSaveState();
    LoadReferenceCamera();
}

void CBatchSetDlg::OnRowsChanged()
{
    if (m_selected && m_binding->FindRow(m_selected.get()) == nullptr) {
        m_selected.reset();
        // Its settings would fill the sub-pages with no camera selected.
        if (!m_tickedMode) {
            m_loader->Drop();
        }
    }
    if (m_tickedMode && m_binding->TickedRows().empty() && !m_selectAll->isChecked()) {
        SetTickedMode(false);
    }
    if (QTreeWidgetItem* conflict = TickedConflictRow()) {
        ShowConflict(conflict);
        return;
    }
    UpdateSaveState();
}

void CBatchSetDlg::LoadReferenceCamera()
{
    std::vector<QTreeWidgetItem*> rows;
    std::vector<tagVtIpcInfo> cameras;
    for (QTreeWidgetItem* row : m_binding->TickedRows()) {
        tagVtIpcInfo info{};
        if (m_binding->InfoOf(row, info)) {
            rows.push_back(row);
            cameras.push_back(info);
        }
    }
    const std::optional<BatchReference> reference = BatchReferenceOf(cameras);
    if (!reference) {
        return;
    }
    std::vector<DeviceRef> others;
    for (std::size_t other : reference->others) {
        others.push_back(m_binding->EntryOf(rows[other]));
    }
    switch (m_state.StartReferenceLoad(m_binding->EntryOf(rows[reference->shown]), others)) {
    case BatchSetState::ReferenceStep::Start:
        break;
    case BatchSetState::ReferenceStep::Shown:
        m_loader->Drop();
        return;
    case BatchSetState::ReferenceStep::Keep:
    case BatchSetState::ReferenceStep::None:
        return;
    }
    m_loader->Start([this, cameras, reference = *reference,
                     login = Login()](const std::atomic<bool>& stop) -> CameraLoader::Show {
        ReferenceReading reading = ReadBatchReference(cameras, reference, login, stop);
        const tagVtIpcInfo camera = cameras[reference.shown];
        return [this, camera, reading = std::move(reading)] {
            m_state.ReferenceShown(reading.loggedIn);
            for (const SubPage& sub : m_subPages) {
                sub.page->ShowReference(reading, camera);
            }
        };
    });
}

void CBatchSetDlg::OnSave()
{
    UpdateSaveState();
    if (!m_save->isEnabled()) {
        return;
    }
    if (auto* page = dynamic_cast<BatchSubPage*>(m_subSheet->currentWidget())) {
        page->Save();
    }
}

void CBatchSetDlg::OnBatchProgress(int done, int total)
{
    m_progress->setText(QStringLiteral("%1/%2").arg(done).arg(total));
    m_progress->show();
    UpdateSaveState();
}

std::vector<tagVtIpcInfo> CBatchSetDlg::ApplyTargets()
{
    std::vector<tagVtIpcInfo> targets;
    const std::vector<QTreeWidgetItem*> ticked = m_binding->TickedRows();
    if (!ticked.empty()) {
        for (QTreeWidgetItem* row : ticked) {
            tagVtIpcInfo camera{};
            if (m_binding->InfoOf(row, camera)) {
                targets.push_back(camera);
            }
        }
        return targets;
    }
    tagVtIpcInfo camera{};
    QTreeWidgetItem* selected = SelectedRow();
    if (selected == nullptr || !m_binding->InfoOf(selected, camera)) {
        ZxMessageBox(90010, ZxButtons::Ok, this);
        return targets;
    }
    targets.push_back(camera);
    return targets;
}

LoginCredentials CBatchSetDlg::Login() const
{
    return m_host.Login();
}

std::wstring CBatchSetDlg::LoginPasswordText() const
{
    return m_host.LoginPasswordText();
}

void CBatchSetDlg::WatchLoginPassword(QObject* receiver, std::function<void()> changed)
{
    m_host.WatchLoginPassword(receiver, std::move(changed));
}

bool CBatchSetDlg::RunApply(std::vector<tagVtIpcInfo> targets, BatchEngine::Operation operation)
{
    const bool started =
        m_state.CanSave() && !targets.empty() && m_runner->Start(std::move(targets), std::move(operation));
    if (started) {
        m_state.SaveStarted();
    }
    UpdateSaveState();
    return started;
}

void CBatchSetDlg::QueueReboot(std::shared_ptr<Camera> camera)
{
    m_rebootQueue->Append(std::move(camera), false);
}
