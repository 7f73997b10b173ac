#include "SortOrder.h"

#include <QStringList>

quint32 AddressSortKey(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    quint32 key = 0;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const uint value = i < parts.size() ? parts[i].trimmed().toUInt(&ok) : 0;
        key = (key << 8) | (ok ? (value & 0xFF) : 0);
    }
    return key;
}

QString TextSortKey(const QString& text)
{
    return text.trimmed().toUpper();
}
