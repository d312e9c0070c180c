#pragma once

#include "session/HistoryWatch.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace corvinel {

class Session;

// The window follows the history file: when the window becomes active again
// and before any mouse press or key press in it reaches its control (so
// before the action it starts), the session is asked whether another program
// changed or replaced the history; a reload is reported through `status`.
// Installed on the application, like the wheel filter; it looks only at
// events of its own window.
class FileFollower : public QObject
{
    Q_OBJECT

public:
    FileFollower(Session& session, QWidget* window, QObject* parent = nullptr);
    ~FileFollower() override;
    FileFollower(const FileFollower&) = delete;
    FileFollower& operator=(const FileFollower&) = delete;

    // The check itself (also for tests): reloads when needed; true when it
    // did. The press or key that made it reload is then not passed on: the
    // click was aimed at a history the user no longer sees.
    bool follow();

signals:
    void status(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HistoryWatch m_watch;
    QPointer<QWidget> m_window;
    bool m_following = false;
};

} // namespace corvinel
