#include "recordtext.h"

#include "displaytext.h"

namespace bibliora {

QString toQString(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

std::u16string_view toView(const QString& s)
{
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

QString displayTextFor(std::string_view record, Encoding encoding)
{
    QString text = toQString(formatRecordText(record, encoding));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QString builderTextFor(QString shown)
{
    shown.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    shown += QStringLiteral("\r\n");
    return shown;
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

} // namespace bibliora
