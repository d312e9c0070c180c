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
        } else if (xml.name() == u"is") {
            out.cells.insert({ row, col }, readStringItem(xml));
        } else if (xml.name() == u"v") {
            const QString v = xml.readElementText();
            if (type == u"s")
                out.cells.insert({ row, col }, shared.value(v.toInt()));
            else
                out.cells.insert({ row, col }, v);
        }
    }
    if (xml.hasError()) {
        out.error = xml.errorString();
        return out;
    }
    out.ok = true;
    return out;
}
