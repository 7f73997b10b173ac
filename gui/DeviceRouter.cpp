#include "DeviceRouter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>

namespace {
// Asks the router to hand waiting messages to the lists.
const QEvent::Type kDrainEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// A drain hands over slices of this many messages until this much time is spent.
constexpr std::size_t kDrainSlice = 256;
constexpr qint64 kDrainBudgetMs = 20;

// Of two waiting events for one camera the one that does more: "added"
// and "updated" both add or refresh the row, "modified" only refreshes it.
DeviceEvent Stronger(DeviceEvent waiting, DeviceEvent arriving)
{
    const auto rank = [](DeviceEvent event) {
        return event == DeviceEvent::Added ? 3 : event == DeviceEvent::Updated ? 2 : 1;
    };
    return rank(arriving) > rank(waiting) ? arriving : waiting;
}
} // namespace

DeviceRouter::DeviceRouter(LineSink lines, QObject* parent) : QObject(parent), m_lines(std::move(lines)) {}

DeviceRouter::~DeviceRouter()
{
    Detach();
}

void DeviceRouter::AddRecipient(DeviceListBinding* list, const DeviceListBinding* before)
{
    m_recipients.insert(std::find(m_recipients.begin(), m_recipients.end(), before), list);
}

void DeviceRouter::RemoveRecipient(DeviceListBinding* list)
{
    m_recipients.erase(std::remove(m_recipients.begin(), m_recipients.end(), list), m_recipients.end());
}

void DeviceRouter::Detach()
{
    std::lock_guard lock(m_postLock);
    m_attached = false;
    m_pending.clear();
    m_pendingMessage.clear();
}

void DeviceRouter::PostDeviceMessage(DeviceEvent event, const DeviceRef& entry)
{
    std::lock_guard lock(m_postLock);
    if (!m_attached) {
        return;
    }
    if (const auto it = m_pendingMessage.find(entry.get()); it != m_pendingMessage.end()) {
        *it->second = Stronger(*it->second, event);
        return;
    }
    m_pending.emplace_back(event, entry);
    m_pendingMessage.emplace(entry.get(), &m_pending.back().first);
    if (!m_drainPosted) {
        m_drainPosted = true;
        QCoreApplication::postEvent(this, new QEvent(kDrainEvent));
    }
}

std::size_t DeviceRouter::PendingCount() const
{
    std::lock_guard lock(m_postLock);
    return m_pending.size();
}

void DeviceRouter::customEvent(QEvent* event)
{
    if (event->type() != kDrainEvent) {
        QObject::customEvent(event);
        return;
    }
    QElapsedTimer spent;
    spent.start();
    for (;;) {
        std::vector<DeviceListBinding::DeviceMessage> slice;
        {
            std::lock_guard lock(m_postLock);
            const std::size_t take = std::min(kDrainSlice, m_pending.size());
            slice.reserve(take);
            for (std::size_t i = 0; i < take; ++i) {
                m_pendingMessage.erase(m_pending.front().second.get());
                slice.push_back(std::move(m_pending.front()));
                m_pending.pop_front();
            }
        }
        Deliver(slice);
        std::lock_guard lock(m_postLock);
        if (m_pending.empty() || !m_attached) {
            m_drainPosted = false;
            return;
        }
        if (spent.elapsed() >= kDrainBudgetMs) {
            // The rest waits for a fresh event, behind the input that came meanwhile.
            QCoreApplication::postEvent(this, new QEvent(kDrainEvent));
            return;
        }
    }
}

void DeviceRouter::Deliver(const std::vector<DeviceListBinding::DeviceMessage>& messages)
{
    if (messages.empty()) {
        return;
    }
    for (DeviceListBinding* list : m_recipients) {
        list->HandleDeviceMessages(messages);
    }
}

void DeviceRouter::SendDeviceGone(const DeviceRef& entry, std::uint32_t holders)
{
    SendDevicesGone({{entry, holders}});
}

void DeviceRouter::SendDevicesGone(const std::vector<Gone>& gone)
{
    for (DeviceListBinding* list : m_recipients) {
        std::vector<DeviceRef> entries;
        for (const Gone& item : gone) {
            if ((item.holders & list->HolderBit()) != 0) {
                entries.push_back(item.entry);
            }
        }
        if (!entries.empty()) {
            list->DevicesGone(entries);
        }
    }
}

void DeviceRouter::AddPanelLine(const PanelLine& line)
{
    {
        std::lock_guard lock(m_postLock);
        if (!m_attached) {
            return;
        }
    }
    m_lines(line);
}
