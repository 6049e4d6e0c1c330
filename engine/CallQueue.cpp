#include "engine/CallQueue.h"

#include <utility>

CallQueue::CallQueue(QObject* parent) : QObject(parent) {}

CallQueue::~CallQueue() {
    // Calls never run are dropped here, on whichever thread ends the queue: the lock orders
    // that after their posting.
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
}

void CallQueue::post(std::function<void()> call) {
    // The wake-up is posted under the lock too: runNext takes the lock before anything else,
    // so all of this is ordered before the call runs (and before a call that ends the queue).
    // Posting only appends to the toolkit's queue and never calls back into this one.
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::move(call));
    // One wake-up per call, each running exactly one: none is left waiting.
    QMetaObject::invokeMethod(this, "runNext", Qt::QueuedConnection);
}

void CallQueue::runNext() {
    std::function<void()> call;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_calls.empty()) {
            return;
        }
        call = std::move(m_calls.front());
        m_calls.pop_front();
    }
    call();
}
