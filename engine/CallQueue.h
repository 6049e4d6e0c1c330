#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

// Calls handed from any thread to the thread this object lives on, run there one at a time
// in the order they were posted.
//
// The calls wait in a queue under a lock of our own; the toolkit's event queue only carries
// a wake-up with nothing in it. The toolkit's own locks are invisible to the race detector,
// so a call carried by the toolkit would look to it as if it raced with its poster; through
// this lock every hand-over is one it can see.
class CallQueue : public QObject {
    Q_OBJECT
public:
    explicit CallQueue(QObject* parent = nullptr);
    ~CallQueue() override;

    void post(std::function<void()> call);

private:
    // Runs the oldest call. The call may delete this queue: nothing of it is touched after.
    Q_INVOKABLE void runNext();

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_calls;
};
