#include "recordnumberbox.h"

#include <QKeyEvent>

namespace bibliora {

RecordNumberBox::RecordNumberBox(QWidget* parent) : QLineEdit(parent) {}

bool RecordNumberBox::refuses(const QKeyEvent* event) const
{
    if (!recordsShown || !recordsShown())
        return false;
    const int key = event->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Delete)
        return false;
    if (key == Qt::Key_Backspace || event->matches(QKeySequence::Copy) ||
        event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut))
        return true;
    const QString text = event->text();
    if (text.isEmpty())
        return false; // keys that type nothing: arrows, Home, End, modifiers
    return !(text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9'));
}

void RecordNumberBox::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && recordsShown && recordsShown()) {
        emit jumpRequested();
    } else if (refuses(event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void RecordNumberBox::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    emit jumpRequested();
}

} // namespace bibliora
