#include "PreviewImagingControls.h"

#include "LangWidgets.h"

#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolTip>

namespace {
constexpr std::array<unsigned, kPictureValueCount> kSliderKeys = {70000, 70001, 70002, 70014, 70015};
// In the order of ImageList.
constexpr std::array<unsigned, kImageListCount> kListKeys = {70005, 70006, 70007, 60009, 60010, 60011};

QStringList Texts(const std::vector<std::wstring>& texts)
{
    QStringList list;
    for (const std::wstring& text : texts) {
        list << QString::fromStdWString(text);
    }
    return list;
}

QStringList Keyed(std::initializer_list<unsigned> keys)
{
    QStringList list;
    for (unsigned key : keys) {
        list << LangQText(key);
    }
    return list;
}
} // namespace

PreviewImagingControls::PreviewImagingControls(QWidget* page, SliderMoved moved, ListChosen chosen)
{
    for (int i = 0; i < kPictureValueCount; ++i) {
        const auto which = static_cast<PictureValue>(i);
        auto* label = new QLabel(page);
        SetCtrlId(label, 1090 + static_cast<unsigned>(i));
        auto* slider = new QSlider(Qt::Horizontal, page);
        SetCtrlId(slider, 1100 + static_cast<unsigned>(i));
        slider->setRange(0, 100);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setTickInterval(10);
        slider->setSingleStep(1);
        slider->setPageStep(10);
        slider->setToolTip(QStringLiteral("0"));
        QObject::connect(slider, &QSlider::valueChanged, page, [slider, which, moved](int position) {
            slider->setToolTip(QString::number(position));
            moved(which, position);
        });
        QObject::connect(slider, &QSlider::sliderMoved, slider, [slider](int position) {
            QToolTip::showText(QCursor::pos(), QString::number(position), slider);
        });
        m_sliderLabels[static_cast<std::size_t>(i)] = label;
        m_sliders[static_cast<std::size_t>(i)] = slider;
    }
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        const auto list = static_cast<ImageList>(i);
        m_listLabels[i] = new QLabel(page);
        SetCtrlId(m_listLabels[i], 1110 + static_cast<unsigned>(i));
        m_lists[i] = new QComboBox(page);
        SetCtrlId(m_lists[i], 1120 + static_cast<unsigned>(i));
        // Only the operator's choices write: refilling a list does not.
        QObject::connect(m_lists[i], &QComboBox::activated, page,
                         [list, chosen](int entry) { chosen(list, entry); });
    }
    QStringList levels;
    for (int level = 0; level <= 10; ++level) {
        levels << QString::number(level);
    }
    FillList(ImageList::ExposureLevel, levels);
    List(ImageList::ExposureLevel)->setCurrentIndex(5);
    FillExposureTimes(50);
    List(ImageList::MaxExposure)->setCurrentIndex(2);
    FillList(ImageList::LocalDisplay, {QStringLiteral("OFF"), QStringLiteral("NTSC"), QStringLiteral("PAL")});
    List(ImageList::LocalDisplay)->setCurrentIndex(0);
    // The keyed lists are filled by Relabel; these are their first choices.
    FillList(ImageList::IrCut, Keyed({70011, 70012, 70013}));
    List(ImageList::IrCut)->setCurrentIndex(2);
    FillList(ImageList::Frequency, Keyed({70018, 70019}));
    List(ImageList::Frequency)->setCurrentIndex(1);
    FillList(ImageList::Outdoor, Keyed({70016, 70017}));
    List(ImageList::Outdoor)->setCurrentIndex(0);
}

void PreviewImagingControls::Relabel()
{
    for (std::size_t i = 0; i < m_sliderLabels.size(); ++i) {
        m_sliderLabels[i]->setText(LangQText(kSliderKeys[i]));
    }
    for (std::size_t i = 0; i < m_listLabels.size(); ++i) {
        m_listLabels[i]->setText(LangQText(kListKeys[i]));
    }
    FillList(ImageList::IrCut, Keyed({70011, 70012, 70013}));
    FillList(ImageList::Outdoor, Keyed({70016, 70017}));
    FillList(ImageList::Frequency, Keyed({70018, 70019}));
}

void PreviewImagingControls::Place(int labelsLeft, int centre, int listsRight, int pageHeight)
{
    for (std::size_t i = 0; i < m_sliders.size(); ++i) {
        const int y = pageHeight - 175 + 32 * static_cast<int>(i);
        m_sliderLabels[i]->setGeometry(labelsLeft, y, 120, 16);
        const int sliderLeft = labelsLeft + 120;
        m_sliders[i]->setGeometry(sliderLeft, y - 10, std::max(0, centre - sliderLeft), 32);
    }
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        const int y = pageHeight - 185 + 27 * static_cast<int>(i);
        m_listLabels[i]->setGeometry(centre + 10, y + 4, 155, 16);
        m_lists[i]->setGeometry(centre + 168, y, std::max(0, listsRight - (centre + 168)), 20);
    }
}

void PreviewImagingControls::SetEnabled(bool enabled)
{
    for (QSlider* slider : m_sliders) {
        slider->setEnabled(enabled);
    }
    for (QComboBox* list : m_lists) {
        list->setEnabled(enabled);
    }
}

void PreviewImagingControls::FillList(ImageList list, const QStringList& entries)
{
    QComboBox* box = List(list);
    const int kept = box->currentIndex();
    box->clear();
    box->addItems(entries);
    if (kept >= 0 && kept < box->count()) {
        box->setCurrentIndex(kept);
    }
}

void PreviewImagingControls::FillExposureTimes(int frequency)
{
    FillList(ImageList::MaxExposure, Texts(ExposureTimes(frequency)));
}

void PreviewImagingControls::ShowPicture(const ImagingSettingsRecord& picture, bool aModel)
{
    for (int i = 0; i < kPictureValueCount; ++i) {
        const auto which = static_cast<PictureValue>(i);
        SetSliderQuietly(which, SliderFromCamera(PictureField(picture, which), which, aModel));
    }
}

void PreviewImagingControls::SetSliderQuietly(PictureValue which, int position)
{
    QSlider* slider = Slider(which);
    {
        const QSignalBlocker quiet(slider);
        slider->setValue(position);
    }
    slider->setToolTip(QString::number(slider->value()));
}

void PreviewImagingControls::SelectChoices(const ImageChoices& choices)
{
    FillExposureTimes(choices.frequency);
    for (int i = 0; i < kImageListCount; ++i) {
        const auto list = static_cast<ImageList>(i);
        List(list)->setCurrentIndex(ShownListEntry(list, choices));
    }
    ForgetChosen();
}

ImageChoices PreviewImagingControls::ListChoices() const
{
    const auto entry = [this](ImageList list) { return static_cast<uint8_t>(List(list)->currentIndex()); };
    ImageChoices choices;
    choices.exposureLevel = entry(ImageList::ExposureLevel);
    choices.maxExposure = entry(ImageList::MaxExposure);
    choices.irCut = entry(ImageList::IrCut);
    choices.frequency = FrequencyOfEntry(List(ImageList::Frequency)->currentIndex());
    choices.outdoor = entry(ImageList::Outdoor);
    choices.localDisplay = entry(ImageList::LocalDisplay);
    return choices;
}
