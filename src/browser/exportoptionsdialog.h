#pragma once

#include "outputformat.h"

#include <QDialog>
#include <string>
#include <vector>

class QButtonGroup;
class QLineEdit;

namespace bibliora {

class MessageBox;

// What an export in a form asks beyond the file: the character set for the ISO 2709 forms
// (each record's own, UTF-8 or GBK), the subfields for CSV ("200$f, 210$c"). The other forms
// ask nothing, and this dialog is not shown for them.
class ExportOptionsDialog final : public QDialog
{
    Q_OBJECT
public:
    ExportOptionsDialog(formats::OutputFormat format, MessageBox& messages, QWidget* parent);

    static bool asksAnything(formats::OutputFormat format);

    formats::TargetEncoding encoding() const;
    // The subfields as typed, in order; valid once the dialog was accepted.
    std::vector<std::string> fields() const;

    void accept() override;

private:
    MessageBox& m_messages;
    QButtonGroup* m_encodings = nullptr;
    QLineEdit* m_fields = nullptr;
};

} // namespace bibliora
