#include "VideoOsdControls.h"

#include "GroupCaption.h"
#include "LangWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {
// Refills a text list by keys and keeps its selection (0 when there was none).
void RefillTexts(QComboBox* list, std::initializer_list<unsigned> keys)
{
    const int selected = list->currentIndex();
    list->clear();
    for (unsigned key : keys) {
        list->addItem(LangQText(key));
    }
    list->setCurrentIndex(selected >= 0 && selected < list->count() ? selected : 0);
}

template <class Control>
Control* Made(QWidget* page, unsigned id)
{
    auto* control = new Control(page);
    SetCtrlId(control, id);
    return control;
}
} // namespace

VideoOsdControls::VideoOsdControls(QWidget* page)
{
    m_group = Made<QLabel>(page, 1106);
    SetGroupCaptionFont(m_group);
    m_showTitleLabel = Made<QLabel>(page, 0);
    m_showTitle = Made<QCheckBox>(page, 1212);
    m_titleLabel = Made<QLabel>(page, 0);
    m_title = Made<QLineEdit>(page, 1099);
    m_title->setMaxLength(31);
    m_titlePosLabel = Made<QLabel>(page, 0);
    m_titlePos = Made<QComboBox>(page, 1101);
    m_showTimeLabel = Made<QLabel>(page, 0);
    m_showTime = Made<QCheckBox>(page, 1213);
    m_datePosLabel = Made<QLabel>(page, 0);
    m_datePos = Made<QComboBox>(page, 1103);
    m_dateFormatLabel = Made<QLabel>(page, 0);
    m_dateFormat = Made<QComboBox>(page, 1105);
    for (const char* format : {"YYYY-MM-DD", "MM/DD/YYYY", "DD/MM/YYYY"}) {
        m_dateFormat->addItem(QString::fromLatin1(format));
    }
    m_dateFormat->setCurrentIndex(0);
    QObject::connect(m_showTitle, &QCheckBox::clicked, page, [this] { OnShowTitle(); });
    QObject::connect(m_showTime, &QCheckBox::clicked, page, [this] { OnShowTime(); });
    OnShowTitle();
    OnShowTime();
}

int VideoOsdControls::Place(QGridLayout* grid, int row)
{
    const auto pair = [grid](int r, int column, QWidget* caption, QWidget* field) {
        grid->addWidget(caption, r, column, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(field, r, column + 1);
    };
    grid->addWidget(m_group, row++, 0, 1, 5);
    // The title gets the whole width: 31 characters do not fit a list's.
    pair(row, 0, m_showTitleLabel, m_showTitle);
    pair(row++, 3, m_showTimeLabel, m_showTime);
    grid->addWidget(m_titleLabel, row, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(m_title, row++, 1, 1, 4);
    pair(row, 0, m_titlePosLabel, m_titlePos);
    pair(row++, 3, m_datePosLabel, m_datePos);
    pair(row++, 3, m_dateFormatLabel, m_dateFormat);
    return row;
}

void VideoOsdControls::Relabel()
{
    m_group->setText(LangQText(60012));
    m_showTitleLabel->setText(LangQText(60013));
    m_titleLabel->setText(LangQText(60014));
    m_titlePosLabel->setText(LangQText(60015));
    m_showTimeLabel->setText(LangQText(60016));
    m_datePosLabel->setText(LangQText(60017));
    m_dateFormatLabel->setText(LangQText(60018));
    RefillTexts(m_titlePos, {60019, 60020});
    RefillTexts(m_datePos, {60019, 60020, 60021, 60022});
}

void VideoOsdControls::Fill(const OsdRecord& record)
{
    m_showTitle->setEnabled(true);
    m_showTime->setEnabled(true);
    m_showTitle->setChecked(record.showTitle != 0);
    m_showTime->setChecked(record.showTime != 0);
    m_title->setText(QString::fromStdWString(OsdTitleText(record)));
    m_title->setCursorPosition(0);
    m_titlePos->setCurrentIndex(std::min<int>(record.titlePosition, m_titlePos->count() - 1));
    m_datePos->setCurrentIndex(std::min<int>(record.datePosition, m_datePos->count() - 1));
    m_dateFormat->setCurrentIndex(std::min<int>(record.dateFormat, m_dateFormat->count() - 1));
    OnShowTitle();
    OnShowTime();
}

void VideoOsdControls::Clear()
{
    m_showTitle->setChecked(false);
    m_showTime->setChecked(false);
    m_title->clear();
    for (QComboBox* list : {m_titlePos, m_datePos, m_dateFormat}) {
        list->setCurrentIndex(-1);
    }
    OnShowTitle();
    OnShowTime();
    m_showTitle->setEnabled(false);
    m_showTime->setEnabled(false);
}

bool VideoOsdControls::Shown() const
{
    return m_showTitle->isEnabled();
}

OsdForm VideoOsdControls::Form() const
{
    OsdForm osd;
    osd.showTitle = m_showTitle->isChecked();
    osd.showTime = m_showTime->isChecked();
    osd.title = m_title->text().toStdWString();
    osd.titlePosition = std::max(0, m_titlePos->currentIndex());
    osd.datePosition = std::max(0, m_datePos->currentIndex());
    osd.dateFormat = std::max(0, m_dateFormat->currentIndex());
    return osd;
}

void VideoOsdControls::FocusTitle()
{
    m_title->setFocus();
}

void VideoOsdControls::OnShowTitle()
{
    m_title->setEnabled(m_showTitle->isChecked());
    m_titlePos->setEnabled(m_showTitle->isChecked());
}

void VideoOsdControls::OnShowTime()
{
    m_datePos->setEnabled(m_showTime->isChecked());
    m_dateFormat->setEnabled(m_showTime->isChecked());
}
