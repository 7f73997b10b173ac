#include "LogGrid.h"

#include "LangWidgets.h"
#include "LogRules.h"
#include "RecordText.h"

#include <QHeaderView>
#include <cstring>

namespace {
constexpr int kColumns = 8;
constexpr int kDetailColumn = 7;

QString Narrow(const char* text, std::size_t size)
{
    return QString::fromStdWString(FieldText(std::string(text, strnlen(text, size)).c_str()));
}
} // namespace

LogGrid::LogGrid(QWidget* parent) : CSortListCtrl(parent)
{
    setColumnCount(kColumns);
    const int widths[kColumns] = {50, 135, 95, 160, 95, 80, 100, 160};
    for (int c = 0; c < kColumns; ++c) {
        setColumnWidth(c, widths[c]);
    }
    SetNumberColumn(0);
    SetAddressColumns(6);
    Sort(1, false);
    header()->setDefaultAlignment(Qt::AlignCenter);
    // The detail is the longest text: it takes what the window leaves.
    header()->setStretchLastSection(true);
}

void LogGrid::Relabel()
{
    QStringList headers{QString()};
    for (unsigned key = 32000; key <= 32006; ++key) {
        headers << LangQText(key);
    }
    setHeaderLabels(headers);
    Show(m_shown);
}

QString LogGrid::PageText() const
{
    return QStringLiteral("%1/%2").arg(m_shown.currentPage).arg(m_shown.totalPages);
}

void LogGrid::Show(LogPage page)
{
    clear();
    m_shown = std::move(page);
    QList<QTreeWidgetItem*> items;
    for (std::size_t k = 0; k < m_shown.rows.size(); ++k) {
        const tagLogRow& row = m_shown.rows[k];
        auto* item = new QTreeWidgetItem(QStringList{
            QString::number(RowNumber(m_shown.currentPage, static_cast<int>(k), kLogPageRows)),
            QString::fromStdString(FormatLogTime(row.time)),
            QString::fromStdWString(TypeText(row.mainType)),
            QString::fromStdWString(TypeText(row.subType)),
            QString::fromStdWString(TypeText(row.subParam)),
            Narrow(row.user, sizeof row.user),
            Narrow(row.ip, sizeof row.ip),
            Narrow(row.detail, sizeof row.detail),
        });
        for (int c = 0; c < kColumns; ++c) {
            item->setTextAlignment(c, Qt::AlignCenter);
        }
        // A detail wider than its column is read whole under the pointer.
        item->setToolTip(kDetailColumn, item->text(kDetailColumn));
        items << item;
    }
    addTopLevelItems(items);
}
