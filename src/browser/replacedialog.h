#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace bibliora {

namespace edit {
class Matcher;
class RecordChange;
} // namespace edit
class MessageBox;
class RecordModel;

// 查找替换: finds records by the text of any field, a tag, a subfield or the leader (contains,
// whole subfield or a regular expression, with or without case), selects every match in the
// grid, and replaces in the shown record or in every record (or the selected rows). It reads
// the list; what it changes, it hands to the window as a change to make, through the hooks.
class ReplaceDialog final : public QDialog
{
    Q_OBJECT
public:
    // What the dialog needs of the window. Rows are grid rows (1-based).
    struct Hooks
    {
        std::function<int()> shownRow;                       // NowRow; 0 for none
        std::function<std::vector<int>()> selectedRows;      // ascending
        std::function<void(int)> show;                       // make a row the shown one
        std::function<void(const std::vector<int>&)> select; // select exactly these
        // Makes `change` in the given rows (every row when empty) as one step named `name`;
        // the window tells the user what was done. `now` is true for a single row, which is
        // changed before the call returns.
        std::function<void(std::shared_ptr<const edit::RecordChange> change, const QString& name,
                           const std::vector<int>& rows)>
            change;
    };

    ReplaceDialog(const RecordModel& records, MessageBox& messages, Hooks hooks, QWidget* parent);

    void findNext();
    void selectAllMatches();
    void replaceShown();
    void replaceAll();
    // While a replace-all runs the buttons that change or search records are off.
    void setBusy(bool busy);

private:
    // The search the boxes describe, or null after telling the user why not.
    std::shared_ptr<const edit::Matcher> matcher();
    // The search and the replacement the boxes describe; null change after telling why not.
    struct Replacement
    {
        std::shared_ptr<const edit::Matcher> matcher;
        std::shared_ptr<const edit::RecordChange> change;
    };
    Replacement replacement();
    // Finds from grid row `after` + 1 on, asking to go on from the first row at the end.
    void findFrom(const edit::Matcher& matcher, int after);
    void tell(const QString& text);
    void reportLimit();

    const RecordModel& m_records;
    MessageBox& m_messages;
    Hooks m_hooks;
    QLineEdit* m_find;
    QLineEdit* m_with;
    QLineEdit* m_scope;
    QRadioButton* m_contains;
    QRadioButton* m_whole;
    QRadioButton* m_regex;
    QCheckBox* m_case;
    QCheckBox* m_selectedOnly;
    std::vector<QPushButton*> m_commands;
};

} // namespace bibliora
