#include "SystemParamDlg.h"

#include "DeviceNameValidator.h"
#include "FilteredEdit.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "RecordText.h"
#include "WaitCursor.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <algorithm>

namespace {
constexpr int kLabelRight = 160;
constexpr int kInputLeft = 166;
constexpr int kRowHeight = 22;

// The camera keeps its passwords as plain bytes of at most 15: printable
// ASCII is what every camera and every keyboard agree on.
const QRegularExpression kPasswordCharacters(QStringLiteral("[\\x20-\\x7E]{0,15}"));
} // namespace

CSystemParamDlg::CSystemParamDlg(BatchSetHost& host, QWidget* parent) : BatchSubPage(host, parent)
{
    SetCtrlId(this, 133);
    BuildControls();
    m_user->setText(QStringLiteral("admin"));
    FollowLoginPassword();
    Host().WatchLoginPassword(this, [this] {
        if (!PasswordTyped()) {
            FollowLoginPassword();
        }
    });
    for (int row = 0; row < static_cast<int>(kTimeZoneCount); ++row) {
        m_zone->addItem(QString::fromUtf8(TimeZoneCaption(row)));
    }
    m_zone->setCurrentIndex(kDefaultTimeZone);
    m_keep->setChecked(true);
    m_sntpServer->setText(QString::fromLatin1(kDefaultSntpServer));
    const QDateTime now = QDateTime::currentDateTime();
    m_date->setDate(now.date());
    m_time->setDateTime(now);
    OnModeChanged();
    m_clock = new QTimer(this);
    connect(m_clock, &QTimer::timeout, this, &CSystemParamDlg::OnClockTick);
    m_clock->start(1000);
    Relabel();
}

CSystemParamDlg::~CSystemParamDlg()
{
    m_clock->stop();
}

void CSystemParamDlg::BuildControls()
{
    const auto label = [this](bool caption = false) {
        auto* l = new QLabel(this);
        if (caption) {
            QFont bold = font();
            bold.setBold(true);
            l->setFont(bold);
        } else {
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        return l;
    };
    m_systemCaption = label(true);
    SetCtrlId(m_systemCaption, 1186);
    m_adminCaption = label(true);
    SetCtrlId(m_adminCaption, 1187);
    m_dateCaption = label(true);
    SetCtrlId(m_dateCaption, 1188);

    m_nameLabel = label();
    m_name = new CFilteredEdit(this);
    SetCtrlId(m_name, 1018);
    m_name->setMaxLength(31);
    m_name->setValidator(new DeviceNameValidator(m_name));
    m_userLabel = label();
    m_user = new QLineEdit(this);
    SetCtrlId(m_user, 1027);
    m_user->setReadOnly(true);
    m_passwordLabel = label();
    m_password = new QLineEdit(this);
    SetCtrlId(m_password, 1029);
    m_confirmLabel = label();
    m_confirm = new QLineEdit(this);
    SetCtrlId(m_confirm, 1031);
    for (QLineEdit* box : {m_password, m_confirm}) {
        box->setEchoMode(QLineEdit::Password);
        box->setMaxLength(15);
        box->setValidator(new QRegularExpressionValidator(kPasswordCharacters, box));
    }

    m_zoneLabel = label();
    m_zone = new QComboBox(this);
    SetCtrlId(m_zone, 1048);
    m_zone->setMaxVisibleItems(20);
    m_daylightLabel = label();
    m_daylight = new QComboBox(this);
    SetCtrlId(m_daylight, 1150);

    auto* modes = new QButtonGroup(this);
    const auto radio = [this, modes](unsigned id) {
        auto* r = new QRadioButton(this);
        SetCtrlId(r, id);
        modes->addButton(r, static_cast<int>(id));
        return r;
    };
    m_keep = radio(1044);
    m_computer = radio(1045);
    m_manual = radio(1046);
    m_sntp = radio(1047);
    connect(modes, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) {
            OnModeChanged();
        }
    });

    m_dateLabel = label();
    m_date = new QDateEdit(this);
    SetCtrlId(m_date, 1034);
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_date->setCalendarPopup(true);
    m_timeLabel = label();
    m_time = new QDateTimeEdit(this);
    SetCtrlId(m_time, 1036);
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_sntpServer = new QLineEdit(this);
    SetCtrlId(m_sntpServer, 1152);
    m_sntpServer->setMaxLength(63);
}

void CSystemParamDlg::Relabel()
{
    m_systemCaption->setText(LangQText(40000));
    m_adminCaption->setText(LangQText(40001));
    m_dateCaption->setText(LangQText(40002));
    m_nameLabel->setText(LangQText(40003));
    m_userLabel->setText(LangQText(40004));
    m_passwordLabel->setText(LangQText(40005));
    m_confirmLabel->setText(LangQText(40006));
    m_dateLabel->setText(LangQText(40009));
    m_timeLabel->setText(LangQText(40010));
    m_keep->setText(LangQText(40011));
    m_computer->setText(LangQText(40012));
    m_manual->setText(LangQText(40013));
    m_sntp->setText(LangQText(40014));
    m_daylightLabel->setText(LangQText(40016));
    m_zoneLabel->setText(LangQText(40017));
    const int daylight = std::max(0, m_daylight->currentIndex());
    m_daylight->clear();
    m_daylight->addItems({LangQText(40018), LangQText(40019)});
    m_daylight->setCurrentIndex(daylight);
    Relayout();
}

void CSystemParamDlg::resizeEvent(QResizeEvent* event)
{
    BatchSubPage::resizeEvent(event);
    Relayout();
}

void CSystemParamDlg::Relayout()
{
    // Labels end at one edge and boxes start at the other; a label longer
    // than the column pushes both to the right rather than being cut.
    int labelRight = kLabelRight;
    for (QLabel* l : {m_nameLabel, m_userLabel, m_passwordLabel, m_confirmLabel, m_zoneLabel, m_daylightLabel,
                      m_dateLabel, m_timeLabel}) {
        labelRight = std::max(labelRight, 12 + l->sizeHint().width());
    }
    const int inputLeft = labelRight + (kInputLeft - kLabelRight);
    const int inputWidth = std::max(120, std::min(300, width() - inputLeft - 12));
    int y = 8;
    const auto caption = [&](QLabel* l) {
        l->setGeometry(8, y, width() - 16, 20);
        y += 24;
    };
    const auto row = [&](QLabel* l, QWidget* input, int inputW) {
        l->setGeometry(8, y, labelRight - 8, kRowHeight);
        input->setGeometry(inputLeft, y, inputW, kRowHeight);
        y += kRowHeight + 6;
    };
    caption(m_systemCaption);
    row(m_nameLabel, m_name, inputWidth);
    y += 4;
    caption(m_adminCaption);
    row(m_userLabel, m_user, inputWidth);
    row(m_passwordLabel, m_password, inputWidth);
    row(m_confirmLabel, m_confirm, inputWidth);
    y += 4;
    caption(m_dateCaption);
    row(m_zoneLabel, m_zone, inputWidth);
    row(m_daylightLabel, m_daylight, inputWidth);
    for (QRadioButton* r : {m_keep, m_computer, m_manual}) {
        r->setGeometry(24, y, width() - 32, kRowHeight);
        y += kRowHeight + 2;
    }
    m_dateLabel->setGeometry(8, y, labelRight - 8, kRowHeight);
    m_date->setGeometry(inputLeft, y, 110, kRowHeight);
    const int timeLabelWidth = m_timeLabel->sizeHint().width();
    m_timeLabel->setGeometry(inputLeft + 118, y, timeLabelWidth, kRowHeight);
    m_time->setGeometry(inputLeft + 124 + timeLabelWidth, y, 90, kRowHeight);
    y += kRowHeight + 6;
    m_sntp->setGeometry(24, y, width() - 32, kRowHeight);
    y += kRowHeight + 2;
    m_sntpServer->setGeometry(inputLeft, y, inputWidth, kRowHeight);
}

DateTimeMode CSystemParamDlg::Mode() const
{
    if (m_computer->isChecked()) {
        return DateTimeMode::ComputerTime;
    }
    if (m_manual->isChecked()) {
        return DateTimeMode::Manual;
    }
    return m_sntp->isChecked() ? DateTimeMode::Sntp : DateTimeMode::Keep;
}

void CSystemParamDlg::OnModeChanged()
{
    const DateTimeMode mode = Mode();
    m_date->setEnabled(mode == DateTimeMode::Manual);
    m_time->setEnabled(mode == DateTimeMode::Manual);
    m_sntpServer->setEnabled(mode == DateTimeMode::Sntp);
}

void CSystemParamDlg::OnClockTick()
{
    m_time->setDateTime(m_time->dateTime().addSecs(1));
}

void CSystemParamDlg::FollowLoginPassword()
{
    m_loginPassword = QString::fromStdWString(Host().LoginPasswordText()).left(kPasswordBytes);
    m_password->setText(m_loginPassword);
    m_confirm->setText(m_loginPassword);
}

bool CSystemParamDlg::PasswordTyped() const
{
    return m_password->text() != m_loginPassword || m_confirm->text() != m_loginPassword;
}

void CSystemParamDlg::SetTickedMode(bool ticked)
{
    m_name->setEnabled(!ticked);
}

void CSystemParamDlg::ShowCameraName(const tagVtIpcInfo& camera)
{
    m_cameraName = NameText(camera);
    m_name->setText(QString::fromStdWString(m_cameraName));
    // A password typed for the camera shown before is not this one's.
    FollowLoginPassword();
}

void CSystemParamDlg::ShowReading(const BatchSetReading& reading, const tagVtIpcInfo&)
{
    FillSystem(reading.system);
}

void CSystemParamDlg::LoadFromCamera(Camera& camera)
{
    const std::atomic<bool> noStop{false};
    FillSystem(ReadSystemSettings(camera, noStop));
}

void CSystemParamDlg::FillSystem(const SystemReading& reading)
{
    if (!reading.date) {
        return;
    }
    // The camera's answer is shown only as far as it makes sense: an
    // impossible date or an unknown zone leaves the box as it was.
    const CameraClock clock = ReadCameraClock(*reading.date);
    if (clock.dateTime) {
        const DateTimeValue& t = *clock.dateTime;
        const QDate date(t.year, t.month, t.day);
        m_date->setDate(date);
        m_time->setDateTime(QDateTime(date, QTime(t.hour, t.minute, t.second)));
    }
    if (clock.timeZone) {
        m_zone->setCurrentIndex(*clock.timeZone);
    }
    if (clock.daylight) {
        m_daylight->setCurrentIndex(*clock.daylight);
    }
    if (!clock.ntpServer.empty()) {
        // Read in the code page it is written in.
        m_sntpServer->setText(QString::fromStdWString(FieldText(clock.ntpServer.c_str())));
    }
}

DateTimeValue CSystemParamDlg::PickedDateTime() const
{
    const QDate date = m_date->date();
    const QTime time = m_time->time();
    return DateTimeValue{date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

void CSystemParamDlg::Focus(SystemField field)
{
    QLineEdit* box = field == SystemField::Name       ? m_name
                     : field == SystemField::Password ? m_password
                     : field == SystemField::Confirmation ? m_confirm
                                                          : nullptr;
    if (box != nullptr) {
        box->setFocus();
        box->selectAll();
    }
}

void CSystemParamDlg::Save()
{
    SystemForm form;
    form.name = m_name->text().toStdWString();
    form.password = m_password->text().toStdWString();
    form.confirmation = m_confirm->text().toStdWString();
    form.changePassword = PasswordTyped();
    form.currentName = m_cameraName;
    form.sntpServer = m_sntpServer->text().toStdWString();
    form.mode = Mode();
    form.singleCamera = !Host().TickedMode();
    const SystemProblem problem = CheckSystemForm(form);
    if (problem.key != 0) {
        ZxMessageBox(problem.key, ZxButtons::Ok, this);
        Focus(problem.field);
        return;
    }
    const CWaitCursor busy;
    if (form.mode == DateTimeMode::ComputerTime) {
        const QDateTime now = QDateTime::currentDateTime();
        m_date->setDate(now.date());
        m_time->setDateTime(now);
    }
    std::vector<tagVtIpcInfo> targets = Host().ApplyTargets();
    if (targets.empty()) {
        return;
    }
    SystemApply apply;
    apply.settings =
        SystemSettingsFromForm(form, m_zone->currentIndex(), std::max(0, m_daylight->currentIndex()), PickedDateTime());
    apply.login = Host().Login();
    apply.singleCamera = form.singleCamera;
    BatchSetHost* host = &Host();
    apply.queueReboot = [host](std::shared_ptr<Camera> camera) { host->QueueReboot(std::move(camera)); };
    // A typed password goes out with this save only; the next one sends
    // none unless it is typed again.
    if (Host().RunApply(std::move(targets), SystemApplyOperation(std::move(apply))) && form.changePassword) {
        FollowLoginPassword();
    }
}
