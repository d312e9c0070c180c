#include "cli/JsonText.h"

#include "analysis/ResultTable.h"

namespace corvinel {

void appendJsonString(QByteArray& out, QStringView text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out.append('"');
    qsizetype plainFrom = 0;
    auto flushPlain = [&](qsizetype to) {
        if (to > plainFrom)
            out.append(text.mid(plainFrom, to - plainFrom).toUtf8());
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c != u'"' && c != u'\\')
            continue;
        flushPlain(i);
        plainFrom = i + 1;
        out.append('\\');
        switch (c) {
        case u'"':
            out.append('"');
            break;
        case u'\\':
            out.append('\\');
            break;
        case u'\b':
            out.append('b');
            break;
        case u'\f':
            out.append('f');
            break;
        case u'\n':
            out.append('n');
            break;
        case u'\r':
            out.append('r');
            break;
        case u'\t':
            out.append('t');
            break;
        default:
            out.append("u00");
            out.append(kHex[(c >> 4) & 0xf]);
            out.append(kHex[c & 0xf]);
            break;
        }
    }
    flushPlain(text.size());
    out.append('"');
}

void appendTableJson(QByteArray& out, const ResultTable& table)
{
    out.append("{\"header\":[");
    for (qsizetype c = 0; c < table.header.size(); ++c) {
        if (c)
            out.append(',');
        appendJsonString(out, table.header[c]);
    }
    out.append("],\"rows\":[");
    const int columns = table.columnCount();
    for (int r = 0; r < table.rowCount(); ++r) {
        out.append(r ? ",[" : "[");
        for (int c = 0; c < columns; ++c) {
            if (c)
                out.append(',');
            appendJsonString(out, table.cell(r, c));
        }
        out.append(']');
    }
    out.append("]}");
}

} // namespace corvinel
