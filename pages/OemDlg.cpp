#include "OemDlg.h"

#include "BatchRunner.h"
#include "DialogKeys.h"
#include "FilteredEdit.h"
#include "LangWidgets.h"
#include "MacText.h"
#include "MessageBox.h"
#include "ModelCount.h"
#include "ModelCountRule.h"
#include "OemFile.h"
#include "OemImageList.h"
#include "OemUpload.h"
#include "OperationLog.h"
#include "PageHost.h"
#include "RecordText.h"
#include "SortListCtrl.h"
#include "TargetRules.h"
#include "TextTrim.h"
#include "TickedList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <optional>

namespace {
constexpr int kIpColumn = 4;
constexpr unsigned kOemFileNotWritten = 84004;

QString Field(const char* text)
{
    return QString::fromStdWString(FieldText(text));
}

DeviceListSpec OemListSpec()
{
    using Text = std::function<QString(const tagVtIpcInfo&, std::time_t)>;
    const auto column = [](unsigned key, int width, Text text = {}) {
        return DeviceColumn{key, width, std::move(text)};
    };
    DeviceListSpec listSpec;
    listSpec.holderBit = COemDlg::kHolderBit;
    listSpec.columns = {
        column(0, 20),
        column(0, 30, [](const tagVtIpcInfo&, std::time_t) { return QString(); }),
        column(20000, 120,
               [](const tagVtIpcInfo& i, std::time_t) { return QString::fromStdWString(NameText(i)); }),
        column(20001, 120,
               [](const tagVtIpcInfo& i, std::time_t) { return QString::fromStdString(MacCellText(i.mac)); }),
        column(20002, 120, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.ip); }),
        column(20003, 40, [](const tagVtIpcInfo& i, std::time_t) { return QString::number(i.port); }),
        column(20004, 120, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.netmask); }),
        column(20005, 120, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.gateway); }),
        column(20006, 120, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.model); }),
        column(20007, 100, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.version); }),
    };
    listSpec.numberColumn = 1;
    listSpec.addressColumns = {kIpColumn, 6, 7};
    listSpec.initialSortColumn = kIpColumn;
    listSpec.matchFields = IdentityMatchFields;
    return listSpec;
}

std::string NativePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}
} // namespace

COemDlg::COemDlg(PageHost& host, QWidget* parent) : QWidget(parent), m_host(host)
{
    SetCtrlId(this, 145);
    BuildControls();
    m_binding = std::make_unique<DeviceListBinding>(m_list, OemListSpec(), host);
    connect(m_binding.get(), &DeviceListBinding::rowsChanged, this, &COemDlg::OnRowsChanged);
    m_tickedList = std::make_unique<TickedList>(m_host, *m_binding, m_selectAll);
    connect(m_tickedList.get(), &TickedList::tickChanged, this, &COemDlg::UpdateTargets);
    connect(m_tickedList.get(), &TickedList::allTicked, this, &COemDlg::UpdateTargets);
    m_runner = std::make_unique<BatchRunner>([this](const PanelLine& line) { m_host.AddLine(line); });
    connect(m_runner.get(), &BatchRunner::progress, this,
            [this](int done, int) { m_progress->setValue(done); });
    connect(m_runner.get(), &BatchRunner::finished, this, [this] { UpdateTargets(); });
    Relabel();
}

COemDlg::~COemDlg()
{
    // Cameras not started are skipped; the running ones finish before the
    // list and its entries go. Emptying the list tells this page nothing.
    m_runner.reset();
    m_list->disconnect(this);
    m_tickedList.reset();
    m_binding->disconnect(this);
    m_binding.reset();
}

void COemDlg::BuildControls()
{
    m_list = new CSortListCtrl(this);
    SetCtrlId(m_list, 1003);
    m_selectAll = new QCheckBox(this);
    SetCtrlId(m_selectAll, 1020);
    m_tips = new QLabel(this);
    SetCtrlId(m_tips, 1021);
    m_tips->setStyleSheet(QStringLiteral("color: rgb(200,0,0);"));
    m_tips->hide();
    m_progress = new QProgressBar(this);
    m_progress->setFormat(QStringLiteral("%v/%m"));
    m_progress->hide();
    m_group = new QGroupBox(this);
    // Each label sits right beside the box it names, whatever the column width.
    const auto label = [this](unsigned id) {
        auto* l = new QLabel(this);
        SetCtrlId(l, id);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    const auto edit = [this](unsigned id, int limit) {
        auto* e = new CFilteredEdit(this);
        SetCtrlId(e, id);
        e->setMaxLength(limit);
        return e;
    };
    m_companyLabel = label(1151);
    m_company = edit(1146, 24);
    m_websiteLabel = label(1152);
    m_website = edit(1147, 128);
    m_modelLabel = label(1153);
    m_model = edit(1149, 32);
    m_versionLabel = label(1154);
    m_version = new QComboBox(this);
    SetCtrlId(m_version, 1150);
    m_version->setEditable(true);
    m_version->addItems({"1", "2", "3", "4", "5"});
    m_version->setCurrentIndex(0);
    m_version->lineEdit()->setMaxLength(8);
    m_imagesLabel = label(1155);
    m_images = edit(1156, 2600);
    m_browse = new QPushButton(this);
    SetCtrlId(m_browse, 1144);
    m_upload = new QPushButton(this);
    SetCtrlId(m_upload, 1145);
    m_upload->setEnabled(false);

    connect(m_list, &QTreeWidget::itemChanged, this, &COemDlg::OnRowTextChanged);
    connect(m_list, &QTreeWidget::itemClicked, this, &COemDlg::OnRowClicked);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &COemDlg::OnCurrentRowChanged);
    connect(m_browse, &QPushButton::clicked, this, &COemDlg::OnBrowse);
    connect(m_upload, &QPushButton::clicked, this, &COemDlg::Upload);
}

void COemDlg::Relabel()
{
    m_selectAll->setText(LangQText(20010));
    m_tips->setText(LangQText(90012));
    m_group->setTitle(LangQText(20032));
    m_companyLabel->setText(LangQText(20033));
    m_websiteLabel->setText(LangQText(20034));
    m_modelLabel->setText(LangQText(20035));
    m_versionLabel->setText(LangQText(20036));
    m_imagesLabel->setText(LangQText(20037));
    m_browse->setText(LangQText(30001));
    m_upload->setText(LangQText(20038));
    m_binding->RelabelHeaders();
    Relayout();
}

void COemDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void COemDlg::keyPressEvent(QKeyEvent* event)
{
    if (!SwallowDialogKey(event)) {
        QWidget::keyPressEvent(event);
    }
}

void COemDlg::Relayout()
{
    const int w = width();
    const int h = height();
    m_list->setGeometry(0, 0, w, std::max(0, h - 99));
    m_selectAll->setGeometry(3, h - 97, std::max(80, m_selectAll->sizeHint().width()), 18);
    m_tips->setGeometry(148, h - 97, 360, 18);
    m_progress->setGeometry(std::max(512, w - 160), h - 97, 150, 18);
    m_group->setGeometry(0, h - 76, w, 75);

    // Four label and box pairs across eight equal columns.
    const int c = w / 8 - 3;
    const int b = std::min(c, 120);
    QLabel* labels[] = {m_companyLabel, m_websiteLabel, m_modelLabel, m_versionLabel};
    QWidget* boxes[] = {m_company, m_website, m_model, m_version};
    for (int i = 0; i < 4; ++i) {
        const int labelX = i == 0 ? 4 : 2 * i * c + 9;
        const int boxX = (2 * i + 1) * c + 8;
        labels[i]->setGeometry(labelX, h - 54, boxX - 4 - labelX, 20);
        boxes[i]->setGeometry(boxX, h - 56, b, 22);
        labels[i]->raise();
        boxes[i]->raise();
    }
    const int uploadRight = 7 * c + 8 + b;
    const int uploadX = uploadRight - 80;
    const int browseX = uploadX - 20 - 80;
    m_imagesLabel->setGeometry(4, h - 26, c, 20);
    m_images->setGeometry(c + 8, h - 27, std::max(40, browseX - 16 - (c + 8)), 22);
    m_browse->setGeometry(browseX, h - 28, 80, 24);
    m_upload->setGeometry(uploadX, h - 28, 80, 24);
    for (QWidget* widget : {static_cast<QWidget*>(m_imagesLabel), static_cast<QWidget*>(m_images),
                            static_cast<QWidget*>(m_browse), static_cast<QWidget*>(m_upload)}) {
        widget->raise();
    }
}

void COemDlg::OnCurrentRowChanged(QTreeWidgetItem* current)
{
    if (!m_checkedMode && current != nullptr) {
        SelectDevice(current);
    }
}

void COemDlg::OnRowClicked(QTreeWidgetItem* row, int column)
{
    if (row == nullptr || column == 0) {
        return;
    }
    // A click beside the tick box leaves only that camera meant.
    if (row->checkState(0) == Qt::Checked) {
        row->setCheckState(0, Qt::Unchecked);
    }
    if (!m_checkedMode) {
        SelectDevice(row);
    }
}

void COemDlg::OnRowTextChanged(QTreeWidgetItem*, int column)
{
    // A camera that takes another address may make or end a conflict.
    if (column == kIpColumn) {
        UpdateTargets();
    }
}

void COemDlg::OnRowsChanged()
{
    // A camera that arrives or goes may make or end an address conflict.
    UpdateTargets();
}

void COemDlg::SelectDevice(QTreeWidgetItem* row)
{
    if (m_list->currentItem() != row) {
        m_list->setCurrentItem(row);
    }
    UpdateTargets();
}

void COemDlg::UpdateTargets()
{
    const std::vector<QTreeWidgetItem*> rows = m_binding->Rows();
    std::vector<std::string> ips;
    std::vector<bool> ticked;
    std::optional<std::size_t> selected;
    for (QTreeWidgetItem* row : rows) {
        ips.push_back(row->text(kIpColumn).toStdString());
        ticked.push_back(row->checkState(0) == Qt::Checked);
        if (row == m_list->currentItem()) {
            selected = ips.size() - 1;
        }
    }
    m_checkedMode = std::find(ticked.begin(), ticked.end(), true) != ticked.end();
    if (m_checkedMode) {
        const std::optional<std::size_t> conflict = FirstTickedConflict(ips, ticked);
        if (conflict) {
            m_list->setCurrentItem(rows[*conflict]);
            m_list->scrollToItem(rows[*conflict]);
        }
        ShowConflict(conflict.has_value());
        m_targetsUsable = !conflict;
    } else if (selected) {
        const bool conflict = SharesAddress(ips, *selected);
        ShowConflict(conflict);
        m_targetsUsable = !conflict;
    } else {
        ShowConflict(false);
        m_targetsUsable = false;
    }
    m_upload->setEnabled(m_targetsUsable && !m_runner->Running());
}

void COemDlg::ShowConflict(bool conflict)
{
    m_tips->setVisible(conflict);
}

std::vector<tagVtIpcInfo> COemDlg::Targets()
{
    std::vector<tagVtIpcInfo> targets;
    if (m_checkedMode) {
        for (QTreeWidgetItem* row : m_binding->TickedRows()) {
            tagVtIpcInfo info{};
            if (m_binding->InfoOf(row, info)) {
                targets.push_back(info);
            }
        }
    } else if (QTreeWidgetItem* row = m_list->currentItem()) {
        tagVtIpcInfo info{};
        if (m_binding->InfoOf(row, info)) {
            targets.push_back(info);
        }
    }
    return targets;
}

void COemDlg::CountByModel()
{
    ReportModelCount(m_host, *m_binding, this);
}

void COemDlg::OnBrowse()
{
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilter(QStringLiteral("All Files (*)"));
    if (dialog.exec() == QDialog::Accepted) {
        TakeChosenFiles(dialog.selectedFiles());
    }
}

void COemDlg::TakeChosenFiles(const QStringList& paths)
{
    std::vector<std::string> chosen;
    for (const QString& path : paths) {
        chosen.push_back(NativePath(path));
    }
    m_images->setText(
        QFile::decodeName(QByteArray::fromStdString(JoinOemImageList(ChooseOemImages(chosen)))));
}

void COemDlg::Upload()
{
    if (m_runner->Running() || !m_targetsUsable) {
        return;
    }
    if (m_host.LoginUserText().empty()) {
        ZxMessageBox(90003, ZxButtons::Ok, this);
        return;
    }
    if (m_host.LoginPasswordText().empty()) {
        ZxMessageBox(90004, ZxButtons::Ok, this);
        return;
    }
    OemInfo info;
    info.company = m_company->text().toStdWString();
    info.version = m_version->currentText().toStdWString();
    info.website = m_website->text().toStdWString();
    info.model = m_model->text().toStdWString();
    if (Trimmed(info.company).empty()) {
        ZxMessageBox(90032, ZxButtons::Ok, this);
        return;
    }
    const std::vector<std::string> images = SplitOemImageList(NativePath(m_images->text()));
    if (images.empty()) {
        ZxMessageBox(90033, ZxButtons::Ok, this);
        return;
    }
    if (const OemImageProblem problem = CheckOemImages(images); problem.key != 0) {
        ZxMessageBoxText(LangQText(problem.key) + QLatin1Char('\n') + QFile::decodeName(problem.path.c_str()),
                         ZxButtons::Ok, this);
        return;
    }
    std::vector<tagVtIpcInfo> targets = Targets();
    if (targets.empty()) {
        ZxMessageBox(90010, ZxButtons::Ok, this);
        return;
    }
    // Every camera of this upload gets these bytes or none: a file that
    // could not be written must not let an older one go out as this one.
    // Without a program folder the file has no place: the upload stops here.
    const std::string path = OemFilePath();
    if (!WriteOemFile(path, info)) {
        TraceA(1, "Create File:%s Failed!!!!", path.c_str());
        const QString where = path.empty() ? QString() : QLatin1Char('\n') + QFile::decodeName(path.c_str());
        ZxMessageBoxText(LangQText(kOemFileNotWritten) + where, ZxButtons::Ok, this);
        return;
    }
    OemUpload upload;
    upload.oemFile = path;
    upload.images = images;
    upload.login = m_host.Login();
    m_progress->setRange(0, static_cast<int>(targets.size()));
    m_progress->setValue(0);
    m_progress->show();
    if (m_runner->Start(std::move(targets), OemUploadOperation(std::move(upload)))) {
        m_upload->setEnabled(false);
    }
}
