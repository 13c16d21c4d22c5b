#include "commands.h"
#include "output.h"

#include <cstdio>

namespace bibliora::cli {

const char* usageText()
{
    return "Usage:\n"
           "  Every command takes --threads N before FILE: how many threads read and work on\n"
           "  the records of an ISO 2709 file (default: one per core; 1 reads as one thread).\n"
           "  bibliora-cli list [--encodings] FILE\n"
           "                                one line per record: number, title, ISBN/ISSN "
           "(tab-separated)\n"
           "                                and with --encodings the record's encoding\n"
           "  bibliora-cli show FILE N      the display text of record N (1-based)\n"
           "  bibliora-cli check [--rules auto|cnmarc|marc21] FILE\n"
           "                                one line per problem: record, tag, subfield, error or\n"
           "                                warning, rule, message (tab-separated); exit 1 when\n"
           "                                any error was found\n"
           "  bibliora-cli resave FILE OUT [--now YYYY-MM-DDTHH:MM:SS]\n"
           "                                show and build every record again, as an unedited "
           "save\n"
           "                                does, and append them to OUT as the export writes "
           "them\n"
           "  bibliora-cli replace FILE OUT [--in TAG|TAG$C|LDR] [--whole | --regex] "
           "[--ignore-case]\n"
           "                    [--now YYYY-MM-DDTHH:MM:SS] [--] FIND WITH\n"
           "                                replace FIND (text; the whole value with --whole; a "
           "PCRE2\n"
           "                                expression with --regex, WITH taking $1, ${name}, $$) "
           "in every\n"
           "                                value in scope\n"
           "  bibliora-cli add-field FILE OUT [--if-missing] [--now ...] [--] LINE\n"
           "                                add the field LINE (\"905 __ ■aXJTU■b书库\") in tag "
           "order,\n"
           "                                with --if-missing only where its tag is missing\n"
           "  bibliora-cli delete-field FILE OUT [--where TAG$C=TEXT] [--now ...] [--] TAG|NXX\n"
           "                                delete every field of TAG or of a range (9XX), with "
           "--where\n"
           "                                only those whose subfield C is exactly TEXT\n"
           "                                Each edit command writes every record to OUT as resave "
           "does\n"
           "                                where it changed it, as read elsewhere; prints \"N "
           "处，M 条记录\"\n"
           "                                and exits 1 when a record could not be rebuilt\n"
           "  bibliora-cli convert FILE OUT --to iso|iso-lines|marcxml|mrk|csv\n"
           "                    [--encoding keep|utf-8|gbk] [--fields 200$f,210$c]\n"
           "                                write every record of FILE (ISO 2709, MARCXML or MARC "
           "text,\n"
           "                                told by its content) to OUT (\"-\": standard output) "
           "in the\n"
           "                                form --to names: ISO 2709 back to back or one a line, "
           "each\n"
           "                                record in its own encoding or, with --encoding, "
           "converted;\n"
           "                                MARCXML; MARC text; CSV with the subfields --fields "
           "names.\n"
           "                                Exits 1 when a record could not be written as asked\n"
           "  bibliora-cli build [--now YYYY-MM-DDTHH:MM:SS] [--encoding gbk|utf-8|marc-8]\n"
           "                                build a record from display text (UTF-8) on standard "
           "input\n"
           "                                and write its bytes (default GBK) to standard output\n"
           "  bibliora-cli --help           this text\n";
}

int usageError(const std::string& message)
{
    complain(message);
    std::fputs(usageText(), stderr);
    return 2;
}

} // namespace bibliora::cli
