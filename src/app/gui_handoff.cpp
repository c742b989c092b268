#include "app/gui_handoff.h"

void GuiHandoff::Channel::Post(Call call)
{
    std::lock_guard lock(m_mutex);
    if (!m_receiver)
        return;
    const bool wasIdle = m_calls.empty();
    m_calls.push_back(std::move(call));
    // One wake-up serves every call queued before the drain runs. Posting it
    // under the lock keeps the receiver alive: its destructor takes the lock
    // first, and Qt drops the wake-ups still queued for a destroyed object.
    if (wasIdle)
        QMetaObject::invokeMethod(m_receiver, "drain", Qt::QueuedConnection);
}

GuiHandoff::GuiHandoff(QObject* parent)
    : QObject(parent)
    , m_channel(std::make_shared<Channel>())
{
    m_channel->m_receiver = this;
}

GuiHandoff::~GuiHandoff()
{
    std::vector<Call> dropped;
    {
        std::lock_guard lock(m_channel->m_mutex);
        m_channel->m_receiver = nullptr;
        dropped.swap(m_channel->m_calls);
    }
}

void GuiHandoff::drain()
{
    // A call may close the window that owns this handoff and so destroy it;
    // the channel is held here so the rest of the batch can see that and stop.
    const std::shared_ptr<Channel> channel = m_channel;
    std::vector<Call> calls;
    {
        std::lock_guard lock(channel->m_mutex);
        calls.swap(channel->m_calls);
    }
    for (Call& call : calls) {
        if (!channel->m_receiver)
            return;
        call();
    }
}
