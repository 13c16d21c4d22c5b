#include "exportoptionsdialog.h"

#include "csvwriter.h"
#include "messagebox.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace bibliora {

using formats::OutputFormat;
using formats::TargetEncoding;

bool ExportOptionsDialog::asksAnything(OutputFormat format)
{
    return format == OutputFormat::Iso || format == OutputFormat::IsoLines ||
           format == OutputFormat::Csv;
}

ExportOptionsDialog::ExportOptionsDialog(OutputFormat format, MessageBox& messages, QWidget* parent)
    : QDialog(parent), m_messages(messages)
{
    setObjectName(QStringLiteral("ExportOptionsDialog"));
    setWindowTitle(QStringLiteral("导出为"));
    auto* layout = new QVBoxLayout(this);
    if (format == OutputFormat::Csv) {
        m_fields = new QLineEdit(this);
        m_fields->setObjectName(QStringLiteral("Fields"));
        m_fields->setPlaceholderText(QStringLiteral("200$f, 210$c, 690$a"));
        m_fields->setMinimumWidth(m_fields->fontMetrics().horizontalAdvance(u'M') * 30);
        auto* hint = new QLabel(
            QStringLiteral("序号、题名、ISBN/ISSN 之后的列，以逗号分开；重复的子字段以“; ”连接。"),
            this);
        hint->setWordWrap(true);
        auto* form = new QFormLayout;
        form->addRow(QStringLiteral("子字段(&F):"), m_fields);
        layout->addLayout(form);
        layout->addWidget(hint);
    } else {
        auto* box = new QGroupBox(QStringLiteral("字符集"), this);
        auto* column = new QVBoxLayout(box);
        m_encodings = new QButtonGroup(this);
        const std::pair<const char*, TargetEncoding> choices[] = {
            {"每条记录原有的字符集(&K)", TargetEncoding::Keep},
            {"UTF-8(&U)", TargetEncoding::Utf8},
            {"GBK(&G)", TargetEncoding::Gbk}};
        for (const auto& [text, encoding] : choices) {
            auto* button = new QRadioButton(QString::fromUtf8(text), box);
            m_encodings->addButton(button, int(encoding));
            column->addWidget(button);
        }
        m_encodings->button(int(TargetEncoding::Keep))->setChecked(true);
        layout->addWidget(box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportOptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

TargetEncoding ExportOptionsDialog::encoding() const
{
    return m_encodings ? TargetEncoding(m_encodings->checkedId()) : TargetEncoding::Keep;
}

std::vector<std::string> ExportOptionsDialog::fields() const
{
    std::vector<std::string> specs;
    if (!m_fields)
        return specs;
    static const QRegularExpression separators(QStringLiteral("[,，;；\\s]+"));
    for (const QString& spec : m_fields->text().split(separators, Qt::SkipEmptyParts))
        specs.push_back(spec.toStdString());
    return specs;
}

void ExportOptionsDialog::accept()
{
    for (const std::string& spec : fields()) {
        if (!formats::CsvWriter::validSpec(spec)) {
            m_messages.show(this,
                            QStringLiteral("“%1”不是子字段：请写成 200$f 这样的形式，"
                                           "控制字段写成 001。")
                                .arg(QString::fromStdString(spec)),
                            windowTitle(), MessageButtons::Ok, MessageIcon::Information,
                            MessageAnswer::Ok);
            return;
        }
    }
    QDialog::accept();
}

} // namespace bibliora
