#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

#include <deque>
#include <optional>

class QWidget;

namespace corvinel {

// Every message box, input box and file dialog of the window goes through
// here, so that a test can answer them: in automatic mode no dialog opens and
// the answers come from the queues (an empty queue answers Cancel / No / OK,
// a cancelled input box, no file). A queued answer is used in either mode.
// Every dialog asked for is recorded in shown().
class Dialogs
{
public:
    struct Shown
    {
        enum Kind
        {
            Message,
            Input,
            OpenFile
        } kind;
        QString title;
        QString text;
        QString defaultText = {}; // the input box's default answer
    };

    explicit Dialogs(QWidget* parent = nullptr);

    void setParent(QWidget* parent) { m_parent = parent; }

    QMessageBox::StandardButton message(const QString& title, const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::Icon icon = QMessageBox::Information);
    // Input box; nothing when cancelled.
    std::optional<QString> input(const QString& title, const QString& prompt, const QString& defaultText = {});
    // File dialog; empty when cancelled.
    QString openFile(const QString& title, const QString& dir, const QString& filter);

    // ---- Test seam ----
    void setAutomatic(bool automatic) { m_automatic = automatic; }
    void queueMessageAnswer(QMessageBox::StandardButton answer) { m_messageAnswers.push_back(answer); }
    // Nothing queues a cancelled input box.
    void queueInput(const std::optional<QString>& answer)
    {
        m_inputAnswers.push_back({ answer.has_value(), answer.value_or(QString()) });
    }
    void queueFile(const QString& path) { m_fileAnswers.push_back(path); }
    const QList<Shown>& shown() const { return m_shown; }
    void clearShown() { m_shown.clear(); }
    int pendingAnswers() const
    {
        return static_cast<int>(m_messageAnswers.size() + m_inputAnswers.size() + m_fileAnswers.size());
    }

private:
    QWidget* m_parent = nullptr;
    bool m_automatic = false;
    std::deque<QMessageBox::StandardButton> m_messageAnswers;
    struct InputAnswer
    {
        bool given;
        QString text;
    };
    std::deque<InputAnswer> m_inputAnswers;
    std::deque<QString> m_fileAnswers;
    QList<Shown> m_shown;
};

} // namespace corvinel
