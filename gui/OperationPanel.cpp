#include "OperationPanel.h"

#include "MessageBox.h"
#include "PanelLineQueue.h"
#include "PanelLineText.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <ctime>
#include <mutex>

namespace {
// Asks the panel to take the lines waiting for it.
const QEvent::Type kLinesEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
} // namespace

// Shared by the panel and every poster: it outlives the panel as long as a
// poster does, and `panel` is cleared when the panel goes.
struct PanelLinePoster::Mailbox
{
    std::mutex lock;
    COperationPanel* panel = nullptr;
    PanelLineQueue lines;
};

void PanelLinePoster::operator()(const PanelLine& line) const
{
    std::lock_guard guard(m_mailbox->lock);
    // One event takes every line waiting, so one is posted only when the
    // first line arrives in an empty queue.
    if (m_mailbox->panel != nullptr && m_mailbox->lines.Push(line)) {
        QCoreApplication::postEvent(m_mailbox->panel, new QEvent(kLinesEvent));
    }
}

COperationPanel::COperationPanel(QWidget* parent)
    : QListWidget(parent), m_poster(std::make_shared<PanelLinePoster::Mailbox>())
{
    m_poster.m_mailbox->panel = this;
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

COperationPanel::~COperationPanel()
{
    std::lock_guard guard(m_poster.m_mailbox->lock);
    m_poster.m_mailbox->panel = nullptr;
}

void COperationPanel::AddLine(const PanelLine& line)
{
    const bool uiThread = QThread::currentThread() == thread();
    Q_ASSERT_X(uiThread, "COperationPanel::AddLine", "off the UI thread: post the line through Poster()");
    if (!uiThread) {
        m_poster(line);
        return;
    }
    Append(line);
}

void COperationPanel::customEvent(QEvent* event)
{
    if (event->type() != kLinesEvent) {
        QListWidget::customEvent(event);
        return;
    }
    std::vector<PanelLine> lines;
    {
        std::lock_guard guard(m_poster.m_mailbox->lock);
        lines = m_poster.m_mailbox->lines.TakeAll();
    }
    for (const PanelLine& line : lines) {
        Append(line);
    }
}

void COperationPanel::Append(const PanelLine& line)
{
    if (count() > kPanelLineLimit) {
        clear();
    }
    addItem(QString::fromStdWString(FormatPanelLine(line.text, line.stamped, std::time(nullptr))));
    setCurrentRow(count() - 1);
}

void COperationPanel::Clear()
{
    if (ZxMessageBox(90036, ZxButtons::YesNo, this) == ZxAnswer::Yes) {
        clear();
    }
}
