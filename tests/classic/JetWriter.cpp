#include "classic/JetWriter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <limits>
#include <span>
#include <utility>

namespace px::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Where the two versions differ in the pages this writer makes.
struct Format
{
    bool jet3;
    std::size_t pageSize;
    std::size_t rowCountOffset;   // data pages: row count, then one offset per row
    std::size_t tdefColumnsStart; // first column entry of a table definition
    std::size_t maskedLength;     // header bytes from 0x18 masked with RC4
    std::size_t usageMapSize;     // the size Jet gives a table's usage map row
};

constexpr Format kJet3Format{true, 2048, 0x08, 43, 126, 128};
constexpr Format kJet4Format{false, 4096, 0x0c, 63, 128, 64};

// Jet's own column type codes; Ole appears only in the catalogue.
enum class Kind : std::uint8_t
{
    Bool = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Double = 0x07,
    DateTime = 0x08,
    Text = 0x0a,
    Ole = 0x0b,
    Memo = 0x0c,
};

constexpr std::size_t kMaxNameCharacters = 64;
constexpr std::size_t kMaxRowsPerPage = 255; // row numbers in page pointers are one byte
constexpr std::uint8_t kUserTable = 0x4e;
constexpr std::uint8_t kSystemTable = 0x53;
constexpr std::uint8_t kFixedColumn = 0x01;
constexpr std::uint8_t kNullableColumn = 0x02;
constexpr std::uint8_t kCompressedUnicode = 0x01;
constexpr std::uint32_t kInlineMemo = 0x80000000;
constexpr std::int64_t kSystemObjectFlags = static_cast<std::int32_t>(0x80000002u);
constexpr std::int64_t kTableObjectType = 1;
constexpr std::uint32_t kCatalogDefinitionPage = 2; // readers look for MSysObjects there
constexpr std::size_t kUsageMapPage = 1;

bool IsVariable(Kind kind)
{
    return kind == Kind::Text || kind == Kind::Memo || kind == Kind::Ole;
}

std::size_t FixedSize(Kind kind)
{
    switch (kind) {
    case Kind::Byte:
        return 1;
    case Kind::Integer:
        return 2;
    case Kind::Long:
        return 4;
    case Kind::Double:
    case Kind::DateTime:
        return 8;
    default:
        return 0; // Bool lives in the null bitmap; variable columns have no fixed part
    }
}

Kind KindOf(JetType type)
{
    switch (type) {
    case JetType::Byte:
        return Kind::Byte;
    case JetType::Integer:
        return Kind::Integer;
    case JetType::Long:
        return Kind::Long;
    case JetType::Double:
        return Kind::Double;
    case JetType::DateTime:
        return Kind::DateTime;
    case JetType::Bool:
        return Kind::Bool;
    case JetType::Text:
        return Kind::Text;
    case JetType::Memo:
        return Kind::Memo;
    }
    return Kind::Long;
}

// Access picks a table's sort order from the language of the machine that made it; the code
// page is the best hint of that language here.
std::uint16_t SortOrderFor(std::uint16_t codePage)
{
    switch (codePage) {
    case 936:
        return 0x0804; // Chinese (PRC)
    case 950:
        return 0x0404; // Chinese (Taiwan)
    case 932:
        return 0x0411; // Japanese
    case 949:
        return 0x0412; // Korean
    default:
        return 0x0409; // General
    }
}

void PutU16(std::span<std::uint8_t> bytes, std::size_t at, std::size_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value & 0xff);
    bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xff);
}

void PutU32(std::span<std::uint8_t> bytes, std::size_t at, std::uint64_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xff);
}

void AppendLittleEndian(Bytes& bytes, std::uint64_t value, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        bytes.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xff));
}

void AppendBytes(Bytes& bytes, std::span<const std::uint8_t> more)
{
    bytes.insert(bytes.end(), more.begin(), more.end());
}

// The RC4 stream cipher, with which Jet masks part of the header page.
void Rc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> data)
{
    std::array<std::uint8_t, 256> state{};
    for (std::size_t i = 0; i < state.size(); ++i)
        state[i] = static_cast<std::uint8_t>(i);
    std::size_t j = 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
        j = (j + state[i] + key[i % key.size()]) & 0xff;
        std::swap(state[i], state[j]);
    }
    std::size_t a = 0;
    std::size_t b = 0;
    for (std::uint8_t& byte : data) {
        a = (a + 1) & 0xff;
        b = (b + state[a]) & 0xff;
        std::swap(state[a], state[b]);
        byte ^= state[(state[a] + state[b]) & 0xff];
    }
}

std::optional<std::u32string> DecodeUtf8(std::string_view text)
{
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        char32_t c = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            c = lead;
        } else if ((lead & 0xe0) == 0xc0) {
            extra = 1;
            c = lead & 0x1fu;
            least = 0x80;
        } else if ((lead & 0xf0) == 0xe0) {
            extra = 2;
            c = lead & 0x0fu;
            least = 0x800;
        } else if ((lead & 0xf8) == 0xf0) {
            extra = 3;
            c = lead & 0x07u;
            least = 0x10000;
        } else {
            return std::nullopt;
        }
        if (i + extra >= text.size())
            return std::nullopt;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xc0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (next & 0x3fu);
        }
        if (c < least || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff))
            return std::nullopt;
        out.push_back(c);
        i += extra + 1;
    }
    return out;
}

std::u16string ToUtf16(const std::u32string& text)
{
    std::u16string out;
    for (char32_t c : text) {
        if (c < 0x10000) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            const char32_t v = c - 0x10000;
            out.push_back(static_cast<char16_t>(0xd800 + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xdc00 + (v & 0x3ff)));
        }
    }
    return out;
}

Bytes Utf16Bytes(const std::u16string& units)
{
    Bytes out;
    for (char16_t u : units)
        AppendLittleEndian(out, u, 2);
    return out;
}

// Jet 4's "compressed unicode": after the marker FF FE, a zero byte switches between one byte
// per character (for U+0001..U+00FF) and two. A character whose low byte is zero cannot be
// told from a switch, so such text stays uncompressed, as does text the form would not shorten.
std::optional<Bytes> CompressUnicode(const std::u16string& units)
{
    Bytes out{0xff, 0xfe};
    bool oneByte = true;
    for (char16_t u : units) {
        const auto low = static_cast<std::uint8_t>(u & 0xff);
        const auto high = static_cast<std::uint8_t>(u >> 8);
        if (low == 0)
            return std::nullopt;
        if ((high == 0) != oneByte) {
            out.push_back(0);
            oneByte = !oneByte;
        }
        out.push_back(low);
        if (!oneByte)
            out.push_back(high);
    }
    if (out.size() >= units.size() * 2)
        return std::nullopt;
    return out;
}

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Readers find tables and columns by name without regard to ASCII case.
bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

struct EncodedText
{
    Bytes bytes;
    std::size_t characters = 0; // UTF-16 units for Jet 4, characters for Jet 3
};

struct ColumnSpec
{
    std::string name;
    Kind kind;
    int textLength;
};

struct Column
{
    std::string name;
    Bytes nameBytes;
    Kind kind = Kind::Long;
    std::size_t length = 0;        // the definition's column length in bytes
    std::size_t maxCharacters = 0; // Text only
    std::size_t number = 0;
    std::size_t fixedOffset = 0;
    std::size_t varIndex = 0;
};

struct Cell
{
    bool present = false; // the null bitmap bit: not NULL, or true for Bool
    Bytes bytes;
};

struct Table
{
    std::string name;
    bool system = false;
    std::vector<Column> columns;
    std::size_t fixedSize = 0;
    std::size_t varCount = 0;
    std::vector<Bytes> rows;
    std::vector<std::vector<std::size_t>> pages; // rows of each data page
    std::uint32_t definitionPage = 0;
    std::uint32_t firstDataPage = 0;
    std::uint32_t usedMap = 0; // page and row of the usage maps
    std::uint32_t freeMap = 0;
};

class Writer
{
public:
    explicit Writer(const JetDatabase& database)
        : database_(database),
          format_(database.version == JetVersion::Jet3 ? kJet3Format : kJet4Format)
    {}

    std::optional<std::string> Write();
    const std::string& Error() const { return error_; }

private:
    bool Fail(std::string message)
    {
        error_ = std::move(message);
        return false;
    }

    std::optional<EncodedText> EncodeText(std::string_view utf8, bool compress,
                                          const std::string& where);
    std::optional<Bytes> EncodeName(std::string_view utf8, const std::string& where);
    bool CheckName(std::string_view name, const std::string& where);
    bool DefineColumns(Table& table, const std::vector<ColumnSpec>& columns);
    std::optional<Cell> EncodeValue(const Table& table, const Column& column, const JetValue& value,
                                    std::size_t rowIndex);
    bool AddRow(Table& table, const std::vector<JetValue>& values, std::size_t rowIndex);
    Bytes AssembleRow(const Table& table, const std::vector<Cell>& cells, std::string& problem);
    void PackRows(Table& table);
    Bytes DataPage(std::uint32_t owner, const std::vector<const Bytes*>& rows) const;
    std::size_t UsageMapSize(const Table& table) const
    {
        return std::max(format_.usageMapSize, 5 + (table.pages.size() + 7) / 8);
    }
    Bytes UsageMap(const Table& table, bool onlyWithFreeSpace) const;
    std::optional<Bytes> DefinitionPage(const Table& table);
    Bytes HeaderPage() const;

    std::string Where(const Table& table, std::size_t rowIndex, const Column& column) const
    {
        return "table " + table.name + ", row " + std::to_string(rowIndex + 1) + ", column " +
               column.name;
    }

    const JetDatabase& database_;
    const Format& format_;
    std::string error_;
};

std::optional<EncodedText> Writer::EncodeText(std::string_view utf8, bool compress,
                                              const std::string& where)
{
    const std::optional<std::u32string> characters = DecodeUtf8(utf8);
    if (!characters) {
        Fail(where + ": text is not valid UTF-8");
        return std::nullopt;
    }
    EncodedText text;
    if (!format_.jet3) {
        const std::u16string units = ToUtf16(*characters);
        text.characters = units.size();
        std::optional<Bytes> compressed;
        if (compress)
            compressed = CompressUnicode(units);
        text.bytes = compressed ? std::move(*compressed) : Utf16Bytes(units);
        return text;
    }
    text.characters = characters->size();
    if (database_.encodeJet3Text) {
        const std::optional<std::string> encoded = database_.encodeJet3Text(utf8);
        if (!encoded) {
            Fail(where + ": text has no encoding in code page " +
                 std::to_string(database_.codePage));
            return std::nullopt;
        }
        text.bytes.assign(encoded->begin(), encoded->end());
        return text;
    }
    if (!IsAscii(utf8)) {
        Fail(where + ": non-ASCII text in a Jet 3 database needs encodeJet3Text");
        return std::nullopt;
    }
    text.bytes.assign(utf8.begin(), utf8.end());
    return text;
}

std::optional<Bytes> Writer::EncodeName(std::string_view utf8, const std::string& where)
{
    std::optional<EncodedText> text = EncodeText(utf8, false, where);
    if (!text)
        return std::nullopt;
    return std::move(text->bytes);
}

// The rules Access applies to object names.
bool Writer::CheckName(std::string_view name, const std::string& where)
{
    const std::optional<std::u32string> characters = DecodeUtf8(name);
    if (!characters)
        return Fail(where + ": name is not valid UTF-8");
    if (characters->empty() || characters->size() > kMaxNameCharacters)
        return Fail(where + ": a name has 1 to 64 characters");
    if (characters->front() == U' ')
        return Fail(where + ": a name cannot start with a space");
    for (char32_t c : *characters) {
        if (c < 0x20 || c == U'.' || c == U'!' || c == U'`' || c == U'[' || c == U']')
            return Fail(where + ": a name cannot hold control characters or . ! ` [ ]");
    }
    return true;
}

bool Writer::DefineColumns(Table& table, const std::vector<ColumnSpec>& columns)
{
    if (columns.empty())
        return Fail("table " + table.name + " has no columns");
    if (columns.size() > 255)
        return Fail("table " + table.name + " has more than 255 columns");
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const ColumnSpec& source = columns[i];
        const std::string where = "table " + table.name + ", column " + source.name;
        if (!CheckName(source.name, where))
            return false;
        for (std::size_t k = 0; k < i; ++k) {
            if (SameName(columns[k].name, source.name))
                return Fail(where + ": the name is used twice");
        }
        Column column;
        column.name = source.name;
        column.kind = source.kind;
        column.number = i;
        std::optional<Bytes> nameBytes = EncodeName(source.name, where);
        if (!nameBytes)
            return false;
        column.nameBytes = std::move(*nameBytes);
        if (column.kind == Kind::Text) {
            if (source.textLength < 1 || source.textLength > 255)
                return Fail(where + ": a text length is 1 to 255");
            column.maxCharacters = static_cast<std::size_t>(source.textLength);
            column.length = format_.jet3 ? column.maxCharacters : 2 * column.maxCharacters;
        } else if (column.kind == Kind::Bool) {
            column.length = 1;
        } else {
            column.length = FixedSize(column.kind);
        }
        if (IsVariable(column.kind)) {
            column.varIndex = table.varCount++;
        } else {
            column.fixedOffset = table.fixedSize;
            table.fixedSize += FixedSize(column.kind);
        }
        table.columns.push_back(std::move(column));
    }
    return true;
}

std::optional<Cell> Writer::EncodeValue(const Table& table, const Column& column,
                                        const JetValue& value, std::size_t rowIndex)
{
    const auto fail = [&](const std::string& problem) -> std::optional<Cell> {
        Fail(Where(table, rowIndex, column) + ": " + problem);
        return std::nullopt;
    };
    Cell cell;
    if (std::holds_alternative<std::monostate>(value)) {
        if (column.kind == Kind::Bool)
            return fail("a Bool cannot be NULL");
        cell.bytes.assign(FixedSize(column.kind), 0);
        return cell;
    }
    cell.present = true;
    const auto* integer = std::get_if<std::int64_t>(&value);
    const auto* real = std::get_if<double>(&value);
    const auto* text = std::get_if<std::string>(&value);
    const auto inRange = [&](std::int64_t low, std::int64_t high) {
        return integer && *integer >= low && *integer <= high;
    };
    switch (column.kind) {
    case Kind::Bool:
        if (const auto* flag = std::get_if<bool>(&value)) {
            cell.present = *flag;
            return cell;
        }
        return fail("a Bool takes bool");
    case Kind::Byte:
        if (!inRange(0, 255))
            return fail("a Byte takes an integer 0..255");
        AppendLittleEndian(cell.bytes, static_cast<std::uint64_t>(*integer), 1);
        return cell;
    case Kind::Integer:
        if (!inRange(std::numeric_limits<std::int16_t>::min(),
                     std::numeric_limits<std::int16_t>::max()))
            return fail("an Integer takes an integer -32768..32767");
        AppendLittleEndian(cell.bytes, static_cast<std::uint64_t>(*integer), 2);
        return cell;
    case Kind::Long:
        if (!inRange(std::numeric_limits<std::int32_t>::min(),
                     std::numeric_limits<std::int32_t>::max()))
            return fail("a Long takes a 32-bit integer");
        AppendLittleEndian(cell.bytes, static_cast<std::uint64_t>(*integer), 4);
        return cell;
    case Kind::Double:
    case Kind::DateTime: {
        if (!integer && !real)
            return fail("a Double or DateTime takes a number");
        const double number = real ? *real : static_cast<double>(*integer);
        if (column.kind == Kind::DateTime && !std::isfinite(number))
            return fail("a DateTime takes a finite number of days");
        AppendLittleEndian(cell.bytes, std::bit_cast<std::uint64_t>(number), 8);
        return cell;
    }
    case Kind::Text:
    case Kind::Memo: {
        if (!text)
            return fail("a Text or Memo takes text");
        const bool compress = !format_.jet3 && database_.compressJet4Text;
        std::optional<EncodedText> encoded =
            EncodeText(*text, compress, Where(table, rowIndex, column));
        if (!encoded)
            return std::nullopt;
        if (column.kind == Kind::Text) {
            if (encoded->characters > column.maxCharacters)
                return fail("text of " + std::to_string(encoded->characters) +
                            " characters is longer than the column's " +
                            std::to_string(column.maxCharacters));
            cell.bytes = std::move(encoded->bytes);
            return cell;
        }
        // A memo kept in its row: its length with the in-row flag, an unused page pointer
        // and four unused bytes, then the text.
        AppendLittleEndian(cell.bytes, kInlineMemo | encoded->bytes.size(), 4);
        AppendLittleEndian(cell.bytes, 0, 8);
        AppendBytes(cell.bytes, encoded->bytes);
        return cell;
    }
    case Kind::Ole:
        return fail("only NULL is written to an OLE column");
    }
    return fail("unknown column type");
}

// Jet 4 rows: column count, the fixed columns, the variable columns, then from the end the
// null bitmap, the variable column count, their offsets (last first) and the end of their data.
// Jet 3 counts and offsets are single bytes; a "jump table" before the count holds, for each
// 256 bytes of row, the first offset past that boundary, and a row whose data ends before the
// last boundary it needs carries one unused jump entry of 0xff.
Bytes Writer::AssembleRow(const Table& table, const std::vector<Cell>& cells, std::string& problem)
{
    const std::size_t countSize = format_.jet3 ? 1 : 2;
    const std::size_t columnCount = table.columns.size();
    Bytes row;
    AppendLittleEndian(row, columnCount, countSize);
    row.resize(countSize + table.fixedSize, 0);
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < columnCount; ++i) {
        const Column& column = table.columns[i];
        if (IsVariable(column.kind)) {
            offsets.push_back(row.size());
            if (cells[i].present)
                AppendBytes(row, cells[i].bytes);
        } else if (!cells[i].bytes.empty()) {
            std::copy(cells[i].bytes.begin(), cells[i].bytes.end(),
                      row.begin() + static_cast<std::ptrdiff_t>(countSize + column.fixedOffset));
        }
    }
    const std::size_t end = row.size();
    const std::size_t maskSize = (columnCount + 7) / 8;
    if (table.varCount > 0) {
        if (format_.jet3) {
            std::size_t jumps = 0;
            for (;;) {
                const std::size_t length = end + 1 + table.varCount + jumps + 1 + maskSize;
                const std::size_t needed = (length - 1) / 256;
                if (needed <= jumps)
                    break;
                jumps = needed;
            }
            if (jumps > 1 && end < (jumps - 1) * 256) {
                problem = "too many variable columns for a Jet 3 row";
                return {};
            }
            row.push_back(static_cast<std::uint8_t>(end & 0xff));
            for (std::size_t i = offsets.size(); i-- > 0;)
                row.push_back(static_cast<std::uint8_t>(offsets[i] & 0xff));
            for (std::size_t j = jumps; j-- > 0;) {
                std::uint8_t entry = 0xff;
                for (std::size_t i = 0; i <= offsets.size(); ++i) {
                    const std::size_t offset = i < offsets.size() ? offsets[i] : end;
                    if (offset >= (j + 1) * 256) {
                        entry = static_cast<std::uint8_t>(i);
                        break;
                    }
                }
                row.push_back(entry);
            }
            row.push_back(static_cast<std::uint8_t>(table.varCount));
        } else {
            AppendLittleEndian(row, end, 2);
            for (std::size_t i = offsets.size(); i-- > 0;)
                AppendLittleEndian(row, offsets[i], 2);
            AppendLittleEndian(row, table.varCount, 2);
        }
    }
    Bytes mask(maskSize, 0);
    for (std::size_t i = 0; i < columnCount; ++i) {
        if (cells[i].present)
            mask[i / 8] = static_cast<std::uint8_t>(mask[i / 8] | (1u << (i % 8)));
    }
    AppendBytes(row, mask);
    return row;
}

bool Writer::AddRow(Table& table, const std::vector<JetValue>& values, std::size_t rowIndex)
{
    if (values.size() != table.columns.size())
        return Fail("table " + table.name + ", row " + std::to_string(rowIndex + 1) + " has " +
                    std::to_string(values.size()) + " values for " +
                    std::to_string(table.columns.size()) + " columns");
    std::vector<Cell> cells;
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::optional<Cell> cell = EncodeValue(table, table.columns[i], values[i], rowIndex);
        if (!cell)
            return false;
        cells.push_back(std::move(*cell));
    }
    std::string problem;
    Bytes row = AssembleRow(table, cells, problem);
    const std::size_t room = format_.pageSize - format_.rowCountOffset - 2;
    if (row.empty())
        return Fail("table " + table.name + ", row " + std::to_string(rowIndex + 1) + ": " +
                    problem);
    if (row.size() + 2 > room)
        return Fail("table " + table.name + ", row " + std::to_string(rowIndex + 1) + " is " +
                    std::to_string(row.size()) + " bytes; a page holds rows up to " +
                    std::to_string(room - 2));
    table.rows.push_back(std::move(row));
    return true;
}

// Fills data pages in row order. Every table owns at least one page, empty or not.
void Writer::PackRows(Table& table)
{
    const std::size_t room = format_.pageSize - format_.rowCountOffset - 2;
    table.pages.assign(1, {});
    std::size_t used = 0;
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        const std::size_t need = table.rows[i].size() + 2;
        if (used + need > room || table.pages.back().size() == kMaxRowsPerPage) {
            table.pages.emplace_back();
            used = 0;
        }
        table.pages.back().push_back(i);
        used += need;
    }
}

// Rows are stored from the end of the page towards its header, the first row last.
Bytes Writer::DataPage(std::uint32_t owner, const std::vector<const Bytes*>& rows) const
{
    Bytes page(format_.pageSize, 0);
    page[0] = 0x01;
    page[1] = 0x01;
    PutU32(page, 4, owner);
    PutU16(page, format_.rowCountOffset, rows.size());
    std::size_t position = format_.pageSize;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        position -= rows[i]->size();
        std::copy(rows[i]->begin(), rows[i]->end(),
                  page.begin() + static_cast<std::ptrdiff_t>(position));
        PutU16(page, format_.rowCountOffset + 2 + 2 * i, position);
    }
    PutU16(page, 2, position - (format_.rowCountOffset + 2 + 2 * rows.size()));
    return page;
}

// A map of type 0: the page the map starts at, then one bit per page from there.
Bytes Writer::UsageMap(const Table& table, bool onlyWithFreeSpace) const
{
    const std::size_t pageCount = table.pages.size();
    Bytes map{0x00};
    AppendLittleEndian(map, table.firstDataPage, 4);
    map.resize(UsageMapSize(table), 0);
    const std::size_t room = format_.pageSize - format_.rowCountOffset - 2;
    for (std::size_t i = 0; i < pageCount; ++i) {
        if (onlyWithFreeSpace) {
            std::size_t used = 0;
            for (std::size_t row : table.pages[i])
                used += table.rows[row].size() + 2;
            if (used >= room)
                continue;
        }
        map[5 + i / 8] = static_cast<std::uint8_t>(map[5 + i / 8] | (1u << (i % 8)));
    }
    return map;
}

std::optional<Bytes> Writer::DefinitionPage(const Table& table)
{
    const std::size_t entrySize = format_.jet3 ? 18 : 25;
    const std::uint16_t sortOrder = SortOrderFor(database_.codePage);
    Bytes page(format_.pageSize, 0);
    page[0] = 0x02;
    page[1] = 0x01;
    if (format_.jet3) {
        page[2] = 'V';
        page[3] = 'C';
    }
    const std::size_t block = format_.jet3 ? 12 : 16; // the row count; the block's fields follow
    PutU32(page, block, table.rows.size());
    const std::size_t typeAt = format_.jet3 ? 20 : 40;
    page[typeAt] = table.system ? kSystemTable : kUserTable;
    PutU16(page, typeAt + 1, table.columns.size()); // columns a row may hold
    PutU16(page, typeAt + 3, table.varCount);
    PutU16(page, typeAt + 5, table.columns.size());
    // No indexes, logical or real, at typeAt + 7 and typeAt + 11.
    PutU32(page, typeAt + 15, table.usedMap);
    PutU32(page, typeAt + 19, table.freeMap);

    Bytes tail;
    for (const Column& column : table.columns) {
        Bytes entry(entrySize, 0);
        const bool textual = column.kind == Kind::Text || column.kind == Kind::Memo;
        const std::uint8_t flags = IsVariable(column.kind)
                                       ? kNullableColumn
                                       : static_cast<std::uint8_t>(kFixedColumn | kNullableColumn);
        const std::size_t fixedOffset = IsVariable(column.kind) ? 0 : column.fixedOffset;
        const std::size_t varIndex = IsVariable(column.kind) ? column.varIndex : 0;
        entry[0] = static_cast<std::uint8_t>(column.kind);
        if (format_.jet3) {
            PutU16(entry, 1, column.number);
            PutU16(entry, 3, varIndex);
            PutU16(entry, 5, column.number);
            if (textual) {
                PutU16(entry, 7, sortOrder);
                PutU16(entry, 9, database_.codePage);
            }
            entry[13] = flags;
            PutU16(entry, 14, fixedOffset);
            PutU16(entry, 16, column.length);
        } else {
            PutU16(entry, 5, column.number);
            PutU16(entry, 7, varIndex);
            PutU16(entry, 9, column.number);
            if (textual) {
                PutU16(entry, 11, sortOrder);
                if (database_.compressJet4Text)
                    entry[16] = kCompressedUnicode;
            }
            entry[15] = flags;
            PutU16(entry, 21, fixedOffset);
            PutU16(entry, 23, column.length);
        }
        AppendBytes(tail, entry);
    }
    for (const Column& column : table.columns) {
        AppendLittleEndian(tail, column.nameBytes.size(), format_.jet3 ? 1 : 2);
        AppendBytes(tail, column.nameBytes);
    }
    AppendLittleEndian(tail, 0xffff, 2); // no long-value usage maps follow

    const std::size_t end = format_.tdefColumnsStart + tail.size();
    if (end > format_.pageSize) {
        Fail("the definition of table " + table.name + " does not fit in one page");
        return std::nullopt;
    }
    std::copy(tail.begin(), tail.end(),
              page.begin() + static_cast<std::ptrdiff_t>(format_.tdefColumnsStart));
    PutU32(page, 8, end - 8);
    if (!format_.jet3)
        PutU16(page, 2, format_.pageSize - end);
    return page;
}

Bytes Writer::HeaderPage() const
{
    Bytes page(format_.pageSize, 0);
    page[1] = 0x01;
    constexpr std::string_view kSignature{"Standard Jet DB"};
    std::copy(kSignature.begin(), kSignature.end(), page.begin() + 4);
    page[0x14] = format_.jet3 ? 0x00 : 0x01;
    const std::uint16_t sortOrder = SortOrderFor(database_.codePage);
    if (format_.jet3)
        PutU16(page, 0x3a, sortOrder);
    else
        PutU32(page, 0x6e, sortOrder);
    PutU16(page, 0x3c, database_.codePage);
    // The database key at 0x3e stays zero: the other pages are not encrypted.
    if (!format_.jet3) {
        // A creation date (2004-01-15 12:00), whose whole days mask the password.
        constexpr double kCreated = 37999.5;
        std::uint64_t bits = 0;
        std::memcpy(&bits, &kCreated, sizeof bits);
        for (std::size_t i = 0; i < 8; ++i)
            page[0x72 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    const std::size_t width = format_.jet3 ? 1 : 2;
    for (std::size_t i = 0;
         i < database_.password.size() && (i + 1) * width <= (format_.jet3 ? 20u : 40u); ++i)
        page[0x42 + i * width] = static_cast<std::uint8_t>(database_.password[i]);
    if (!format_.jet3) {
        constexpr auto kDays = static_cast<std::uint32_t>(37999);
        for (std::size_t i = 0; i < 40; ++i)
            page[0x42 + i] ^= static_cast<std::uint8_t>(kDays >> (8 * (i % 4)));
    }
    constexpr std::array<std::uint8_t, 4> kHeaderKey{0xc7, 0xda, 0x39, 0x6b};
    Rc4(kHeaderKey, std::span(page).subspan(0x18, format_.maskedLength));
    return page;
}

std::optional<std::string> Writer::Write()
{
    std::vector<Table> tables(database_.tables.size() + 1);
    Table& catalog = tables.front();
    catalog.name = "MSysObjects";
    catalog.system = true;
    catalog.definitionPage = kCatalogDefinitionPage;

    for (std::size_t t = 0; t < database_.tables.size(); ++t) {
        const JetTable& source = database_.tables[t];
        Table& table = tables[t + 1];
        table.name = source.name;
        table.definitionPage = kCatalogDefinitionPage + 1 + static_cast<std::uint32_t>(t);
        if (!CheckName(source.name, "table " + source.name))
            return std::nullopt;
        for (std::size_t k = 0; k <= t; ++k) {
            if (SameName(tables[k].name, source.name)) {
                Fail("table " + source.name + ": the name is used twice");
                return std::nullopt;
            }
        }
        std::vector<ColumnSpec> columns;
        for (const JetColumn& column : source.columns)
            columns.push_back({column.name, KindOf(column.type), column.textLength});
        if (!DefineColumns(table, columns))
            return std::nullopt;
        for (std::size_t r = 0; r < source.rows.size(); ++r) {
            if (!AddRow(table, source.rows[r], r))
                return std::nullopt;
        }
    }

    // The catalogue holds what a reader needs to find a table: its definition page (Id), its
    // name, that it is a table (Type) and whether it is a system table (Flags).
    if (!DefineColumns(catalog, {{"Id", Kind::Long, 0},
                                 {"Name", Kind::Text, 128},
                                 {"Type", Kind::Integer, 0},
                                 {"Flags", Kind::Long, 0},
                                 {"LvProp", Kind::Ole, 0}}))
        return std::nullopt;
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const std::vector<JetValue> entry{
            std::int64_t{tables[t].definitionPage}, tables[t].name, kTableObjectType,
            tables[t].system ? kSystemObjectFlags : 0, std::monostate{}};
        if (!AddRow(catalog, entry, t))
            return std::nullopt;
    }

    for (Table& table : tables)
        PackRows(table);

    // Usage maps are rows of pages of their own: page 1, then as many more as they need right
    // after the table definitions. A map's size depends only on its table's page count, so the
    // maps can be placed before the data pages are numbered.
    const std::size_t room = format_.pageSize - format_.rowCountOffset - 2;
    std::vector<std::vector<std::pair<std::size_t, bool>>> mapPages(1); // table, free-space map
    std::size_t used = 0;
    for (std::size_t t = 0; t < tables.size(); ++t) {
        for (const bool freeSpace : {false, true}) {
            const std::size_t need = UsageMapSize(tables[t]) + 2;
            if (used + need > room || mapPages.back().size() == kMaxRowsPerPage) {
                mapPages.emplace_back();
                used = 0;
            }
            const std::size_t first = kCatalogDefinitionPage + tables.size();
            const std::size_t page =
                mapPages.size() == 1 ? kUsageMapPage : first + mapPages.size() - 2;
            const std::uint32_t pointer =
                static_cast<std::uint32_t>((page << 8) | mapPages.back().size());
            (freeSpace ? tables[t].freeMap : tables[t].usedMap) = pointer;
            mapPages.back().emplace_back(t, freeSpace);
            used += need;
        }
    }
    std::uint32_t nextPage =
        static_cast<std::uint32_t>(kCatalogDefinitionPage + tables.size() + mapPages.size() - 1);
    for (Table& table : tables) {
        table.firstDataPage = nextPage;
        nextPage += static_cast<std::uint32_t>(table.pages.size());
    }
    std::vector<Bytes> mapPageBytes;
    for (const auto& slots : mapPages) {
        std::vector<Bytes> maps;
        for (const auto& [t, freeSpace] : slots)
            maps.push_back(UsageMap(tables[t], freeSpace));
        std::vector<const Bytes*> rows;
        for (const Bytes& map : maps)
            rows.push_back(&map);
        mapPageBytes.push_back(DataPage(0, rows));
    }

    std::vector<Bytes> pages;
    pages.push_back(HeaderPage());
    pages.push_back(std::move(mapPageBytes.front()));
    for (const Table& table : tables) {
        std::optional<Bytes> definition = DefinitionPage(table);
        if (!definition)
            return std::nullopt;
        pages.push_back(std::move(*definition));
    }
    for (std::size_t i = 1; i < mapPageBytes.size(); ++i)
        pages.push_back(std::move(mapPageBytes[i]));
    for (const Table& table : tables) {
        for (const std::vector<std::size_t>& rowsOfPage : table.pages) {
            std::vector<const Bytes*> rows;
            for (std::size_t r : rowsOfPage)
                rows.push_back(&table.rows[r]);
            pages.push_back(DataPage(table.definitionPage, rows));
        }
    }

    std::string file;
    file.reserve(pages.size() * format_.pageSize);
    for (const Bytes& page : pages)
        file.append(page.begin(), page.end());
    return file;
}

} // namespace

std::optional<std::string> JetDatabaseBytes(const JetDatabase& database, std::string* error)
{
    Writer writer(database);
    std::optional<std::string> bytes = writer.Write();
    if (!bytes && error)
        *error = writer.Error();
    return bytes;
}

bool WriteJetDatabase(const JetDatabase& database, const std::filesystem::path& path,
                      std::string* error)
{
    const std::optional<std::string> bytes = JetDatabaseBytes(database, error);
    if (!bytes)
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    out.close();
    if (!out) {
        if (error)
            *error = "cannot write " + path.string();
        return false;
    }
    return true;
}

double JetDateTime(int year, int month, int day, int hour, int minute, int second)
{
    using namespace std::chrono;
    const double invalid = std::numeric_limits<double>::quiet_NaN();
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 59)
        return invalid;
    const year_month_day date{std::chrono::year{year},
                              std::chrono::month{static_cast<unsigned>(month)},
                              std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok())
        return invalid;
    constexpr year_month_day kEpoch{std::chrono::year{1899}, December, std::chrono::day{30}};
    const auto days = (sys_days{date} - sys_days{kEpoch}).count();
    const double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    // Before the epoch Jet keeps the time of day as a positive fraction below the whole days.
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

} // namespace px::test
