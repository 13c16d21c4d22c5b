#pragma once

#include "recordchange.h"

#include <memory>
#include <string>

namespace bibliora::edit {

// Sets both indicators of every data field of a tag. A field whose indicators are already
// those is no change.
class IndicatorChange final : public RecordChange
{
public:
    // `indicators`: two printable ASCII characters, "_" or " " for a blank. The change, or
    // null with `error` saying why it is refused (Chinese): a tag that is no data field's.
    static std::shared_ptr<const IndicatorChange>
    create(std::u16string_view tag, std::u16string_view indicators, std::u16string& error);

private:
    IndicatorChange() = default;
    Made edit(RecordFields& fields) const override;

    std::string m_tag;
    std::u16string m_indicators; // as the display shows them: "_" for a blank
};

} // namespace bibliora::edit
