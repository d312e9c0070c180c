#include "app/GridModel.h"
#include "app/WindowPanels.h"
#include "app/frmMain.h"
#include "core/Settings.h"
#include "session/Session.h"

#include <QAction>
#include <QSplitter>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHash>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

using namespace corvinel;

// The controllers are wired to the controls the panel builders hand back, while
// users, tests and the settings know the controls by their object names: each
// control handed back must be the one control with its name.
class PanelWiringTest : public QObject
{
    Q_OBJECT

    struct Expected
    {
        QObject* control;
        QString name;
    };

    static void add(std::vector<Expected>& list, QObject* control, const QString& name)
    {
        list.push_back({ control, name });
    }

    template<typename T, std::size_t N>
    static void addRange(std::vector<Expected>& list, const std::array<T*, N>& controls, const QString& pattern,
                         int first, int last)
    {
        for (int i = first; i <= last; ++i)
            add(list, controls[i], pattern.arg(i));
    }

    static void verify(QObject* root, const std::vector<Expected>& list)
    {
        for (const Expected& e : list) {
            QVERIFY2(e.control, qPrintable(QStringLiteral("missing: ") + e.name));
            QCOMPARE(e.control->objectName(), e.name);
            const auto same = root->findChildren<QObject*>(e.name);
            QVERIFY2(same.size() == 1 && same.first() == e.control, qPrintable(e.name));
        }
    }

private slots:
    void panelsHandBackTheNamedControls()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        Session session(std::make_unique<Settings>(dir.filePath(QStringLiteral("settings.ini"))), dir.path());
        QWidget window;
        auto* column = new QVBoxLayout(&window);
        const HistoryPanel h = buildHistoryPanel(&window, column, session);
        const PatternPanel p = buildPatternPanel(&window, column, session);
        const OptionPanel o = buildOptionPanel(&window, column, session);
        const ResultPanel r = buildResultPanel(&window, column);
        const HistoryMenu hm = buildHistoryMenu(&window);
        const SetupMenu sm = buildSetupMenu(&window);

        std::vector<Expected> list;
        add(list, h.grid, QStringLiteral("MSFlexGrid1"));
        add(list, h.model, QStringLiteral("GridModel1"));
        add(list, h.label12, QStringLiteral("Label12"));
        add(list, h.text1, QStringLiteral("Text1"));
        addRange(list, h.maskEdBox1, QStringLiteral("MaskEdBox1_%1"), 1, 8);
        add(list, h.cmdRdLst, QStringLiteral("cmdRdLst"));
        add(list, h.command21, QStringLiteral("Command21"));
        add(list, h.command3, QStringLiteral("Command3"));
        add(list, h.command4, QStringLiteral("Command4"));

        add(list, p.tabStrip, QStringLiteral("TabStrip1"));
        add(list, p.text4, QStringLiteral("Text4"));
        add(list, p.check4, QStringLiteral("Check4"));
        // The pages are dense (position k at index k - 1); the controls keep
        // their original element numbers.
        for (int t = 0; t < 3; ++t) {
            const PatternPageWidgets& page = p.pages[static_cast<std::size_t>(t)];
            add(list, page.frame, QStringLiteral("Frame2_%1").arg(t));
            for (int k = 1; k <= 8; ++k) {
                const auto i = static_cast<std::size_t>(k - 1);
                const int element = t == 0 ? k : (t == 1 ? k % 8 : 10 + k);
                add(list, page.ticks[i], QString::fromLatin1(t == 1 ? "Check11_%1" : "Check1_%1").arg(element));
                add(list, page.values[i], QString::fromLatin1(t == 1 ? "Text22_%1" : "Text2_%1").arg(element));
            }
        }

        addRange(list, o.option1, QStringLiteral("Option1_%1"), 0, 3);
        add(list, o.maskEdBox2, QStringLiteral("MaskEdBox2"));
        addRange(list, o.option2, QStringLiteral("Option2_%1"), 4, 5);
        addRange(list, o.text3, QStringLiteral("Text3_%1"), 0, 1);
        addRange(list, o.option3, QStringLiteral("Option3_%1"), 0, 5);
        addRange(list, o.option4, QStringLiteral("Option4_%1"), 0, 5);
        addRange(list, o.option5, QStringLiteral("Option5_%1"), 1, 8);
        addRange(list, o.option6, QStringLiteral("Option6_%1"), 0, 1);
        add(list, o.combo1, QStringLiteral("Combo1"));
        add(list, o.command1, QStringLiteral("Command1"));
        add(list, o.command2, QStringLiteral("Command2"));
        add(list, o.command9, QStringLiteral("Command9"));

        add(list, r.matches, QStringLiteral("MSFlexGrid2"));
        add(list, r.matchesModel, QStringLiteral("GridModel2"));
        add(list, r.ranking, QStringLiteral("MSFlexGrid3"));
        add(list, r.rankingModel, QStringLiteral("GridModel3"));
        QVERIFY(r.panes && r.panes->indexOf(r.matches) == 0 && r.panes->indexOf(r.rankingRow) == 1
                && r.panes->indexOf(r.chanceGrid) == 2);

        add(list, hm.menu, QStringLiteral("mnuLsgl"));
        add(list, hm.mnuDcls, QStringLiteral("mnuDcls"));
        add(list, hm.mnuErase, QStringLiteral("mnuErase"));
        add(list, hm.mnuClear, QStringLiteral("mnuClear"));
        add(list, hm.mnuDlzd, QStringLiteral("mnuDlzd"));
        add(list, hm.mnuEszhzd, QStringLiteral("mnuEszhzd"));
        add(list, sm.menu, QStringLiteral("mnuSetup"));
        addRange(list, sm.mnuSxcs, QStringLiteral("mnuSxcs_%1"), 0, 1);
        addRange(list, sm.mnuDscs, QStringLiteral("mnuDscs_%1"), 0, 1);
        addRange(list, sm.mnuSxsetup, QStringLiteral("mnuSxsetup_%1"), 0, 1);
        add(list, sm.mnuSetDay, QStringLiteral("mnuSetDay"));
        add(list, sm.mnuUpdateBase, QStringLiteral("mnuUpdateBase"));
        add(list, sm.mnuFrontPage, QStringLiteral("mnuFrontPage"));
        add(list, sm.mnuDescrb, QStringLiteral("mnuDescrb"));
        add(list, sm.numYanshiDown, QStringLiteral("numYanshiDown"));
        addRange(list, sm.mnuKL10, QStringLiteral("mnuKL10_%1"), 0, 2);
        verify(&window, list);

        // The history menu holds exactly its five commands: the online update
        // locks what the menu offers.
        QCOMPARE(hm.menu->actions().size(), 5);
    }

    // A name given twice would leave findChild and the user's settings to
    // pick one of two controls.
    void everyNameInTheWindowIsGivenOnce()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        auto session = std::make_unique<Session>(
            std::make_unique<Settings>(dir.filePath(QStringLiteral("settings.ini"))), dir.path());
        frmMain window(std::move(session));
        QHash<QString, int> seen;
        for (QObject* o : window.findChildren<QObject*>()) {
            const QString name = o->objectName();
            if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")))
                ++seen[name];
        }
        QVERIFY(seen.size() > 100);
        for (auto it = seen.cbegin(); it != seen.cend(); ++it)
            QVERIFY2(it.value() == 1, qPrintable(it.key()));
    }
};

QTEST_MAIN(PanelWiringTest)
#include "PanelWiringTest.moc"
