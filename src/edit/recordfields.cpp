#include "recordfields.h"

#include "displayedfields.h"
#include "displaytext.h"
#include "fieldtext.h"
#include "isowriter.h"
#include "marc.h"
#include "placeholder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace bibliora::edit {
namespace {

int tagNumber(std::string_view tag)
{
    return (tag[0] - '0') * 100 + (tag[1] - '0') * 10 + (tag[2] - '0');
}

// Whether the builder writes a control field's bytes back as they are: it writes a subfield
// delimiter as "■", and skips an empty value.
bool keepsControlField(std::string_view bytes)
{
    return !bytes.empty() && bytes.find(kSubfieldDelimiter) == std::string_view::npos;
}

// Whether the builder writes a data field's bytes back as they are. It writes "_" in an
// indicator as a blank, drops what stands between the indicators and the first subfield,
// refuses an empty subfield and drops a field of four characters or fewer (indicators and one
// subfield code alone).
// Known to hold no two delimiters side by side, a field has an empty subfield only at its end,
// and a second subfield is all there is left to look for.
bool keepsDataField(std::string_view bytes, bool noDoubledDelimiter)
{
    if (bytes.size() < 4 || bytes[0] == '_' || bytes[1] == '_' || bytes[2] != kSubfieldDelimiter ||
        bytes.back() == kSubfieldDelimiter)
        return false;
    if (noDoubledDelimiter)
        return (static_cast<unsigned char>(bytes[3]) < 0x80 && bytes.size() >= 5) ||
               bytes.find(kSubfieldDelimiter, 3) != std::string_view::npos;
    std::size_t delimiters = 0;
    for (std::size_t p = 2; p != std::string_view::npos;
         p = bytes.find(kSubfieldDelimiter, p + 1)) {
        if (bytes[p + 1] == kSubfieldDelimiter)
            return false;
        ++delimiters;
    }
    return delimiters >= 2 || (static_cast<unsigned char>(bytes[3]) < 0x80 && bytes.size() >= 5);
}

// Characters the builder drops from a line, or reads as its end.
bool breaksLine(char16_t c)
{
    return c == u'\r' || c == u'\n' || c == char16_t(kRecordTerminator) ||
           c == char16_t(kFieldTerminator) || c == placeholderFor(kRecordTerminator) ||
           c == placeholderFor(kFieldTerminator);
}

std::size_t encodingIndex(Encoding encoding)
{
    return encoding == Encoding::Gbk ? 0 : encoding == Encoding::Utf8 ? 1 : 2;
}

// Whether the bytes of a record's fields, laid end to end and ending in a field terminator, hold
// exactly `terminators` of them, no record terminator and no two subfield delimiters side by
// side: one pass that the compiler vectorises, instead of a search of each field for each.
bool plainFieldBytes(std::string_view bytes, std::size_t terminators)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size() - 1; // the last byte is a field terminator
    std::size_t fieldTerminators = 1;
    unsigned char flaws = 0;
    // Counted a byte wide in blocks that cannot overflow one.
    for (std::size_t from = 0; from < n; from += 255) {
        const std::size_t to = std::min(n, from + 255);
        unsigned char inBlock = 0;
        for (std::size_t i = from; i < to; ++i) {
            inBlock += b[i] == kFieldTerminator;
            flaws |= (b[i] == kRecordTerminator) |
                     ((b[i] == kSubfieldDelimiter) & (b[i + 1] == kSubfieldDelimiter));
        }
        fieldTerminators += inBlock;
    }
    return fieldTerminators == terminators && !flaws;
}

// Whether the twelve bytes of a directory entry are all digits, eight and four at a time: a
// byte is one when its high half is 3 and adding 6 leaves it so.
bool digitEntry(const char* entry)
{
    std::uint64_t first = 0;
    std::uint32_t last = 0;
    std::memcpy(&first, entry, 8);
    std::memcpy(&last, entry + 8, 4);
    constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0;
    constexpr std::uint64_t kThree = 0x3030303030303030;
    constexpr std::uint64_t kSix = 0x0606060606060606;
    const auto digits = [&](std::uint64_t w, std::uint64_t mask) {
        return (w & kHigh & mask) == (kThree & mask) &&
               ((w + kSix) & kHigh & mask) == (kThree & mask);
    };
    return digits(first, ~std::uint64_t(0)) && digits(last, 0xFFFFFFFF);
}

// The number `count` digits write.
std::size_t digitsValue(const char* digits, std::size_t count)
{
    std::size_t value = 0;
    for (std::size_t k = 0; k < count; ++k)
        value = value * 10 + static_cast<std::size_t>(digits[k] - '0');
    return value;
}

} // namespace

RecordFields::RecordFields(std::string_view record, Encoding encoding, bool byteForm)
    : m_record(record), m_encoding(encoding), m_byteForm(byteForm)
{
}

void RecordFields::readFields()
{
    const DirectoryView dir = directoryOf(m_record);
    if (dir.valid && dir.entries.size() % kEntryLength == 0 && readDigitDirectory(dir))
        return;
    m_fields.clear();
    for (DisplayedFields displayed(m_record); displayed.next();) {
        addField(displayed.tag(), displayed.control(), displayed.slice());
        dropInnerTerminators(m_fields.back());
    }
}

bool RecordFields::readDigitDirectory(const DirectoryView& dir)
{
    // The directory nearly every record has, read as DisplayedFields reads it, without its
    // parsing of numbers that may hold blanks or be damaged: a field shows when its start lies
    // inside the record and it has bytes.
    m_entries = dir.entries.size() / kEntryLength;
    m_fields.reserve(m_entries);
    const std::size_t area = m_record.size() - dir.base;
    // Whether the fields lie one after another from the first byte after the directory, each
    // ending in a field terminator, as a record written by any builder has them.
    bool tiled = true;
    std::size_t next = 0;
    for (std::size_t e = 0; e < m_entries; ++e) {
        const char* entry = dir.entries.data() + e * kEntryLength;
        if (!digitEntry(entry))
            return false;
        const std::size_t length = digitsValue(entry + 3, 4);
        const std::size_t start = digitsValue(entry + 7, 5);
        if (start >= area || length == 0) {
            tiled = false;
            continue;
        }
        const std::string_view slice =
            m_record.substr(dir.base + start, std::min(length, area - start));
        tiled =
            tiled && start == next && slice.size() == length && slice.back() == kFieldTerminator;
        next = start + length;
        addField(std::string_view(entry, 3), entry[0] == '0' && entry[1] == '0', slice);
    }
    m_digitDirectory = true;
    m_plainFields =
        tiled && next > 0 && plainFieldBytes(m_record.substr(dir.base, next), m_entries);
    if (m_plainFields)
        m_area = m_record.substr(dir.base, next);
    else
        for (Field& f : m_fields)
            dropInnerTerminators(f);
    return true;
}

void RecordFields::addField(std::string_view tag, bool control, std::string_view slice)
{
    Field& f = m_fields.emplace_back();
    f.tag = tag;
    f.control = control;
    f.slice = slice;
    f.bytes = slice;
    if (!f.bytes.empty() && f.bytes.back() == kFieldTerminator)
        f.bytes.remove_suffix(1);
}

void RecordFields::dropInnerTerminators(Field& f)
{
    if (std::memchr(f.bytes.data(), kFieldTerminator, f.bytes.size())) {
        std::string scratch;
        f.bytes = withoutFieldTerminators(f.slice, scratch);
        f.bytes = m_cleaned.emplace_front(std::move(scratch));
    }
}

RecordFields::FieldState& RecordFields::stateOf(Field& field)
{
    if (!field.state)
        field.state = &m_states.emplace_front();
    return *field.state;
}

RecordFields RecordFields::ofBytes(std::string_view record, Encoding encoding)
{
    RecordFields fields(record, encoding, true);
    fields.readFields();
    return fields;
}

bool RecordFields::writableByBytes() const
{
    if (m_encoding == Encoding::Marc8 || m_record.size() < kLeaderLength)
        return false;
    for (std::size_t k = 5; k < kLeaderLength; ++k)
        if (m_record[k] < 0x20 || m_record[k] > 0x7E)
            return false;
    // Every entry whole, of digits, and shown.
    if (!m_digitDirectory || m_fields.size() != m_entries)
        return false;
    for (const Field& f : m_fields) {
        // One terminator, at the end; no record terminator.
        if (!m_plainFields &&
            (f.slice.size() != f.bytes.size() + 1 || f.slice.back() != kFieldTerminator ||
             std::memchr(f.bytes.data(), kRecordTerminator, f.bytes.size())))
            return false;
        if (!(f.control ? keepsControlField(f.bytes) : keepsDataField(f.bytes, m_plainFields)))
            return false;
    }
    return true;
}

RecordFields RecordFields::ofText(std::string_view record, Encoding encoding, EditError& error)
{
    RecordFields fields(record, encoding, false);
    error = EditError::None;
    if (record.empty()) {
        error = EditError::Unreadable;
        return fields;
    }
    const std::u16string text = formatRecordText(record, encoding);
    std::vector<std::u16string_view> lines;
    for (std::size_t from = 0;;) {
        const std::size_t end = text.find(u"\r\n", from);
        lines.push_back(std::u16string_view(text).substr(from, end - from));
        if (end == std::u16string::npos)
            break;
        from = end + 2;
    }
    fields.m_header = lines[0];
    fields.m_leaderText = fields.m_header.substr(std::min<std::size_t>(7, fields.m_header.size()));
    fields.m_leaderDecoded = true;
    fields.readFields();
    std::size_t line = 1;
    std::u16string tagText;
    for (Field& f : fields.m_fields) {
        tagText.clear();
        FieldText::appendForDisplay(tagText, encoding, f.tag, true);
        const std::size_t tagLength = tagText.size();
        const std::size_t prefix =
            tagLength + (f.control ? 4 : 2 + std::min<std::size_t>(2, f.bytes.size()));
        if (line >= lines.size() || lines[line].size() < prefix) {
            error = EditError::Unreadable;
            return fields;
        }
        FieldState& state = fields.stateOf(f);
        state.tagLength = tagLength;
        state.prefix = lines[line].substr(0, prefix);
        state.text = lines[line].substr(prefix);
        f.decoded = true;
        ++line;
    }
    // A record without fields still has the empty line after its header.
    if (line != lines.size() && !(line == 1 && lines.size() == 2 && lines[1].empty()))
        error = EditError::Unreadable;
    return fields;
}

const std::u16string& RecordFields::text(std::size_t i)
{
    Field& f = m_fields[i];
    FieldState& state = stateOf(f);
    if (!f.decoded) {
        DisplayedFields::appendText(state.text, m_encoding, f.bytes, f.control);
        f.decoded = true;
    }
    return state.text;
}

std::u16string RecordFields::indicators(std::size_t i) const
{
    const Field& f = m_fields[i];
    if (indicatorsSet(f))
        return f.state->indicators;
    if (m_byteForm)
        return DisplayedFields::indicatorText(f.bytes);
    const std::u16string prefix = f.state ? f.state->prefix : std::u16string();
    const std::size_t tagLength = f.state ? f.state->tagLength : 0;
    return prefix.substr(tagLength + 1, prefix.size() - tagLength - 2);
}

void RecordFields::setText(std::size_t i, std::u16string text)
{
    Field& f = m_fields[i];
    stateOf(f).text = std::move(text);
    f.decoded = true;
    f.textEdited = true;
}

void RecordFields::setIndicators(std::size_t i, std::u16string_view indicators)
{
    std::u16string& shown = stateOf(m_fields[i]).indicators;
    shown.assign(indicators.begin(), indicators.end());
    std::replace(shown.begin(), shown.end(), u' ', u'_');
}

void RecordFields::add(const AddedField& field)
{
    m_added.push_back(&field);
    m_needsText = m_needsText || (m_byteForm && field.control);
}

const std::u16string& RecordFields::leaderText()
{
    if (!m_leaderDecoded) {
        DisplayedFields::appendLeaderText(m_leaderText, m_encoding, m_record);
        m_leaderDecoded = true;
    }
    return m_leaderText;
}

void RecordFields::setLeaderText(std::u16string text)
{
    m_leaderText = std::move(text);
    m_leaderDecoded = true;
    m_leaderEdited = true;
    m_needsText = m_needsText || m_byteForm;
}

std::optional<BuildResult> RecordFields::build(const BuildTime& now) const
{
    if (m_byteForm)
        return buildBytes(now);
    return buildText(now);
}

BuildResult RecordFields::buildText(const BuildTime& now) const
{
    std::u16string text = m_leaderEdited ? u"HEA    " + m_leaderText : m_header;
    text += u"\r\n";
    bool first = true;
    const auto addLine = [&](std::u16string_view line) {
        if (!first)
            text += u"\r\n";
        first = false;
        text += line;
    };
    // A control field goes before the first field whose tag reads as a greater number, so that
    // the builder, which stops looking for control fields after tag 100, sees it.
    std::vector<bool> placed(m_added.size());
    for (const Field& f : m_fields) {
        const auto number = parseNumber(f.tag);
        for (std::size_t a = 0; a < m_added.size(); ++a) {
            if (!placed[a] && m_added[a]->control && number && f.tag.size() == 3 &&
                f.tag > std::string_view(m_added[a]->tag)) {
                addLine(m_added[a]->line);
                placed[a] = true;
            }
        }
        if (f.removed)
            continue;
        static const FieldState kUnread;
        const FieldState& state = f.state ? *f.state : kUnread;
        if (state.indicators.empty()) {
            addLine(state.prefix + state.text);
            continue;
        }
        addLine(state.prefix.substr(0, state.tagLength) + u' ' + state.indicators + u' ' +
                state.text);
    }
    for (std::size_t a = 0; a < m_added.size(); ++a)
        if (!placed[a])
            addLine(m_added[a]->line);
    text += u"\r\n";
    return rebuildRecord(text, m_encoding, now);
}

bool RecordFields::editedBytes(const Field& f, std::string& out) const
{
    static const std::u16string kNone;
    const std::u16string& text = f.state ? f.state->text : kNone;
    // The text with every "■" a delimiter, on the stack when it is short, as it nearly always
    // is, made in one look at every character that also finds what the builder would drop or
    // read as the line's end or as a delimiter of its own, two "■" side by side, and the
    // characters a surrogate pair takes two units of.
    constexpr std::size_t kShort = 256;
    std::array<char16_t, kShort> shortText;
    std::u16string longText;
    char16_t* written = shortText.data();
    if (text.size() > kShort) {
        longText.resize(text.size());
        written = longText.data();
    }
    bool refused = false;
    bool doubled = false;
    std::size_t lowSurrogates = 0;
    char16_t previous = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        refused = refused || breaksLine(c) || c == char16_t(kSubfieldDelimiter) ||
                  c == placeholderFor(kSubfieldDelimiter);
        doubled = doubled || (c == kDisplayDelimiter && previous == kDisplayDelimiter);
        lowSurrogates += c >= 0xDC00 && c <= 0xDFFF ? 1 : 0;
        written[i] = c == kDisplayDelimiter ? char16_t(kSubfieldDelimiter) : c;
        previous = c;
    }
    if (refused)
        return false;
    if (f.control) {
        if (text.empty())
            return false;
        FieldText::appendBytes(out, m_encoding, text);
        return true;
    }
    if (!indicatorsSet(f)) {
        out += f.bytes.substr(0, 2);
    } else {
        for (char16_t c : f.state->indicators)
            out.push_back(c == u'_' ? ' ' : static_cast<char>(c));
    }
    if (!f.textEdited) {
        out += f.bytes.substr(2);
        return true;
    }
    // The builder refuses an empty subfield, and drops a field of four characters or fewer
    // (indicators and one subfield code alone), a surrogate pair counting as one.
    if (text.empty() || text[0] != kDisplayDelimiter || text.back() == kDisplayDelimiter ||
        doubled || text.size() - lowSurrogates <= 2)
        return false;
    FieldText::appendBytes(out, m_encoding, std::u16string_view(written, text.size()));
    return true;
}

std::optional<BuildResult> RecordFields::buildBytes(const BuildTime& now) const
{
    if (m_needsText)
        return std::nullopt;
    using Terminated = IsoWriter::TerminatedField;
    // The bytes of the edited fields, each with its terminator, one after another in one
    // buffer, made with room for the most they can take (three bytes a unit of text, in UTF-8)
    // so that views into it hold.
    std::size_t room = 0;
    for (const Field& f : m_fields)
        if (!f.removed && (f.textEdited || indicatorsSet(f)))
            room += 3 + f.bytes.size() + (f.state ? 3 * f.state->text.size() : 0);
    std::string edited;
    edited.reserve(room);
    // The fields kept, in directory order, each with its terminator: a field left alone as it
    // stands in the record, an edited one made afresh. On the stack for nearly every record.
    constexpr std::size_t kOnStack = 64;
    std::array<Terminated, kOnStack> keptOnStack;
    std::vector<Terminated> keptOnHeap;
    Terminated* kept = keptOnStack.data();
    if (m_fields.size() > kOnStack) {
        keptOnHeap.resize(m_fields.size());
        kept = keptOnHeap.data();
    }
    std::size_t keptCount = 0;
    // Whether the builder would write them in the order they stand: control fields first, in
    // tag order and each once (006 and 007 may repeat), then data fields in tag order, with a
    // 001 and a 005, so that nothing is dropped, generated or moved.
    bool inOrder = m_added.empty();
    bool hasNumber = false;
    bool hasTimestamp = false;
    int last = 0;
    for (const Field& f : m_fields) {
        if (f.removed)
            continue;
        std::string_view bytes = f.slice; // writableByBytes(): the bytes and one terminator
        if (f.textEdited || indicatorsSet(f)) {
            const std::size_t from = edited.size();
            if (!editedBytes(f, edited))
                return std::nullopt;
            edited.push_back(kFieldTerminator);
            bytes = std::string_view(edited).substr(from);
        }
        const int tag = tagNumber(f.tag);
        inOrder = inOrder && tag >= last &&
                  (tag >= 10 || (tag > 0 && (tag != last || tag == 6 || tag == 7)));
        last = tag;
        hasNumber = hasNumber || tag == 1;
        hasTimestamp = hasTimestamp || tag == 5;
        kept[keptCount++] = {f.tag, bytes};
    }

    const bool asTheyStand = inOrder && hasNumber && hasTimestamp;
    std::vector<Terminated> written;
    std::forward_list<std::string> made; // fields the builder adds, with their terminators
    const auto terminated = [&made](std::string_view bytes) {
        std::string& field = made.emplace_front();
        field.reserve(bytes.size() + 1);
        field += bytes;
        field.push_back(kFieldTerminator);
        return std::string_view(field);
    };
    if (!asTheyStand) {
        // Control fields as the builder collects them: in text order until the first field
        // whose tag is above 100; a later 001-009 replaces an earlier one, but 006 and 007
        // repeat. Data fields after them, sorted by tag, the added ones after those of their
        // own tag.
        std::array<std::vector<std::string_view>, 10> controls;
        std::vector<Terminated> data;
        data.reserve(keptCount + m_added.size());
        bool collecting = true;
        for (std::size_t i = 0; i < keptCount; ++i) {
            const Terminated& t = kept[i];
            const int tag = tagNumber(t.tag);
            if (tag >= 10) {
                data.push_back(t);
            } else if (collecting && tag > 0) {
                if (tag != 6 && tag != 7)
                    controls[tag].clear();
                controls[tag].push_back(t.bytes);
            }
            collecting = collecting && tag <= 100;
        }
        for (const AddedField* a : m_added)
            data.push_back({a->tag, terminated(a->bytes[encodingIndex(m_encoding)])});
        if (controls[1].empty())
            controls[1].push_back(terminated(IsoWriter::controlNumber(now)));
        if (controls[5].empty())
            controls[5].push_back(terminated(IsoWriter::timestamp(now)));
        static constexpr std::string_view kControlTags[] = {"000", "001", "002", "003", "004",
                                                            "005", "006", "007", "008", "009"};
        written.reserve(keptCount + m_added.size() + 2);
        for (int t = 1; t <= 9; ++t)
            for (std::string_view bytes : controls[t])
                written.push_back({kControlTags[t], bytes});
        std::stable_sort(data.begin(), data.end(), [](const Terminated& a, const Terminated& b) {
            return tagNumber(a.tag) < tagNumber(b.tag);
        });
        written.insert(written.end(), data.begin(), data.end());
    }
    // The leader's kept positions as the display shows them: its bytes are printable ASCII.
    constexpr std::u16string_view kHeaderStart = u"HEA    ";
    std::array<char16_t, kHeaderStart.size() + kLeaderLength - 5> header{};
    std::copy(kHeaderStart.begin(), kHeaderStart.end(), header.begin());
    std::copy(m_record.begin() + 5, m_record.begin() + kLeaderLength,
              header.begin() + kHeaderStart.size());
    BuildResult result;
    if (!IsoWriter::write(leaderStemFor(std::u16string_view(header.data(), header.size())),
                          asTheyStand ? kept : written.data(),
                          asTheyStand ? keptCount : written.size(), result.record)) {
        result.record.clear();
        result.error = BuildError::TooLarge;
    } else if (m_encoding == Encoding::Utf8) {
        keepUtf8Declared(result.record);
    }
    return result;
}

} // namespace bibliora::edit
