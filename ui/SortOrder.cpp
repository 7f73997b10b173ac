#include "SortOrder.h"

#include <algorithm>

#include <QStringList>

namespace {
// The common case, digits and dots only, read without making a part list:
// the same key as the general reading below. False for any other text.
bool PlainAddressSortKey(const QString& text, quint32& key)
{
    quint32 parts[4] = {0, 0, 0, 0};
    bool readable[4] = {false, false, false, false};
    int part = 0;
    quint64 value = 0;
    bool digits = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'.') {
            if (part < 4) {
                parts[part] = static_cast<quint32>(value & 0xFF);
                readable[part] = digits && value <= 0xFFFFFFFFu;
            }
            ++part;
            value = 0;
            digits = false;
        } else if (u >= u'0' && u <= u'9') {
            value = std::min<quint64>(value * 10 + (u - u'0'), quint64{1} << 33);
            digits = true;
        } else {
            return false;
        }
    }
    if (part < 4) {
        parts[part] = static_cast<quint32>(value & 0xFF);
        readable[part] = digits && value <= 0xFFFFFFFFu;
    }
    key = 0;
    for (int i = 0; i < 4; ++i) {
        key = (key << 8) | (readable[i] ? parts[i] : 0);
    }
    return true;
}
} // namespace

quint32 AddressSortKey(const QString& text)
{
    if (quint32 key = 0; PlainAddressSortKey(text, key)) {
        return key;
    }
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
