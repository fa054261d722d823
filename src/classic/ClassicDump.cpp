#include "classic/ClassicDump.h"

#include "common/Hex.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace px {

namespace {

constexpr std::string_view kHeader = "px-classic-dump 2";

std::string HexText(const std::string& text)
{
    return HexString(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at <= line.size()) {
        const std::size_t space = line.find(' ', at);
        const std::size_t end = space == std::string_view::npos ? line.size() : space;
        words.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

std::optional<std::uint64_t> Number(std::string_view word)
{
    std::uint64_t value = 0;
    const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || ec != std::errc() || ptr != word.data() + word.size())
        return std::nullopt;
    return value;
}

// A hexadecimal name or message of at most limit bytes.
std::optional<std::string> HexName(std::string_view word, std::size_t limit)
{
    if (word.size() > 2 * limit)
        return std::nullopt;
    const auto bytes = ParseHex(std::string(word));
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

class Parser
{
public:
    Parser(const std::string& text, std::string& error) : text_(text), error_(error) {}

    // The next line, without its newline; nothing at the end or for a last line without one.
    std::optional<std::string_view> Line()
    {
        if (at_ >= text_.size())
            return std::nullopt;
        const std::size_t end = text_.find('\n', at_);
        if (end == std::string::npos)
            return std::nullopt;
        const std::string_view line(text_.data() + at_, end - at_);
        at_ = end + 1;
        ++number_;
        return line;
    }
    bool Fail(const std::string& why)
    {
        error_ = "the reader's output, line " + std::to_string(number_) + ": " + why;
        return false;
    }

private:
    const std::string& text_;
    std::string& error_;
    std::size_t at_ = 0;
    std::size_t number_ = 0;
};

// Whether the line is the reader's "failed HEX", its message then put in the dump; nothing, with
// the parse failed, when the message is not hexadecimal.
std::optional<bool> TakeFailure(const std::vector<std::string_view>& words, Parser& parser,
                                ClassicDump& dump)
{
    if (words[0] != "failed" || words.size() != 2)
        return false;
    const auto message = HexName(words[1], 1024);
    if (!message) {
        parser.Fail("a failure that is not hexadecimal");
        return std::nullopt;
    }
    dump.failure = *message;
    return true;
}

enum class NextLine
{
    Words,  // a line to read
    Failed, // the reader's "failed" line: the dump ends here
    Broken, // none, or the parse failed
};

// The words of the next line; missing says what a dump that ends here lacks.
NextLine TakeLine(Parser& parser, ClassicDump& dump, const std::string& missing,
                  std::vector<std::string_view>& words)
{
    const auto line = parser.Line();
    if (!line) {
        parser.Fail(missing);
        return NextLine::Broken;
    }
    words = Words(*line);
    const auto failed = TakeFailure(words, parser, dump);
    if (!failed)
        return NextLine::Broken;
    return *failed ? NextLine::Failed : NextLine::Words;
}

// A field of a row line: "-", "x" and hexadecimal within the size its column allows, or "?"
// and the hexadecimal of why it cannot be read.
std::optional<JetField> ParseField(std::string_view word, int columnType, Parser& parser)
{
    if (word == "-")
        return JetField{};
    const std::size_t limit =
        columnType == static_cast<int>(JetType::Memo) ? kMaxJetMemoBytes : kMaxJetFieldBytes;
    if (!word.empty() && word[0] == '?') {
        const auto why = HexName(word.substr(1), kMaxUnreadableWhy);
        if (!why || why->empty()) {
            parser.Fail("a value that cannot be read, without a reason in hexadecimal");
            return std::nullopt;
        }
        return JetField{UnreadableField{*why}};
    }
    if (word.empty() || word[0] != 'x' || word.size() > 1 + 2 * limit) {
        parser.Fail("a value that is not well formed");
        return std::nullopt;
    }
    auto bytes = ParseHex(std::string(word.substr(1)));
    if (!bytes) {
        parser.Fail("a value that is not hexadecimal");
        return std::nullopt;
    }
    return JetField{std::move(*bytes)};
}

enum class TableEnd
{
    Whole,  // its "end" line came
    Failed, // the reader's "failed" line came: the dump ends here
    Broken, // the parse failed
};

// The lines of a table after its "table" line, up to its "end" (or the reader's failure).
TableEnd ParseTableBody(Parser& parser, std::uint64_t limit, DumpedTable& table, ClassicDump& dump)
{
    const std::string& name = table.name;
    std::vector<std::string_view> words;
    while (true) {
        switch (TakeLine(parser, dump, "table " + name + " ends early", words)) {
        case NextLine::Broken:
            return TableEnd::Broken;
        case NextLine::Failed:
            return TableEnd::Failed;
        case NextLine::Words:
            break;
        }
        if (words[0] == "column") {
            const auto columnName = words.size() == 3 ? HexName(words[1], 256) : std::nullopt;
            const auto type = words.size() == 3 ? Number(words[2]) : std::nullopt;
            if (!columnName || !type || *type > 255 || !table.rows.empty() ||
                table.columns.size() >= kMaxJetColumns) {
                parser.Fail("a column that is not well formed or out of place");
                return TableEnd::Broken;
            }
            table.columns.push_back({*columnName, static_cast<int>(*type)});
        } else if (words[0] == "row") {
            if (words.size() != table.columns.size() + 1 || table.overLimit ||
                table.rows.size() >= limit) {
                parser.Fail("a row of table " + name +
                            " that does not fit its columns or its limit");
                return TableEnd::Broken;
            }
            std::vector<JetField> row;
            row.reserve(table.columns.size());
            for (std::size_t i = 1; i < words.size(); ++i) {
                auto field = ParseField(words[i], table.columns[i - 1].type, parser);
                if (!field)
                    return TableEnd::Broken;
                row.push_back(std::move(*field));
            }
            table.rows.push_back(std::move(row));
        } else if (words[0] == "over" && words.size() == 1) {
            if (table.rowCount <= limit || !table.rows.empty()) {
                parser.Fail("table " + name + " said to be over its limit");
                return TableEnd::Broken;
            }
            table.overLimit = true;
        } else if (words[0] == "end" && words.size() == 2) {
            const auto found = Number(words[1]);
            // Every row found is given, up to the limit.
            if (!found || std::min(*found, limit) != table.rows.size() ||
                (table.overLimit && *found != 0)) {
                parser.Fail("the row count at the end of table " + name + " is not the rows given");
                return TableEnd::Broken;
            }
            if (table.rowCount > limit && !table.overLimit) {
                parser.Fail("table " + name + " over its limit, yet not said so");
                return TableEnd::Broken;
            }
            table.rowsFound = *found;
            return TableEnd::Whole;
        } else {
            parser.Fail("an unknown line in table " + name);
            return TableEnd::Broken;
        }
    }
}

} // namespace

std::string DumpHeaderLine()
{
    return std::string(kHeader) + "\n";
}
std::string DumpTableLine(const std::string& name, std::uint64_t rowCount)
{
    return "table " + HexText(name) + " " + std::to_string(rowCount) + "\n";
}
std::string DumpMissingLine(const std::string& name)
{
    return "missing " + HexText(name) + "\n";
}
std::string DumpColumnLine(const std::string& name, int type)
{
    return "column " + HexText(name) + " " + std::to_string(type) + "\n";
}
std::string DumpRowLine(std::span<const JetField> fields)
{
    std::string line = "row";
    for (const JetField& field : fields) {
        if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&field))
            line += " x" + HexString(*bytes);
        else if (const auto* unreadable = std::get_if<UnreadableField>(&field))
            line += " ?" + HexText(unreadable->why.substr(0, kMaxUnreadableWhy));
        else
            line += " -";
    }
    return line + "\n";
}
std::string DumpOverLine()
{
    return "over\n";
}
std::string DumpEndLine(std::uint64_t found)
{
    return "end " + std::to_string(found) + "\n";
}
std::string DumpFailedLine(const std::string& message)
{
    return "failed " + HexText(message) + "\n";
}
std::string DumpDoneLine()
{
    return "done\n";
}

std::optional<ClassicDump>
ParseClassicDump(const std::string& text,
                 const std::vector<std::pair<std::string, std::uint64_t>>& limits,
                 std::string& error)
{
    Parser parser(text, error);
    const auto first = parser.Line();
    if (!first || *first != kHeader) {
        parser.Fail("not the reader's format");
        return std::nullopt;
    }
    ClassicDump dump;
    std::vector<std::string_view> words;
    for (const auto& [expected, limit] : limits) {
        switch (TakeLine(parser, dump, "ends before table " + expected, words)) {
        case NextLine::Broken:
            return std::nullopt;
        case NextLine::Failed:
            return dump;
        case NextLine::Words:
            break;
        }
        DumpedTable table;
        table.name = expected;
        const auto name = words.size() >= 2 ? HexName(words[1], 256) : std::nullopt;
        if (name != expected) {
            parser.Fail("table " + expected + " expected");
            return std::nullopt;
        }
        if (words[0] == "missing" && words.size() == 2) {
            dump.tables.push_back(std::move(table));
            continue;
        }
        const auto rowCount = words.size() == 3 ? Number(words[2]) : std::nullopt;
        if (words[0] != "table" || !rowCount) {
            parser.Fail("a table line expected");
            return std::nullopt;
        }
        table.present = true;
        table.rowCount = *rowCount;
        const TableEnd end = ParseTableBody(parser, limit, table, dump);
        if (end == TableEnd::Broken)
            return std::nullopt;
        dump.tables.push_back(std::move(table));
        if (end == TableEnd::Failed)
            return dump;
    }
    const auto last = parser.Line();
    if (last && last->rfind("failed ", 0) == 0) {
        const auto message = HexName(last->substr(7), 1024);
        if (message) {
            dump.failure = *message;
            return dump;
        }
    }
    if (!last || *last != "done" || parser.Line()) {
        parser.Fail("does not end where it should");
        return std::nullopt;
    }
    return dump;
}

} // namespace px
