#pragma once

#include "score/Message.h"

#include <cassert>
#include <utility>
#include <variant>

// What an operation of the libraries gives back when it can fail: the value it made, or the
// ScoreError that says why it made none, never both. The reason is data (a message id and its
// arguments), so that the window and the command line can each show it in the user's
// language; no caller needs to parse or patch English text.
//
// A Result is a plain value: it is made on one thread and may be moved to another.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(ScoreError error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; only when ok().
    const T& value() const {
        assert(ok());
        return std::get<0>(m_state);
    }
    T& value() {
        assert(ok());
        return std::get<0>(m_state);
    }
    // Why it failed; only when !ok().
    const ScoreError& error() const {
        assert(!ok());
        return std::get<1>(m_state);
    }

private:
    std::variant<T, ScoreError> m_state;
};

// What an operation that makes nothing but can fail gives back: Status{Done{}} or the reason.
struct Done {};
using Status = Result<Done>;
