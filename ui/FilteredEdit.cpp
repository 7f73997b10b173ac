#include "FilteredEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

CFilteredEdit::CFilteredEdit(QWidget* parent) : QLineEdit(parent)
{
    // Pasted text goes through the same filter as typed text.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString clean = Filtered(text);
        if (clean != text) {
            const int cursor = cursorPosition() - static_cast<int>(text.size() - clean.size());
            setText(clean);
            setCursorPosition(std::max(0, cursor));
        }
    });
}

bool CFilteredEdit::IsRefused(QChar c)
{
    switch (c.unicode()) {
    case u';':
    case u'=':
    case u'\'':
    case u'+':
    case 0xFF1B:
    case 0x3001:
    case 0x2018:
    case 0x2019:
        return true;
    default:
        return false;
    }
}

QString CFilteredEdit::Filtered(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (!IsRefused(c)) {
            out.append(c);
        }
    }
    return out;
}

void CFilteredEdit::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    if (!text.isEmpty() && Filtered(text).isEmpty()) {
        event->ignore();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CFilteredEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = Filtered(event->commitString());
    if (commit != event->commitString()) {
        QInputMethodEvent filtered(event->preeditString(), event->attributes());
        filtered.setCommitString(commit, event->replacementStart(), event->replacementLength());
        QLineEdit::inputMethodEvent(&filtered);
        return;
    }
    QLineEdit::inputMethodEvent(event);
}
