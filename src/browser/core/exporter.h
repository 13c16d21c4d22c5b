#pragma once

#include <QString>
#include <cstdint>

namespace bibliora {

class RecordModel;

// Appends records to a file in code page 936, one per line, CR LF after each. A record
// without its terminator (one read from a UTF-16 file) gets one, so that the file reads back
// as the same records. The file is always closed, also after a failed write; what was
// written before the failure stays.
class Exporter final
{
public:
    struct Result
    {
        bool ok = true;
        std::int64_t written = 0;
        QString error; // a description for the user: the path and the reason
    };

    static Result appendRecords(const QString& path, const RecordModel& rows, bool onlyModified);
};

} // namespace bibliora
