#pragma once

#include <QLabel>

namespace bibliora {

// A label that acts as a link: a left click (press and release on it) opens it; other
// buttons do nothing.
class LinkLabel final : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace bibliora
