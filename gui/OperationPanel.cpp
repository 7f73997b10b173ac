#include "OperationPanel.h"

#include "MessageBox.h"
#include "PanelLineText.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <condition_variable>
#include <ctime>
#include <mutex>

namespace {
const QEvent::Type kLineEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct LineRequest
{
    std::wstring text;
    bool stamped = true;
    bool done = false;
};

class LineEvent : public QEvent
{
public:
    explicit LineEvent(std::shared_ptr<LineRequest> request)
        : QEvent(kLineEvent), m_request(std::move(request))
    {
    }
    const std::shared_ptr<LineRequest>& Request() const { return m_request; }

private:
    std::shared_ptr<LineRequest> m_request;
};
} // namespace

// Shared between the panel and the workers: it outlives the panel as long as
// a worker still holds it, and `panel` is cleared when the panel goes.
struct COperationPanel::Handover
{
    std::mutex mutex;
    std::condition_variable done;
    COperationPanel* panel = nullptr;
    bool closed = false;
};

COperationPanel::COperationPanel(QWidget* parent)
    : QListWidget(parent), m_handover(std::make_shared<Handover>())
{
    m_handover->panel = this;
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

COperationPanel::~COperationPanel()
{
    CloseHandover();
    std::lock_guard lock(m_handover->mutex);
    m_handover->panel = nullptr;
}

void COperationPanel::CloseHandover()
{
    {
        std::lock_guard lock(m_handover->mutex);
        m_handover->closed = true;
    }
    m_handover->done.notify_all();
}

void COperationPanel::AddLine(const wchar_t* text, bool stamped)
{
    if (text == nullptr) {
        return;
    }
    if (QThread::currentThread() == thread()) {
        Append(text, stamped);
        return;
    }
    const std::shared_ptr<Handover> handover = m_handover;
    auto request = std::make_shared<LineRequest>(LineRequest{text, stamped, false});
    std::unique_lock lock(handover->mutex);
    if (handover->closed || handover->panel == nullptr) {
        return;
    }
    QCoreApplication::postEvent(handover->panel, new LineEvent(request));
    handover->done.wait(lock, [&] { return request->done || handover->closed; });
}

void COperationPanel::customEvent(QEvent* event)
{
    if (event->type() != kLineEvent) {
        QListWidget::customEvent(event);
        return;
    }
    const std::shared_ptr<LineRequest>& request = static_cast<LineEvent*>(event)->Request();
    Append(request->text, request->stamped);
    {
        std::lock_guard lock(m_handover->mutex);
        request->done = true;
    }
    m_handover->done.notify_all();
}

void COperationPanel::Append(const std::wstring& text, bool stamped)
{
    if (count() > kPanelLineLimit) {
        clear();
    }
    addItem(QString::fromStdWString(FormatPanelLine(text, stamped, std::time(nullptr))));
    setCurrentRow(count() - 1);
}

void COperationPanel::Clear()
{
    if (ZxMessageBox(90036, ZxButtons::YesNo, this) == ZxAnswer::Yes) {
        clear();
    }
}
