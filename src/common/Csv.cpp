#include "common/Csv.h"

namespace px {

std::optional<std::vector<CsvRecord>> ParseCsv(std::string_view text, std::string& error)
{
    std::vector<CsvRecord> records;
    CsvRecord record;
    std::string field;
    bool quoted = false;    // inside a quoted field
    bool wasQuoted = false; // the current field was quoted and is closed
    bool fieldStarted = false;
    int line = 1;
    int quoteLine = 1; // where the open quoted field started
    record.line = 1;

    const auto endField = [&] {
        record.fields.push_back(std::move(field));
        field.clear();
        wasQuoted = false;
        fieldStarted = false;
    };
    const auto endRecord = [&] {
        const bool blank = record.fields.empty() && !fieldStarted && field.empty();
        if (!blank) {
            endField();
            records.push_back(std::move(record));
        }
        record = CsvRecord{};
        record.line = line;
    };
    const auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(line) + ": " + why;
        return std::nullopt;
    };

    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                    wasQuoted = true;
                }
            } else {
                if (c == '\n')
                    ++line;
                field += c;
            }
            continue;
        }
        switch (c) {
        case ',':
            endField();
            fieldStarted = true; // a comma always starts another field
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n')
                break; // the LF ends the record
            ++line;
            endRecord();
            break;
        case '\n':
            ++line;
            endRecord();
            break;
        case '"':
            if (!field.empty() || wasQuoted)
                return fail("a quote inside a field that does not start with one");
            quoted = true;
            quoteLine = line;
            fieldStarted = true;
            break;
        default:
            if (wasQuoted)
                return fail("text after the closing quote of a field");
            field += c;
            fieldStarted = true;
            break;
        }
    }
    if (quoted) {
        line = quoteLine;
        return fail("a quoted field is not closed");
    }
    endRecord();
    return records;
}

std::string CsvField(std::string_view text)
{
    const bool needsQuotes = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                             (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!needsQuotes)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string CsvLine(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        line += CsvField(fields[i]);
    }
    return line + "\r\n";
}

std::string GuardedCsvText(std::string_view text)
{
    constexpr std::string_view kFormulaStarts = "=+-@\t\r'";
    if (!text.empty() && kFormulaStarts.find(text.front()) != std::string_view::npos)
        return "'" + std::string(text);
    return std::string(text);
}

std::string UnguardedCsvText(std::string_view cell)
{
    if (!cell.empty() && cell.front() == '\'')
        cell.remove_prefix(1);
    return std::string(cell);
}

} // namespace px
