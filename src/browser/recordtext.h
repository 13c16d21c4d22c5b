#pragma once

#include "builder.h"

#include <QString>
#include <string>
#include <string_view>

namespace bibliora {

QString toQString(std::u16string_view s);
std::u16string_view toView(const QString& s);

// The record, read in `encoding`, as Text2 shows it: the display text with its CR LF as line
// breaks.
QString displayTextFor(std::string_view record, Encoding encoding);
// The text Text2 holds, as the builder reads it: CR LF line ends, one after the last line.
QString builderTextFor(QString shown);

// The message for a record that cannot be built.
QString buildFailureText(const BuildResult& result);

} // namespace bibliora
