#pragma once

#include "duplicateindex.h"
#include "encoding.h"
#include "problem.h"
#include "recordchecker.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace bibliora::check {

// A record checked away from the file's order (on a worker thread) for all but what depends
// on the records before it: FileChecker::prepare() fills it, FileChecker::finish() completes it.
struct PreparedCheck
{
    RuleSet own = RuleSet::Auto; // the set the record's own fields choose
    RuleSet set = RuleSet::Auto; // the set it was checked by
    std::vector<Problem> problems;
    std::vector<PendingDuplicate> duplicates;
};

// Checks the records of one file in file order.
//
// Each record is held to the rules of CNMARC or MARC21: MARC21 when it has a 245, or an 008
// and no 200 (a CMARC record may carry a stray 008); CNMARC when it has a 200, or an 801 and
// neither 245 nor 008; otherwise the set most of the records before it chose by their own
// fields (CNMARC when none did, or as many of each), so a CNMARC record that lost its 200 is
// still checked as CNMARC. A forced set applies to every record.
//
// Across the file, the same ISBN (an ISBN-10 and its ISBN-13 being one) or the same 001 in a
// later record is a warning naming the first record that had it. The index of these keys costs
// about 32 bytes per key at most.
class FileChecker final
{
public:
    explicit FileChecker(RuleSet forced = RuleSet::Auto);

    // check() in two steps, for a file checked on several threads: prepare() each record on
    // any thread, then finish() each in file order, which gives exactly what check() gives.
    // prepare() touches nothing shared; a record whose set the records before it decide is
    // prepared by CNMARC's, and checked again by finish() should the file choose MARC21.
    static void prepare(RuleSet forced, std::string_view record, Encoding encoding,
                        PreparedCheck& out);
    void finish(std::string_view record, Encoding encoding, std::int64_t number,
                PreparedCheck& prepared, std::vector<Problem>& out);
    // Starts bringing what finish() looks up first for `prepared` into the cache: on a large
    // file each key's look-up is a cache miss, which a caller overlaps by calling this a few
    // records ahead.
    void prefetch(const PreparedCheck& prepared) const;

    // Appends the problems of the next record of the file to `out`: first the leader and
    // directory ("LDR"), then the fields in directory order, then missing mandatory fields in
    // tag order. `number` is the record's number as the record list numbers it (named in the
    // duplicate messages of later records); `encoding` is the record's encoding as the caller
    // decided it.
    void check(std::string_view record, Encoding encoding, std::int64_t number,
               std::vector<Problem>& out);

    // The same for a record edited after the file was checked: its own rules, and duplicates
    // against the keys of the records checked before, where a key first seen in record
    // `number` itself does not count. Adds nothing to the duplicate index and does not change
    // the rule-set majority.
    void recheck(std::string_view record, Encoding encoding, std::int64_t number,
                 std::vector<Problem>& out) const;

    // Makes room in the duplicate index for a file of about `records` records at once (a file
    // of ISO 2709 records holds about one per 700 bytes), rather than step by step.
    void reserve(std::size_t records);

    // The set a record is checked by now, as check() and recheck() decide it.
    RuleSet ruleSetFor(std::string_view record) const;

private:
    // Counts a record's own set towards the file's majority; the set it is checked by.
    RuleSet count(RuleSet own);

    RuleSet m_forced;
    std::int64_t m_cnmarc = 0; // records that chose CNMARC by their own fields
    std::int64_t m_marc21 = 0;
    DuplicateIndex m_isbns;
    DuplicateIndex m_ids;
};

} // namespace bibliora::check
