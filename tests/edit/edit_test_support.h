#pragma once

// Helpers shared by the edit tests: searches and records of each encoding, written by hand.

#include "codec_test_support.h"
#include "edit.h"
#include "recordfields.h"

#include <atomic>
#include <memory>
#include <thread>

namespace bibliora::test {

// A matcher the test expects to be accepted.
inline std::shared_ptr<const edit::Matcher>
matcherFor(const std::u16string& text, edit::MatchMode mode = edit::MatchMode::Contains,
           bool caseSensitive = true, const std::u16string& scope = u"")
{
    std::u16string error;
    edit::Search search;
    search.text = text;
    search.mode = mode;
    search.caseSensitive = caseSensitive;
    search.scope = *edit::Scope::parse(scope, error);
    auto matcher = edit::Matcher::create(search, error);
    EXPECT_TRUE(matcher) << Gbk::toUtf8(error);
    return matcher;
}

// The bytes of a test text in UTF-8, with "$", "^" and "%" as for gbk().
inline std::string utf8(std::u16string text)
{
    for (char16_t& c : text)
        c = c == u'$' ? u'\x1F' : c == u'^' ? u'\x1E' : c == u'%' ? u'\x1D' : c;
    return Gbk::toUtf8(text);
}

// A well-formed record of {tag, bytes} fields with a leader whose lengths are right.
inline MarcRecord record(const std::vector<support::IsoField>& fields,
                         std::string_view leader = "00000nam0 2200000   450 ")
{
    return support::assembleIso(leader, fields);
}

// What an unedited save writes for `record`: the record every change is measured against.
inline MarcRecord resaved(std::string_view record, Encoding encoding = Encoding::Gbk)
{
    return rebuildRecord(formatRecordText(record, encoding) + u"\r\n", encoding, kNow).record;
}

// The record as apply() writes it, which must be what applyByText() writes too.
inline edit::EditOutcome applied(const edit::RecordChange& change, const MarcRecord& r,
                                 Encoding e = Encoding::Gbk)
{
    const edit::EditOutcome fast = change.apply(r, e, kNow);
    const edit::EditOutcome text = change.applyByText(r, e, kNow);
    EXPECT_EQ(fast.record, text.record);
    EXPECT_EQ(fast.changes, text.changes);
    EXPECT_EQ(fast.error, text.error);
    return fast;
}

} // namespace bibliora::test
