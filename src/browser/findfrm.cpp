#include "findfrm.h"

#include "findfirstrow.h"
#include "fonts.h"
#include "messagebox.h"
#include "twips.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace bibliora {

FindFrm::FindFrm(const RecordModel& records, MessageBox& messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_records(records), m_messages(messages)
{
    setObjectName(QStringLiteral("FindFrm"));
    setWindowTitle(QStringLiteral("简易查找>>"));
    setModal(false);
    setFont(songFont(9));
    const double dpi = logicalDpi(this);
    const auto place = [dpi](QWidget* w, const QRectF& twips) {
        w->setGeometry(twipsToPixels(twips, dpi));
    };

    // Created in tab order: the button, the two options, the search box, the label.
    m_frame1 = new QGroupBox(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    place(m_frame1, QRectF(60, 60, 4755, 2115));
    m_command1 = new QPushButton(QStringLiteral("开始查找"), m_frame1);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setAutoDefault(false);
    m_command1->setDefault(false);
    place(m_command1, QRectF(3240 - 60, 1020 - 60, 1035, 375));
    m_option1 = new QRadioButton(QStringLiteral("正题名"), m_frame1);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option1->setChecked(true);
    place(m_option1, QRectF(1260 - 60, 1140 - 60, 2235, 255));
    m_option2 = new QRadioButton(QStringLiteral("标准号"), m_frame1);
    m_option2->setObjectName(QStringLiteral("Option2"));
    place(m_option2, QRectF(2220 - 60, 1140 - 60, 1155, 255));
    m_text1 = new QLineEdit(m_frame1);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setMaxLength(100);
    place(m_text1, QRectF(1020 - 60, 540 - 60, 3255, 315));
    m_label1 = new QLabel(QStringLiteral("检索词:"), m_frame1);
    m_label1->setObjectName(QStringLiteral("Label1"));
    place(m_label1, QRectF(300 - 60, 600 - 60, 855, 315));
    // The first option's box reaches under the button; keep the whole button clickable.
    m_command1->raise();
    setTabOrder(m_command1, m_option1);
    setTabOrder(m_option1, m_option2);
    setTabOrder(m_option2, m_text1);

    setFixedSize(twipsToPixels(4920, dpi), twipsToPixels(2430, dpi));
    connect(m_command1, &QPushButton::clicked, this, &FindFrm::startSearch);
    for (QWidget* child : {static_cast<QWidget*>(m_command1), static_cast<QWidget*>(m_option1),
                           static_cast<QWidget*>(m_option2), static_cast<QWidget*>(m_text1)})
        child->installEventFilter(this);
}

void FindFrm::startSearch()
{
    const int column = m_option1->isChecked() ? 1 : 2;
    const int row = findFirstRow(m_records, column, m_text1->text());
    if (row > 0) {
        hide();
        emit found(row);
        return;
    }
    m_messages.show(this, QStringLiteral("抱歉,没有找到符合要求的数据信息!"),
                    QStringLiteral("操作提示"), MessageButtons::Ok, MessageIcon::Information,
                    MessageAnswer::Ok);
}

bool FindFrm::eventFilter(QObject* watched, QEvent* event)
{
    // Alt with a letter or digit has no use here (no control has an access key): it must not
    // type into the search box. Ctrl+Alt is AltGr on some keyboards and types as usual.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if ((mods & Qt::AltModifier) && !(mods & Qt::ControlModifier) &&
            ((key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z) ||
             (key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9)))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool FindFrm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        m_text1->selectAll();
        m_text1->setFocus(Qt::ActiveWindowFocusReason);
    }
    return QDialog::event(event);
}

void FindFrm::keyPressEvent(QKeyEvent* event)
{
    // No default button and no cancel button: Enter and Escape do nothing here.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace bibliora
