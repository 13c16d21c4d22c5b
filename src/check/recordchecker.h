#pragma once

#include "duplicateindex.h"
#include "encoding.h"
#include "fieldtable.h"
#include "problem.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bibliora::check {

// A key of a record (an ISBN, a 001) to look up among the records before it, and where the
// warning of a duplicate goes among the record's problems.
struct PendingDuplicate
{
    std::uint64_t key;
    std::size_t at; // the warning's place in the problems, those of earlier keys not counted
    bool isbn;
    char code;
    std::array<char, 3> tag;
};

// The keys of the records checked before, as one record's check uses them: each ISBN (its key
// from checkIsbn) and each 001 (hashed) is looked up in `isbns` and `ids`, and when neither
// holds it, added to `addIsbns` / `addIds` unless those are null. With `deferred`, nothing is
// looked up: the keys are appended there, for the caller to look up later in order.
struct DuplicateScope
{
    const DuplicateIndex& isbns;
    const DuplicateIndex& ids;
    DuplicateIndex* addIsbns = nullptr;
    DuplicateIndex* addIds = nullptr;
    std::vector<PendingDuplicate>* deferred = nullptr;
};

// Checks one record against one format's rules. The record's bytes are scanned once; only the
// values a rule reads are decoded. Nothing is allocated unless a problem is found or a value
// holds bytes above 0x7F.
class RecordChecker final
{
public:
    // At most this many problems are listed for one record; a last one tells how many more
    // there were (a record of random bytes can have a directory of thousands of entries).
    static constexpr std::size_t kMaxProblems = 200;

    // The rule set a record's own fields choose: MARC21 with a 245, or with an 008 and no 200;
    // CNMARC with a 200, or with an 801 and neither 245 nor 008; else Auto.
    static RuleSet ownRuleSet(std::string_view record);

    // `set` is Cnmarc or Marc21; `number` names the record in duplicate messages of others.
    RecordChecker(RuleSet set, Encoding encoding, std::int64_t number,
                  const DuplicateScope& duplicates, std::vector<Problem>& out);

    // Appends the record's problems: leader and directory, the fields in directory order,
    // then the mandatory fields it lacks in tag order.
    void check(std::string_view record);

    // The warning of a key that record number `first` held before.
    static Problem duplicateWarning(const PendingDuplicate& key, std::int64_t first);

private:
    struct Field
    {
        std::string_view tag;  // three bytes
        std::string_view data; // without its field terminator
        int tagNumber = -1;    // 0-999 when the tag is three digits
    };

    void checkLeader(std::string_view record, std::size_t total);
    void checkField(std::string_view record, std::size_t base, std::size_t dataEnd,
                    std::size_t index, std::string_view entry);
    // Counts a field for the repeat and mandatory rules of its tag (`exact`) and of the pattern
    // covering it.
    void countField(const Field& field, std::uint8_t exact, std::uint8_t pattern);
    void checkControlField(const Field& field);
    void checkDataField(const Field& field, const FieldRule* rule);
    void checkIndicator(const Field& field, int which, const FieldRule* rule);
    // What a field's $a holds that a rule reads.
    enum class ValueKind : unsigned char
    {
        None,
        Isbn,
        Issn,
        GeneralData, // CNMARC 100 $a: fixed length, entry date
    };
    ValueKind valueKind(const Field& field) const;
    void checkSubfield(const Field& field, ValueKind kind, std::string_view piece,
                       std::uint64_t& seen);
    void checkValue(const Field& field, ValueKind kind, std::string_view code,
                    std::string_view value);
    void checkIsbn(const Field& field, std::string_view code, std::u16string_view value);
    void checkIssn(const Field& field, std::string_view code, std::u16string_view value);
    void checkMissing();
    // A key to look up once the record's fields are checked; its warning goes where the field's
    // problems are.
    void duplicate(const Field& field, char code, std::uint64_t key, bool isbn);
    void resolveDuplicates();

    // The value as text in the record's encoding; ASCII without a copy into a string.
    std::u16string_view text(std::string_view bytes);
    // Characters (code points) of a decoded value.
    static std::size_t characters(std::u16string_view text);

    void add(Rule rule, std::string_view tag, std::string_view code, const std::string& what,
             Severity severity = Severity::Error);
    // "245 $a: " before what is wrong, or "245: ".
    void addAt(Rule rule, const Field& field, std::string_view code, const std::string& what,
               Severity severity = Severity::Error);

    const FieldTable& m_table;
    RuleSet m_set;
    Encoding m_encoding;
    std::int64_t m_number;
    DuplicateScope m_duplicates;
    std::vector<Problem>& m_out;
    std::size_t m_added = 0;
    std::size_t m_dropped = 0;
    const char* m_recordEnd = nullptr; // field data may be read up to here
    bool m_validData = false;          // every byte of the data area valid in the encoding
    // Fields seen for each rule of the table, and the tag of the first one (left uninitialised:
    // only the entries of the table's rules are set, and a tag only once a field is counted).
    std::array<std::uint32_t, FieldTable::kNoRule> m_counts;
    std::array<std::uint16_t, FieldTable::kNoRule> m_firstTags;
    std::array<PendingDuplicate, 8> m_pending;
    std::size_t m_pendingCount = 0;
    std::u16string m_decoded;
    std::array<char16_t, 64> m_ascii;
};

} // namespace bibliora::check
