#pragma once

// Comma-separated values as spreadsheet programs write them: fields separated by commas,
// records by CR LF or LF; a field in double quotes may hold commas, line breaks and doubled
// quotes. Strict: an unterminated quote or a quote inside an unquoted field is an error with
// its line, never a guess.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace px {

struct CsvRecord
{
    int line = 0; // the line the record starts on, from 1
    std::vector<std::string> fields;
};

// The records of a UTF-8 text; blank lines are skipped. Nothing, with the reason, when the
// text is not well-formed.
std::optional<std::vector<CsvRecord>> ParseCsv(std::string_view text, std::string& error);

// A field as a spreadsheet reads it back: quoted when it holds a comma, a quote, a line break
// or leading or trailing blanks.
std::string CsvField(std::string_view text);
// One record, its fields joined by commas, ended by CR LF.
std::string CsvLine(const std::vector<std::string>& fields);

// A text cell as a spreadsheet program must not take it for a formula: one that starts with
// '=', '+', '-', '@', a tab or a carriage return gets a leading apostrophe, which spreadsheets
// read as "this is text" (a caller named =HYPERLINK(...) would otherwise run when the file is
// opened). One that starts with an apostrophe gets a second, so that reading gives it back.
std::string GuardedCsvText(std::string_view text);
// The text a guarded cell stands for: one leading apostrophe dropped.
std::string UnguardedCsvText(std::string_view cell);

} // namespace px
