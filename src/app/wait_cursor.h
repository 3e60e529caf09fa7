#pragma once

#include <QApplication>

namespace ticksmith::app {

// A cursor over the whole program for the length of a scope; nested ones stack.
class ScopedCursor {
  public:
    explicit ScopedCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~ScopedCursor() { QApplication::restoreOverrideCursor(); }
    ScopedCursor(const ScopedCursor&) = delete;
    ScopedCursor& operator=(const ScopedCursor&) = delete;
};

// The wait cursor for the length of a scope: a refill, a move of many quotes, a search.
class WaitCursor : public ScopedCursor {
  public:
    WaitCursor() : ScopedCursor(Qt::WaitCursor) {}
};

}  // namespace ticksmith::app
