#pragma once

#include "listchange.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace bibliora {

namespace edit {
class RecordChange;
}
class EditJob;
class MessageBox;
class RecordModel;
struct BuildTime;

// 批量修改: adds a field, deletes the fields of a tag or range (optionally only those with a
// matching subfield), or sets a field's indicators, in every record or in the selected rows.
// 预览 works the change out over the rows in slices, without changing anything, and shows the
// count and the first record it changes, before and after; 确定 hands exactly that worked-out
// change to the window, which applies it as one step. Any edit of the boxes sets the preview
// aside, so what is applied is always what was shown.
class BatchDialog final : public QDialog
{
    Q_OBJECT
public:
    // What the dialog needs of the window. Rows are grid rows (1-based).
    struct Hooks
    {
        std::function<int()> shownRow;                  // NowRow; 0 for none
        std::function<std::vector<int>()> selectedRows; // ascending
        std::function<BuildTime()> now;                 // stamps a generated 001 or 005
        // Applies a worked-out change as one step named "批量修改" and tells the user the
        // counts, and the rows that could not be changed.
        std::function<void(ListChange change, qint64 changes, qint64 records,
                           const std::vector<std::pair<int, QString>>& failures)>
            apply;
    };

    BatchDialog(const RecordModel& records, MessageBox& messages, Hooks hooks, QWidget* parent);
    ~BatchDialog() override;

    // Clears the last preview and offers the selected rows when there are any.
    void prepare();
    void preview();
    // For tests and benchmarks: runs a started preview to its end at once.
    void finishPreview();

private:
    // The change the boxes describe, or null after telling the user why not.
    std::shared_ptr<const edit::RecordChange> change();
    void previewDone(qint64 changes, qint64 records);
    void setPreviewAside();
    void applyPreview();
    void tell(const QString& text);

    const RecordModel& m_records;
    MessageBox& m_messages;
    Hooks m_hooks;
    EditJob* m_job;
    std::optional<ListChange> m_result;
    qint64 m_changes = 0;
    qint64 m_changed = 0;

    QTabWidget* m_operations;
    QLineEdit* m_fieldLine;
    QCheckBox* m_ifMissing;
    QLineEdit* m_deleteTags;
    QCheckBox* m_onlyWhere;
    QLineEdit* m_conditionCode;
    QLineEdit* m_conditionText;
    QComboBox* m_conditionMode;
    QCheckBox* m_conditionCase;
    QLineEdit* m_indicatorTag;
    QLineEdit* m_indicators;
    QRadioButton* m_allRecords;
    QRadioButton* m_selectedRows;
    QPushButton* m_previewButton;
    QPushButton* m_okButton;
    QLabel* m_count;
    QLabel* m_beforeLabel;
    QPlainTextEdit* m_before;
    QPlainTextEdit* m_after;
};

} // namespace bibliora
