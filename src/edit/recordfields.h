#pragma once

#include "builder.h"
#include "editerror.h"
#include "encoding.h"
#include "lookup.h"

#include <array>
#include <cstddef>
#include <forward_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bibliora::edit {

// A field a change adds: its display line, and the bytes the builder writes for that line in
// each encoding (GBK, UTF-8, MARC-8).
struct AddedField
{
    std::u16string line;
    std::string tag;
    bool control = false;
    std::array<std::string, 3> bytes;
};

// One record's fields as a change sees and edits them, in one of two forms that must give the
// same record:
// - the text form is the record's display text (formatRecordText), edited line by line and
//   built again with rebuildRecord(), exactly as an edit in the window and its save;
// - the byte form, for records whose unedited save writes every field back byte for byte
//   (ofBytes() says which), keeps the bytes of every field the change leaves alone and encodes
//   only the edited ones, as the builder would; anything the byte form cannot write as the
//   builder would makes build() ask for the text form.
// Texts are those of the display: a control field's value, a data field's text after its
// indicators with "■" before each subfield, the leader from position 05 on.
class RecordFields final
{
public:
    // The byte form: the fields as the display shows them, read from the bytes. Any record can
    // be searched and edited in it; writableByBytes() says whether build() can write it.
    static RecordFields ofBytes(std::string_view record, Encoding encoding);
    // The text form; `error` is Unreadable when the record's text cannot be split into its
    // fields (an empty record), and the form then holds the fields read so far.
    static RecordFields ofText(std::string_view record, Encoding encoding, EditError& error);

    // Whether the byte form can write the record: not MARC-8, and an unedited save of it would
    // write every field back byte for byte, only renumbered and reordered.
    bool writableByBytes() const;

    bool byteForm() const { return m_byteForm; }
    Encoding encoding() const { return m_encoding; }

    // The record's fields in directory order, removed ones included; added ones are not here.
    std::size_t size() const { return m_fields.size(); }
    std::string_view tag(std::size_t i) const { return m_fields[i].tag; }
    bool control(std::size_t i) const { return m_fields[i].control; }
    bool removed(std::size_t i) const { return m_fields[i].removed; }
    // The field's bytes as read, without field terminators.
    std::string_view bytes(std::size_t i) const { return m_fields[i].bytes; }
    // The bytes every field lies in, end to end in directory order, each with its terminator:
    // empty unless the record's fields lie so. Field i takes [areaStart(i), areaStart(i + 1)).
    std::string_view area() const { return m_area; }
    std::size_t areaStart(std::size_t i) const
    {
        return i < m_fields.size()
                   ? static_cast<std::size_t>(m_fields[i].slice.data() - m_area.data())
                   : m_area.size();
    }
    const std::u16string& text(std::size_t i);
    // A data field's indicators as its line shows them ("_" for a blank).
    std::u16string indicators(std::size_t i) const;

    void setText(std::size_t i, std::u16string text);
    // Two printable ASCII characters, "_" or " " for a blank.
    void setIndicators(std::size_t i, std::u16string_view indicators);
    void remove(std::size_t i) { m_fields[i].removed = true; }
    // Data fields go after every field (the build sorts them into tag order, after the fields
    // of their own tag); control fields before the first field whose tag is greater.
    void add(const AddedField& field);

    const std::u16string& leaderText();
    void setLeaderText(std::u16string text);

    // The record the edited fields make, or, in the byte form, nothing when only the text form
    // can write it (which writableByBytes() tells before, and an edit can still make so).
    std::optional<BuildResult> build(const BuildTime& now) const;

    RecordFields(RecordFields&&) = default;
    RecordFields& operator=(RecordFields&&) = default;
    // Fields point at the states the form holds.
    RecordFields(const RecordFields&) = delete;
    RecordFields& operator=(const RecordFields&) = delete;

private:
    // What a field holds beyond its bytes once it is read as text or changed: made for the
    // few fields a change looks into, not for every field of every record.
    struct FieldState
    {
        std::u16string text;
        std::u16string indicators; // when set
        std::u16string prefix;     // text form: the line before its text
        std::size_t tagLength = 0; // text form: characters of the tag at the start of the line
    };
    struct Field
    {
        std::string_view tag;
        std::string_view slice; // as the directory points at it, terminators included
        std::string_view bytes;
        FieldState* state = nullptr;
        bool control = false;
        bool removed = false;
        bool textEdited = false;
        bool decoded = false;
    };

    RecordFields(std::string_view record, Encoding encoding, bool byteForm);
    // Appends the fields the display shows, each with its bytes.
    void readFields();
    // The fields of a directory of whole entries, when every entry is digits alone.
    bool readDigitDirectory(const DirectoryView& directory);
    void addField(std::string_view tag, bool control, std::string_view slice);
    // A field's bytes without the terminators inside them, when there are any.
    void dropInnerTerminators(Field& field);
    FieldState& stateOf(Field& field);
    bool indicatorsSet(const Field& field) const
    {
        return field.state && !field.state->indicators.empty();
    }
    std::optional<BuildResult> buildBytes(const BuildTime& now) const;
    BuildResult buildText(const BuildTime& now) const;
    // Appends the bytes the builder writes for an edited field of the byte form; false when
    // it would not write them as they stand.
    bool editedBytes(const Field& field, std::string& out) const;

    std::string_view m_record;
    Encoding m_encoding;
    bool m_byteForm;
    // Whole directory entries of digits alone, `m_entries` of them: read without parsing.
    bool m_digitDirectory = false;
    std::size_t m_entries = 0;
    // The fields lie end to end after the directory, each with one terminator, at its end;
    // none holds a record terminator or two subfield delimiters side by side.
    bool m_plainFields = false;
    std::string_view m_area; // when the fields are plain
    std::vector<Field> m_fields;
    std::forward_list<FieldState> m_states; // nodes stay put: fields point at them
    std::vector<const AddedField*> m_added;
    std::u16string m_header; // text form: the header line as shown
    std::u16string m_leaderText;
    bool m_leaderDecoded = false;
    bool m_leaderEdited = false;
    bool m_needsText = false;
    std::forward_list<std::string> m_cleaned; // field bytes without inner terminators
};

} // namespace bibliora::edit
