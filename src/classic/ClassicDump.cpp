#include "classic/ClassicDump.h"

#include "common/Hex.h"

#include <charconv>
#include <string_view>

namespace px {

namespace {

constexpr std::string_view kHeader = "px-classic-dump 1";

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
    for (const JetField& field : fields)
        line += field ? " x" + HexString(*field) : std::string(" -");
    return line + "\n";
}
std::string DumpOverLine()
{
    return "over\n";
}
std::string DumpEndLine(std::uint64_t fetched)
{
    return "end " + std::to_string(fetched) + "\n";
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
    for (const auto& [expected, limit] : limits) {
        auto line = parser.Line();
        if (!line) {
            parser.Fail("ends before table " + expected);
            return std::nullopt;
        }
        auto words = Words(*line);
        const auto failed = TakeFailure(words, parser, dump);
        if (!failed)
            return std::nullopt;
        if (*failed)
            return dump;
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
        // The columns, then the rows or "over", then "end".
        while (true) {
            line = parser.Line();
            if (!line) {
                parser.Fail("table " + expected + " ends early");
                return std::nullopt;
            }
            words = Words(*line);
            const auto tableFailed = TakeFailure(words, parser, dump);
            if (!tableFailed)
                return std::nullopt;
            if (*tableFailed) {
                dump.tables.push_back(std::move(table));
                return dump;
            }
            if (words[0] == "column") {
                const auto columnName = words.size() == 3 ? HexName(words[1], 256) : std::nullopt;
                const auto type = words.size() == 3 ? Number(words[2]) : std::nullopt;
                if (!columnName || !type || *type > 255 || !table.rows.empty() ||
                    table.columns.size() >= kMaxJetColumns) {
                    parser.Fail("a column that is not well formed or out of place");
                    return std::nullopt;
                }
                table.columns.push_back({*columnName, static_cast<int>(*type)});
            } else if (words[0] == "row") {
                if (words.size() != table.columns.size() + 1 || table.overLimit ||
                    table.rows.size() >= limit || table.rows.size() >= table.rowCount) {
                    parser.Fail("a row of table " + expected +
                                " that does not fit its columns or its count");
                    return std::nullopt;
                }
                std::vector<JetField> row;
                row.reserve(table.columns.size());
                for (std::size_t i = 1; i < words.size(); ++i) {
                    if (words[i] == "-") {
                        row.emplace_back();
                        continue;
                    }
                    if (words[i].empty() || words[i][0] != 'x' ||
                        words[i].size() > 1 + 2 * kMaxJetFieldBytes) {
                        parser.Fail("a value that is not well formed");
                        return std::nullopt;
                    }
                    auto bytes = ParseHex(std::string(words[i].substr(1)));
                    if (!bytes) {
                        parser.Fail("a value that is not hexadecimal");
                        return std::nullopt;
                    }
                    row.emplace_back(std::move(*bytes));
                }
                table.rows.push_back(std::move(row));
            } else if (words[0] == "over" && words.size() == 1) {
                if (table.rowCount <= limit || !table.rows.empty()) {
                    parser.Fail("table " + expected + " said to be over its limit");
                    return std::nullopt;
                }
                table.overLimit = true;
            } else if (words[0] == "end" && words.size() == 2) {
                const auto fetched = Number(words[1]);
                if (!fetched || *fetched != table.rows.size()) {
                    parser.Fail("the row count at the end of table " + expected +
                                " is not the rows given");
                    return std::nullopt;
                }
                if (table.rowCount > limit && !table.overLimit) {
                    parser.Fail("table " + expected + " over its limit, yet not said so");
                    return std::nullopt;
                }
                break;
            } else {
                parser.Fail("an unknown line in table " + expected);
                return std::nullopt;
            }
        }
        dump.tables.push_back(std::move(table));
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
