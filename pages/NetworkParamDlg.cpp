#include "NetworkParamDlg.h"

#include "GroupCaption.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "NetworkParams.h"
#include "TextCodec.h"
#include "VtIpcSDK.h"
#include "WaitCursor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <cstring>
#include <vector>

namespace {
// A text of a camera record, in the workstation's character set.
QString RecordText(const char* field, std::size_t size)
{
    const std::string bytes(field, strnlen(field, size));
    if (bytes.empty()) {
        return {};
    }
    std::vector<wchar_t> wide(bytes.size() + 1);
    CTextCodec::ToWide(kCodePageAnsi, bytes.c_str(), wide.data(), static_cast<int>(wide.size()));
    return QString::fromWCharArray(wide.data());
}
} // namespace

CNetworkParamDlg::CNetworkParamDlg(BatchSetHost& host, QWidget* parent) : BatchSubPage(host, parent)
{
    SetCtrlId(this, 134);
    BuildControls();
    m_http->setText(QStringLiteral("80"));
    m_rtsp->setText(QStringLiteral("554"));
    for (int entry = 0; entry < kPartnerEntry; ++entry) {
        m_provider->addItem(QString::fromStdString(ProviderEntryText(entry)));
    }
    m_provider->setCurrentIndex(0);
    OnEnable();
    OnProvider();
    Relabel();
}

void CNetworkParamDlg::BuildControls()
{
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
    const auto portEdit = [&](unsigned id) {
        QLineEdit* e = edit(id, 5);
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), e));
        return e;
    };
    m_portGroup = label(1189);
    m_ddnsGroup = label(1190);
    SetGroupCaptionFont(m_portGroup);
    SetGroupCaptionFont(m_ddnsGroup);
    m_httpLabel = label(0);
    m_http = portEdit(1014);
    m_rtspLabel = label(0);
    m_rtsp = portEdit(1052);
    m_enable = new QCheckBox(this);
    SetCtrlId(m_enable, 1058);
    m_providerLabel = label(0);
    m_provider = new QComboBox(this);
    SetCtrlId(m_provider, 1060);
    m_easy = new QCheckBox(this);
    SetCtrlId(m_easy, 1069);
    m_userLabel = label(0);
    m_user = edit(1062, 31);
    m_passwordLabel = label(0);
    m_password = edit(1065, 31);
    m_password->setEchoMode(QLineEdit::Password);
    m_hostLabel = label(1064);
    m_host = edit(1070, 63);
    m_hashLabel = label(1066);
    m_hash = edit(1067, 63);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 12, 16, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    grid->setColumnMinimumWidth(0, 130);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    int row = 0;
    grid->addWidget(m_portGroup, row++, 0, 1, 4);
    grid->addWidget(m_httpLabel, row, 0, Qt::AlignRight);
    grid->addWidget(m_http, row++, 1);
    grid->addWidget(m_rtspLabel, row, 0, Qt::AlignRight);
    grid->addWidget(m_rtsp, row++, 1);
    grid->setRowMinimumHeight(row++, 12);
    grid->addWidget(m_ddnsGroup, row++, 0, 1, 4);
    grid->addWidget(m_enable, row++, 1);
    grid->addWidget(m_providerLabel, row, 0, Qt::AlignRight);
    grid->addWidget(m_provider, row, 1);
    grid->addWidget(m_easy, row++, 2, 1, 2);
    grid->addWidget(m_userLabel, row, 0, Qt::AlignRight);
    grid->addWidget(m_user, row++, 1);
    grid->addWidget(m_passwordLabel, row, 0, Qt::AlignRight);
    grid->addWidget(m_password, row++, 1);
    grid->addWidget(m_hostLabel, row, 0, Qt::AlignRight);
    grid->addWidget(m_host, row++, 1);
    grid->addWidget(m_hashLabel, row, 0, Qt::AlignRight);
    grid->addWidget(m_hash, row++, 1);
    grid->setRowStretch(row, 1);

    connect(m_enable, &QCheckBox::clicked, this, &CNetworkParamDlg::OnEnable);
    connect(m_provider, &QComboBox::activated, this, &CNetworkParamDlg::OnProvider);
    connect(m_easy, &QCheckBox::clicked, this, &CNetworkParamDlg::OnEasyDdns);
}

void CNetworkParamDlg::Relabel()
{
    m_portGroup->setText(LangQText(50000));
    m_ddnsGroup->setText(LangQText(50001));
    m_rtspLabel->setText(LangQText(50002));
    m_httpLabel->setText(LangQText(50004));
    m_enable->setText(LangQText(50006));
    m_providerLabel->setText(LangQText(50007));
    m_userLabel->setText(LangQText(50008));
    m_passwordLabel->setText(LangQText(50009));
    m_hashLabel->setText(LangQText(50011));
    m_easy->setText(LangQText(50012));
    m_hostLabel->setText(LangQText(m_easyShown ? 50013 : 50010));
}

void CNetworkParamDlg::OnEnable()
{
    const bool on = m_enable->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{m_provider, m_user, m_password, m_host, m_hash, m_easy}) {
        w->setEnabled(on);
    }
    if (on) {
        OnProvider();
    }
}

void CNetworkParamDlg::ShowEasyName(bool shown)
{
    if (shown == m_easyShown) {
        if (shown) {
            m_host->setText(QString::fromStdString(EasyDdnsHostName(m_mac)));
        }
    } else if (shown) {
        m_typedHost = m_host->text();
        m_host->setText(QString::fromStdString(EasyDdnsHostName(m_mac)));
    } else {
        m_host->setText(m_typedHost);
    }
    m_easyShown = shown;
    m_hostLabel->setText(LangQText(shown ? 50013 : 50010));
    m_host->setEnabled(!shown && m_enable->isChecked());
}

void CNetworkParamDlg::OnProvider()
{
    const int entry = m_provider->currentIndex();
    m_hashLabel->setVisible(entry == kFreeDnsEntry);
    m_hash->setVisible(entry == kFreeDnsEntry);
    const bool partner = entry == kPartnerEntry;
    m_easy->setVisible(partner);
    ShowEasyName(partner && m_easy->isChecked());
}

void CNetworkParamDlg::OnEasyDdns()
{
    ShowEasyName(m_provider->currentIndex() == kPartnerEntry && m_easy->isChecked());
}

void CNetworkParamDlg::FillProviderList(const std::string& providerText, bool easyChosen)
{
    OnEnable();
    if (m_provider->count() < kProviderEntryCount) {
        m_provider->addItem(QString::fromStdString(ProviderEntryText(kPartnerEntry)));
    }
    if (!OffersPartnerEntry(m_mac, m_version)) {
        m_provider->removeItem(kPartnerEntry);
    }
    const int entry = ProviderEntryFor(providerText, m_provider->count() == kProviderEntryCount);
    m_provider->setCurrentIndex(entry);
    if (entry == kPartnerEntry) {
        // The camera's own choice, so that saving what was loaded keeps it.
        m_easy->setChecked(easyChosen);
    }
    OnProvider();
}

void CNetworkParamDlg::ShowReading(const BatchSetReading& reading, const tagVtIpcInfo&)
{
    FillNetwork(reading.network);
}

void CNetworkParamDlg::LoadFromCamera(Camera& camera)
{
    const std::atomic<bool> noStop{false};
    FillNetwork(ReadNetworkSettings(camera, noStop));
}

void CNetworkParamDlg::FillNetwork(const NetworkReading& reading)
{
    if (reading.ports) {
        FillPorts(*reading.ports);
    }
    if (reading.ddns) {
        FillDdns(*reading.ddns, reading.version ? &*reading.version : nullptr);
    }
}

void CNetworkParamDlg::FillPorts(const PortInfoRecord& ports)
{
    m_http->setText(QString::number(ports.httpPort));
    m_rtsp->setText(QString::number(ports.rtspPort));
}

void CNetworkParamDlg::FillDdns(const DdnsRecord& ddns, const std::string* version)
{
    if (version != nullptr) {
        m_version = *version;
    }
    m_enable->setChecked(ddns.enabled != 0);
    m_user->setText(RecordText(ddns.user, sizeof ddns.user));
    m_password->setText(RecordText(ddns.password, sizeof ddns.password));
    m_hash->setText(RecordText(ddns.hash, sizeof ddns.hash));
    // The camera's host name is what the operator would have typed.
    m_easyShown = false;
    m_host->setText(RecordText(ddns.host, sizeof ddns.host));
    m_mac.assign(ddns.mac, strnlen(ddns.mac, sizeof ddns.mac));
    FillProviderList(std::string(ddns.provider, strnlen(ddns.provider, sizeof ddns.provider)),
                     ddns.easyChosen != 0);
}

void CNetworkParamDlg::Save()
{
    NetworkParamsForm form;
    form.http = m_http->text().toStdWString();
    form.rtsp = m_rtsp->text().toStdWString();
    form.ddnsEnabled = m_enable->isChecked();
    form.providerEntry = m_provider->currentIndex();
    form.easyChosen = m_easy->isChecked();
    form.user = m_user->text().toStdWString();
    form.password = m_password->text().toStdWString();
    form.host = m_host->text().toStdWString();
    form.hash = m_hash->text().toStdWString();
    form.version = m_version;
    NetworkBlock block;
    const NetworkProblem problem = BuildNetworkBlock(form, block);
    if (problem.key != 0) {
        ZxMessageBox(problem.key, ZxButtons::Ok, this);
        QLineEdit* focus = problem.field == NetworkField::Http   ? m_http
                           : problem.field == NetworkField::Rtsp ? m_rtsp
                           : problem.field == NetworkField::Host ? m_host
                                                                 : nullptr;
        if (focus != nullptr) {
            focus->setFocus();
        }
        return;
    }
    std::vector<tagVtIpcInfo> targets = Host().ApplyTargets();
    if (targets.empty()) {
        return;
    }
    CWaitCursor wait;
    Host().RunApply(std::move(targets), NetworkApplyOperation(Host().Login(), block));
}
