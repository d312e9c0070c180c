#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace corvinel {

class BacktestWindow;
class SessionBacktest;
class Dialogs;
class Session;
struct PatternPanel;

// 批量验证 on the verification page: the verified draws (by default the last
// 200 stored draws, renewed when the history changes), K (default 3) and
// whether the combination search is verified; the batch runs under a
// progress dialog that can cancel it, and its outcome opens in a window of
// its own. The three grids and the database stay as they are.
class BacktestController : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultDraws = 200;
    static constexpr int kDefaultTop = 3;
    // The status line after 取消: "已取消：完成 12/200 步".
    static QString cancelledText(int done, int total);

    BacktestController(Session& session, Dialogs& dialogs, QWidget* parentWindow, const PatternPanel& patterns);
    ~BacktestController() override;

    // The button's action, also for tests.
    void run();
    // The window the last run opened (null once it is closed).
    BacktestWindow* lastWindow() const;

    QLineEdit* fromBox() const { return m_from; }
    QLineEdit* toBox() const { return m_to; }
    QSpinBox* topBox() const { return m_top; }
    QCheckBox* combinationBox() const { return m_combination; }
    // 计金额: none, or 选一数投 (each top value 01–18 a 2-yuan bet).
    QComboBox* playBox() const { return m_play; }
    QPushButton* button() const { return m_button; }

signals:
    // A line for the window's status bar (empty: clear it).
    void status(const QString& text);

private:
    void defaultRange();

    Session& m_session;
    Dialogs& m_dialogs;
    QWidget* m_parentWindow; // parent of the dialogs and windows it opens
    std::unique_ptr<SessionBacktest> m_batch;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QSpinBox* m_top = nullptr;
    QCheckBox* m_combination = nullptr;
    QComboBox* m_play = nullptr;
    QPushButton* m_button = nullptr;
    QPointer<BacktestWindow> m_last;
};

} // namespace corvinel
