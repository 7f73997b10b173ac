#include "NumberList.h"

#include <QComboBox>
#include <algorithm>

void FillNumbers(QComboBox* list, const std::vector<int>& values)
{
    list->clear();
    for (int value : values) {
        list->addItem(QString::number(value), value);
    }
}

void SelectValue(QComboBox* list, int value)
{
    list->setCurrentIndex(list->findData(value));
}

void SelectValueOrFirst(QComboBox* list, int value)
{
    const int index = list->findData(value);
    list->setCurrentIndex(index >= 0 ? index : std::min(0, list->count() - 1));
}

void SelectValueOrLast(QComboBox* list, int value)
{
    const int index = list->findData(value);
    list->setCurrentIndex(index >= 0 ? index : list->count() - 1);
}

int ShownValue(const QComboBox* list)
{
    return list->currentIndex() >= 0 ? list->currentData().toInt() : -1;
}
