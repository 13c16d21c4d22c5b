#include "batchdialog.h"

#include "editjob.h"
#include "fonts.h"
#include "messagebox.h"
#include "recordmodel.h"
#include "recordtext.h"

#include "edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTabWidget>
#include <QTextBlock>
#include <QVBoxLayout>

namespace bibliora {
namespace {

const QString kTitle = QStringLiteral("批量修改");

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit* box(const char* name, const QString& placeholder, QWidget* parent)
{
    auto* edit = named(new QLineEdit(parent), name);
    edit->setPlaceholderText(placeholder);
    return edit;
}

QPlainTextEdit* recordView(const char* name, QWidget* parent)
{
    auto* view = named(new QPlainTextEdit(parent), name);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(songFont(10.5));
    view->setMinimumSize(320, 220);
    return view;
}

// Shows `text` with the lines the other side lacks marked, and the first of them in view:
// the added field or the changed one is what the user wants to see, wherever it falls. The
// leader changes with the record's length, so a field's line goes before it.
void showMarked(QPlainTextEdit* view, const QString& text, const QStringList& other,
                const QColor& mark)
{
    view->setPlainText(text);
    const QSet<QString> others(other.begin(), other.end());
    QList<QTextEdit::ExtraSelection> marks;
    for (QTextBlock line = view->document()->begin(); line.isValid(); line = line.next()) {
        if (others.contains(line.text()))
            continue;
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(line);
        selection.format.setBackground(mark);
        selection.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks.append(selection);
    }
    view->setExtraSelections(marks);
    if (!marks.isEmpty()) {
        const bool pastLeader = marks.size() > 1 && marks.front().cursor.blockNumber() == 0;
        view->setTextCursor(marks[pastLeader ? 1 : 0].cursor);
        view->centerCursor();
    }
}

} // namespace

BatchDialog::BatchDialog(const RecordModel& records, MessageBox& messages, Hooks hooks,
                         QWidget* parent)
    : QDialog(parent), m_records(records), m_messages(messages), m_hooks(std::move(hooks)),
      m_job(new EditJob(records, this))
{
    setObjectName(QStringLiteral("BatchDialog"));
    setWindowTitle(kTitle);
    setModal(true);

    // 添加字段
    auto* addPage = new QWidget;
    m_fieldLine = box("FieldLine", QStringLiteral("905 __ ■aXJTU■b书库"), addPage);
    // ■ cannot be typed on most keyboards: a button puts it where the cursor is.
    auto* delimiter = named(new QPushButton(QStringLiteral("■"), addPage), "Delimiter");
    delimiter->setAutoDefault(false);
    delimiter->setToolTip(QStringLiteral("插入子字段标识符 ■"));
    delimiter->setFixedWidth(delimiter->fontMetrics().horizontalAdvance(u'■') * 3);
    connect(delimiter, &QPushButton::clicked, this, [this] {
        m_fieldLine->insert(QStringLiteral("■"));
        m_fieldLine->setFocus();
    });
    auto* lineRow = new QHBoxLayout;
    lineRow->addWidget(m_fieldLine, 1);
    lineRow->addWidget(delimiter);
    m_ifMissing =
        named(new QCheckBox(QStringLiteral("仅在记录没有该字段时添加(&M)"), addPage), "IfMissing");
    auto* lineLabel = new QLabel(QStringLiteral("字段(&F):"), addPage);
    lineLabel->setBuddy(m_fieldLine);
    auto* addForm = new QFormLayout(addPage);
    addForm->addRow(lineLabel, lineRow);
    addForm->addRow(m_ifMissing);

    // 删除字段
    auto* deletePage = new QWidget;
    m_deleteTags = box("DeleteTags", QStringLiteral("905，或 9XX 表示 900–999"), deletePage);
    m_onlyWhere = named(new QCheckBox(QStringLiteral("仅删除含有匹配子字段的字段(&W)"), deletePage),
                        "OnlyWhere");
    m_conditionCode = box("ConditionCode", QStringLiteral("a"), deletePage);
    m_conditionCode->setMaxLength(1);
    m_conditionCode->setFixedWidth(m_conditionCode->fontMetrics().horizontalAdvance(u'M') * 4);
    m_conditionText = box("ConditionText", QString(), deletePage);
    m_conditionMode = named(new QComboBox(deletePage), "ConditionMode");
    m_conditionMode->addItems(
        {QStringLiteral("包含"), QStringLiteral("整个子字段"), QStringLiteral("正则表达式")});
    m_conditionMode->setCurrentIndex(1);
    m_conditionCase =
        named(new QCheckBox(QStringLiteral("区分大小写(&C)"), deletePage), "ConditionCase");
    m_conditionCase->setChecked(true);
    auto* condition = new QHBoxLayout;
    auto* codeLabel = new QLabel(QStringLiteral("子字段(&Z):"), deletePage);
    codeLabel->setBuddy(m_conditionCode);
    auto* textLabel = new QLabel(QStringLiteral("内容(&V):"), deletePage);
    textLabel->setBuddy(m_conditionText);
    condition->addWidget(codeLabel);
    condition->addWidget(m_conditionCode);
    condition->addWidget(textLabel);
    condition->addWidget(m_conditionText, 1);
    condition->addWidget(m_conditionMode);
    condition->addWidget(m_conditionCase);
    auto* deleteForm = new QFormLayout(deletePage);
    deleteForm->addRow(QStringLiteral("字段标识(&T):"), m_deleteTags);
    deleteForm->addRow(m_onlyWhere);
    deleteForm->addRow(condition);
    const auto followOnlyWhere = [this, codeLabel, textLabel](bool on) {
        for (QWidget* w :
             std::initializer_list<QWidget*>{codeLabel, textLabel, m_conditionCode, m_conditionText,
                                             m_conditionMode, m_conditionCase})
            w->setEnabled(on);
    };
    connect(m_onlyWhere, &QCheckBox::toggled, this, followOnlyWhere);
    followOnlyWhere(false);

    // 设置指示符
    auto* indicatorPage = new QWidget;
    m_indicatorTag = box("IndicatorTag", QStringLiteral("702"), indicatorPage);
    m_indicators = box("Indicators", QStringLiteral("_1（_ 表示空格）"), indicatorPage);
    m_indicators->setMaxLength(2);
    auto* indicatorForm = new QFormLayout(indicatorPage);
    indicatorForm->addRow(QStringLiteral("字段标识(&G):"), m_indicatorTag);
    indicatorForm->addRow(QStringLiteral("指示符(&I):"), m_indicators);

    m_operations = named(new QTabWidget(this), "Operations");
    m_operations->addTab(addPage, QStringLiteral("添加字段(&1)"));
    m_operations->addTab(deletePage, QStringLiteral("删除字段(&2)"));
    m_operations->addTab(indicatorPage, QStringLiteral("设置指示符(&3)"));

    auto* rows = new QGroupBox(QStringLiteral("范围"), this);
    m_allRecords = named(new QRadioButton(QStringLiteral("全部记录(&L)"), rows), "AllRecords");
    m_allRecords->setChecked(true);
    m_selectedRows = named(new QRadioButton(QStringLiteral("选中的行(&S)"), rows), "SelectedRows");
    auto* rowsLayout = new QHBoxLayout(rows);
    rowsLayout->addWidget(m_allRecords);
    rowsLayout->addWidget(m_selectedRows);
    rowsLayout->addStretch();

    m_previewButton = named(new QPushButton(QStringLiteral("预览(&P)"), this), "Preview");
    m_count = named(new QLabel(this), "Count");
    m_count->setWordWrap(true);
    auto* previewRow = new QHBoxLayout;
    previewRow->addWidget(m_previewButton);
    previewRow->addWidget(m_count, 1);

    m_beforeLabel = new QLabel(QStringLiteral("修改前"), this);
    m_before = recordView("Before", this);
    m_after = recordView("After", this);
    auto* views = new QGridLayout;
    views->addWidget(m_beforeLabel, 0, 0);
    views->addWidget(new QLabel(QStringLiteral("修改后"), this), 0, 1);
    views->addWidget(m_before, 1, 0);
    views->addWidget(m_after, 1, 1);

    m_okButton = named(new QPushButton(QStringLiteral("确定"), this), "OK");
    auto* cancel = named(new QPushButton(QStringLiteral("取消"), this), "Cancel");
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_operations);
    layout->addWidget(rows);
    layout->addLayout(previewRow);
    layout->addLayout(views, 1);
    layout->addLayout(buttons);

    connect(m_previewButton, &QPushButton::clicked, this, &BatchDialog::preview);
    connect(m_okButton, &QPushButton::clicked, this, &BatchDialog::applyPreview);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::rejected, this, &BatchDialog::setPreviewAside);
    connect(m_job, &EditJob::progress, this, [this](qint64 done, qint64 total) {
        m_count->setText(QStringLiteral("正在预览… %1/%2").arg(done).arg(total));
    });
    connect(m_job, &EditJob::finished, this, &BatchDialog::previewDone);

    // Whatever describes the change sets the last preview aside.
    for (QLineEdit* e : {m_fieldLine, m_deleteTags, m_conditionCode, m_conditionText,
                         m_indicatorTag, m_indicators})
        connect(e, &QLineEdit::textChanged, this, &BatchDialog::setPreviewAside);
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             m_ifMissing, m_onlyWhere, m_conditionCase, m_allRecords, m_selectedRows})
        connect(b, &QAbstractButton::toggled, this, &BatchDialog::setPreviewAside);
    connect(m_conditionMode, &QComboBox::currentIndexChanged, this, &BatchDialog::setPreviewAside);
    connect(m_operations, &QTabWidget::currentChanged, this, &BatchDialog::setPreviewAside);
    setPreviewAside();
}

BatchDialog::~BatchDialog() = default;

void BatchDialog::prepare()
{
    setPreviewAside();
    const std::size_t selected = m_hooks.selectedRows().size();
    m_selectedRows->setEnabled(selected > 0);
    m_selectedRows->setText(selected > 0 ? QStringLiteral("选中的行(&S)（%1 行）").arg(selected)
                                         : QStringLiteral("选中的行(&S)"));
    if (selected > 1)
        m_selectedRows->setChecked(true);
    else
        m_allRecords->setChecked(true);
    // The first box of the page shown takes the typing.
    if (QWidget* page = m_operations->currentWidget())
        if (auto* first = page->findChild<QLineEdit*>())
            first->setFocus();
}

void BatchDialog::tell(const QString& text)
{
    m_messages.show(this, text, kTitle, MessageButtons::Ok, MessageIcon::Information,
                    MessageAnswer::Ok);
}

std::shared_ptr<const edit::RecordChange> BatchDialog::change()
{
    std::u16string error;
    std::shared_ptr<const edit::RecordChange> made;
    switch (m_operations->currentIndex()) {
    case 0:
        made = edit::AddFieldChange::create(m_fieldLine->text().toStdU16String(),
                                            m_ifMissing->isChecked(), error);
        break;
    case 1: {
        std::optional<edit::DeleteFieldChange::Condition> condition;
        if (m_onlyWhere->isChecked()) {
            const QString code = m_conditionCode->text();
            if (code.size() != 1 || code.at(0).isSpace()) {
                tell(QStringLiteral("请填写一个字符的子字段代码"));
                return nullptr;
            }
            edit::Search search;
            search.text = m_conditionText->text().toStdU16String();
            search.mode = m_conditionMode->currentIndex() == 2   ? edit::MatchMode::Regex
                          : m_conditionMode->currentIndex() == 1 ? edit::MatchMode::WholeSubfield
                                                                 : edit::MatchMode::Contains;
            search.caseSensitive = m_conditionCase->isChecked();
            std::shared_ptr<const edit::Matcher> matcher = edit::Matcher::create(search, error);
            if (!matcher)
                break;
            condition = edit::DeleteFieldChange::Condition{code.at(0).unicode(), matcher};
        }
        made = edit::DeleteFieldChange::create(m_deleteTags->text().trimmed().toStdU16String(),
                                               condition, error);
        break;
    }
    default:
        made = edit::IndicatorChange::create(m_indicatorTag->text().trimmed().toStdU16String(),
                                             m_indicators->text().toStdU16String(), error);
        break;
    }
    if (!made)
        tell(QString::fromStdU16String(error));
    return made;
}

void BatchDialog::preview()
{
    setPreviewAside();
    std::shared_ptr<const edit::RecordChange> made = change();
    if (!made)
        return;
    std::vector<std::size_t> rows;
    if (m_selectedRows->isChecked()) {
        for (const int r : m_hooks.selectedRows())
            if (r >= 1 && std::size_t(r) <= m_records.size())
                rows.push_back(std::size_t(r - 1));
        if (rows.empty()) {
            tell(QStringLiteral("没有选中的行"));
            return;
        }
    }
    m_count->setText(QStringLiteral("正在预览…"));
    m_job->start(std::move(made), kTitle, std::move(rows), m_hooks.now(), m_hooks.shownRow());
}

void BatchDialog::finishPreview()
{
    m_job->runToEnd();
}

void BatchDialog::previewDone(qint64 changes, qint64 records)
{
    m_result = m_job->takeResult();
    m_changes = changes;
    m_changed = records;
    QString text = m_result->empty()
                       ? QStringLiteral("没有需要修改的记录")
                       : QStringLiteral("将修改 %1 处，涉及 %2 条记录").arg(changes).arg(records);
    if (const std::size_t failed = m_job->failures().size())
        text += QStringLiteral("；%1 条记录无法修改，将保持原样（第 %2 条：%3）")
                    .arg(failed)
                    .arg(m_job->failures().front().first)
                    .arg(m_job->failures().front().second);
    m_count->setText(text);
    if (m_result->empty()) {
        m_result.reset();
        return;
    }
    const std::size_t row = m_result->replacedRow(0);
    const Encoding encoding = m_records.row(row).encoding;
    m_beforeLabel->setText(QStringLiteral("修改前（第 %1 行）").arg(row + 1));
    const QString before = displayTextFor(m_records.record(row), encoding);
    const QString after = displayTextFor(m_result->replacedBytes(0), encoding);
    showMarked(m_before, before, after.split(u'\n'), QColor(255, 220, 220));
    showMarked(m_after, after, before.split(u'\n'), QColor(210, 245, 210));
    m_okButton->setEnabled(true);
    m_okButton->setDefault(true);
    m_okButton->setFocus();
}

void BatchDialog::setPreviewAside()
{
    m_job->cancel();
    m_result.reset();
    m_count->setText(QStringLiteral("按“预览”查看将要修改的记录数和第一条记录的修改前后。"));
    m_beforeLabel->setText(QStringLiteral("修改前"));
    m_before->clear();
    m_after->clear();
    m_okButton->setEnabled(false);
    m_previewButton->setDefault(true);
}

void BatchDialog::applyPreview()
{
    if (!m_result)
        return;
    ListChange change = std::move(*m_result);
    m_result.reset();
    const std::vector<std::pair<int, QString>> failures = m_job->failures();
    accept();
    m_hooks.apply(std::move(change), m_changes, m_changed, failures);
}

} // namespace bibliora
