#pragma once

// Caller lists to and from spreadsheets (CSV). Installers get a site's tables and rooms as a
// spreadsheet; importing it updates the keys it names by feature code and adds the others,
// under the same rules as registration and the caller grid. Nothing is written until the user
// has seen the preview and confirmed it, and then all rows at once or none.

#include "common/Gbk.h"
#include "common/Models.h"
#include "storage/Database.h"
#include "storage/RegistrationTables.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace px {

enum class SheetAction
{
    Add,
    Change,
    Unchanged,
    Refuse,
};
const char* SheetActionName(SheetAction action); // "add", "change", "unchanged", "refused"

struct SheetRow
{
    int line = 0; // in the file, from 1
    std::string code;
    SheetAction action = SheetAction::Refuse;
    std::string reason;               // why a row is refused
    std::vector<std::string> changed; // the columns a change alters
    CallerRow values;                 // what the row writes (Add, Change)
    std::string storedCode;           // the existing row's code as stored (Change)
};

struct SheetPreview
{
    TextEncoding encoding = TextEncoding::Utf8;
    std::vector<std::string> ignoredColumns; // header names that are no caller column
    std::vector<SheetRow> rows;

    int Count(SheetAction action) const;
    bool AllAccepted() const { return Count(SheetAction::Refuse) == 0; }
};

// Where the import goes and what registration would use for a new key.
struct SheetTarget
{
    std::string fileName;
    FileType fileType = FileType::PX;
    HostModel hostModel = HostModel::None; // a QX host limits the file as a QX file
    std::vector<std::string> keyNames;     // key n of a caller gets name n
};

// Reads the file's bytes and says what importing them would do. Nothing, with the reason,
// when the file as a whole cannot be taken: not UTF-8 nor GBK, not well-formed CSV, larger
// than kMaxSheetBytes, or a first line that names no caller column.
inline constexpr std::size_t kMaxSheetBytes = std::size_t{8} * 1024 * 1024;
std::optional<SheetPreview> PreviewCallerSheet(Database& db, const SheetTarget& target,
                                               std::string_view bytes, std::string& error);

// Writes a preview whose rows are all accepted, in one transaction; false with the reason
// (and nothing written) otherwise.
bool ApplyCallerSheet(Database& db, const std::string& fileName, const SheetPreview& preview,
                      std::string& error);

// The callers of a file as a spreadsheet, with a Chinese header, in ascending feature code:
// UTF-8 with a byte order mark (which spreadsheet programs need to recognise it) or GBK.
// Nothing, with the reason, when the database cannot be read or a text GBK cannot hold is to
// be written as GBK.
std::optional<std::string> ExportCallerSheet(Database& db, const std::string& fileName,
                                             TextEncoding encoding, std::string& error);

} // namespace px
