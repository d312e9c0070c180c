#include "support/WorkbookReader.h"

#include <QProcess>
#include <QStringList>
#include <QXmlStreamReader>

namespace {

bool unzipEntry(const QString& zip, const QString& entry, QByteArray* out)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), { QStringLiteral("-p"), zip, entry });
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return false;
    *out = p.readAllStandardOutput();
    return true;
}

// "AB12" -> (11, 27)
bool parseRef(const QString& ref, int* row, int* col)
{
    int i = 0;
    int c = 0;
    while (i < ref.size() && ref[i].isLetter()) {
        c = c * 26 + (ref[i].toUpper().unicode() - u'A' + 1);
        ++i;
    }
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (!ok || c == 0 || r == 0)
        return false;
    *row = r - 1;
    *col = c - 1;
    return true;
}

// The text of the <si>/<is> element the reader stands on (all <t> inside).
QString readStringItem(QXmlStreamReader& xml)
{
    const QString end = xml.name().toString();
    QString text;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"t")
            text += xml.readElementText();
        else if (xml.isEndElement() && xml.name() == end)
            break;
    }
    return text;
}

// The formats of the cell styles, by style index: builtin ids or <numFmt>s.
QStringList styleFormats(const QByteArray& stylesXml)
{
    QMap<int, QString> codes = { { 0, QStringLiteral("General") },
                                 { 1, QStringLiteral("0") },
                                 { 2, QStringLiteral("0.00") },
                                 { 9, QStringLiteral("0%") },
                                 { 10, QStringLiteral("0.00%") } };
    QStringList styles;
    QXmlStreamReader xml(stylesXml);
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"cellXfs")
            inCellXfs = false;
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"numFmt")
            codes.insert(xml.attributes().value(QStringLiteral("numFmtId")).toInt(),
                         xml.attributes().value(QStringLiteral("formatCode")).toString());
        else if (xml.name() == u"cellXfs")
            inCellXfs = true;
        else if (inCellXfs && xml.name() == u"xf")
            styles << codes.value(xml.attributes().value(QStringLiteral("numFmtId")).toInt(), QStringLiteral("?"));
    }
    return styles;
}

// A number as a spreadsheet shows it in the formats the exports use.
QString shown(double value, const QString& raw, const QString& format)
{
    if (format == u"General")
        return raw;
    const bool percent = format.endsWith(u'%');
    const QString code = percent ? format.chopped(1) : format;
    const int dot = code.indexOf(u'.');
    const int decimals = dot < 0 ? 0 : static_cast<int>(code.size()) - dot - 1;
    const int width = dot < 0 ? static_cast<int>(code.size()) : dot;
    QString text = QString::number(percent ? value * 100 : value, 'f', decimals);
    const bool negative = text.startsWith(u'-');
    if (negative)
        text.remove(0, 1);
    const int intDigits = text.indexOf(u'.') < 0 ? static_cast<int>(text.size()) : static_cast<int>(text.indexOf(u'.'));
    if (intDigits < width)
        text.prepend(QString(width - intDigits, u'0'));
    return (negative ? QStringLiteral("-") : QString()) + text + (percent ? QStringLiteral("%") : QString());
}

} // namespace

SheetContents readFirstSheet(const QString& path)
{
    SheetContents out;
    QByteArray workbookXml, sheetXml, sharedXml;
    if (!unzipEntry(path, QStringLiteral("xl/workbook.xml"), &workbookXml)
        || !unzipEntry(path, QStringLiteral("xl/worksheets/sheet1.xml"), &sheetXml)) {
        out.error = QStringLiteral("cannot unzip ") + path;
        return out;
    }
    unzipEntry(path, QStringLiteral("xl/sharedStrings.xml"), &sharedXml); // absent with inline strings
    QByteArray stylesXml;
    unzipEntry(path, QStringLiteral("xl/styles.xml"), &stylesXml);
    const QStringList styles = styleFormats(stylesXml);

    QXmlStreamReader wb(workbookXml);
    while (!wb.atEnd()) {
        wb.readNext();
        if (wb.isStartElement() && wb.name() == u"sheet") {
            out.sheetName = wb.attributes().value(QStringLiteral("name")).toString();
            break;
        }
    }

    QStringList shared;
    if (!sharedXml.isEmpty()) {
        QXmlStreamReader ss(sharedXml);
        while (!ss.atEnd()) {
            ss.readNext();
            if (ss.isStartElement() && ss.name() == u"si")
                shared << readStringItem(ss);
        }
    }

    QXmlStreamReader xml(sheetXml);
    int row = -1, col = -1;
    QString type;
    int style = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"row") {
            ++out.rowElements;
        } else if (xml.name() == u"c") {
            if (!parseRef(xml.attributes().value(QStringLiteral("r")).toString(), &row, &col)) {
                out.error = QStringLiteral("bad cell reference");
                return out;
            }
            type = xml.attributes().value(QStringLiteral("t")).toString();
            style = xml.attributes().value(QStringLiteral("s")).toInt();
        } else if (xml.name() == u"is") {
            out.cells.insert({ row, col }, readStringItem(xml));
            out.types.insert({ row, col }, QStringLiteral("s"));
        } else if (xml.name() == u"v") {
            const QString v = xml.readElementText();
            if (type == u"s") {
                out.cells.insert({ row, col }, shared.value(v.toInt()));
                out.types.insert({ row, col }, QStringLiteral("s"));
            } else if (type.isEmpty() || type == u"n") {
                const QString format = styles.value(style, QStringLiteral("General"));
                out.types.insert({ row, col }, QStringLiteral("n"));
                out.numbers.insert({ row, col }, v.toDouble());
                out.formats.insert({ row, col }, format);
                out.cells.insert({ row, col }, shown(v.toDouble(), v, format));
            } else {
                out.cells.insert({ row, col }, v);
                out.types.insert({ row, col }, type);
            }
        }
    }
    if (xml.hasError()) {
        out.error = xml.errorString();
        return out;
    }
    out.ok = true;
    return out;
}
