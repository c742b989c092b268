#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// Hands calls from any thread to the GUI thread, in the order they were
// posted, and drops them once the handoff is gone.
//
// The handoff itself is a QObject of the GUI thread; other threads reach it
// only through its Channel, which they share and which outlives it. A posted
// call runs later on the GUI thread, from the event loop; calls posted after
// the handoff was destroyed, and calls still waiting when it is destroyed,
// are dropped without running. Posting never blocks for longer than a short
// lock and never throws.
//
// The calls cross threads in a queue under a standard mutex, and the wake-up
// is a queued invocation of a slot by name: the hand-over of the call itself
// is then visible to thread checkers, which do not see into Qt's own locks.
class GuiHandoff : public QObject
{
    Q_OBJECT

public:
    using Call = std::function<void()>;

    // The thread-safe end of a handoff.
    class Channel
    {
    public:
        // Queues call for the GUI thread; drops it when the handoff is gone.
        void Post(Call call);

    private:
        friend class GuiHandoff;

        std::mutex m_mutex;
        GuiHandoff* m_receiver = nullptr;
        std::vector<Call> m_calls;
    };

    explicit GuiHandoff(QObject* parent = nullptr);
    ~GuiHandoff() override;
    GuiHandoff(const GuiHandoff&) = delete;
    GuiHandoff& operator=(const GuiHandoff&) = delete;

    std::shared_ptr<Channel> channel() const { return m_channel; }

private slots:
    void drain();

private:
    std::shared_ptr<Channel> m_channel;
};
