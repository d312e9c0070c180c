#!/usr/bin/env bash
# Brings share/translations/corvinel_zh_CN.ts up to date with the sources:
# lupdate collects every text marked for translation (tr(),
# QCoreApplication::translate(), QT_TRANSLATE_NOOP) and drops the ones gone;
# a new text is written in Chinese already, so its translation starts as the
# text itself and is marked finished. Edit a translation in the .ts (or
# Qt Linguist) to change what the window shows without touching the code.
set -euo pipefail
cd "$(dirname "$0")/.."
ts=share/translations/corvinel_zh_CN.ts
lupdate=/usr/lib/qt6/bin/lupdate
[ -x "$lupdate" ] || lupdate=lupdate
"$lupdate" -silent -I "$PWD" -I /usr/include/x86_64-linux-gnu/qt6 -I /usr/include/x86_64-linux-gnu/qt6/QtCore -I /usr/include/x86_64-linux-gnu/qt6/QtWidgets -no-obsolete -locations none -source-language zh_CN -target-language zh_CN \
    app session analysis acquire export store -ts "$ts"
python3 - "$ts" <<'PY'
import sys
import xml.etree.ElementTree as ET
path = sys.argv[1]
tree = ET.parse(path)
for message in tree.getroot().iter("message"):
    source = message.find("source")
    translation = message.find("translation")
    if translation is None or source is None:
        continue
    if translation.get("type") == "unfinished":
        # lupdate's guess from a like text elsewhere, or nothing: the
        # Chinese source is the text to show.
        translation.text = source.text
        del translation.attrib["type"]
with open(path, "wb") as f:
    f.write(b'<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n')
    tree.write(f, encoding="utf-8", xml_declaration=False)
    f.write(b"\n")
PY
