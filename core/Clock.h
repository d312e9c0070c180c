#pragma once

#include <QDate>

#include <functional>

namespace corvinel {

// Today's date, through one seam so that tests and `--today` can fix it.
class Clock
{
public:
    static QDate today() { return fixed().isValid() ? fixed() : QDate::currentDate(); }
    static void setToday(const QDate& d) { fixed() = d; }
    static void reset() { fixed() = QDate(); }

private:
    static QDate& fixed()
    {
        static QDate d;
        return d;
    }
};

} // namespace corvinel
