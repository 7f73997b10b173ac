#include "SearchDlg.h"

#include "AddressRules.h"
#include "DeviceNameValidator.h"
#include "FilteredEdit.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "MacText.h"
#include "MessageBox.h"
#include "ModelCount.h"
#include "ModelCountRule.h"
#include "NetworkForm.h"
#include "PageHost.h"
#include "RecordText.h"
#include "SearchFilter.h"
#include "SortListCtrl.h"
#include "TextTrim.h"
#include "TickedList.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <cstring>

namespace {
constexpr int kStripHeight = 33;

QString Field(const char* text)
{
    return QString::fromStdWString(FieldText(text));
}

DeviceColumn Column(unsigned key, int width,
                    std::function<QString(const tagVtIpcInfo&, std::time_t)> text = {})
{
    return DeviceColumn{key, width, std::move(text)};
}
} // namespace

DeviceListSpec CSearchDlg::NetworkListSpec(std::uint32_t holderBit)
{
    DeviceListSpec listSpec;
    listSpec.holderBit = holderBit;
    listSpec.columns = {
        Column(0, 24),
        Column(0, 36, [](const tagVtIpcInfo&, std::time_t) { return QString(); }),
        Column(20000, 120,
               [](const tagVtIpcInfo& i, std::time_t) { return QString::fromStdWString(NameText(i)); }),
        Column(20001, 132,
               [](const tagVtIpcInfo& i, std::time_t) { return QString::fromStdString(MacCellText(i.mac)); }),
        Column(20002, 120, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.ip); }),
        Column(20003, 48, [](const tagVtIpcInfo& i, std::time_t) { return QString::number(i.port); }),
        Column(20004, 110, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.netmask); }),
        Column(20005, 110, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.gateway); }),
        Column(20006, 110, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.model); }),
        Column(20031, 146,
               [](const tagVtIpcInfo& i, std::time_t now) {
                   return QString::fromStdWString(RunUpTimeText(now, i.upTime));
               }),
        Column(20007, 80, [](const tagVtIpcInfo& i, std::time_t) { return Field(i.version); }),
    };
    listSpec.numberColumn = 1;
    listSpec.addressColumns = {4, 6, 7};
    listSpec.initialSortColumn = 4;
    listSpec.matchFields = NetworkMatchFields;
    return listSpec;
}

CSearchDlg::CSearchDlg(PageHost& host, std::uint32_t holderBit, QWidget* parent)
    : QWidget(parent), m_host(host)
{
    SetCtrlId(this, 129);
    BuildControls();
    m_binding = std::make_unique<DeviceListBinding>(m_list, NetworkListSpec(holderBit), host);
    connect(m_binding.get(), &DeviceListBinding::rowsChanged, this, &CSearchDlg::OnRowsChanged);
    m_tickedList = std::make_unique<TickedList>(m_host, *m_binding, m_selectAll);
    connect(m_tickedList.get(), &TickedList::tickChanged, this, &CSearchDlg::UpdateMode);
    connect(m_tickedList.get(), &TickedList::allTicked, this, &CSearchDlg::OnSelectAll);

    m_pageTimer = new QTimer(this);
    connect(m_pageTimer, &QTimer::timeout, this, &CSearchDlg::OnPageTimer);
    m_pageTimer->start(100);
    m_sendTimer = new QTimer(this);
    connect(m_sendTimer, &QTimer::timeout, this, &CSearchDlg::SendNextQueued);
    SetMultiMode(false);
    Relabel();
}

CSearchDlg::~CSearchDlg()
{
    m_pageTimer->stop();
    m_tickedList.reset();
    m_binding->disconnect(this);
    m_binding.reset();
}

void CSearchDlg::BuildControls()
{
    m_list = new CSortListCtrl(this);
    SetCtrlId(m_list, 1003);
    const auto label = [this](unsigned id) {
        auto* l = new QLabel(this);
        SetCtrlId(l, id);
        return l;
    };
    const auto edit = [this](unsigned id, int limit) {
        auto* e = new QLineEdit(this);
        SetCtrlId(e, id);
        e->setMaxLength(limit);
        return e;
    };
    m_selectAll = new QCheckBox(this);
    SetCtrlId(m_selectAll, 1004);
    m_sameIp = new QCheckBox(this);
    SetCtrlId(m_sameIp, 1016);
    m_nameLabel = label(1017);
    m_name = new CFilteredEdit(this);
    SetCtrlId(m_name, 1018);
    m_name->setMaxLength(32);
    m_name->setValidator(new DeviceNameValidator(m_name));
    m_ipLabel = label(1005);
    m_ip = edit(1010, 16);
    m_portLabel = label(1009);
    m_port = edit(1014, 5);
    m_port->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_port));
    m_netmaskLabel = label(1006);
    m_netmask = edit(1011, 16);
    m_gatewayLabel = label(1007);
    m_gateway = edit(1012, 16);
    m_dnsLabel = label(1008);
    m_dns = edit(1013, 16);
    m_modify = new QPushButton(this);
    SetCtrlId(m_modify, 1015);
    m_modify->setEnabled(false);

    connect(m_list, &QTreeWidget::itemClicked, this, &CSearchDlg::OnRowClicked);
    // Only the user's choice of a row loads its camera into the boxes: a
    // click, or moving the current row with the keyboard. Rows that go, sort
    // or refill never change what the boxes hold.
    connect(m_list, &CSortListCtrl::currentRowChosen, this, &CSearchDlg::OnRowChosenByKey);
    connect(m_sameIp, &QCheckBox::toggled, this, &CSearchDlg::UpdateIpLabel);
    connect(m_modify, &QPushButton::clicked, this, &CSearchDlg::OnModify);
}

void CSearchDlg::Relabel()
{
    m_selectAll->setText(LangQText(20010));
    m_sameIp->setText(LangQText(20011));
    m_nameLabel->setText(LangQText(20014));
    m_portLabel->setText(LangQText(20013));
    m_netmaskLabel->setText(LangQText(20015));
    m_gatewayLabel->setText(LangQText(20016));
    m_dnsLabel->setText(LangQText(20012));
    m_modify->setText(LangQText(20017));
    UpdateIpLabel();
    m_binding->RelabelHeaders();
    Relayout();
}

void CSearchDlg::UpdateIpLabel()
{
    m_ipLabel->setText(m_multi && !m_sameIp->isChecked() ? LangQText(20009) : LangQText(20008));
    Relayout();
}

void CSearchDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void CSearchDlg::Relayout()
{
    const int w = width();
    const int h = height();
    m_list->setGeometry(0, 0, w, std::max(0, h - kStripHeight));
    const int top = h - 25;
    const int rowHeight = 22;
    const auto labelWidth = [](QWidget* widget) { return widget->sizeHint().width(); };

    struct Item
    {
        QWidget* widget;
        int width;
        bool box; // a 100-pixel box that may give way when room is short
        int gapAfter;
    };
    std::vector<Item> items;
    items.push_back({m_selectAll, labelWidth(m_selectAll), false, 12});
    if (m_multi) {
        items.push_back({m_sameIp, labelWidth(m_sameIp), false, 12});
    } else {
        items.push_back({m_nameLabel, labelWidth(m_nameLabel), false, 4});
        items.push_back({m_name, 100, true, 12});
    }
    items.push_back({m_ipLabel, labelWidth(m_ipLabel), false, 4});
    items.push_back({m_ip, 100, true, 12});
    items.push_back({m_portLabel, labelWidth(m_portLabel), false, 4});
    items.push_back({m_port, 40, false, 12});
    items.push_back({m_netmaskLabel, labelWidth(m_netmaskLabel), false, 4});
    items.push_back({m_netmask, 100, true, 12});
    items.push_back({m_gatewayLabel, labelWidth(m_gatewayLabel), false, 4});
    items.push_back({m_gateway, 100, true, 12});
    items.push_back({m_dnsLabel, labelWidth(m_dnsLabel), false, 4});
    items.push_back({m_dns, 100, true, 12});

    int needed = 80;
    int boxes = 0;
    for (const Item& item : items) {
        needed += item.width + item.gapAfter;
        boxes += item.box ? 1 : 0;
    }
    // On a narrow window the address boxes shrink alike rather than run
    // under the Modify button.
    const int shrink = needed > w && boxes > 0 ? std::min(40, (needed - w + boxes - 1) / boxes) : 0;
    int x = 4;
    for (const Item& item : items) {
        const int width = item.box ? item.width - shrink : item.width;
        item.widget->setGeometry(x, top, width, rowHeight);
        x += width + item.gapAfter;
    }
    m_modify->setGeometry(w - 84, top - 1, 80, rowHeight + 2);
}

void CSearchDlg::SetMultiMode(bool multi)
{
    m_multi = multi;
    m_nameLabel->setVisible(!multi);
    m_name->setVisible(!multi);
    m_sameIp->setVisible(multi);
    UpdateIpLabel();
    if (multi) {
        FillMultiBoxes();
    }
    UpdateModifyEnabled();
}

void CSearchDlg::UpdateMode()
{
    const bool ticked = !m_binding->TickedRows().empty();
    if (ticked) {
        SetMultiMode(true);
        return;
    }
    if (m_multi) {
        m_selectAll->setChecked(false);
        SetMultiMode(false);
        if (QTreeWidgetItem* row = SelectedRow()) {
            SelectRow(row);
        }
    }
}

void CSearchDlg::OnRowClicked(QTreeWidgetItem* row, int column)
{
    if (row == nullptr) {
        return;
    }
    if (column != 0 && row->checkState(0) == Qt::Checked) {
        row->setCheckState(0, Qt::Unchecked);
    }
    if (!m_multi) {
        SelectRow(row);
    }
}

void CSearchDlg::OnRowChosenByKey(QTreeWidgetItem* row)
{
    if (!m_multi && row != nullptr) {
        SelectRow(row);
    }
}

QTreeWidgetItem* CSearchDlg::SelectedRow() const
{
    return m_selected ? m_binding->FindRow(m_selected.get()) : nullptr;
}

void CSearchDlg::OnSelectAll(bool checked)
{
    SetMultiMode(checked);
    if (!checked) {
        if (QTreeWidgetItem* row = SelectedRow()) {
            SelectRow(row);
        }
    }
    UpdateModifyEnabled();
}

void CSearchDlg::OnRowsChanged()
{
    // The selected camera stays the one the user chose. While it has no row
    // (it fell silent, or the search left it out) Modify finds no selected
    // camera and says so; no other row takes its place.
    if (m_multi && m_binding->TickedRows().empty() && !m_selectAll->isChecked()) {
        UpdateMode();
    }
}

void CSearchDlg::SelectRow(QTreeWidgetItem* row)
{
    tagVtIpcInfo info{};
    if (!m_binding->InfoOf(row, info)) {
        return;
    }
    m_selected = m_binding->EntryOf(row);
    if (m_list->currentItem() != row) {
        m_list->setCurrentItem(row);
    }
    FillFromCamera(info, true);
    UpdateModifyEnabled();
}

void CSearchDlg::FillFromCamera(const tagVtIpcInfo& info, bool withName)
{
    m_name->setText(withName ? QString::fromStdWString(NameText(info)) : QString());
    m_ip->setText(Field(info.ip));
    m_netmask->setText(Field(info.netmask));
    m_gateway->setText(Field(info.gateway));
    m_dns->setText(Field(info.dns));
    m_port->setText(QString::number(info.port));
}

void CSearchDlg::FillMultiBoxes()
{
    const std::vector<QTreeWidgetItem*> ticked = m_binding->TickedRows();
    tagVtIpcInfo info{};
    if (!ticked.empty() && m_binding->InfoOf(ticked.front(), info)) {
        FillFromCamera(info, false);
        return;
    }
    m_name->clear();
    m_ip->setText(QStringLiteral("192.168.5.2"));
    m_netmask->setText(QStringLiteral("255.255.255.0"));
    m_gateway->setText(QStringLiteral("192.168.5.1"));
    m_dns->setText(QStringLiteral("192.168.5.1"));
    m_port->setText(QStringLiteral("80"));
}

void CSearchDlg::UpdateModifyEnabled()
{
    m_modify->setEnabled(m_multi || m_selected != nullptr);
}

void CSearchDlg::OnPageTimer()
{
    ++m_ticks;
    if (m_ticks % 50 == 0) {
        UpdateModifyEnabled();
    }
}

void CSearchDlg::Focus(int field)
{
    QLineEdit* boxes[] = {nullptr, nullptr, nullptr, m_name, m_ip, m_port, m_netmask, m_gateway, m_dns};
    if (field > 0 && field < static_cast<int>(std::size(boxes)) && boxes[field] != nullptr) {
        boxes[field]->setFocus();
        boxes[field]->selectAll();
    }
}

void CSearchDlg::OnModify()
{
    NetworkForm form;
    form.user = m_host.LoginUserText();
    form.password = m_host.LoginPasswordText();
    form.name = m_name->text().toStdWString();
    form.ip = m_ip->text().toStdWString();
    form.port = m_port->text().toStdWString();
    form.netmask = m_netmask->text().toStdWString();
    form.gateway = m_gateway->text().toStdWString();
    form.dns = m_dns->text().toStdWString();
    form.singleMode = !m_multi;
    const FormProblem problem = CheckNetworkForm(form);
    if (problem.key != 0) {
        ZxMessageBoxText(LangQText(problem.key, problem.defaultText), ZxButtons::Ok, this);
        Focus(static_cast<int>(problem.field));
        return;
    }
    const std::string ip = ToAnsi(Trimmed(form.ip));
    if (m_multi) {
        if (ZxMessageBox(83011, ZxButtons::YesNo, this) != ZxAnswer::Yes) {
            return;
        }
        const std::vector<QTreeWidgetItem*> ticked = m_binding->TickedRows();
        const std::vector<std::string> addresses = m_sameIp->isChecked()
                                                       ? std::vector<std::string>(ticked.size(), ip)
                                                       : SequentialAddresses(ip, ticked.size());
        for (std::size_t k = 0; k < ticked.size(); ++k) {
            tagVtIpcInfo camera{};
            if (m_binding->InfoOf(ticked[k], camera)) {
                m_queue.push_back(BuildModifyRequest(camera, form, addresses[k]));
            }
        }
        if (!m_sendTimer->isActive()) {
            SendNextQueued();
            m_sendTimer->start(20);
        }
        return;
    }
    tagVtIpcInfo camera{};
    QTreeWidgetItem* row = SelectedRow();
    if (row == nullptr || !m_binding->InfoOf(row, camera)) {
        ZxMessageBox(90010, ZxButtons::Ok, this);
        return;
    }
    if (FormMatchesCamera(camera, form)) {
        m_host.AddLine(MacLine(camera.mac, 85001));
        return;
    }
    tagVtIpcInfo request = BuildModifyRequest(camera, form, ip);
    if (m_host.ModifyVtIpcInfo(&request) != 0) {
        m_host.AddLine(MacLine(camera.mac, 85000));
    }
}

void CSearchDlg::SendNextQueued()
{
    if (m_queue.empty()) {
        m_sendTimer->stop();
        return;
    }
    tagVtIpcInfo request = m_queue.front();
    m_queue.pop_front();
    if (m_host.ModifyVtIpcInfo(&request) != 0) {
        m_host.AddLine(MacLine(request.mac, 85000));
    }
    if (m_queue.empty()) {
        m_sendTimer->stop();
    }
}

void CSearchDlg::CountByModel()
{
    ReportModelCount(m_host, *m_binding, this);
}
