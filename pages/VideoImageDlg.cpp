#include "VideoImageDlg.h"

#include "GroupCaption.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "NumberList.h"
#include "VideoApply.h"
#include "VideoOsdControls.h"
#include "VideoParams.h"
#include "WaitCursor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <cstring>

namespace {
constexpr int kPrimary = 0;
constexpr int kSecondary = 1;
// The streams' numbers on the wire, by index.
constexpr int kWire[2] = {1, 0};

void FillRates(QComboBox* list, int maximum)
{
    std::vector<int> values;
    for (int rate = 1; rate <= maximum; ++rate) {
        values.push_back(rate);
    }
    FillNumbers(list, values);
}

void FillCodecs(QComboBox* list, const std::vector<int>& codecs)
{
    list->clear();
    for (int codec : codecs) {
        list->addItem(QString::fromLatin1(CodecCaption(codec)), codec);
    }
}

std::string ModelText(const tagVtIpcInfo& camera)
{
    return std::string(camera.model, strnlen(camera.model, sizeof camera.model));
}
} // namespace

CVideoImageDlg::CVideoImageDlg(BatchSetHost& host, QWidget* parent) : BatchSubPage(host, parent)
{
    SetCtrlId(this, 135);
    BuildControls();
    FillCodecs(m_codec[kPrimary], CodecChoices(false));
    FillCodecs(m_codec[kSecondary], CodecChoices(false));
    for (int s : {kPrimary, kSecondary}) {
        m_control[s]->addItems({QStringLiteral("CBR"), QStringLiteral("VBR")});
        m_control[s]->setCurrentIndex(1);
        FillRates(m_rate[s], 30);
        m_rate[s]->setCurrentIndex(24);
    }
    m_iFrame[kPrimary]->setText(QStringLiteral("20"));
    m_iFrame[kSecondary]->setText(QStringLiteral("30"));
    for (int code = 0; code < 7; ++code) {
        m_size[kPrimary]->addItem(QString::fromLatin1(PrimarySizeCaption(code)), code);
    }
    m_size[kPrimary]->setCurrentIndex(kPrimarySize720P);
    for (int code : SecondarySizes(false)) {
        m_size[kSecondary]->addItem(QString::fromLatin1(SecondarySizeCaption(code)), code);
    }
    FillNumbers(m_bitRate[kPrimary], PrimaryBitRates(false));
    SelectValue(m_bitRate[kPrimary], kDefaultPrimaryBitRate);
    FillNumbers(m_bitRate[kSecondary], SecondaryBitRates(false));
    SelectValue(m_bitRate[kSecondary], kDefaultSecondaryBitRate);
    Relabel();
    OnSecondaryEnable();
    m_clock = new QTimer(this);
    connect(m_clock, &QTimer::timeout, this, &CVideoImageDlg::ClampIFrames);
    m_clock->start(1000);
}

CVideoImageDlg::~CVideoImageDlg()
{
    m_clock->stop();
}

void CVideoImageDlg::BuildControls()
{
    const auto label = [this](unsigned id = 0) {
        auto* l = new QLabel(this);
        SetCtrlId(l, id);
        return l;
    };
    const auto list = [this](unsigned id) {
        auto* c = new QComboBox(this);
        SetCtrlId(c, id);
        return c;
    };
    m_primaryGroup = label(1071);
    m_secondaryGroup = label(1072);
    for (QLabel* group : {m_primaryGroup, m_secondaryGroup}) {
        SetGroupCaptionFont(group);
    }
    for (int s : {kPrimary, kSecondary}) {
        const unsigned offset = s == kPrimary ? 0 : 1;
        m_codecLabel[s] = label();
        m_codec[s] = list(1086 + offset);
        m_sizeLabel[s] = label();
        m_size[s] = list(1088 + offset);
        m_rateLabel[s] = label();
        m_rate[s] = list(1090 + offset);
        m_bitRateLabel[s] = label();
        m_bitRate[s] = list(1092 + offset);
        m_controlLabel[s] = label();
        m_control[s] = list(1094 + offset);
        m_iFrameLabel[s] = label();
        m_iFrame[s] = new QLineEdit(this);
        SetCtrlId(m_iFrame[s], 1096 + offset);
        m_iFrame[s]->setMaxLength(2);
        m_iFrame[s]->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), m_iFrame[s]));
    }
    m_secondaryOn = new QCheckBox(this);
    SetCtrlId(m_secondaryOn, 1085);
    m_osd = std::make_unique<VideoOsdControls>(this);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    grid->setColumnMinimumWidth(2, 10);
    const auto pair = [grid](int row, int column, QWidget* caption, QWidget* field) {
        grid->addWidget(caption, row, column, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(field, row, column + 1);
    };
    int row = 0;
    grid->addWidget(m_primaryGroup, row, 0, 1, 2);
    grid->addWidget(m_secondaryGroup, row++, 3, 1, 2);
    grid->addWidget(m_secondaryOn, row++, 4);
    for (int s : {kPrimary, kSecondary}) {
        const int column = s == kPrimary ? 0 : 3;
        int r = row;
        pair(r++, column, m_codecLabel[s], m_codec[s]);
        pair(r++, column, m_sizeLabel[s], m_size[s]);
        pair(r++, column, m_rateLabel[s], m_rate[s]);
        pair(r++, column, m_bitRateLabel[s], m_bitRate[s]);
        pair(r++, column, m_controlLabel[s], m_control[s]);
        pair(r++, column, m_iFrameLabel[s], m_iFrame[s]);
    }
    row += 6;
    grid->setRowMinimumHeight(row++, 10);
    row = m_osd->Place(grid, row);
    grid->setRowStretch(row, 1);

    connect(m_codec[kPrimary], &QComboBox::activated, this, &CVideoImageDlg::RebuildPrimarySizes);
    connect(m_size[kPrimary], &QComboBox::activated, this, &CVideoImageDlg::RunRateRules);
    connect(m_codec[kSecondary], &QComboBox::activated, this, &CVideoImageDlg::RebuildSecondarySizes);
    connect(m_secondaryOn, &QCheckBox::clicked, this, &CVideoImageDlg::OnSecondaryEnable);
}

void CVideoImageDlg::Relabel()
{
    m_primaryGroup->setText(LangQText(60000));
    m_secondaryGroup->setText(LangQText(60001));
    for (int s : {kPrimary, kSecondary}) {
        m_codecLabel[s]->setText(LangQText(60003));
        m_sizeLabel[s]->setText(LangQText(60004));
        m_rateLabel[s]->setText(LangQText(60005));
        m_bitRateLabel[s]->setText(LangQText(60006));
        m_controlLabel[s]->setText(LangQText(60007));
        m_iFrameLabel[s]->setText(LangQText(60008));
    }
    m_secondaryOn->setText(LangQText(50006));
    m_osd->Relabel();
}

int CVideoImageDlg::SecondaryCodec() const
{
    return ShownValue(m_codec[kSecondary]);
}

void CVideoImageDlg::SetBounds(std::optional<VideoStreamOptions> primary,
                               std::optional<VideoStreamOptions> secondary, bool family)
{
    m_choices.Set({}, family, std::move(primary), std::move(secondary));
}

void CVideoImageDlg::RebuildPrimarySizes()
{
    const int codec = m_codec[kPrimary]->currentData().toInt();
    QComboBox* sizes = m_size[kPrimary];
    sizes->clear();
    for (int code : m_choices.PrimarySizes(codec)) {
        sizes->addItem(QString::fromLatin1(PrimarySizeCaption(code)), code);
    }
    sizes->setCurrentIndex(0);
    const int stored = sizes->findData(m_primary.frameSize);
    if (stored >= 0) {
        sizes->setCurrentIndex(stored);
    }
    RunRateRules();
}

void CVideoImageDlg::RunRateRules()
{
    RateRuleInput in;
    in.aModel = m_choices.AModel();
    in.primaryCodec = m_codec[kPrimary]->currentData().toInt();
    in.primarySize = m_size[kPrimary]->currentIndex() >= 0 ? m_size[kPrimary]->currentData().toInt() : -1;
    in.powerFrequency = m_powerFrequency;
    in.storedPrimaryRate = m_primary.frameRate;
    in.storedPrimaryBitRate = m_primary.bitRate;
    in.storedSecondaryRate = m_secondary.frameRate;
    in.storedSecondaryCodec = m_secondary.codec;
    in.secondaryCodecCount = m_codec[kSecondary]->count();
    in.secondaryCodecEntry = m_codec[kSecondary]->currentIndex();
    in.secondaryRateCount = m_rate[kSecondary]->count();
    const RateRuleOutcome out = ApplyRateRules(in);

    const std::vector<int> secondaryCodecs = m_choices.SecondaryCodecs(out.secondaryCodecs);
    int secondaryCodec = SecondaryCodec();
    if (m_choices.Family()) {
        const auto entry = static_cast<std::size_t>(out.secondaryCodecEntry);
        secondaryCodec = entry < out.secondaryCodecs.size() ? out.secondaryCodecs[entry] : -1;
    }
    std::vector<int> shownCodecs;
    for (int i = 0; i < m_codec[kSecondary]->count(); ++i) {
        shownCodecs.push_back(m_codec[kSecondary]->itemData(i).toInt());
    }
    if (shownCodecs != secondaryCodecs) {
        FillCodecs(m_codec[kSecondary], secondaryCodecs);
    }
    SelectValueOrFirst(m_codec[kSecondary], secondaryCodec);
    for (QWidget* w : {static_cast<QWidget*>(m_bitRate[kPrimary]), static_cast<QWidget*>(m_control[kPrimary]),
                       static_cast<QWidget*>(m_iFrame[kPrimary])}) {
        w->setEnabled(out.primaryRatesEnabled);
    }
    FillNumbers(m_rate[kPrimary], m_choices.FrameRates(kWire[kPrimary], out.primaryMaxRate));
    SelectValueOrLast(m_rate[kPrimary], out.primaryRate);
    if (out.secondaryForcedOff) {
        m_secondaryOn->setChecked(false);
        m_secondaryOn->setEnabled(false);
        OnSecondaryEnable();
    } else {
        m_secondaryOn->setEnabled(true);
        FillNumbers(m_rate[kSecondary], m_choices.FrameRates(kWire[kSecondary], out.secondaryRateCount));
    }
    FillNumbers(m_bitRate[kPrimary], m_choices.BitRates(kWire[kPrimary], out.primaryBitRates));
    SelectValue(m_bitRate[kPrimary], out.primaryBitRate);
    if (m_choices.Bounded(kWire[kSecondary])) {
        SelectValueOrLast(m_rate[kSecondary], out.secondaryRate);
    } else {
        SelectValue(m_rate[kSecondary], out.secondaryRate);
    }
    if (out.rebuildSecondarySizes) {
        RebuildSecondarySizes();
    }
}

void CVideoImageDlg::RebuildSecondarySizes()
{
    const SecondaryRates rates = SecondaryRatesOf(SecondaryCodec(), m_secondaryOn->isChecked());
    if (rates.bitRate) {
        SelectValue(m_bitRate[kSecondary], *rates.bitRate);
        m_control[kSecondary]->setCurrentIndex(rates.rateControl.value_or(0));
    }
    for (QWidget* w : {static_cast<QWidget*>(m_bitRate[kSecondary]), static_cast<QWidget*>(m_control[kSecondary]),
                       static_cast<QWidget*>(m_iFrame[kSecondary])}) {
        w->setEnabled(rates.editable);
    }
    QComboBox* sizes = m_size[kSecondary];
    sizes->clear();
    for (int code : m_choices.SecondarySizes()) {
        sizes->addItem(QString::fromLatin1(SecondarySizeCaption(code)), code);
    }
    SelectValueOrFirst(sizes, m_choices.ShownSecondarySize(m_secondary.frameSize));
}

void CVideoImageDlg::OnSecondaryEnable()
{
    const bool on = m_secondaryOn->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(m_codec[kSecondary]), static_cast<QWidget*>(m_size[kSecondary]),
                       static_cast<QWidget*>(m_rate[kSecondary])}) {
        w->setEnabled(on);
    }
    const bool rates = SecondaryRatesOf(SecondaryCodec(), on).editable;
    for (QWidget* w : {static_cast<QWidget*>(m_bitRate[kSecondary]), static_cast<QWidget*>(m_control[kSecondary]),
                       static_cast<QWidget*>(m_iFrame[kSecondary])}) {
        w->setEnabled(rates);
    }
}

void CVideoImageDlg::ClampIFrames()
{
    for (int s : {kPrimary, kSecondary}) {
        QLineEdit* edit = m_iFrame[s];
        if (edit->text().isEmpty()) {
            continue;
        }
        const int value = edit->text().toInt();
        if (value != m_choices.IFrame(kWire[s], value)) {
            edit->setText(QString::number(m_choices.IFrame(kWire[s], value)));
            edit->setCursorPosition(static_cast<int>(edit->text().size()));
        }
    }
}

void CVideoImageDlg::FillSecondary(const VideoConfigRecord& record, const std::string& model)
{
    m_secondary = record;
    m_choices.SetModel(model);
    EnableStream(kSecondary);
    m_secondaryOn->setChecked(record.secondaryEnabled != 0);
    FillCodecs(m_codec[kSecondary], m_choices.Codecs(kWire[kSecondary]));
    SelectValueOrFirst(m_codec[kSecondary], m_choices.ShownCodec(record.codec));
    m_control[kSecondary]->setCurrentIndex(record.rateControl == 0 ? 0 : 1);
    FillNumbers(m_bitRate[kSecondary],
                m_choices.BitRates(kWire[kSecondary], SecondaryBitRates(m_choices.AModel())));
    RebuildSecondarySizes();
    SelectValue(m_rate[kSecondary], record.frameRate);
    const int bitRate = m_bitRate[kSecondary]->findData(record.bitRate);
    m_bitRate[kSecondary]->setCurrentIndex(bitRate >= 0 ? bitRate
                                                        : m_bitRate[kSecondary]->findData(kDefaultSecondaryBitRate));
    m_iFrame[kSecondary]->setText(QString::number(record.iFrameInterval));
    OnSecondaryEnable();
}

void CVideoImageDlg::FillPrimary(const VideoConfigRecord& record, const std::string& model, int powerFrequency)
{
    m_primary = record;
    m_choices.SetModel(model);
    m_powerFrequency = powerFrequency;
    EnableStream(kPrimary);
    FillCodecs(m_codec[kPrimary], m_choices.Codecs(kWire[kPrimary]));
    SelectValueOrFirst(m_codec[kPrimary], m_choices.ShownCodec(record.codec));
    RebuildPrimarySizes();
    m_control[kPrimary]->setCurrentIndex(record.rateControl == 0 ? 0 : 1);
    m_iFrame[kPrimary]->setText(QString::number(record.iFrameInterval));
}

void CVideoImageDlg::FillOsd(const OsdRecord& record)
{
    m_osd->Fill(record);
}

void CVideoImageDlg::ShowReading(const BatchSetReading& reading, const tagVtIpcInfo& camera)
{
    const VideoReading& video = reading.video;
    SetBounds(video.primaryOptions, video.secondaryOptions, !video.primaryOptions && !video.secondaryOptions);
    if (video.osd) {
        FillOsd(*video.osd);
    } else {
        m_osd->Clear();
    }
    FillStreams(video, camera);
}

void CVideoImageDlg::ShowReference(const ReferenceReading& reading, const tagVtIpcInfo& camera)
{
    if (!reading.loggedIn) {
        return;
    }
    const VideoReading& video = reading.video;
    // A batch's OSD is typed anew when the camera clicked before gave none.
    if (!m_osd->Shown()) {
        m_osd->Fill(OsdRecord{});
    }
    SetBounds(reading.primaryBounds ? reading.primaryBounds : video.primaryOptions,
              reading.secondaryBounds ? reading.secondaryBounds : video.secondaryOptions,
              !video.primaryOptions && !video.secondaryOptions);
    FillStreams(video, camera);
}

void CVideoImageDlg::LoadFromCamera(Camera& camera)
{
    BatchSetReading reading;
    const std::atomic<bool> noStop{false};
    reading.video = ReadVideoSettings(camera, noStop);
    ShowReading(reading, camera.Info());
}

void CVideoImageDlg::LoadReferenceCamera(Camera* camera, const tagVtIpcInfo& info)
{
    const std::atomic<bool> noStop{false};
    ShowReference(ReadReferenceStreams(camera, noStop), info);
}

void CVideoImageDlg::FillStreams(const VideoReading& reading, const tagVtIpcInfo& camera)
{
    // The secondary first: the primary's rules read what it left.
    if (reading.secondary) {
        FillSecondary(*reading.secondary, ModelText(camera));
    } else {
        ClearStream(kSecondary);
    }
    if (reading.primary) {
        FillPrimary(*reading.primary, ModelText(camera), reading.powerFrequency);
    } else {
        ClearStream(kPrimary);
    }
}

void CVideoImageDlg::ClearStream(int stream)
{
    m_streamShown[stream] = false;
    (stream == kPrimary ? m_primary : m_secondary) = VideoConfigRecord{};
    for (QComboBox* list : {m_codec[stream], m_size[stream], m_rate[stream], m_bitRate[stream]}) {
        list->clear();
        list->setEnabled(false);
    }
    m_control[stream]->setCurrentIndex(-1);
    m_control[stream]->setEnabled(false);
    m_iFrame[stream]->clear();
    m_iFrame[stream]->setEnabled(false);
    if (stream == kSecondary) {
        m_secondaryOn->setChecked(false);
        m_secondaryOn->setEnabled(false);
    }
}

void CVideoImageDlg::EnableStream(int stream)
{
    m_streamShown[stream] = true;
    for (QWidget* w : {static_cast<QWidget*>(m_codec[stream]), static_cast<QWidget*>(m_size[stream]),
                       static_cast<QWidget*>(m_rate[stream]), static_cast<QWidget*>(m_bitRate[stream]),
                       static_cast<QWidget*>(m_control[stream]), static_cast<QWidget*>(m_iFrame[stream])}) {
        w->setEnabled(true);
    }
    if (stream == kSecondary) {
        m_secondaryOn->setEnabled(true);
    }
}

void CVideoImageDlg::Save()
{
    // Only what the camera shown gave is written.
    const bool osdShown = m_osd->Shown();
    const bool streamsShown = m_streamShown[kPrimary] && m_streamShown[kSecondary];
    if (!osdShown && !streamsShown) {
        ZxMessageBox(85003, ZxButtons::Ok, this);
        return;
    }
    const OsdForm osd = m_osd->Form();
    if (const unsigned problem = osdShown ? VideoTitleProblem(osd.title) : 0; problem != 0) {
        ZxMessageBox(problem, ZxButtons::Ok, this);
        m_osd->FocusTitle();
        return;
    }
    IFrameEntry iFrames[2];
    for (int s : {kPrimary, kSecondary}) {
        const VideoConfigRecord& last = s == kPrimary ? m_primary : m_secondary;
        iFrames[s] = ReadIFrameBox(m_iFrame[s]->text().toStdString(), m_iFrame[s]->isEnabled(), last.iFrameInterval);
        if (streamsShown && iFrames[s].problem != 0) {
            ZxMessageBox(iFrames[s].problem, ZxButtons::Ok, this);
            m_iFrame[s]->setFocus();
            return;
        }
    }
    StreamForm forms[2];
    for (int s : {kPrimary, kSecondary}) {
        StreamForm& f = forms[s];
        f.secondaryEnabled = m_secondaryOn->isChecked();
        f.codec = ShownValue(m_codec[s]);
        f.size = ShownValue(m_size[s]);
        f.rateText = m_rate[s]->currentText().toStdString();
        f.bitRateText = m_bitRate[s]->currentText().toStdString();
        f.rateControl = m_control[s]->currentIndex();
        f.iFrame = m_choices.IFrame(kWire[s], iFrames[s].value);
    }
    const VideoConfigRecord primary = BuildPrimaryRecord(forms[kPrimary]);
    const VideoConfigRecord secondary = BuildSecondaryRecord(forms[kSecondary]);
    std::vector<tagVtIpcInfo> targets = Host().ApplyTargets();
    if (targets.empty()) {
        return;
    }
    CWaitCursor wait;
    const std::optional<VideoStreams> streams =
        streamsShown ? std::optional<VideoStreams>(VideoStreams{primary, secondary}) : std::nullopt;
    const std::optional<OsdRecord> osdRecord = osdShown ? std::optional<OsdRecord>(BuildOsdRecord(osd)) : std::nullopt;
    if (Host().RunApply(std::move(targets), VideoPartsOperation(Host().Login(), streams, osdRecord)) && streamsShown) {
        m_primary = primary;
        m_secondary = secondary;
    }
}
