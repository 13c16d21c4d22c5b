#pragma once

#include <QString>

class QWidget;

namespace bibliora {

enum class MessageButtons
{
    Ok,
    YesNo
};
enum class MessageIcon
{
    Information,
    Exclamation,
    Critical
};
enum class MessageAnswer
{
    Ok,
    Yes,
    No
};

// Modal message boxes. Texts may hold CR LF line breaks.
class MessageBox
{
public:
    virtual ~MessageBox() = default;
    virtual MessageAnswer show(QWidget* owner, const QString& text, const QString& title,
                               MessageButtons buttons, MessageIcon icon,
                               MessageAnswer defaultButton) = 0;
};

} // namespace bibliora
