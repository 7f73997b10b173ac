#pragma once
#include "LogDatabase.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;
class QWidget;

// The filter row along the top of the log page: main type, sub type (the
// main type's own list), start and end time, and the query button. Its
// controls are the page's children, made where the page builds its own.
class LogFilterRow
{
public:
    // Start: today at midnight; end: now.
    explicit LogFilterRow(QWidget& page);

    // The type lists in the current language, keeping the chosen entries.
    void Relabel();
    // In a row from left at top; a control sits at its dialog position, or
    // further right when a language's longer labels need the room.
    void Layout(int left, int top, int rowHeight);

    // The filter as chosen; false when the start is after the end (the
    // page tells the operator and queries nothing).
    bool ChosenFilter(tagLogFilter& filter) const;

    QComboBox* MainType() const { return m_mainType; }
    QComboBox* SubType() const { return m_subType; }
    QDateEdit* StartDate() const { return m_startDate; }
    QTimeEdit* StartTime() const { return m_startTime; }
    QDateEdit* EndDate() const { return m_endDate; }
    QTimeEdit* EndTime() const { return m_endTime; }
    QPushButton* QueryButton() const { return m_query; }

private:
    void FillMainTypes();
    void FillSubTypes(int keepEntry);

    QLabel* m_mainTypeLabel;
    QComboBox* m_mainType;
    QLabel* m_subTypeLabel;
    QComboBox* m_subType;
    QLabel* m_startLabel;
    QLabel* m_endLabel;
    QDateEdit* m_startDate;
    QTimeEdit* m_startTime;
    QDateEdit* m_endDate;
    QTimeEdit* m_endTime;
    QPushButton* m_query;
};
