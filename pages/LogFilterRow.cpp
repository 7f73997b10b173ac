#include "LogFilterRow.h"

#include "LangKeys.h"
#include "LangWidgets.h"
#include "LogRules.h"
#include "RowPlacer.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimeEdit>
#include <algorithm>

namespace {
QLabel* Label(QWidget& parent, unsigned id, const char* english)
{
    auto* label = new QLabel(QString::fromLatin1(english), &parent);
    SetCtrlId(label, id);
    return label;
}

LogDateTime PickedTime(const QDateEdit* date, const QTimeEdit* time)
{
    const QDate d = date->date();
    const QTime t = time->time();
    return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}
} // namespace

LogFilterRow::LogFilterRow(QWidget& page)
    : m_mainTypeLabel(Label(page, LangControl::kLogMainType, "Main Type:")), m_mainType(new QComboBox(&page)),
      m_subTypeLabel(Label(page, LangControl::kLogSubType, "Sub Type:")), m_subType(new QComboBox(&page)),
      m_startLabel(Label(page, LangControl::kLogStartTime, "Start Time:")),
      m_endLabel(Label(page, LangControl::kLogEndTime, "End Time:"))
{
    const QDateTime now = QDateTime::currentDateTime();
    m_startDate = new QDateEdit(now.date(), &page);
    m_startTime = new QTimeEdit(QTime(0, 0, 0), &page);
    m_endDate = new QDateEdit(now.date(), &page);
    m_endTime = new QTimeEdit(now.time(), &page);
    for (QDateEdit* date : {m_startDate, m_endDate}) {
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        date->setCalendarPopup(true);
    }
    for (QTimeEdit* time : {m_startTime, m_endTime}) {
        time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    }
    m_query = new QPushButton(&page);
    m_query->setIcon(page.style()->standardIcon(QStyle::SP_FileDialogContentsView));
    QObject::connect(m_mainType, &QComboBox::currentIndexChanged, &page, [this] { FillSubTypes(0); });
}

void LogFilterRow::Relabel()
{
    const int subEntry = m_subType->currentIndex();
    FillMainTypes();
    FillSubTypes(subEntry);
}

void LogFilterRow::FillMainTypes()
{
    const QSignalBlocker quiet(m_mainType);
    const int entry = std::max(0, m_mainType->currentIndex());
    m_mainType->clear();
    for (int type = 0; type < kMainTypeCount; ++type) {
        m_mainType->addItem(LangQText(TypeKey(type)));
    }
    m_mainType->setCurrentIndex(entry);
}

void LogFilterRow::FillSubTypes(int keepEntry)
{
    m_subType->clear();
    for (const int code : SubTypeCodes(m_mainType->currentIndex())) {
        m_subType->addItem(QString::fromStdWString(TypeText(code)));
    }
    if (m_subType->count() > 0) {
        m_subType->setCurrentIndex(keepEntry >= 0 && keepEntry < m_subType->count() ? keepEntry : 0);
    }
}

void LogFilterRow::Layout(int left, int top, int rowHeight)
{
    const auto fit = [](QWidget* widget, int least) { return std::max(least, widget->sizeHint().width()); };
    RowPlacer row;
    row.Place(m_mainTypeLabel, left, top, fit(m_mainTypeLabel, 65), rowHeight);
    row.Place(m_mainType, 241, top, 95, rowHeight);
    row.Place(m_subTypeLabel, 340, top, fit(m_subTypeLabel, 55), rowHeight);
    row.Place(m_subType, 401, top, fit(m_subType, 128), rowHeight);
    row.Place(m_startLabel, 534, top, fit(m_startLabel, 65), rowHeight);
    row.Place(m_startDate, 605, top, 88, rowHeight);
    row.Place(m_startTime, 695, top, 72, rowHeight);
    row.Place(m_endLabel, 770, top, fit(m_endLabel, 65), rowHeight);
    row.Place(m_endDate, 841, top, 88, rowHeight);
    row.Place(m_endTime, 931, top, 72, rowHeight);
    row.Place(m_query, 1009, top - 1, 30, rowHeight + 2);
}

bool LogFilterRow::ChosenFilter(tagLogFilter& filter) const
{
    const LogDateTime start = PickedTime(m_startDate, m_startTime);
    const LogDateTime end = PickedTime(m_endDate, m_endTime);
    if (!IsValidTimeRange(start, end)) {
        return false;
    }
    filter = {};
    filter.mainType = m_mainType->currentIndex();
    filter.subType = SubTypeCode(filter.mainType, m_subType->currentIndex());
    filter.startTime = LocalSeconds(start);
    filter.endTime = LocalSeconds(end);
    return true;
}
