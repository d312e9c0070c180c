// soak_site --code CODE --from YYYY-MM-DD --to YYYY-MM-DD: a local
// results site for the update soak on a free port of 127.0.0.1. Serves one
// full day page (every draw of the day, numbers from the test site's
// generator) for each day from..to, prints its base address on the first line of stdout and serves until it is
// terminated.

#include "support/TestSite.h"

#include "core/IssueNumber.h"

#include <QCoreApplication>
#include <QDate>
#include <QStringList>

#include <cstdio>

using namespace corvinel;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    int code = issue::kHunan;
    QDate from;
    QDate to;
    for (int i = 0; i + 1 < args.size(); i += 2) {
        const QString& name = args[i];
        const QString& value = args[i + 1];
        if (name == QLatin1String("--code"))
            code = value.toInt();
        else if (name == QLatin1String("--from"))
            from = QDate::fromString(value, QStringLiteral("yyyy-MM-dd"));
        else if (name == QLatin1String("--to"))
            to = QDate::fromString(value, QStringLiteral("yyyy-MM-dd"));
    }
    if (args.size() % 2 != 0 || !from.isValid() || !to.isValid() || from > to) {
        std::fprintf(stderr, "usage: soak_site --code CODE --from YYYY-MM-DD --to YYYY-MM-DD\n");
        return 2;
    }

    sitetest::TestSite site;
    if (site.base().endsWith(QLatin1String(":0"))) {
        std::fprintf(stderr, "soak_site: cannot listen on 127.0.0.1\n");
        return 1;
    }
    const int perDay = issue::drawsPerDay(code);
    const int digits = issue::sequenceDigits(code);
    for (QDate d = from; d <= to; d = d.addDays(1))
        site.setPage(code, d, sitetest::dayPage(sitetest::dayRows(d, 1, perDay, digits)));
    std::printf("%s\n", site.base().toUtf8().constData());
    std::fflush(stdout);
    return app.exec();
}
