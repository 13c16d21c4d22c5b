#pragma once

#include "platform.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace bibliora {

namespace edit {
class RecordChange;
}
class CheckWindow;
class EditJob;
class ExportCommand;
class FindFrm;
class GridControl;
class LinkLabel;
class ListChange;
class LoadJob;
class MainMenu;
class RecordNumberBox;
class UndoKeys;
class ReplaceDialog;
class BatchDialog;
struct MainLayout;

// The main window: the menu bar on top, below it the path bar, the record grid on the left and
// the shown record's text on the right. Controls carry the names the rest of the program (and
// the tests) use as objectName: MenuBar, Frame1, Text1, Command1, Command3, Grid1, Frame2,
// Command2_0 .. Command2_3, Text3, Label1, Command5, Command4, Text2, Label2; the check
// results window is CheckWindow.
class BrowserForm final : public QWidget
{
    Q_OBJECT
public:
    explicit BrowserForm(Platform platform, QWidget* parent = nullptr);
    ~BrowserForm() override;

    // Shows the window and, when the start-up path is not empty, loads it.
    void start(const QString& startupPath);

    // Starts loading the file named in Text1; the load runs from the event loop and ends
    // with loadFinished. Nothing happens for a path that is no ordinary file.
    void loadGridData();
    void showCurrentRecord();
    void exportGridData(bool onlyModified);
    void openTheDir(QWidget* varForm, const QString& varDir);

    // The row of the record shown in Text2; 0 when none is shown.
    std::int32_t NowRow() const { return m_nowRow; }
    // Makes row the shown record: Text2, Text3, selection and scroll follow.
    void showFoundRow(int row);

    GridControl& grid() const { return *m_grid; }
    bool isLoading() const { return m_state == State::Loading; }

    static QString projectAddress();

signals:
    void loadFinished(qint64 count);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // While a file loads, the commands that read or change the records are off, as a group.
    enum class State
    {
        Idle,
        Loading,
        Changing // a job changes or reads every record: the list holds still
    };

    void createControls();
    // Places a control of the window's client area below the menu bar (`barTwips` high);
    // controls inside a frame are placed with a bar of 0.
    void place(QWidget* widget, QRectF twips, double barTwips = 0);
    double menuBarTwips() const;
    void placeLayout(const MainLayout& layout);
    void placeDesignLayout();
    void applyLayout();
    void placeCountLabel();
    void setupGrid();

    void setState(State state);
    void loadProgress(qint64 count);
    void loadDone(qint64 count);

    void openCommand();
    void findCommand();
    void replaceCommand();
    // Makes a change of the records in the given grid rows (every row when empty) as one step:
    // a single row at once, more through the edit job while the window repaints; then tells
    // the user what was done.
    void runEdit(std::shared_ptr<const edit::RecordChange> change, const QString& name,
                 const std::vector<int>& rows);
    void editFinished(qint64 changes, qint64 records);
    // 批量修改: the dialog works the change out; the window applies it.
    void batchCommand();
    // Applies a change worked out by the edit job or the batch dialog as one step and tells
    // the user the counts and the rows left as they were.
    void applyEdit(ListChange change, const QString& name, qint64 changes, qint64 records,
                   const std::vector<std::pair<int, QString>>& failures);
    void saveCommand();
    void navigate(int index);
    void jump();
    void showContextMenu(std::optional<QPoint> at);
    void deleteSelectedRows();
    // 撤销 and 重做: typing in the focused text box first, then the changes of the records.
    void undoCommand();
    void redoCommand();
    void updateUndoEntries();
    // After an undo or redo: the record the step had shown is shown again, Text2 with it.
    void showAfterChange(int shown);
    void copyCurrentRecord();
    // The one way a record is shown: NowRow, Text2, Text3 unless the number box keeps what was
    // typed, and the grid's selection when the record was not selected by the user.
    void showRow(int row, bool select, bool writeNumber = true);
    void setRecordText(const QString& text);
    void openFile(const QString& path);
    // Asks before unexported saves or unsaved edits are lost; true to go on.
    bool mayDiscardWork(const QString& action);
    void showError(const QString& description);
    QString initialFolder() const;

    Platform m_platform;
    LoadJob* m_loadJob = nullptr;
    State m_state = State::Idle;
    std::int32_t m_nowRow = 0;
    bool m_closing = false;
    QSize m_laidOutFor;

    QGroupBox* m_pathFrame = nullptr;
    QLineEdit* m_pathBox = nullptr;
    QPushButton* m_openButton = nullptr;
    QPushButton* m_exportButton = nullptr;
    GridControl* m_grid = nullptr;
    QGroupBox* m_recordFrame = nullptr;
    std::array<QPushButton*, 4> m_navigationButtons{};
    RecordNumberBox* m_numberBox = nullptr;
    QLabel* m_countLabel = nullptr;
    QPushButton* m_findButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPlainTextEdit* m_recordText = nullptr;
    LinkLabel* m_footer = nullptr;
    MainMenu* m_menu = nullptr;
    FindFrm* m_findDialog = nullptr;
    CheckWindow* m_checkWindow = nullptr;
    ReplaceDialog* m_replaceDialog = nullptr;
    BatchDialog* m_batchDialog = nullptr;
    ExportCommand* m_exportCommand = nullptr;
    EditJob* m_editJob = nullptr;
    UndoKeys* m_undoKeys = nullptr;
    QString m_editName;
};

} // namespace bibliora
