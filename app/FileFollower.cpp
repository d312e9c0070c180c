#include "app/FileFollower.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace corvinel {

FileFollower::FileFollower(Session& session, QWidget* window, QObject* parent)
    : QObject(parent)
    , m_watch(session)
    , m_window(window)
{
    qApp->installEventFilter(this);
}

FileFollower::~FileFollower()
{
    qApp->removeEventFilter(this);
}

bool FileFollower::follow()
{
    // A reload's own refreshes cannot start another check.
    if (m_following)
        return false;
    m_following = true;
    const QString news = m_watch.followFile();
    m_following = false;
    if (news.isEmpty())
        return false;
    emit status(news);
    return true;
}

bool FileFollower::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowActivate || type == QEvent::MouseButtonPress || type == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && m_window && (widget == m_window || widget->window() == m_window) && follow()
            && type != QEvent::WindowActivate)
            return true; // the user sees the new history before any action on it
    }
    return QObject::eventFilter(watched, event);
}

} // namespace corvinel
