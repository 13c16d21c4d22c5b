#pragma once

#include <QLineEdit>
#include <functional>

namespace bibliora {

// The record number box: while records are shown it takes digits only (no backspace, no
// clipboard keys), and Enter or leaving the box asks for a jump to the number typed. With
// no records it is an ordinary box.
class RecordNumberBox final : public QLineEdit
{
    Q_OBJECT
public:
    explicit RecordNumberBox(QWidget* parent = nullptr);

    std::function<bool()> recordsShown;

signals:
    void jumpRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool refuses(const QKeyEvent* event) const;
};

} // namespace bibliora
