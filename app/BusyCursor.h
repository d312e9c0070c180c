#pragma once

#include <QApplication>

namespace corvinel {

// The wait cursor for the life of one command, put back however it ends (an
// early return after a refusal included).
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace corvinel
