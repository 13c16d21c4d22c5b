#include "replacedialog.h"

#include "messagebox.h"
#include "recordmodel.h"
#include "recordsearch.h"

#include "matcher.h"
#include "replacechange.h"
#include "scope.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace bibliora {
namespace {

const QString kTitle = QStringLiteral("查找替换");

QPushButton* command(const char* text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

ReplaceDialog::ReplaceDialog(const RecordModel& records, MessageBox& messages, Hooks hooks,
                             QWidget* parent)
    : QDialog(parent), m_records(records), m_messages(messages), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("ReplaceDialog"));
    setWindowTitle(kTitle);
    setModal(false);

    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("FindText"));
    m_with = new QLineEdit(this);
    m_with->setObjectName(QStringLiteral("ReplaceText"));
    m_scope = new QLineEdit(this);
    m_scope->setObjectName(QStringLiteral("Scope"));
    m_scope->setPlaceholderText(QStringLiteral("全部字段；或 210、210$c、008、LDR"));
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("查找内容(&N):"), m_find);
    fields->addRow(QStringLiteral("替换为(&P):"), m_with);
    fields->addRow(QStringLiteral("范围(&G):"), m_scope);

    auto* matching = new QGroupBox(QStringLiteral("匹配"), this);
    m_contains = new QRadioButton(QStringLiteral("包含(&C)"), matching);
    m_contains->setObjectName(QStringLiteral("Contains"));
    m_contains->setChecked(true);
    m_whole = new QRadioButton(QStringLiteral("整个子字段(&B)"), matching);
    m_whole->setObjectName(QStringLiteral("WholeSubfield"));
    m_regex = new QRadioButton(QStringLiteral("正则表达式(&X)"), matching);
    m_regex->setObjectName(QStringLiteral("Regex"));
    auto* modes = new QHBoxLayout(matching);
    modes->addWidget(m_contains);
    modes->addWidget(m_whole);
    modes->addWidget(m_regex);
    m_case = new QCheckBox(QStringLiteral("区分大小写(&M)"), this);
    m_case->setObjectName(QStringLiteral("MatchCase"));
    m_selectedOnly = new QCheckBox(QStringLiteral("全部替换仅限选中的行(&L)"), this);
    m_selectedOnly->setObjectName(QStringLiteral("SelectedOnly"));

    auto* findNextButton = command("查找下一个(&I)", "FindNext", this);
    auto* selectAllButton = command("全部选中(&K)", "SelectAll", this);
    auto* replaceButton = command("替换(&R)", "Replace", this);
    auto* replaceAllButton = command("全部替换(&A)", "ReplaceAll", this);
    auto* closeButton = command("关闭", "Close", this);
    m_commands = {findNextButton, selectAllButton, replaceButton, replaceAllButton};
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : m_commands)
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(closeButton);

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addWidget(matching);
    left->addWidget(m_case);
    left->addWidget(m_selectedOnly);
    left->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    findNextButton->setDefault(true);

    connect(findNextButton, &QPushButton::clicked, this, &ReplaceDialog::findNext);
    connect(selectAllButton, &QPushButton::clicked, this, &ReplaceDialog::selectAllMatches);
    connect(replaceButton, &QPushButton::clicked, this, &ReplaceDialog::replaceShown);
    connect(replaceAllButton, &QPushButton::clicked, this, &ReplaceDialog::replaceAll);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::hide);
    resize(sizeHint().width() * 5 / 4, sizeHint().height());
}

void ReplaceDialog::setBusy(bool busy)
{
    for (QPushButton* b : m_commands)
        b->setEnabled(!busy);
}

void ReplaceDialog::tell(const QString& text)
{
    m_messages.show(this, text, kTitle, MessageButtons::Ok, MessageIcon::Information,
                    MessageAnswer::Ok);
}

void ReplaceDialog::reportLimit()
{
    tell(QStringLiteral(
        "正则表达式过于复杂，在部分字段上超出了匹配限制而停止，这些字段按不匹配处理。"));
}

std::shared_ptr<const edit::Matcher> ReplaceDialog::matcher()
{
    std::u16string error;
    const std::optional<edit::Scope> scope =
        edit::Scope::parse(m_scope->text().toStdU16String(), error);
    if (!scope) {
        tell(QString::fromStdU16String(error));
        return nullptr;
    }
    edit::Search search;
    search.text = m_find->text().toStdU16String();
    search.mode = m_regex->isChecked()   ? edit::MatchMode::Regex
                  : m_whole->isChecked() ? edit::MatchMode::WholeSubfield
                                         : edit::MatchMode::Contains;
    search.caseSensitive = m_case->isChecked();
    search.scope = *scope;
    std::shared_ptr<const edit::Matcher> made = edit::Matcher::create(search, error);
    if (!made)
        tell(QString::fromStdU16String(error));
    return made;
}

ReplaceDialog::Replacement ReplaceDialog::replacement()
{
    Replacement r;
    r.matcher = matcher();
    if (!r.matcher)
        return r;
    std::u16string error;
    r.change = edit::ReplaceChange::create(r.matcher, m_with->text().toStdU16String(), error);
    if (!r.change)
        tell(QString::fromStdU16String(error));
    return r;
}

void ReplaceDialog::findFrom(const edit::Matcher& matcher, int after)
{
    RecordSearchResult found = findNextMatch(m_records, matcher, std::size_t(std::max(after, 0)));
    if (!found.row && after > 0 &&
        m_messages.show(this, QStringLiteral("已到最后一条记录，是否从头继续查找？"), kTitle,
                        MessageButtons::YesNo, MessageIcon::Information,
                        MessageAnswer::Yes) == MessageAnswer::Yes) {
        const bool limit = found.limitReached;
        found = findNextMatch(m_records, matcher, 0);
        found.limitReached = found.limitReached || limit;
        if (found.row && *found.row >= std::size_t(after))
            found.row.reset(); // from the top only as far as where the search began
    } else if (!found.row && after > 0) {
        return;
    }
    if (found.limitReached)
        reportLimit();
    if (found.row)
        m_hooks.show(int(*found.row) + 1);
    else
        tell(QStringLiteral("没有找到匹配的记录"));
}

void ReplaceDialog::findNext()
{
    if (const std::shared_ptr<const edit::Matcher> m = matcher())
        findFrom(*m, m_hooks.shownRow());
}

void ReplaceDialog::selectAllMatches()
{
    const std::shared_ptr<const edit::Matcher> m = matcher();
    if (!m)
        return;
    const RecordSearchResult found = findAllMatches(m_records, *m);
    if (found.limitReached)
        reportLimit();
    if (found.rows.empty()) {
        tell(QStringLiteral("没有找到匹配的记录"));
        return;
    }
    std::vector<int> rows;
    rows.reserve(found.rows.size());
    for (const std::size_t r : found.rows)
        rows.push_back(int(r) + 1);
    m_hooks.select(rows);
    tell(QStringLiteral("已选中 %1 条匹配的记录").arg(rows.size()));
}

void ReplaceDialog::replaceShown()
{
    const Replacement r = replacement();
    if (!r.change)
        return;
    const int shown = m_hooks.shownRow();
    if (shown >= 1 && std::size_t(shown) <= m_records.size() &&
        r.matcher->matches(m_records.record(std::size_t(shown - 1)),
                           m_records.row(std::size_t(shown - 1)).encoding))
        m_hooks.change(r.change, QStringLiteral("替换"), {shown});
    findFrom(*r.matcher, m_hooks.shownRow());
}

void ReplaceDialog::replaceAll()
{
    const Replacement r = replacement();
    if (!r.change)
        return;
    std::vector<int> rows;
    if (m_selectedOnly->isChecked()) {
        rows = m_hooks.selectedRows();
        if (rows.empty()) {
            tell(QStringLiteral("没有选中的行"));
            return;
        }
    }
    m_hooks.change(r.change, QStringLiteral("全部替换"), rows);
}

} // namespace bibliora
