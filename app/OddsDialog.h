#pragma once

#include "analysis/Plays.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace corvinel {

class Session;

// 玩法与概率: every play of the current game with its prize, exact chance,
// expected prize and return. The prize column is editable; 保存奖金表 writes
// the game's prize table file, 恢复广东奖金 puts Guangdong's prizes back.
class OddsDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kPrizeColumn = 2;

    OddsDialog(const Session& session, QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }
    const PrizeTable& prizes() const { return m_prizes; }
    QString noteText() const;
    // Writes the prizes shown to the game's file; false with the reason
    // shown under the table.
    bool save();

private:
    void fill();
    void prizeEdited(int row, int column);

    const Session& m_session;
    PrizeTable m_prizes;
    bool m_filling = false;
    QTableWidget* m_table = nullptr;
    QLabel* m_note = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_save = nullptr;
};

} // namespace corvinel
