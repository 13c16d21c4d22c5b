#include "browserform.h"

#include "codec.h"
#include "exporter.h"
#include "findfrm.h"
#include "fonts.h"
#include "gridcontrol.h"
#include "gridloader.h"
#include "layout.h"
#include "menuclass.h"
#include "qtskin.h"
#include "twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QUrl>
#include <cmath>

namespace bibliora {
namespace {

const QString kFileFilter = QStringLiteral("(ISO2709格式)|*.ISO|文本形式|*.txt");
constexpr int kClientWidthTwips = 10440;
constexpr int kClientHeightTwips = 8565;

QString toQString(const std::u16string& s)
{
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

std::u16string_view toView(const QString& s)
{
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

// Text2 shows the display text's CR LF as line breaks.
QString displayTextFor(const MarcRecord& record)
{
    QString text = toQString(formatRecordText(record));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QString buildFailureText(const BuildResult& result)
{
    switch (result.error) {
    case BuildError::TooFewLines:
        return QStringLiteral("记录内容不足两行,无法生成ISO2709格式数据,本条数据没有保存!");
    case BuildError::EmptySubfield:
        return QStringLiteral(
                   "第%1行有空的子字段(■后面没有内容),无法生成ISO2709格式数据,本条数据没有保存!")
            .arg(result.line);
    case BuildError::TooLarge:
        return QStringLiteral("记录太长,超出ISO2709格式的长度限制,本条数据没有保存!");
    case BuildError::None:
        break;
    }
    return {};
}

// Column widths of the grid for a width in twips: 15 %, 40 %, 40 % and 0, each rounded to a
// 16-bit whole number, halves to even.
std::array<int, 4> columnWidthsFor(double widthTwips)
{
    const auto round16 = [](double v) {
        return static_cast<int>(std::clamp(std::nearbyint(v), -32768.0, 32767.0));
    };
    return {round16(widthTwips * 15 / 100), round16(widthTwips * 40 / 100),
            round16(widthTwips * 40 / 100), 0};
}

} // namespace

QString startupPathFrom(int argc, const char* const* argv)
{
    QStringList parts;
    for (int i = 1; i < argc; ++i)
        parts << QString::fromLocal8Bit(argv[i]);
    QString path = parts.join(QLatin1Char(' '));
    path.remove(QLatin1Char('"'));
    return path;
}

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
    const double dpi = logicalDpi(this);
    resize(twipsToPixels(kClientWidthTwips, dpi), twipsToPixels(kClientHeightTwips, dpi));
}

BrowserForm::~BrowserForm() = default;

void BrowserForm::createControls()
{
    m_frame1 = new QGroupBox(QStringLiteral("MARC文件路径"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_text1 = new QLineEdit(m_frame1);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_command1 = new QPushButton(QStringLiteral("..."), m_frame1);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command3 = new QPushButton(QStringLiteral(">>>"), m_frame1);
    m_command3->setObjectName(QStringLiteral("Command3"));
    m_command3->setToolTip(QStringLiteral("导出全部的数据到ISO格式文件"));

    m_grid = new GridControl(this);
    m_grid->setObjectName(QStringLiteral("Grid1"));
    m_grid->setFont(songFont(9));
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);

    m_frame2 = new QGroupBox(this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    const QStringList captions = {QStringLiteral("|<"), QStringLiteral("<"), QStringLiteral(">"),
                                  QStringLiteral(">|")};
    for (int i = 0; i < 4; ++i) {
        m_command2[i] = new QPushButton(captions[i], m_frame2);
        m_command2[i]->setObjectName(QStringLiteral("Command2_%1").arg(i));
        connect(m_command2[i], &QPushButton::clicked, this, [this, i] { navigate(i); });
    }
    m_text3 = new QLineEdit(QStringLiteral("1"), m_frame2);
    m_text3->setObjectName(QStringLiteral("Text3"));
    m_text3->setToolTip(QStringLiteral("回车后可以跳转到你想要看的那条数据！"));
    m_text3->installEventFilter(this);
    m_label1 = new QLabel(QStringLiteral("/100000"), m_frame2);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setFont(songFont(10.5));
    m_label1->hide();
    m_command5 = new QPushButton(QStringLiteral("查找 &F"), m_frame2);
    m_command5->setObjectName(QStringLiteral("Command5"));
    m_command5->hide();
    m_command4 = new QPushButton(QStringLiteral("保存 &S"), m_frame2);
    m_command4->setObjectName(QStringLiteral("Command4"));
    m_command4->setToolTip(QStringLiteral("保存本条修改后的数据"));
    m_command4->hide();

    m_text2 = new QPlainTextEdit(this);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setFont(songFont(10.5));
    m_text2->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_label2 =
        new QLabel(QStringLiteral("Bibliora 2.0 · MARC 书目记录浏览编辑器 · 项目主页"), this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setAlignment(Qt::AlignCenter);
    m_label2->setCursor(Qt::PointingHandCursor);
    m_label2->setToolTip(projectAddress());
    m_label2->installEventFilter(this);

    connect(m_command1, &QPushButton::clicked, this, &BrowserForm::openCommand);
    connect(m_command3, &QPushButton::clicked, this, &BrowserForm::exportCommand);
    connect(m_command5, &QPushButton::clicked, this, &BrowserForm::findCommand);
    connect(m_command4, &QPushButton::clicked, this, &BrowserForm::saveCommand);
    m_grid->onRowSelected = [this] { showCurrentRecord(); };
    m_grid->onMouseDown = [this](int button, int shift, QPoint pos) {
        gridMouseDown(button, shift, pos);
    };
}

void BrowserForm::place(QWidget* widget, const QRectF& twips)
{
    // A size that comes out negative (a minimised or tiny window) leaves the control alone.
    if (twips.width() >= 0 && twips.height() >= 0)
        widget->setGeometry(twipsToPixels(twips, logicalDpi(this)));
}

void BrowserForm::placeLayout(const MainLayout& l)
{
    place(m_frame1, l.frame1);
    place(m_text1, l.text1);
    place(m_command1, l.command1);
    place(m_command3, l.command3);
    place(m_grid, l.grid1);
    place(m_frame2, l.frame2);
    place(m_text2, l.text2);
    place(m_label2, l.label2);
}

void BrowserForm::placeDesignLayout()
{
    placeLayout(designLayout());
    // Frame2's contents keep their design places whatever the window's size.
    place(m_command2[0], QRectF(240, 240, 435, 315));
    place(m_command2[1], QRectF(660, 240, 375, 315));
    place(m_command2[2], QRectF(1020, 240, 315, 315));
    place(m_command2[3], QRectF(1320, 240, 435, 315));
    place(m_text3, QRectF(1980, 300, 975, 255));
    place(m_label1, QRectF(3000, 300, 735, 210));
    place(m_command5, QRectF(4080, 240, 795, 315));
    place(m_command4, QRectF(4860, 240, 795, 315));
}

void BrowserForm::applyLayout()
{
    const double dpi = logicalDpi(this);
    const QSize outer = frameGeometry().size();
    placeLayout(computeLayout(float(pixelsToTwips(outer.width(), dpi)),
                              float(pixelsToTwips(outer.height(), dpi))));
    setupGrid(); // column widths follow the grid's new width
}

void BrowserForm::setupGrid()
{
    const auto widths = columnWidthsFor(m_grid->widthTwips());
    m_grid->setFormat(QStringLiteral("^序号|^题名|^ISBN/ISSN|^Marc"));
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
    if (!startupPath.isEmpty()) {
        m_text1->setText(startupPath);
        loadGridData();
    }
}

QString BrowserForm::initialFolder() const
{
    const QFileInfo current(m_text1->text());
    if (!m_text1->text().isEmpty() && current.absoluteDir().exists())
        return current.absolutePath();
    return QDir::currentPath();
}

void BrowserForm::setCommandsEnabled(bool enabled)
{
    m_command1->setEnabled(enabled);
    m_command3->setEnabled(enabled);
    m_text1->setReadOnly(!enabled);
}

// ---- loading ----------------------------------------------------------------------------

void BrowserForm::openCommand()
{
    if (m_loading)
        return;
    m_text1->setText(m_platform.fileDialog->showFileDialog(
        true, QStringLiteral("选择MARC文件"), kFileFilter, 0, 0, initialFolder(), QString(), this));
    if (!m_text1->text().isEmpty()) {
        m_command4->hide();
        m_command5->hide();
        loadGridData();
    }
}

void BrowserForm::loadGridData()
{
    const QString path = m_text1->text();
    if (path.isEmpty() || m_loading)
        return;
    if (!QFileInfo(path).isFile())
        return;
    QScopedValueRollback<bool> loading(m_loading, true);
    setCommandsEnabled(false);
    m_grid->setRowCount(1); // a new list, the heading row alone
    m_label1->show();
    m_label1->setText(QStringLiteral("正在预读第0条....."));
    m_grid->setRedraw(0);

    GridLoader loader(*m_grid, [this](std::int64_t n) {
        m_label1->setText(QStringLiteral("正在预读第%1条.....").arg(n));
        m_label1->repaint();
        QApplication::processEvents();
        return !m_closing;
    });
    const GridLoader::Outcome outcome = loader.load(path);
    if (m_closing)
        return;

    m_grid->setRedraw(2);
    m_label1->setText(QStringLiteral("/%1").arg(outcome.count));
    m_label1->repaint();
    setupGrid();
    if (outcome.count > 0) {
        m_nowRow = 1;
        m_text2->setPlainText(displayTextFor(m_grid->recordAt(1)));
        m_text3->setText(QStringLiteral("1"));
        m_grid->selectRange(1, 0, 1, 3);
        m_grid->scrollIntoView(1, 0);
    } else {
        m_nowRow = 0;
        m_text2->clear();
        m_text3->setText(QStringLiteral("0"));
    }
    m_command4->show();
    m_command5->show();
    setCommandsEnabled(true);
}

// ---- selection, save, navigation, jump ---------------------------------------------------

void BrowserForm::showCurrentRecord()
{
    if (m_grid->rowCount() <= 1)
        return;
    m_nowRow = m_grid->currentRow();
    if (m_nowRow <= 0)
        return;
    m_text2->setPlainText(displayTextFor(m_grid->recordAt(m_nowRow)));
    m_text3->setText(QString::number(m_nowRow));
}

void BrowserForm::showRecordText(int row)
{
    m_text2->setPlainText(displayTextFor(m_grid->recordAt(row)));
    m_text3->setText(QString::number(row));
}

void BrowserForm::showFoundRow(int row)
{
    if (row < 1 || row >= m_grid->rowCount())
        return;
    m_nowRow = row;
    m_grid->selectRange(row, 0, row, 3);
    m_grid->scrollIntoView(row, 0);
    showRecordText(row);
}

void BrowserForm::saveCommand()
{
    if (m_loading || m_nowRow < 1 || m_nowRow >= m_grid->rowCount())
        return;
    QString text = m_text2->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    text += QStringLiteral("\r\n");
    BuildResult built =
        rebuildRecord(m_grid->recordAt(m_nowRow), toView(text), m_platform.clock->now());
    if (built.error != BuildError::None) {
        m_platform.messageBox->show(this, buildFailureText(built), QStringLiteral("操作提示"),
                                    MessageButtons::Ok, MessageIcon::Information,
                                    MessageAnswer::Ok);
        return;
    }
    const QString title = toQString(titleOf(built.record));
    const QString standardNumber = toQString(standardNumberOf(built.record));
    const QString shown = displayTextFor(built.record);
    m_grid->setRow(m_nowRow, m_nowRow, title, standardNumber, std::move(built.record));
    for (int c = 0; c < 3; ++c)
        m_grid->setCellTextColour(m_nowRow, c, m_nowRow, c, kModifiedColour);
    m_text2->setPlainText(shown);
}

void BrowserForm::navigate(int index)
{
    const int rows = m_grid->rowCount();
    if (rows < 2 || m_loading)
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
    m_nowRow = row;
    showRecordText(row);
    m_grid->selectRange(row, 0, row, 3);
    m_grid->scrollIntoView(row, 0);
}

bool BrowserForm::numberBoxKey(QKeyEvent* event)
{
    if (m_grid->rowCount() <= 1)
        return false;
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        jump();
        return false;
    }
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Delete)
        return false;
    if (key == Qt::Key_Backspace || event->matches(QKeySequence::Copy) ||
        event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut))
        return true;
    const QString text = event->text();
    if (text.isEmpty())
        return false; // keys that type nothing: arrows, Home, End, modifiers
    return !(text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9'));
}

void BrowserForm::jump()
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    const QString t = m_text3->text();
    bool ok = number.match(t).hasMatch();
    const double value = ok ? t.trimmed().toDouble(&ok) : 0.0;
    const int last = m_grid->rowCount() - 1;
    if (ok && value >= 1 && value <= last) {
        m_nowRow = static_cast<std::int32_t>(std::nearbyint(value));
        m_text2->setPlainText(displayTextFor(m_grid->recordAt(m_nowRow)));
        m_grid->selectRange(m_nowRow, 0, m_nowRow, 3);
        m_grid->scrollIntoView(m_nowRow, 0);
        return; // the box keeps the text as typed
    }
    m_text3->setText(QString::number(m_nowRow));
}

bool BrowserForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text3) {
        if (event->type() == QEvent::KeyPress && numberBoxKey(static_cast<QKeyEvent*>(event)))
            return true;
        if (event->type() == QEvent::FocusOut && !m_closing)
            jump();
    } else if (watched == m_label2 && event->type() == QEvent::MouseButtonRelease) {
        m_platform.shell->openAddress(this, projectAddress());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- find --------------------------------------------------------------------------------

void BrowserForm::findCommand()
{
    if (!m_findFrm)
        m_findFrm = new FindFrm(*this);
    m_findFrm->show();
    m_findFrm->raise();
    m_findFrm->activateWindow();
}

// ---- context menu: delete, copy, export modified -----------------------------------------

void BrowserForm::gridMouseDown(int button, int, QPoint)
{
    if (button != 2 || m_loading)
        return;
    menuClass menu(*m_platform.popupMenu);
    const int chosen = menu.Popup({QStringLiteral("删除选中数据信息"), QStringLiteral("-"),
                                   QStringLiteral("复制ISO2709格式"), QStringLiteral("-"),
                                   QStringLiteral("导出所有修改过的数据")});
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
    const int current = m_grid->currentRow();
    const int end = m_grid->selectionEndRow();
    const int lo = std::max(1, std::min(current, end));
    const int hi = std::max(current, end);
    if (hi < 1)
        return; // no record row is selected
    const int count = hi - lo + 1;
    const MessageAnswer answer = m_platform.messageBox->show(
        this, QStringLiteral("注意,您是否确定删除选中的%1条MARC数据信息？").arg(count),
        QStringLiteral("操作提示"), MessageButtons::YesNo, MessageIcon::Exclamation,
        MessageAnswer::Yes);
    if (answer != MessageAnswer::Yes)
        return;
    m_grid->removeRows(lo, count);

    // Keep NowRow on the record that Text2 shows.
    const int rows = m_grid->rowCount();
    if (rows <= 1) {
        m_text3->setText(QStringLiteral("0"));
        m_text2->clear();
        m_nowRow = 0;
    } else if (m_nowRow > hi) {
        m_nowRow -= count;
        m_text3->setText(QString::number(m_nowRow));
    } else if (m_nowRow >= lo) {
        int row = m_grid->currentRow();
        if (row < 1)
            row = std::min(lo, rows - 1);
        m_nowRow = row;
        m_grid->selectRange(row, 0, row, 3);
        showRecordText(row);
    }
    m_label1->setText(QStringLiteral("/%1").arg(rows - 1));
}

void BrowserForm::copyCurrentRecord()
{
    const int row = m_grid->currentRow();
    if (row < 1 || row >= m_grid->rowCount())
        return;
    const QString text =
        toQString(recordAsPlainText(m_grid->recordAt(row), m_platform.clock->now()));
    m_platform.clipboard->clear();
    m_platform.clipboard->setText(text);
}

// ---- export ------------------------------------------------------------------------------

void BrowserForm::exportCommand()
{
    exportGridData(false);
}

void BrowserForm::exportGridData(bool onlyModified)
{
    if (m_loading)
        return;
    const QString path = m_platform.fileDialog->showFileDialog(
        false, QStringLiteral("保存MARC文件"), kFileFilter, 0, 0, initialFolder(), QString(), this);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).isFile()) {
        const MessageAnswer append = m_platform.messageBox->show(
            this, QStringLiteral("该文件已存在，是否追加Marc数据！"), QStringLiteral("温馨提示"),
            MessageButtons::YesNo, MessageIcon::Information, MessageAnswer::No);
        if (append != MessageAnswer::Yes)
            return;
    }
    const Exporter::Result result =
        Exporter::appendRecords(path, m_grid->model().rows(), onlyModified);
    if (!result.ok) {
        showError(result.error);
        return;
    }
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
    if (!m_loading && urls.size() == 1 && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void BrowserForm::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (m_loading || urls.size() != 1 || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    m_text1->setText(QDir::toNativeSeparators(urls.first().toLocalFile()));
    m_command4->hide();
    m_command5->hide();
    loadGridData();
}

void BrowserForm::closeEvent(QCloseEvent* event)
{
    // The skin goes first, while every button still exists; then the whole program ends.
    skin::detachSkin(this);
    m_closing = true;
    if (m_findFrm)
        m_findFrm->close();
    QWidget::closeEvent(event);
}

} // namespace bibliora
