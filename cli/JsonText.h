#pragma once

#include <QByteArray>
#include <QStringView>

namespace corvinel {

struct ResultTable;

// Compact JSON written straight into UTF-8 bytes, exactly as QJsonDocument's
// compact form writes the same values. A combination search lists every
// matched draw (megabytes of text); building that as a QJsonArray of
// QJsonArrays and converting it twice cost more than the search itself.

// Appends `text` as a JSON string (quotes and escapes included).
void appendJsonString(QByteArray& out, QStringView text);

// {"header":[...],"rows":[[...],...]}: the table's header and every body row.
void appendTableJson(QByteArray& out, const ResultTable& table);

} // namespace corvinel
