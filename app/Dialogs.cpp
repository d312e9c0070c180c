#include "app/Dialogs.h"

#include <QFileDialog>
#include <QInputDialog>

#include <utility>

namespace corvinel {

Dialogs::Dialogs(QWidget* parent)
    : m_parent(parent)
{
}

QMessageBox::StandardButton Dialogs::message(const QString& title, const QString& text,
                                             QMessageBox::StandardButtons buttons, QMessageBox::Icon icon)
{
    m_shown.append({ Shown::Message, title, text });
    if (!m_messageAnswers.empty()) {
        const auto a = m_messageAnswers.front();
        m_messageAnswers.pop_front();
        return a;
    }
    if (m_automatic) {
        if (buttons & QMessageBox::Cancel)
            return QMessageBox::Cancel;
        if (buttons & QMessageBox::No)
            return QMessageBox::No;
        return QMessageBox::Ok;
    }
    QMessageBox box(icon, title, text, buttons, m_parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

std::optional<QString> Dialogs::input(const QString& title, const QString& prompt, const QString& defaultText)
{
    m_shown.append({ Shown::Input, title, prompt, defaultText });
    if (!m_inputAnswers.empty()) {
        const InputAnswer a = m_inputAnswers.front();
        m_inputAnswers.pop_front();
        if (!a.given)
            return std::nullopt;
        return a.text;
    }
    if (m_automatic)
        return std::nullopt;
    bool ok = false;
    const QString answer = QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

QString Dialogs::openFile(const QString& title, const QString& dir, const QString& filter)
{
    m_shown.append({ Shown::OpenFile, title, dir });
    if (!m_fileAnswers.empty()) {
        QString a = std::move(m_fileAnswers.front());
        m_fileAnswers.pop_front();
        return a;
    }
    if (m_automatic)
        return {};
    // Qt's own dialog speaks the window's language; a desktop's native one
    // follows the system's, which may not be Chinese.
    return QFileDialog::getOpenFileName(m_parent, title, dir, filter, nullptr, QFileDialog::DontUseNativeDialog);
}

} // namespace corvinel
