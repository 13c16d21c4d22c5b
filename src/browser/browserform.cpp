#include "browserform.h"

#include "batchdialog.h"
#include "checkwindow.h"
#include "codec.h"
#include "editjob.h"
#include "exportcommand.h"
#include "exporter.h"
#include "findfrm.h"
#include "fonts.h"
#include "gridcontrol.h"
#include "layout.h"
#include "linklabel.h"
#include "loadjob.h"
#include "mainmenu.h"
#include "menuclass.h"
#include "ordinaryfile.h"
#include "qtskin.h"
#include "recordnumberbox.h"
#include "recordtext.h"
#include "replacedialog.h"
#include "twips.h"
#include "undokeys.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace bibliora {
namespace {

const QList<FileFilter> kFileFilters = {{QStringLiteral("(ISO2709格式)"), QStringLiteral("*.ISO")},
                                        {QStringLiteral("文本形式"), QStringLiteral("*.txt")}};
// Opening also takes the other forms, told from the content whatever the name.
const QList<FileFilter> kOpenFilters =
    kFileFilters + QList<FileFilter>{{QStringLiteral("MARCXML"), QStringLiteral("*.xml")},
                                     {QStringLiteral("MARC 文本"), QStringLiteral("*.mrk")},
                                     {QStringLiteral("ISO2709"), QStringLiteral("*.mrc *.marc")},
                                     {QStringLiteral("所有文件"), QStringLiteral("*")}};
constexpr int kClientWidthTwips = 10440;
constexpr int kClientHeightTwips = 8565;

} // namespace

QString BrowserForm::projectAddress()
{
    return QStringLiteral("https://github.com/bibliora/bibliora");
}

BrowserForm::BrowserForm(Platform platform, QWidget* parent)
    : QWidget(parent), m_platform(std::move(platform))
{
    setObjectName(QStringLiteral("BrowserForm"));
    setWindowTitle(QStringLiteral("Bibliora 2.0 — MARC 书目记录浏览编辑器"));
    setAcceptDrops(true);
    setFont(songFont(9)); // the window's own font; Text2, Label1 and the grid set theirs
    createControls();
    placeDesignLayout();
    m_loadJob = new LoadJob(m_grid->model(), this);
    connect(m_loadJob, &LoadJob::progress, this, &BrowserForm::loadProgress);
    connect(m_loadJob, &LoadJob::finished, this, &BrowserForm::loadDone);
    const double dpi = logicalDpi(this);
    // The menu bar comes on top of the designed client area: the window grows by its height.
    resize(twipsToPixels(kClientWidthTwips, dpi),
           twipsToPixels(kClientHeightTwips, dpi) + m_menu->sizeHint().height());
}

BrowserForm::~BrowserForm() = default;

void BrowserForm::createControls()
{
    m_pathFrame = new QGroupBox(QStringLiteral("MARC文件路径"), this);
    m_pathFrame->setObjectName(QStringLiteral("Frame1"));
    m_pathBox = new QLineEdit(m_pathFrame);
    m_pathBox->setObjectName(QStringLiteral("Text1"));
    m_openButton = new QPushButton(QStringLiteral("..."), m_pathFrame);
    m_openButton->setObjectName(QStringLiteral("Command1"));
    m_exportButton = new QPushButton(QStringLiteral(">>>"), m_pathFrame);
    m_exportButton->setObjectName(QStringLiteral("Command3"));
    m_exportButton->setToolTip(QStringLiteral("导出全部的数据到ISO格式文件"));

    m_grid = new GridControl(this);
    m_grid->setObjectName(QStringLiteral("Grid1"));
    m_grid->setFont(songFont(9));
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);

    m_recordFrame = new QGroupBox(this);
    m_recordFrame->setObjectName(QStringLiteral("Frame2"));
    const QStringList captions = {QStringLiteral("|<"), QStringLiteral("<"), QStringLiteral(">"),
                                  QStringLiteral(">|")};
    for (int i = 0; i < 4; ++i) {
        m_navigationButtons[i] = new QPushButton(captions[i], m_recordFrame);
        m_navigationButtons[i]->setObjectName(QStringLiteral("Command2_%1").arg(i));
        connect(m_navigationButtons[i], &QPushButton::clicked, this, [this, i] { navigate(i); });
    }
    m_numberBox = new RecordNumberBox(m_recordFrame);
    m_numberBox->setText(QStringLiteral("1"));
    m_numberBox->setObjectName(QStringLiteral("Text3"));
    m_numberBox->setToolTip(QStringLiteral("回车后可以跳转到你想要看的那条数据！"));
    m_numberBox->recordsShown = [this] { return m_grid->rowCount() > 1; };
    connect(m_numberBox, &RecordNumberBox::jumpRequested, this, &BrowserForm::jump);
    m_countLabel = new QLabel(QStringLiteral("/100000"), m_recordFrame);
    m_countLabel->setObjectName(QStringLiteral("Label1"));
    m_countLabel->setFont(songFont(10.5));
    m_countLabel->hide();
    m_findButton = new QPushButton(QStringLiteral("查找 &F"), m_recordFrame);
    m_findButton->setObjectName(QStringLiteral("Command5"));
    m_findButton->hide();
    m_saveButton = new QPushButton(QStringLiteral("保存 &S"), m_recordFrame);
    m_saveButton->setObjectName(QStringLiteral("Command4"));
    m_saveButton->setToolTip(QStringLiteral("保存本条修改后的数据"));
    m_saveButton->hide();

    m_recordText = new QPlainTextEdit(this);
    m_recordText->setObjectName(QStringLiteral("Text2"));
    m_recordText->setFont(songFont(10.5));
    m_recordText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_recordText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // As in a multi-line box: Tab moves on, pasted tabs stay.
    m_recordText->setTabChangesFocus(true);

    m_footer =
        new LinkLabel(QStringLiteral("Bibliora 2.0 · MARC 书目记录浏览编辑器 · 项目主页"), this);
    m_footer->setObjectName(QStringLiteral("Label2"));
    m_footer->setAlignment(Qt::AlignCenter);
    m_footer->setCursor(Qt::PointingHandCursor);
    m_footer->setToolTip(projectAddress());
    connect(m_footer, &LinkLabel::clicked, this,
            [this] { m_platform.shell->openAddress(this, projectAddress()); });

    connect(m_openButton, &QPushButton::clicked, this, &BrowserForm::openCommand);
    connect(m_exportButton, &QPushButton::clicked, this, [this] { exportGridData(false); });
    connect(m_findButton, &QPushButton::clicked, this, &BrowserForm::findCommand);
    connect(m_saveButton, &QPushButton::clicked, this, &BrowserForm::saveCommand);
    m_grid->onRowSelected = [this] { showCurrentRecord(); };
    m_grid->onMenuRequested = [this](std::optional<QPoint> at) { showContextMenu(at); };

    m_menu = new MainMenu(this, *m_platform.messageBox, projectAddress());
    MainMenu::follow(m_menu->open(), m_openButton);
    MainMenu::follow(m_menu->exportAll(), m_exportButton);
    MainMenu::follow(m_menu->find(), m_findButton);
    m_checkWindow = new CheckWindow(m_grid->model(), this);
    connect(m_menu->check(), &QAction::triggered, m_checkWindow, &CheckWindow::checkAll);
    connect(m_checkWindow, &CheckWindow::recordActivated, this, &BrowserForm::showFoundRow);

    m_undoKeys = new UndoKeys(m_menu->undo(), m_menu->redo(), this);
    for (QWidget* box : std::initializer_list<QWidget*>{m_pathBox, m_numberBox, m_recordText})
        m_undoKeys->watch(box);
    connect(m_menu->replace(), &QAction::triggered, this, &BrowserForm::replaceCommand);
    connect(m_menu->batch(), &QAction::triggered, this, &BrowserForm::batchCommand);
    ExportCommand::Hooks exportHooks;
    exportHooks.selectedRows = [this] { return m_grid->selectedRows(); };
    exportHooks.initialFolder = [this] { return initialFolder(); };
    exportHooks.openFolder = [this](const QString& folder) { openTheDir(this, folder); };
    m_exportCommand = new ExportCommand(m_grid->model(), m_platform, std::move(exportHooks), this);
    connect(m_exportCommand, &ExportCommand::busyChanged, this,
            [this](bool busy) { setState(busy ? State::Changing : State::Idle); });
    const std::pair<QAction*, ExportCommand::Records> exports[] = {
        {m_menu->exportAllAs(), ExportCommand::Records::All},
        {m_menu->exportModifiedAs(), ExportCommand::Records::Modified},
        {m_menu->exportSelectedAs(), ExportCommand::Records::Selected}};
    for (const auto& [action, records] : exports)
        connect(action, &QAction::triggered, this, [this, records = records] {
            if (m_state == State::Idle)
                m_exportCommand->run(records);
        });
    m_editJob = new EditJob(m_grid->model(), this);
    connect(m_editJob, &EditJob::finished, this, &BrowserForm::editFinished);
    connect(m_menu->undo(), &QAction::triggered, this, &BrowserForm::undoCommand);
    connect(m_menu->redo(), &QAction::triggered, this, &BrowserForm::redoCommand);
    connect(&m_grid->model(), &RecordModel::historyChanged, this, &BrowserForm::updateUndoEntries);
    connect(m_recordText, &QPlainTextEdit::undoAvailable, this, &BrowserForm::updateUndoEntries);
    connect(m_recordText, &QPlainTextEdit::redoAvailable, this, &BrowserForm::updateUndoEntries);
    updateUndoEntries();
}

void BrowserForm::place(QWidget* widget, QRectF twips, double barTwips)
{
    // A size that comes out negative (a minimised or tiny window) leaves the control alone.
    twips.translate(0, barTwips);
    if (twips.width() >= 0 && twips.height() >= 0)
        widget->setGeometry(twipsToPixels(twips, logicalDpi(this)));
}

double BrowserForm::menuBarTwips() const
{
    return pixelsToTwips(m_menu->sizeHint().height(), logicalDpi(this));
}

void BrowserForm::placeLayout(const MainLayout& l)
{
    m_menu->setGeometry(0, 0, width(), m_menu->sizeHint().height());
    const double bar = menuBarTwips();
    place(m_pathFrame, l.frame1, bar);
    place(m_pathBox, l.text1);
    place(m_openButton, l.command1);
    place(m_exportButton, l.command3);
    place(m_grid, l.grid1, bar);
    place(m_recordFrame, l.frame2, bar);
    place(m_recordText, l.text2, bar);
    place(m_footer, l.label2, bar);
}

void BrowserForm::placeDesignLayout()
{
    placeLayout(designLayout());
    // Frame2's contents keep their design places whatever the window's size.
    place(m_navigationButtons[0], QRectF(240, 240, 435, 315));
    place(m_navigationButtons[1], QRectF(660, 240, 375, 315));
    place(m_navigationButtons[2], QRectF(1020, 240, 315, 315));
    place(m_navigationButtons[3], QRectF(1320, 240, 435, 315));
    place(m_numberBox, QRectF(1980, 300, 975, 255));
    place(m_countLabel, QRectF(3000, 300, 735, 210));
    place(m_findButton, QRectF(4080, 240, 795, 315));
    place(m_saveButton, QRectF(4860, 240, 795, 315));
}

void BrowserForm::applyLayout()
{
    const double dpi = logicalDpi(this);
    const QSize outer = frameGeometry().size();
    m_laidOutFor = outer;
    // The layout of the area below the menu bar.
    placeLayout(computeLayout(float(pixelsToTwips(outer.width(), dpi)),
                              float(pixelsToTwips(outer.height(), dpi) - menuBarTwips())));
    placeCountLabel();
    setupGrid(); // column widths follow the grid's new width
}

void BrowserForm::placeCountLabel()
{
    // The count always shows whole: while loading it may reach the frame's edge, once
    // loaded it stops at the find button.
    const int right = isLoading() ? m_recordFrame->width() - 2 : m_findButton->x();
    m_countLabel->resize(std::max(0, right - m_countLabel->x()), m_countLabel->height());
}

void BrowserForm::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // The window manager's frame is known only once the window is mapped, and it arrives
    // with a move, not a resize: the outer size the layout was computed for has changed.
    if (frameGeometry().size() != m_laidOutFor)
        applyLayout();
}

void BrowserForm::setupGrid()
{
    const auto widths = columnWidthsFor(m_grid->widthTwips());
    m_grid->setHeadings({QStringLiteral("序号"), QStringLiteral("题名"),
                         QStringLiteral("ISBN/ISSN"), QStringLiteral("Marc")},
                        std::vector<Qt::Alignment>(4, Qt::AlignCenter));
    for (int c = 0; c < 4; ++c)
        m_grid->setColumnWidthTwips(c, widths[static_cast<std::size_t>(c)]);
}

void BrowserForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyLayout();
}

void BrowserForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    applyLayout();
}

void BrowserForm::start(const QString& startupPath)
{
    show();
    if (startupPath.isEmpty())
        return;
    m_pathBox->setText(startupPath);
    loadGridData();
}

QString BrowserForm::initialFolder() const
{
    const QFileInfo current(m_pathBox->text());
    if (!m_pathBox->text().isEmpty() && current.absoluteDir().exists())
        return current.absolutePath();
    return QDir::currentPath();
}

void BrowserForm::setState(State state)
{
    m_state = state;
    const bool idle = state == State::Idle;
    const QList<QWidget*> commands = {m_openButton, m_exportButton, m_numberBox};
    for (QWidget* command : commands)
        command->setEnabled(idle);
    for (QPushButton* button : m_navigationButtons)
        button->setEnabled(idle);
    m_pathBox->setReadOnly(!idle);
    m_menu->check()->setEnabled(idle);
    m_menu->replace()->setEnabled(state != State::Loading);
    m_menu->batch()->setEnabled(idle);
    for (QAction* a :
         {m_menu->exportAllAs(), m_menu->exportModifiedAs(), m_menu->exportSelectedAs()})
        a->setEnabled(idle);
    m_saveButton->setEnabled(state != State::Changing);
    if (m_replaceDialog)
        m_replaceDialog->setBusy(!idle);
    updateUndoEntries();
    m_grid->menuEnabled = idle;
    setAcceptDrops(idle);
    placeCountLabel();
}

// ---- loading ----------------------------------------------------------------------------

void BrowserForm::openCommand()
{
    openFile(m_platform.fileDialog->showFileDialog(
        true, QStringLiteral("选择MARC文件"), kOpenFilters, 0, initialFolder(), QString(), this));
}

void BrowserForm::openFile(const QString& path)
{
    const QString previous = m_pathBox->text();
    const bool commandsShown = !m_saveButton->isHidden();
    m_pathBox->setText(path);
    if (path.isEmpty())
        return;
    m_saveButton->hide();
    m_findButton->hide();
    if (!mayDiscardWork(QStringLiteral("打开其他文件"))) {
        m_pathBox->setText(previous);
        m_saveButton->setVisible(commandsShown);
        m_findButton->setVisible(commandsShown);
        return;
    }
    loadGridData();
}

void BrowserForm::loadGridData()
{
    const QString path = m_pathBox->text();
    if (path.isEmpty() || !isOrdinaryFile(path))
        return;
    // The user has agreed to lose what Text2 holds; the list is replaced.
    m_recordText->document()->setModified(false);
    m_countLabel->show();
    if (!m_loadJob->start(path)) {
        m_grid->model().clear(); // unreadable: an empty list, as for an empty file
        loadDone(0);
        return;
    }
    setState(State::Loading);
    loadProgress(0);
}

void BrowserForm::loadProgress(qint64 count)
{
    m_countLabel->setText(QStringLiteral("正在预读第%1条.....").arg(count));
}

void BrowserForm::loadDone(qint64 count)
{
    m_countLabel->setText(QStringLiteral("/%1").arg(count));
    setState(State::Idle);
    setupGrid();
    if (count > 0) {
        showRow(1, true);
    } else {
        m_nowRow = 0;
        setRecordText(QString());
        m_numberBox->setText(QStringLiteral("0"));
    }
    m_saveButton->show();
    m_findButton->show();
    QStringList problems;
    if (!m_loadJob->problem().isEmpty())
        problems << QStringLiteral("文件未能读完：%1").arg(m_loadJob->problem());
    if (m_loadJob->skipped() > 0)
        problems << QStringLiteral("有 %1 条记录无法读取，已跳过").arg(m_loadJob->skipped());
    if (!problems.isEmpty())
        m_platform.messageBox->show(this,
                                    problems.join(QStringLiteral("\r\n")) +
                                        QStringLiteral("\r\n已读入 %1 条记录").arg(count),
                                    QStringLiteral("操作提示"), MessageButtons::Ok,
                                    MessageIcon::Exclamation, MessageAnswer::Ok);
    emit loadFinished(count);
}

// ---- selection, save, navigation, jump ---------------------------------------------------

void BrowserForm::showCurrentRecord()
{
    if (m_grid->rowCount() <= 1)
        return;
    m_nowRow = m_grid->currentRow();
    if (m_nowRow > 0)
        showRow(m_nowRow, false); // the user has selected it already
}

void BrowserForm::setRecordText(const QString& text)
{
    m_recordText->setPlainText(text);
    m_recordText->document()->setModified(false); // from here on, typing counts as an edit
}

bool BrowserForm::mayDiscardWork(const QString& action)
{
    const std::int64_t unexported = m_grid->model().unexportedCount();
    const bool edited = m_nowRow >= 1 && m_recordText->document()->isModified();
    if (unexported == 0 && !edited)
        return true;
    QStringList lost;
    if (unexported > 0)
        lost << QStringLiteral("有 %1 条修改过的数据尚未导出").arg(unexported);
    if (edited)
        lost << QStringLiteral("当前记录的修改尚未保存");
    const QString text =
        lost.join(QStringLiteral("，")) + QStringLiteral("，确定要%1吗？").arg(action);
    return m_platform.messageBox->show(this, text, QStringLiteral("操作提示"),
                                       MessageButtons::YesNo, MessageIcon::Exclamation,
                                       MessageAnswer::No) == MessageAnswer::Yes;
}

void BrowserForm::showRow(int row, bool select, bool writeNumber)
{
    m_nowRow = row;
    setRecordText(displayTextFor(m_grid->recordAt(row), m_grid->encodingAt(row)));
    if (writeNumber)
        m_numberBox->setText(QString::number(row));
    if (select) {
        m_grid->selectRange(row, 0, row, 3);
        m_grid->scrollIntoView(row, 0);
    }
}

void BrowserForm::showFoundRow(int row)
{
    if (row >= 1 && row < m_grid->rowCount())
        showRow(row, true);
}

void BrowserForm::saveCommand()
{
    if (m_nowRow < 1 || m_nowRow >= m_grid->rowCount())
        return;
    const QString text = builderTextFor(m_recordText->toPlainText());
    const Encoding encoding = m_grid->encodingAt(m_nowRow);
    const BuildResult built = rebuildRecord(toView(text), encoding, m_platform.clock->now());
    if (built.error != BuildError::None) {
        m_platform.messageBox->show(this, buildFailureText(built), QStringLiteral("操作提示"),
                                    MessageButtons::Ok, MessageIcon::Information,
                                    MessageAnswer::Ok);
        return;
    }
    ListChange change(QStringLiteral("保存"));
    change.replace(static_cast<std::size_t>(m_nowRow - 1), built.record, m_nowRow);
    change.setShownRows(m_nowRow, m_nowRow);
    m_grid->apply(std::move(change));
    setRecordText(displayTextFor(built.record, encoding));
}

// ---- undo --------------------------------------------------------------------------------

void BrowserForm::undoCommand()
{
    if (UndoKeys::undoTyping(QApplication::focusWidget()) || m_state != State::Idle)
        return;
    if (const std::optional<int> shown = m_grid->undo())
        showAfterChange(*shown);
}

void BrowserForm::redoCommand()
{
    if (UndoKeys::redoTyping(QApplication::focusWidget()) || m_state != State::Idle)
        return;
    if (const std::optional<int> shown = m_grid->redo())
        showAfterChange(*shown);
}

void BrowserForm::updateUndoEntries()
{
    const RecordHistory& history = m_grid->model().history();
    const bool idle = m_state == State::Idle;
    m_menu->nameUndoSteps(idle ? history.undoName() : QString(),
                          idle ? history.redoName() : QString());
    m_menu->undo()->setEnabled(UndoKeys::hasTypingToUndo(m_recordText) ||
                               (idle && history.canUndo()));
    m_menu->redo()->setEnabled(UndoKeys::hasTypingToRedo(m_recordText) ||
                               (idle && history.canRedo()));
}

void BrowserForm::showAfterChange(int shown)
{
    const int rows = m_grid->rowCount();
    m_countLabel->setText(QStringLiteral("/%1").arg(rows - 1));
    if (rows <= 1 || shown < 1) {
        m_numberBox->setText(QString::number(rows <= 1 ? 0 : m_nowRow));
        if (rows <= 1 || m_nowRow >= rows) {
            setRecordText(QString());
            m_nowRow = 0;
        }
        return;
    }
    showRow(std::min(shown, rows - 1), true);
}

void BrowserForm::navigate(int index)
{
    const int rows = m_grid->rowCount();
    if (rows < 2)
        return;
    int row = m_nowRow;
    switch (index) {
    case 0:
        row = 1;
        break;
    case 1:
        if (row < 1)
            return; // no record shown: nothing is before it
        if (row > 1)
            --row;
        break;
    case 2:
        if (row < rows - 1)
            ++row;
        break;
    default:
        row = rows - 1;
        break;
    }
    row = std::clamp(row, 1, rows - 1);
    showRow(row, true);
}

void BrowserForm::jump()
{
    if (m_closing)
        return;
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    const QString t = m_numberBox->text();
    bool ok = number.match(t).hasMatch();
    const double value = ok ? t.trimmed().toDouble(&ok) : 0.0;
    const int last = m_grid->rowCount() - 1;
    if (ok && value >= 1 && value <= last) {
        // The box keeps the text as typed.
        showRow(static_cast<int>(std::nearbyint(value)), true, false);
        return;
    }
    m_numberBox->setText(QString::number(m_nowRow));
}

// ---- find --------------------------------------------------------------------------------

void BrowserForm::findCommand()
{
    if (!m_findDialog) {
        m_findDialog = new FindFrm(m_grid->model(), *m_platform.messageBox, this);
        connect(m_findDialog, &FindFrm::found, this, &BrowserForm::showFoundRow);
    }
    m_findDialog->show();
    m_findDialog->raise();
    m_findDialog->activateWindow();
}

void BrowserForm::replaceCommand()
{
    if (m_state == State::Loading)
        return;
    if (!m_replaceDialog) {
        ReplaceDialog::Hooks hooks;
        hooks.shownRow = [this] { return int(m_nowRow); };
        hooks.selectedRows = [this] { return m_grid->selectedRows(); };
        hooks.show = [this](int row) { showFoundRow(row); };
        hooks.select = [this](const std::vector<int>& rows) {
            m_grid->selectRows(rows);
            if (!rows.empty())
                m_grid->scrollIntoView(rows.front(), 0);
        };
        hooks.change = [this](std::shared_ptr<const edit::RecordChange> change, const QString& name,
                              const std::vector<int>& rows) {
            runEdit(std::move(change), name, rows);
        };
        m_replaceDialog =
            new ReplaceDialog(m_grid->model(), *m_platform.messageBox, std::move(hooks), this);
        // Undo and redo work from the dialog too, its boxes keeping their own typing first.
        m_replaceDialog->addActions({m_menu->undo(), m_menu->redo()});
        for (QLineEdit* box : m_replaceDialog->findChildren<QLineEdit*>())
            m_undoKeys->watch(box);
    }
    m_replaceDialog->setBusy(m_state != State::Idle);
    m_replaceDialog->show();
    m_replaceDialog->raise();
    m_replaceDialog->activateWindow();
}

void BrowserForm::runEdit(std::shared_ptr<const edit::RecordChange> change, const QString& name,
                          const std::vector<int>& rows)
{
    if (m_state != State::Idle)
        return;
    std::vector<std::size_t> modelRows;
    modelRows.reserve(rows.size());
    for (const int r : rows)
        if (r >= 1 && r < m_grid->rowCount())
            modelRows.push_back(std::size_t(r - 1));
    m_editName = name;
    setState(State::Changing);
    m_editJob->start(std::move(change), name, std::move(modelRows), m_platform.clock->now(),
                     m_nowRow);
    if (rows.size() == 1)
        m_editJob->runToEnd(); // one record: done before the caller goes on
}

void BrowserForm::editFinished(qint64 changes, qint64 records)
{
    setState(State::Idle);
    applyEdit(m_editJob->takeResult(), m_editName, changes, records, m_editJob->failures());
}

void BrowserForm::applyEdit(ListChange change, const QString& name, qint64 changes, qint64 records,
                            const std::vector<std::pair<int, QString>>& failures)
{
    // Text2 shows the new text of its record, and keeps what was typed in any other.
    const bool shownChanges = m_nowRow >= 1 && change.touches(std::size_t(m_nowRow - 1));
    if (!change.empty()) {
        m_grid->apply(std::move(change));
        if (shownChanges && m_nowRow < m_grid->rowCount())
            showRow(m_nowRow, false);
    }
    // A replacement in the shown record goes on to the next match without a word.
    if (name == QStringLiteral("替换") && failures.empty())
        return;
    QString text = name == QStringLiteral("全部替换") || name == QStringLiteral("替换")
                       ? QStringLiteral("已替换 %1 处，涉及 %2 条记录").arg(changes).arg(records)
                       : QStringLiteral("已修改 %1 处，涉及 %2 条记录").arg(changes).arg(records);
    if (!failures.empty()) {
        text += QStringLiteral("；%1 条记录未能修改，保持原样").arg(failures.size());
        for (std::size_t i = 0; i < failures.size() && i < 5; ++i)
            text +=
                QStringLiteral("\r\n第 %1 条：%2").arg(failures[i].first).arg(failures[i].second);
    }
    m_platform.messageBox->show(
        m_replaceDialog && m_replaceDialog->isVisible() ? static_cast<QWidget*>(m_replaceDialog)
                                                        : this,
        text, name, MessageButtons::Ok, MessageIcon::Information, MessageAnswer::Ok);
}

void BrowserForm::batchCommand()
{
    if (m_state != State::Idle)
        return;
    if (!m_batchDialog) {
        BatchDialog::Hooks hooks;
        hooks.shownRow = [this] { return int(m_nowRow); };
        hooks.selectedRows = [this] { return m_grid->selectedRows(); };
        hooks.now = [this] { return m_platform.clock->now(); };
        hooks.apply = [this](ListChange change, qint64 changes, qint64 records,
                             const std::vector<std::pair<int, QString>>& failures) {
            if (m_state == State::Idle)
                applyEdit(std::move(change), QStringLiteral("批量修改"), changes, records,
                          failures);
        };
        m_batchDialog =
            new BatchDialog(m_grid->model(), *m_platform.messageBox, std::move(hooks), this);
    }
    m_batchDialog->prepare();
    m_batchDialog->show();
    m_batchDialog->raise();
    m_batchDialog->activateWindow();
}

// ---- context menu: delete, copy, export modified -----------------------------------------

void BrowserForm::showContextMenu(std::optional<QPoint> at)
{
    menuClass menu(*m_platform.popupMenu);
    const QStringList captions = {QStringLiteral("删除选中数据信息"), QStringLiteral("-"),
                                  QStringLiteral("复制ISO2709格式"), QStringLiteral("-"),
                                  QStringLiteral("导出所有修改过的数据")};
    const int chosen = at ? menu.Popup(captions, *at) : menu.Popup(captions);
    try {
        switch (chosen) {
        case 1:
            deleteSelectedRows();
            break;
        case 3:
            copyCurrentRecord();
            break;
        case 5:
            exportGridData(true);
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        showError(QString::fromLocal8Bit(e.what()));
    }
}

void BrowserForm::deleteSelectedRows()
{
    if (m_grid->rowCount() <= 1)
        return;
    const std::vector<int> rows = m_grid->selectedRows();
    if (rows.empty())
        return; // no record row is selected
    const int count = static_cast<int>(rows.size());
    const MessageAnswer answer = m_platform.messageBox->show(
        this, QStringLiteral("注意,您是否确定删除选中的%1条MARC数据信息？").arg(count),
        QStringLiteral("操作提示"), MessageButtons::YesNo, MessageIcon::Exclamation,
        MessageAnswer::Yes);
    if (answer != MessageAnswer::Yes)
        return;
    // NowRow keeps the record Text2 shows, moved up by the rows deleted before it; when that
    // record goes, the one that takes the first deleted row's place is shown.
    const auto firstAfter = std::upper_bound(rows.begin(), rows.end(), m_nowRow);
    const bool shownGoes = firstAfter != rows.begin() && *(firstAfter - 1) == m_nowRow;
    const int before = static_cast<int>(firstAfter - rows.begin()) - (shownGoes ? 1 : 0);
    const int left = m_grid->rowCount() - 1 - count;
    ListChange change(QStringLiteral("删除"));
    for (const int row : rows)
        change.remove(static_cast<std::size_t>(row - 1));
    change.setShownRows(m_nowRow, shownGoes ? std::min(rows.front(), left) : m_nowRow - before);
    m_grid->apply(std::move(change));

    if (left < 1) {
        m_numberBox->setText(QStringLiteral("0"));
        setRecordText(QString());
        m_nowRow = 0;
    } else if (shownGoes) {
        int row = m_grid->currentRow();
        if (row < 1)
            row = std::min(rows.front(), left);
        showRow(row, true);
    } else if (before > 0) {
        m_nowRow -= before;
        m_numberBox->setText(QString::number(m_nowRow));
    }
    m_countLabel->setText(QStringLiteral("/%1").arg(left));
}

void BrowserForm::copyCurrentRecord()
{
    const int row = m_grid->currentRow();
    if (row < 1 || row >= m_grid->rowCount())
        return;
    const QString text = toQString(
        recordAsPlainText(m_grid->recordAt(row), m_grid->encodingAt(row), m_platform.clock->now()));
    m_platform.clipboard->clear();
    m_platform.clipboard->setText(text);
}

// ---- export ------------------------------------------------------------------------------

void BrowserForm::exportGridData(bool onlyModified)
{
    const QString path = m_platform.fileDialog->showFileDialog(
        false, QStringLiteral("保存MARC文件"), kFileFilters, 0, initialFolder(), QString(), this);
    if (path.isEmpty())
        return;
    if (isOrdinaryFile(path)) {
        const MessageAnswer append = m_platform.messageBox->show(
            this, QStringLiteral("该文件已存在，是否追加Marc数据！"), QStringLiteral("温馨提示"),
            MessageButtons::YesNo, MessageIcon::Information, MessageAnswer::No);
        if (append != MessageAnswer::Yes)
            return;
    }
    const Exporter::Result result = Exporter::appendRecords(path, m_grid->model(), onlyModified);
    if (!result.ok) {
        showError(result.error);
        return;
    }
    m_grid->model().markExported(onlyModified);
    const MessageAnswer look = m_platform.messageBox->show(
        this, QStringLiteral("数据已全部导出，是否查看文件！"), QStringLiteral("温馨提示"),
        MessageButtons::YesNo, MessageIcon::Information, MessageAnswer::No);
    if (look != MessageAnswer::Yes)
        return;
    const qsizetype n =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    if (n > 0)
        openTheDir(this, path.left(n));
}

void BrowserForm::openTheDir(QWidget* varForm, const QString& varDir)
{
    m_platform.shell->openFolder(varForm, varDir);
}

void BrowserForm::showError(const QString& description)
{
    m_platform.messageBox->show(this,
                                QStringLiteral("出现异常错误,详细错误信息如下:\r\n") + description,
                                QStringLiteral("错误提示"), MessageButtons::Ok,
                                MessageIcon::Exclamation, MessageAnswer::Ok);
}

// ---- drop and close ----------------------------------------------------------------------

void BrowserForm::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void BrowserForm::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    openFile(QDir::toNativeSeparators(urls.first().toLocalFile()));
}

void BrowserForm::closeEvent(QCloseEvent* event)
{
    // Nothing happens before the question: No leaves the window as it was.
    if (!mayDiscardWork(QStringLiteral("关闭"))) {
        event->ignore();
        return;
    }
    // The skin goes first, while every button still exists; then the whole program ends.
    skin::detachSkin(this);
    m_closing = true;
    m_loadJob->cancel();
    setState(State::Idle);
    if (m_findDialog)
        m_findDialog->close();
    m_checkWindow->close();
    QWidget::closeEvent(event);
}

} // namespace bibliora
