#pragma once
#include "PreviewRules.h"
#include "ZxExport.h"

#include <QStringList>
#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QSlider;
class QWidget;

// The preview page's five picture sliders and six imaging lists: how their
// positions and entries map to the camera's values, which lists hold a
// choice of the operator's, and where they go on the page. Only the
// operator's moves and choices are reported; what the page sets is not.
class ZX_EXPORT PreviewImagingControls
{
public:
    using SliderMoved = std::function<void(PictureValue which, int position)>;
    using ListChosen = std::function<void(ImageList list, int entry)>;

    PreviewImagingControls(QWidget* page, SliderMoved moved, ListChosen chosen);

    QSlider* Slider(PictureValue value) const { return m_sliders[static_cast<std::size_t>(value)]; }
    QComboBox* List(ImageList list) const { return m_lists[static_cast<std::size_t>(list)]; }

    void Relabel();
    // The sliders' labels start at labelsLeft and the sliders end at centre;
    // the lists run from centre to listsRight; both end above the buttons at
    // the page's bottom.
    void Place(int labelsLeft, int centre, int listsRight, int pageHeight);
    void SetEnabled(bool enabled);

    // The camera's picture values on the sliders.
    void ShowPicture(const ImagingSettingsRecord& picture, bool aModel);
    void SetSliderQuietly(PictureValue which, int position);
    // The lists show choices, the exposure times those of its frequency; none
    // holds a choice of the operator's afterwards.
    void SelectChoices(const ImageChoices& choices);
    ImageChoices ListChoices() const;
    void FillExposureTimes(int frequency);

    // The lists the operator chose from since the reference was shown.
    void MarkChosen(ImageList list) { m_chosen[static_cast<std::size_t>(list)] = true; }
    const ChosenLists& Chosen() const { return m_chosen; }
    void ForgetChosen() { m_chosen = {}; }

private:
    void FillList(ImageList list, const QStringList& entries);

    std::array<QSlider*, kPictureValueCount> m_sliders{};
    std::array<QLabel*, kPictureValueCount> m_sliderLabels{};
    std::array<QComboBox*, kImageListCount> m_lists{};
    std::array<QLabel*, kImageListCount> m_listLabels{};
    ChosenLists m_chosen{};
};
