#pragma once

#include "outputformat.h"
#include "platform.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QProgressDialog;
class QWidget;

namespace bibliora {

class ExportJob;
class ExportOptionsDialog;
class RecordModel;

// 文件 → 导出为: every record, the modified ones or the selected ones, in a form chosen in the
// save dialog (ISO 2709 one a line or back to back, MARCXML, MARC text, CSV), with the
// character set or the CSV columns asked next. The ISO 2709 forms append to an existing file
// as the export always has, after asking; the others replace it, after asking. Records to be
// written in GBK are first looked through for characters GBK cannot hold, and the user decides
// whether they go out as "?". The writing runs as an ExportJob behind a progress dialog that
// can cancel it; the list cannot change meanwhile.
class ExportCommand final : public QObject
{
    Q_OBJECT
public:
    enum class Records
    {
        All,
        Modified,
        Selected,
    };

    struct Hooks
    {
        std::function<std::vector<int>()> selectedRows; // grid rows, ascending
        std::function<QString()> initialFolder;
        std::function<void(const QString& folder)> openFolder;
    };

    ExportCommand(RecordModel& records, const Platform& platform, Hooks hooks, QWidget* window);
    ~ExportCommand() override;

    void run(Records records);
    bool isRunning() const;

signals:
    // True while the job reads the records: the list must not change until it is false again.
    void busyChanged(bool busy);

private:
    struct Request
    {
        Records records = Records::All;
        std::vector<std::size_t> rows;
        QString path;
        formats::OutputFormat format = formats::OutputFormat::IsoLines;
        formats::TargetEncoding encoding = formats::TargetEncoding::Keep;
        std::vector<std::string> fields;
        bool append = false;
    };

    void withOptions();
    void scanned();
    void write();
    void written(bool ok);
    void setBusy(bool busy);
    void showProgress(const QString& label);
    void endProgress();
    void tell(const QString& text) const;
    bool ask(const QString& text) const;

    RecordModel& m_records;
    Platform m_platform;
    Hooks m_hooks;
    QWidget* m_window;
    ExportJob* m_job;
    QPointer<ExportOptionsDialog> m_options;
    QProgressDialog* m_progress = nullptr;
    Request m_request;
    bool m_busy = false;
};

} // namespace bibliora
