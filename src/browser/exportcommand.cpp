#include "exportcommand.h"

#include "exportjob.h"
#include "exportoptionsdialog.h"
#include "ordinaryfile.h"
#include "platform.h"
#include "recordmodel.h"

#include <QFileInfo>
#include <QProgressDialog>
#include <algorithm>
#include <iterator>

namespace bibliora {
namespace {

using formats::OutputFormat;

const QString kTitle = QStringLiteral("导出为");

struct Form
{
    const char* description;
    const char* pattern;
    OutputFormat format;
    const char* suffix; // added to a name typed without one
};

const Form kForms[] = {
    {"ISO2709 (每行一条)", "*.iso", OutputFormat::IsoLines, "iso"},
    {"ISO2709 标准格式", "*.mrc *.iso", OutputFormat::Iso, "mrc"},
    {"MARCXML", "*.xml", OutputFormat::MarcXml, "xml"},
    {"MARC 文本", "*.mrk", OutputFormat::Mrk, "mrk"},
    {"CSV", "*.csv", OutputFormat::Csv, "csv"},
};

bool isIsoForm(OutputFormat format)
{
    return format == OutputFormat::Iso || format == OutputFormat::IsoLines;
}

} // namespace

ExportCommand::ExportCommand(RecordModel& records, const Platform& platform, Hooks hooks,
                             QWidget* window)
    : QObject(window), m_records(records), m_platform(platform), m_hooks(std::move(hooks)),
      m_window(window), m_job(new ExportJob(records, this))
{
    connect(m_job, &ExportJob::scanned, this, &ExportCommand::scanned);
    connect(m_job, &ExportJob::written, this, &ExportCommand::written);
    connect(m_job, &ExportJob::progress, this, [this](qint64 done, qint64 total) {
        if (m_progress) {
            m_progress->setMaximum(int(std::min<qint64>(total, INT32_MAX)));
            m_progress->setValue(int(std::min<qint64>(done, INT32_MAX)));
        }
    });
}

ExportCommand::~ExportCommand() = default;

bool ExportCommand::isRunning() const
{
    return m_job->isRunning() || (m_options && m_options->isVisible());
}

void ExportCommand::tell(const QString& text) const
{
    m_platform.messageBox->show(m_window, text, QStringLiteral("温馨提示"), MessageButtons::Ok,
                                MessageIcon::Information, MessageAnswer::Ok);
}

bool ExportCommand::ask(const QString& text) const
{
    return m_platform.messageBox->show(m_window, text, QStringLiteral("温馨提示"),
                                       MessageButtons::YesNo, MessageIcon::Information,
                                       MessageAnswer::No) == MessageAnswer::Yes;
}

void ExportCommand::run(Records which)
{
    if (isRunning())
        return;
    Request request;
    request.records = which;
    if (which == Records::Selected) {
        for (const int row : m_hooks.selectedRows())
            if (row >= 1 && std::size_t(row) <= m_records.size())
                request.rows.push_back(std::size_t(row - 1));
    } else {
        for (std::size_t r = 0; r < m_records.size(); ++r)
            if (which == Records::All || m_records.row(r).modified)
                request.rows.push_back(r);
    }
    if (request.rows.empty()) {
        tell(which == Records::Modified   ? QStringLiteral("没有修改过的记录")
             : which == Records::Selected ? QStringLiteral("没有选中的行")
                                          : QStringLiteral("没有可以导出的记录"));
        return;
    }
    QList<FileFilter> filters;
    for (const Form& form : kForms)
        filters.append({QString::fromUtf8(form.description), QString::fromLatin1(form.pattern)});
    int chosen = 1;
    QString path = m_platform.fileDialog->showFileDialog(
        false, kTitle, filters, 1, m_hooks.initialFolder(), QString(), m_window, &chosen);
    if (path.isEmpty())
        return;
    const Form& form = kForms[std::clamp(chosen - 1, 0, int(std::size(kForms)) - 1)];
    if (QFileInfo(path).suffix().isEmpty())
        path += u'.' + QString::fromLatin1(form.suffix);
    request.path = path;
    request.format = form.format;
    m_request = std::move(request);
    if (!ExportOptionsDialog::asksAnything(form.format)) {
        withOptions();
        return;
    }
    auto* dialog = new ExportOptionsDialog(form.format, *m_platform.messageBox, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_request.encoding = dialog->encoding();
        m_request.fields = dialog->fields();
        withOptions();
    });
    m_options = dialog;
    dialog->open();
}

void ExportCommand::withOptions()
{
    if (isOrdinaryFile(m_request.path)) {
        // ISO 2709 can be appended to, as the export always has; the other forms cannot.
        if (isIsoForm(m_request.format)) {
            if (!ask(QStringLiteral("该文件已存在，是否追加Marc数据！")))
                return;
            m_request.append = true;
        } else if (!ask(QStringLiteral("文件已存在，是否覆盖？"))) {
            return;
        }
    }
    if (isIsoForm(m_request.format) && m_request.encoding == formats::TargetEncoding::Gbk) {
        showProgress(QStringLiteral("正在检查能否以 GBK 写出……"));
        m_job->scan(m_request.rows);
        return;
    }
    write();
}

void ExportCommand::scanned()
{
    endProgress();
    setBusy(false);
    if (m_job->unholdableRecords() > 0) {
        QString text =
            QStringLiteral("%1 条记录含有 GBK 无法表示的字符：").arg(m_job->unholdableRecords());
        for (const ExportJob::Unholdable& u : m_job->unholdable())
            text +=
                QStringLiteral("\r\n第 %1 条记录 %2 字段：%3").arg(u.row).arg(u.tag, u.characters);
        text += QStringLiteral("\r\n\r\n是否以“?”代替这些字符继续导出？");
        if (!ask(text))
            return;
    }
    write();
}

void ExportCommand::write()
{
    showProgress(QStringLiteral("正在导出……"));
    if (!m_job->start(m_request.rows,
                      formats::createWriter(m_request.format, m_request.encoding, m_request.fields),
                      m_request.path, m_request.append)) {
        endProgress();
        setBusy(false);
        tell(m_job->error());
    }
}

void ExportCommand::written(bool ok)
{
    endProgress();
    setBusy(false);
    if (!ok) {
        tell(QStringLiteral("导出未能完成：%1").arg(m_job->error()));
        return;
    }
    // Records written in a form that keeps them count as exported; a table does not.
    if (m_request.format != OutputFormat::Csv && m_request.records != Records::Selected)
        m_records.markExported(m_request.records == Records::Modified);
    const formats::WriteCounts& counts = m_job->counts();
    QString text = QStringLiteral("已导出 %1 条记录").arg(counts.written);
    if (counts.failed > 0)
        text += QStringLiteral("；%1 条记录无法写出（无法读取，或超过 ISO 2709 允许的长度）")
                    .arg(counts.failed);
    if (counts.placeholders > 0)
        text += m_request.format == OutputFormat::MarcXml
                    ? QStringLiteral("；%1 条记录含有 XML 无法表示的字符，已写为占位符")
                          .arg(counts.placeholders)
                    : QStringLiteral("；%1 条记录含有无法表示的字符，已写为“?”或占位符")
                          .arg(counts.placeholders);
    if (counts.outsideSchema > 0)
        text += QStringLiteral("；%1 条记录不符合 MARC21 slim 模式，已按原样写出")
                    .arg(counts.outsideSchema);
    text += QStringLiteral("。是否查看文件？");
    if (!ask(text))
        return;
    const QString folder = QFileInfo(m_request.path).absolutePath();
    m_hooks.openFolder(folder);
}

void ExportCommand::setBusy(bool busy)
{
    if (busy != m_busy)
        emit busyChanged(m_busy = busy);
}

void ExportCommand::showProgress(const QString& label)
{
    endProgress();
    setBusy(true);
    m_progress =
        new QProgressDialog(label, QStringLiteral("取消"), 0,
                            int(std::min<std::size_t>(m_request.rows.size(), INT32_MAX)), m_window);
    m_progress->setWindowTitle(kTitle);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(500);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    connect(m_progress, &QProgressDialog::canceled, this, [this] {
        m_job->cancel();
        endProgress();
        setBusy(false);
    });
}

void ExportCommand::endProgress()
{
    if (!m_progress)
        return;
    QProgressDialog* progress = m_progress;
    m_progress = nullptr;
    progress->disconnect(this);
    progress->deleteLater();
}

} // namespace bibliora
