#include "editerror.h"

namespace bibliora::edit {

std::u16string editErrorMessage(EditError error)
{
    switch (error) {
    case EditError::TooLarge:
        return u"改后的记录超出 ISO 2709 的长度上限（记录 99,999 字节，字段 9,999 字节）";
    case EditError::EmptySubfield:
        return u"改后的记录会有空子字段";
    case EditError::MatchLimit:
        return u"正则表达式回溯次数过多，已在上限处停止";
    case EditError::Structure:
        return u"替换结果含有 ■、分隔符、结束符、换行或占位符，会改变记录的结构";
    case EditError::Unreadable:
        return u"无法从这条记录的文本中分出字段";
    case EditError::None:
        break;
    }
    return {};
}

} // namespace bibliora::edit
