#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace bibliora {

class MessageBox;
class RecordModel;

// The find dialog: finds the first record whose title or standard number equals the search
// text exactly. Created once, then shown and hidden; its text and option survive hiding.
// Enter starts no search and Escape does not close it.
class FindFrm final : public QDialog
{
    Q_OBJECT
public:
    FindFrm(const RecordModel& records, MessageBox& messages, QWidget* parent);

    void startSearch();

signals:
    void found(int row); // grid row, 1-based

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const RecordModel& m_records;
    MessageBox& m_messages;
    QGroupBox* m_frame1;
    QPushButton* m_command1;
    QRadioButton* m_option1;
    QRadioButton* m_option2;
    QLineEdit* m_text1;
    QLabel* m_label1;
};

} // namespace bibliora
