#include "app/WheelFilter.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

using namespace corvinel;

namespace {

// Sends one wheel event with the vertical angle step `dy` to `w` (eighths of a
// degree: 120 is one notch away from the user, -120 towards the user).
bool wheel(QWidget* w, int dy)
{
    const QPointF pos(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent ev(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, dy), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                   false);
    QApplication::sendEvent(w, &ev);
    return ev.isAccepted();
}

} // namespace

class WheelTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_window = new QWidget;
        auto* layout = new QVBoxLayout(m_window);
        m_model = new QStandardItemModel(200, 3, m_window);
        for (int r = 0; r < 200; ++r)
            m_model->setItem(r, 0, new QStandardItem(QString::number(r)));
        for (int i = 0; i < 3; ++i) {
            m_grids[i] = new QTableView(m_window);
            m_grids[i]->setObjectName(QStringLiteral("MSFlexGrid%1").arg(i + 1));
            m_grids[i]->setModel(m_model);
            layout->addWidget(m_grids[i]);
        }
        // The third grid scrolls per pixel, as a grid may be set up.
        m_grids[2]->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        m_box = new QLineEdit(m_window);
        layout->addWidget(m_box);
        m_filter = new WheelFilter(m_window, { m_grids[0], m_grids[1], m_grids[2] });
        m_window->resize(400, 700);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        for (QTableView* g : m_grids)
            QVERIFY(g->verticalScrollBar()->maximum() > 10);
    }
    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
    }

    void focusedGridMovesOneRowPerEvent()
    {
        QTableView* g = m_grids[0];
        g->setFocus();
        QCOMPARE(m_filter->target(), g);
        QCOMPARE(WheelFilter::topRow(g), 0);
        QVERIFY(wheel(g->viewport(), -120));
        QCOMPARE(WheelFilter::topRow(g), 1);
        wheel(g->viewport(), -120);
        wheel(g->viewport(), -120);
        QCOMPARE(WheelFilter::topRow(g), 3);
        // A big step or a small one is still one row.
        wheel(g->viewport(), -720);
        QCOMPARE(WheelFilter::topRow(g), 4);
        wheel(g->viewport(), -15);
        QCOMPARE(WheelFilter::topRow(g), 5);
        wheel(g->viewport(), 360);
        QCOMPARE(WheelFilter::topRow(g), 4);
        for (int i = 0; i < 10; ++i)
            wheel(g->viewport(), 120);
        QCOMPARE(WheelFilter::topRow(g), 0);
        // A step without a vertical delta (end of a touchpad gesture) moves nothing.
        wheel(g->viewport(), 0);
        QCOMPARE(WheelFilter::topRow(g), 0);
    }

    void wheelAnywhereScrollsOnlyTheFocusedGrid()
    {
        m_grids[1]->setFocus();
        wheel(m_grids[0]->viewport(), -120); // over another grid
        wheel(m_box, -120); // over a box
        wheel(m_window, -120); // over the window itself
        QCOMPARE(WheelFilter::topRow(m_grids[1]), 3);
        QCOMPARE(WheelFilter::topRow(m_grids[0]), 0);
        QCOMPARE(WheelFilter::topRow(m_grids[2]), 0);

        // The focus moves on to the third grid (scrolling per pixel).
        m_grids[2]->setFocus();
        QCOMPARE(m_filter->target(), m_grids[2]);
        wheel(m_grids[1]->viewport(), -120);
        wheel(m_grids[2]->viewport(), -120);
        QCOMPARE(WheelFilter::topRow(m_grids[2]), 2);
        QCOMPARE(WheelFilter::topRow(m_grids[1]), 3);
        wheel(m_grids[2]->viewport(), 120);
        QCOMPARE(WheelFilter::topRow(m_grids[2]), 1);
    }

    void noFocusedGridScrollsNoGrid()
    {
        m_box->setFocus();
        QCOMPARE(m_filter->target(), nullptr);
        for (QTableView* g : m_grids) {
            wheel(g->viewport(), -120);
            wheel(g, -120);
            QCOMPARE(WheelFilter::topRow(g), 0);
            QCOMPARE(g->verticalScrollBar()->value(), 0);
        }
    }

    void stopsAtTheLastRow()
    {
        QTableView* g = m_grids[0];
        g->setFocus();
        for (int i = 0; i < 400; ++i)
            wheel(g->viewport(), -120);
        const int top = WheelFilter::topRow(g);
        QVERIFY(top > 150);
        QCOMPARE(g->verticalScrollBar()->value(), g->verticalScrollBar()->maximum());
        wheel(g->viewport(), 120);
        QCOMPARE(WheelFilter::topRow(g), top - 1);
    }

    void otherWindowsAreLeftAlone()
    {
        QWidget other;
        auto* layout = new QVBoxLayout(&other);
        auto* foreign = new QTableView(&other);
        foreign->setModel(m_model);
        layout->addWidget(foreign);
        other.resize(300, 300);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        m_grids[0]->setFocus();
        wheel(foreign->viewport(), -120);
        // Qt's own scrolling runs there: three rows per notch by default.
        QVERIFY(foreign->verticalScrollBar()->value() > 0);
        QCOMPARE(WheelFilter::topRow(m_grids[0]), 0);
    }

private:
    QWidget* m_window = nullptr;
    QStandardItemModel* m_model = nullptr;
    std::array<QTableView*, 3> m_grids {};
    QLineEdit* m_box = nullptr;
    WheelFilter* m_filter = nullptr;
};

QTEST_MAIN(WheelTest)
#include "WheelTest.moc"
