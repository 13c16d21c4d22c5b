#!/usr/bin/env bash
# Our MARCXML and ISO 2709 exports read by other MARC software (yaz, xmllint with the MARC 21
# slim schema), for every file of samples/ and of the real files kept next to the repository.
# Every peer is installed by scripts/setup; a missing one fails the test.
#
#   peers.sh BIBLIORA_CLI SCHEMA SAMPLES_DIR REAL_SAMPLES_DIR
set -uo pipefail

cli=$1 schema=$2 samples=$3 real=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for tool in yaz-marcdump xmllint perl iconv; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup installs it)"; exit 1; }
done

files=("$samples"/*.iso "$samples"/*.mrc "$samples"/*.txt)
if [[ -d $real ]]; then
    for f in "$real"/*; do
        [[ $f == *.md ]] || files+=("$f")
    done
fi

# yaz's line dump with what legitimately differs between two forms of the same records masked:
# the record length and base address (counted in other bytes), leader/09 (our MARCXML says
# UTF-8) and leader/20-23 (set to 4500 for MARC 21); yaz's own remarks on structure dropped.
dump() {
    yaz-marcdump -f utf-8 -t utf-8 "$1" 2>/dev/null | grep -av -e '^(' -e '^<!--' |
        sed -E '/^[0-9]{5}.{19}$/ s/^[0-9]{5}(.{4}).(..)[0-9 ]{5}(...).{4}$/LLLLL\1E\2BBBBB\3MMMM/'
}

# In these files yaz and we part on records that are broken, so their fields cannot be compared;
# yaz only has to read our MARCXML of them, to as many records as it holds:
# - text before a data field's first subfield, where a directory is wrong (baddir,
#   bad_directory, many-errors): our MARCXML carries it inside the data field, and yaz's
#   MARCXML reader drops it;
# - directories that count characters rather than bytes (catmandu): the UTF-8 form keeps those
#   records, UTF-8 already, byte for byte, and yaz cuts their fields otherwise than the directory;
# - bytes that are not of the record's character set (cp866): the UTF-8 form keeps them as the
#   bytes, which yaz drops with the whole field, and our MARCXML as placeholders;
# - a record of 1,096,887 bytes (hathi): our readers skip records over ISO 2709's limit, so the
#   MARCXML writer refuses it and says so, while the UTF-8 form keeps it as it is.
not_compared=(bad_marc21_marc-perl_baddir.usmarc bad_marc21_marc4j_bad_hathi_records.mrc
    bad_marc21_marc4j_bad_oversize_field_bad_directory.mrc
    bad_marc21_marc4j_pride-and-prejudice-with-many-errors.mrc marc21_catmandu_bu_bibs.mrc
    unimarc-rusmarc-cp866_ruby-marc_cp866_multirecord.marc)

for f in "${files[@]}"; do
    name=$(basename "$f")
    x=$work/$name.xml u8=$work/$name.u8
    "$cli" convert "$f" "$x" --to marcxml 2>/dev/null
    "$cli" convert "$f" "$u8" --to iso --encoding utf-8 2>/dev/null

    # yaz reads our MARCXML (turned into ISO 2709 by yaz itself) to the same fields as it reads
    # our UTF-8 ISO 2709 form of the same file. The UTF-8 form stands for the original: yaz
    # reads UTF-8 only as UTF-8, and most of these files are code page 936, MARC-8 or UTF-16.
    # Leader/10-11 are made 22 in it, as MARCXML has no counts and yaz writes 22.
    yaz-marcdump -i marcxml -o marc "$x" >"$work/yaz.iso" 2>/dev/null ||
        fail "$name: yaz cannot read our MARCXML"
    written=$(grep -c '<record' "$x")
    read_back=$(tr -cd '\035' <"$work/yaz.iso" | wc -c)
    [[ $written == "$read_back" ]] || fail "$name: yaz reads $read_back of our $written MARCXML records"
    if [[ " ${not_compared[*]} " != *" $name "* ]]; then
        perl -0777 -pe 's/(^|\x1D)(.{24})/$1.substr($2,0,10)."22".substr($2,12,12)/gse' "$u8" >"$work/ref.iso"
        if ! diff -a <(dump "$work/yaz.iso") <(dump "$work/ref.iso") >"$work/diff"; then
            fail "$name: yaz reads our MARCXML otherwise than our ISO 2709 in UTF-8"
            head -20 "$work/diff"
        fi
    fi

    # Our MARCXML of a MARC 21 file is valid against the MARC 21 slim schema wherever yaz's own
    # MARCXML of the same file is. Not in files whose directory is broken: we keep each field
    # as the directory cuts it (bytes before the first subfield, a field with no subfield, an
    # indicator that is a letter of the text), which the schema cannot hold and the writer
    # writes as it is and counts; yaz cuts such fields otherwise and drops what does not fit.
    if [[ $name == *marc21* && $name != *baddir* && $name != *bad_directory* ]]; then
        yaz-marcdump -o marcxml "$f" >"$work/theirs.xml" 2>/dev/null
        if xmllint --noout --schema "$schema" "$work/theirs.xml" 2>/dev/null &&
            ! xmllint --noout --schema "$schema" "$x" 2>"$work/xmllint"; then
            fail "$name: our MARCXML is not valid where yaz's is"
            head -5 "$work/xmllint"
        fi
    fi
done

# yaz's own MARCXML of a file, read by us, gives the records we read from the file itself (both
# compared as yaz dumps our UTF-8 ISO 2709 forms of them). Files whose records are all of one
# encoding that yaz converts: it needs to be told which.
yaz_read=("$samples/cnmarc-gbk.iso GBK" "$samples/marc21-gbk.mrc GBK"
    "$real/marc21-utf8_yaz_marccol1.u8.marc utf-8" "$real/marc21-marc8-cjk_marc-perl_cjk1.marc marc8"
    "$real/marc21_marc-perl_camel.usmarc marc8" "$real/marc21_pymarc_marc.dat marc8")
for entry in "${yaz_read[@]}"; do
    f=${entry% *} from=${entry##* }
    [[ -f $f ]] || continue
    name=$(basename "$f")
    # yaz exits non-zero over the line breaks between records of the one-a-line form.
    yaz-marcdump -f "$from" -t utf-8 -o marcxml "$f" >"$work/theirs.xml" 2>/dev/null
    grep -q '<record' "$work/theirs.xml" || { fail "$name: yaz wrote no MARCXML"; continue; }
    "$cli" convert "$work/theirs.xml" "$work/from-theirs.u8" --to iso --encoding utf-8 2>/dev/null ||
        fail "$name: we cannot read yaz's MARCXML"
    "$cli" convert "$f" "$work/ours.u8" --to iso --encoding utf-8 2>/dev/null
    perl -0777 -pe 's/(^|\x1D)(.{24})/$1.substr($2,0,10)."22".substr($2,12,12)/gse' "$work/ours.u8" >"$work/ref.iso"
    if ! diff -a <(dump "$work/from-theirs.u8") <(dump "$work/ref.iso") >"$work/diff"; then
        fail "$name: we read yaz's MARCXML otherwise than the file"
        head -20 "$work/diff"
    fi
done

# Perl's MARC::File::MARCMaker reads our MARC text of records in ASCII to the records of the
# file, and we read its MARC text of the file to the same records. It drops characters outside
# its mnemonic table, so only ASCII files can judge; and it reads neither a byte-order mark nor
# CR LF, which MarcEdit writes and we keep: both are taken off before it reads. Leader/09 is
# masked: our MARC text is UTF-8 and says so.
marcmaker() { # marcmaker in|out FILE OUT
    perl -MMARC::File::MARCMaker -MMARC::File::USMARC -e '
        my ($way, $from, $to) = @ARGV;
        open my $out, ">", $to or die;
        binmode $out;
        my $in = $way eq "in" ? MARC::File::MARCMaker->in($from) : MARC::File::USMARC->in($from);
        while (my $r = $in->next) {
            print $out ($way eq "in" ? $r->as_usmarc : MARC::File::MARCMaker->encode($r));
        }' "$@"
}
masked() { dump "$1" | sed -E '/^LLLLL/ s/^(LLLLL.{4})./\1-/'; }
for f in "$real/marc21_marc-perl_camel.usmarc" "$real/marc21_pymarc_marc.dat"; do
    [[ -f $f ]] || continue
    name=$(basename "$f")
    "$cli" convert "$f" "$work/ours.mrk" --to mrk 2>/dev/null
    perl -pe 's/^\xEF\xBB\xBF//; s/\r$//' "$work/ours.mrk" >"$work/ours-lf.mrk"
    marcmaker in "$work/ours-lf.mrk" "$work/mm.iso" 2>/dev/null || fail "$name: MARCMaker cannot read our MARC text"
    if ! diff -a <(masked "$work/mm.iso") <(masked "$f") >"$work/diff"; then
        fail "$name: MARCMaker reads our MARC text otherwise than the file"
        head -10 "$work/diff"
    fi
    marcmaker out "$f" "$work/theirs.mrk" 2>/dev/null || fail "$name: MARCMaker cannot write MARC text"
    "$cli" convert "$work/theirs.mrk" "$work/from-mm.iso" --to iso 2>/dev/null
    if ! diff -a <(masked "$work/from-mm.iso") <(masked "$f") >"$work/diff"; then
        fail "$name: we read MARCMaker's MARC text otherwise than the file"
        head -10 "$work/diff"
    fi
done

# The UTF-8 export of a code page 936 CNMARC file read back by yaz gives the 200 $a titles that
# `list` shows for the original.
gbk=$samples/cnmarc-gbk.iso
"$cli" convert "$gbk" "$work/gbk.u8" --to iso --encoding utf-8 2>/dev/null
"$cli" list "$gbk" | cut -f2 >"$work/listed"
yaz-marcdump -f utf-8 -t utf-8 "$work/gbk.u8" | perl -ne '
    if (/^[0-9]{5}/) { print "$t\n" if defined $t; $t = ""; next }
    $t = $1 if !length($t) && /^200 .. .*?\$a (.*?)(?: \$[0-9a-z] |\s*$)/;
    END { print "$t\n" if defined $t }' >"$work/yaz-titles"
if ! diff "$work/listed" "$work/yaz-titles" >"$work/diff"; then
    fail "cnmarc-gbk.iso: yaz finds other 200 \$a titles in the UTF-8 export than list shows"
    head -10 "$work/diff"
fi
[[ $(wc -l <"$work/listed") -gt 100 ]] || fail "cnmarc-gbk.iso: list shows too few records"

echo "peers: ${#files[@]} files, $failures failures"
((failures == 0))
