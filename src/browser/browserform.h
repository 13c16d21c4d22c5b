#pragma once

#include "platform.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace bibliora {

class FindFrm;
class GridControl;
struct MainLayout;

// The main window: the record grid on the left, the shown record's text on the right, the
// path bar on top. Controls carry the names the rest of the program (and the tests) use as
// objectName: Frame1, Text1, Command1, Command3, Grid1, Frame2, Command2_0 .. Command2_3,
// Text3, Label1, Command5, Command4, Text2, Label2.
class BrowserForm final : public QWidget
{
    Q_OBJECT
public:
    explicit BrowserForm(Platform platform, QWidget* parent = nullptr);
    ~BrowserForm() override;

    // Shows the window and, when the start-up path is not empty, loads it.
    void start(const QString& startupPath);

    void loadGridData();
    void showCurrentRecord();
    void exportGridData(bool onlyModified);
    void openTheDir(QWidget* varForm, const QString& varDir);

    // The row of the record shown in Text2; 0 when none is shown.
    std::int32_t NowRow() const { return m_nowRow; }
    // Makes row the shown record: Text2, Text3, selection and scroll follow.
    void showFoundRow(int row);

    GridControl& grid() const { return *m_grid; }
    const Platform& platform() const { return m_platform; }
    bool isLoading() const { return m_loading; }

    static QString projectAddress();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    void place(QWidget* widget, const QRectF& twips);
    void placeLayout(const MainLayout& layout);
    void placeDesignLayout();
    void applyLayout();
    void placeCountLabel();
    void setupGrid();

    void openCommand();
    void exportCommand();
    void findCommand();
    void saveCommand();
    void navigate(int index);
    bool numberBoxKey(QKeyEvent* event);
    void jump();
    void gridMouseDown(int button, int shift, QPoint pos);
    void showContextMenu(std::optional<QPoint> at);
    void deleteSelectedRows();
    void copyCurrentRecord();
    void showRecordText(int row);
    void setRecordText(const QString& text);
    void openFile(const QString& path);
    // Asks before unexported saves or unsaved edits are lost; true to go on.
    bool mayDiscardWork(const QString& action);
    void showError(const QString& description);
    void setCommandsEnabled(bool enabled);
    QString initialFolder() const;

    Platform m_platform;
    std::int32_t m_nowRow = 0;
    bool m_loading = false;
    bool m_closing = false;
    QSize m_laidOutFor;

    QGroupBox* m_frame1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command3 = nullptr;
    GridControl* m_grid = nullptr;
    QGroupBox* m_frame2 = nullptr;
    std::array<QPushButton*, 4> m_command2{};
    QLineEdit* m_text3 = nullptr;
    QLabel* m_label1 = nullptr;
    QPushButton* m_command5 = nullptr;
    QPushButton* m_command4 = nullptr;
    QPlainTextEdit* m_text2 = nullptr;
    QLabel* m_label2 = nullptr;
    FindFrm* m_findFrm = nullptr;
};

// The start-up path: the program's arguments as received, joined by single spaces, with
// every double quote removed. Not split, not trimmed.
QString startupPathFrom(int argc, const char* const* argv);

} // namespace bibliora
