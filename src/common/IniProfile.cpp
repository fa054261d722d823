#include "common/IniProfile.h"

#include "common/FileIo.h"
#include "common/Utf8Path.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace px {

namespace ini {

namespace {

// --- UTF-16, the unit QSettings escapes in ---------------------------------------------------

constexpr char16_t kReplacement = 0xFFFD;

// Bytes that are not UTF-8 become U+FFFD, one per byte, as Qt decodes them.
std::u16string Utf16Of(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(utf8[at]); };
    while (i < utf8.size()) {
        const unsigned char lead = byte(i);
        std::size_t length = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1Fu;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0Fu;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07u;
            minimum = 0x10000;
        }
        bool valid = length > 0 && i + length <= utf8.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = (byte(i + k) & 0xC0) == 0x80;
            code = code << 6 | (byte(i + k) & 0x3Fu);
        }
        valid = valid && code >= minimum && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (!valid) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// A surrogate without its partner becomes U+FFFD.
std::string Utf8Of(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t c = utf16[i];
        if (IsHighSurrogate(c) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
            AppendUtf8(out, 0x10000 + ((char32_t{c} - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

char HexDigit(unsigned value)
{
    return "0123456789ABCDEF"[value & 0xF];
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        };
        return lower(x) == lower(y);
    });
}

std::string_view Trimmed(std::string_view text)
{
    const auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// --- keys: '/' is written '\', anything but letters, digits, '_', '-' and '.' as %XX or %UXXXX

std::string EscapedKey(std::string_view key)
{
    std::string out;
    for (const char16_t c : Utf16Of(key)) {
        if (c == u'/') {
            out += '\\';
        } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                   (c >= u'0' && c <= u'9') || c == u'_' || c == u'-' || c == u'.') {
            out += static_cast<char>(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += HexDigit(c >> 4u);
            out += HexDigit(c);
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += HexDigit(static_cast<unsigned>(c) >> static_cast<unsigned>(shift));
        }
    }
    return out;
}

std::string UnescapedKey(std::string_view key)
{
    const std::u16string decoded = Utf16Of(key);
    std::u16string out;
    std::size_t i = 0;
    while (i < decoded.size()) {
        const char16_t c = decoded[i];
        if (c == u'\\') {
            out += u'/';
            ++i;
            continue;
        }
        if (c != u'%' || i == decoded.size() - 1) {
            out += c;
            ++i;
            continue;
        }
        const bool wide = decoded[i + 1] == u'U';
        const std::size_t first = i + (wide ? 2 : 1);
        const std::size_t digits = wide ? 4 : 2;
        unsigned value = 0;
        bool ok = first + digits <= decoded.size();
        for (std::size_t k = 0; ok && k < digits; ++k) {
            const char16_t d = decoded[first + k];
            const int v = d < 0x80 ? HexValue(static_cast<char>(d)) : -1;
            ok = v >= 0;
            value = value << 4 | static_cast<unsigned>(v);
        }
        if (!ok) {
            out += u'%';
            ++i;
            continue;
        }
        out += static_cast<char16_t>(value);
        i = first + digits;
    }
    return Utf8Of(out);
}

// --- values ----------------------------------------------------------------------------------

std::string LowerHex(unsigned value)
{
    char digits[8];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), value, 16);
    return std::string(std::begin(digits), result.ptr);
}

void AppendEscapedText(std::string_view text, std::string& out)
{
    // Texts that stand for binary values keep every character a byte: no UTF-8 there.
    const bool utf8 = text.rfind("@ByteArray(", 0) != 0 && text.rfind("@Variant(", 0) != 0 &&
                      text.rfind("@DateTime(", 0) != 0;
    const std::size_t start = out.size();
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    const std::u16string units = Utf16Of(text);
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t c = units[i];
        if (c == u';' || c == u',' || c == u'=')
            needsQuotes = true;
        // After a numeric escape a hex digit would read as part of it.
        if (escapeNextIfDigit && c < 0x80 && HexValue(static_cast<char>(c)) >= 0) {
            out += "\\x" + LowerHex(c);
            continue;
        }
        escapeNextIfDigit = false;
        switch (c) {
        case u'\0':
            out += "\\0";
            escapeNextIfDigit = true;
            break;
        case u'\a':
            out += "\\a";
            break;
        case u'\b':
            out += "\\b";
            break;
        case u'\f':
            out += "\\f";
            break;
        case u'\n':
            out += "\\n";
            break;
        case u'\r':
            out += "\\r";
            break;
        case u'\t':
            out += "\\t";
            break;
        case u'\v':
            out += "\\v";
            break;
        case u'"':
        case u'\\':
            out += '\\';
            out += static_cast<char>(c);
            break;
        default:
            if (c <= 0x1F || (c >= 0x7F && !utf8)) {
                out += "\\x" + LowerHex(c);
                escapeNextIfDigit = true;
            } else if (utf8 && IsHighSurrogate(c) && i + 1 < units.size() &&
                       IsLowSurrogate(units[i + 1])) {
                out += Utf8Of(units.substr(i, 2));
                ++i;
            } else if (utf8) {
                out += Utf8Of(std::u16string_view(&units[i], 1));
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    if (needsQuotes || (start < out.size() && (out[start] == ' ' || out.back() == ' '))) {
        out.insert(start, 1, '"');
        out += '"';
    }
}

// The text a string value is stored as: one that starts with '@' is marked by a second one,
// and a text holding NUL is wrapped, as QSettings does.
std::string StoredText(const std::string& text)
{
    if (text.find('\0') != std::string::npos)
        return "@String(" + text + ")";
    if (!text.empty() && text.front() == '@')
        return "@" + text;
    return text;
}

void ChopTrailingBlanks(std::u16string& text, std::size_t limit)
{
    while (text.size() > limit && (text.back() == u' ' || text.back() == u'\t'))
        text.pop_back();
}

// A value as written after '=': quotes, escapes, and unquoted commas between list items.
Value UnescapedValue(std::string_view str)
{
    static constexpr std::pair<char, char16_t> kEscapes[] = {
        {'a', u'\a'}, {'b', u'\b'}, {'f', u'\f'}, {'n', u'\n'},  {'r', u'\r'}, {'t', u'\t'},
        {'v', u'\v'}, {'"', u'"'},  {'?', u'?'},  {'\'', u'\''}, {'\\', u'\\'}};
    Value value;
    std::vector<std::u16string> items;
    std::u16string current;
    bool inQuotes = false;
    bool currentQuoted = false;
    std::size_t i = 0;
    const std::size_t n = str.size();
    const auto skipBlanks = [&] {
        while (i < n && (str[i] == ' ' || str[i] == '\t'))
            ++i;
    };
    // A numeric escape: digits of the base, as many as follow.
    const auto numericEscape = [&](unsigned base, unsigned first) {
        unsigned code = first;
        while (i < n) {
            const int digit = HexValue(str[i]);
            if (digit < 0 || static_cast<unsigned>(digit) >= base)
                break;
            code = code * base + static_cast<unsigned>(digit);
            ++i;
        }
        current += static_cast<char16_t>(code);
    };
    skipBlanks();
    std::size_t chopLimit = 0;
    while (i < n) {
        const char c = str[i];
        if (c == '\\') {
            ++i;
            if (i >= n)
                break;
            const char escaped = str[i++];
            const auto* simple =
                std::find_if(std::begin(kEscapes), std::end(kEscapes),
                             [&](const auto& entry) { return entry.first == escaped; });
            if (simple != std::end(kEscapes)) {
                current += simple->second;
            } else if (escaped == 'x') {
                if (i < n && HexValue(str[i]) >= 0)
                    numericEscape(16, 0);
            } else if (escaped >= '0' && escaped <= '7') {
                numericEscape(8, static_cast<unsigned>(escaped - '0'));
            } else if (escaped == '\n' || escaped == '\r') {
                // A line continued: \n, \r, \r\n and \n\r all end a line.
                if (i < n && (str[i] == '\n' || str[i] == '\r') && str[i] != escaped)
                    ++i;
            }
            chopLimit = current.size();
        } else if (c == '"') {
            ++i;
            currentQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
                chopLimit = current.size();
            }
        } else if (c == ',' && !inQuotes) {
            if (!currentQuoted)
                ChopTrailingBlanks(current, chopLimit);
            value.isList = true;
            items.push_back(std::move(current));
            current.clear();
            currentQuoted = false;
            ++i;
            skipBlanks();
            chopLimit = current.size();
        } else {
            std::size_t j = i + 1;
            while (j < n && str[j] != '\\' && str[j] != '"' && str[j] != ',')
                ++j;
            current += Utf16Of(str.substr(i, j - i));
            i = j;
        }
    }
    if (!currentQuoted)
        ChopTrailingBlanks(current, chopLimit);
    items.push_back(std::move(current));
    for (const std::u16string& item : items)
        value.items.push_back(Utf8Of(item));
    return value;
}

// One logical line of an INI file: where it starts, how long it is and where its first '='
// outside quotes is. Comments (';') are skipped; a quoted text or a backslash may carry a
// line on.
struct Line
{
    std::size_t start = 0;
    std::size_t length = 0;
    std::size_t equals = std::string_view::npos;
};

bool IsBlank(char c)
{
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool IsSpecial(char c)
{
    return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\';
}

bool NextLine(std::string_view data, std::size_t& position, Line& line)
{
    const std::size_t n = data.size();
    bool inQuotes = false;
    line.equals = std::string_view::npos;
    line.start = position;
    while (line.start < n && IsBlank(data[line.start]))
        ++line.start;
    std::size_t i = line.start;
    bool ended = false;
    while (i < n && !ended) {
        while (i < n && !IsSpecial(data[i]))
            ++i;
        if (i == n)
            break;
        const char c = data[i++];
        if (c == '=') {
            if (!inQuotes && line.equals == std::string_view::npos)
                line.equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == line.start + 1) {
                ++line.start;
            } else if (!inQuotes) {
                --i;
                ended = true;
            }
        } else if (c == '\\') {
            if (i < n) {
                const char next = data[i++];
                if (i < n) {
                    const char after = data[i];
                    if ((next == '\n' && after == '\r') || (next == '\r' && after == '\n'))
                        ++i;
                }
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (i == line.start + 1) { // ';' first on its line: a comment
            while (i < n && data[i] != '\n' && data[i] != '\r')
                ++i;
            while (i < n && IsBlank(data[i]))
                ++i;
            line.start = i;
        } else if (!inQuotes) { // ';' after an entry: the rest of the line is a comment
            --i;
            ended = true;
        }
    }
    position = i;
    line.length = i - line.start;
    return line.length > 0;
}

} // namespace

Document Parse(std::string_view text)
{
    Document document;
    std::size_t position = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    std::string section;
    Line line;
    while (NextLine(text, position, line)) {
        const std::string_view content = text.substr(line.start, line.length);
        if (content.front() == '[') {
            std::size_t close = content.find(']');
            if (close == std::string_view::npos)
                close = content.size();
            const std::string_view name = Trimmed(content.substr(1, close - 1));
            if (EqualsIgnoringCase(name, "general"))
                section.clear();
            else if (EqualsIgnoringCase(name, "%general"))
                section = std::string(name.substr(1));
            else
                section = UnescapedKey(name);
            continue;
        }
        if (line.equals == std::string_view::npos)
            continue; // a comment or a line without '='
        const std::size_t equals = line.equals - line.start;
        document[section][UnescapedKey(Trimmed(content.substr(0, equals)))] =
            UnescapedValue(content.substr(equals + 1));
    }
    return document;
}

std::string Format(const Document& document, std::string_view eol)
{
    std::string text;
    bool first = true;
    for (const auto& [section, entries] : document) {
        if (entries.empty())
            continue;
        if (!first)
            text += eol;
        first = false;
        const std::string name = EscapedKey(section);
        if (name.empty())
            text += "[General]";
        else if (EqualsIgnoringCase(name, "general"))
            text += "[%General]";
        else
            text += "[" + name + "]";
        text += eol;
        for (const auto& [key, value] : entries) {
            text += EscapedKey(key);
            text += '=';
            if (value.isList) {
                for (std::size_t i = 0; i < value.items.size(); ++i) {
                    if (i != 0)
                        text += ", ";
                    AppendEscapedText(value.items[i], text);
                }
            } else if (!value.items.empty()) {
                AppendEscapedText(value.items.front(), text);
            }
            text += eol;
        }
    }
    return text;
}

std::optional<std::string> TextOf(const Value& value)
{
    if (value.isList) {
        std::string joined;
        for (std::size_t i = 0; i < value.items.size(); ++i)
            joined += (i != 0 ? ", " : "") + value.items[i];
        return joined;
    }
    const std::string& text = value.items.empty() ? std::string() : value.items.front();
    if (text == "@Invalid()")
        return std::nullopt;
    if (text.rfind("@@", 0) == 0)
        return text.substr(1);
    if (text.rfind("@String(", 0) == 0 && text.back() == ')')
        return text.substr(8, text.size() - 9);
    return text;
}

Value ValueOf(const std::string& text)
{
    return Value{{StoredText(text)}, false};
}

} // namespace ini

namespace {

#if defined(_WIN32)
constexpr std::string_view kEol = "\r\n";
#else
constexpr std::string_view kEol = "\n";
#endif

// Small enough that a damaged or foreign file is refused rather than read whole.
constexpr std::size_t kMaxProfileBytes = std::size_t{1024} * 1024;

ini::Document Load(const std::filesystem::path& file)
{
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return {};
    std::string error;
    const auto text = ReadFileUpTo(Utf8FromPath(file), kMaxProfileBytes, error);
    return text ? ini::Parse(*text) : ini::Document{};
}

const ini::Value* Find(const ini::Document& document, const std::string& section,
                       const std::string& key)
{
    const auto s = document.find(section);
    if (s == document.end())
        return nullptr;
    const auto k = s->second.find(key);
    return k == s->second.end() ? nullptr : &k->second;
}

} // namespace

IniProfile::IniProfile(std::filesystem::path file) : file_(std::move(file)) {}

int IniProfile::GetInt(const std::string& section, const std::string& key, int def) const
{
    const std::string text = GetString(section, key, {});
    // As QString::toInt reads it: blanks around a decimal number with an optional sign.
    const std::string_view number = ini::Trimmed(text);
    const char* begin = number.data();
    const char* end = number.data() + number.size();
    if (begin != end && *begin == '+' && (end - begin == 1 || begin[1] != '-'))
        ++begin;
    int value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && ptr == end && begin != end ? value : def;
}

void IniProfile::SetInt(const std::string& section, const std::string& key, int value)
{
    Set(section, key, std::to_string(value));
}

std::string IniProfile::GetString(const std::string& section, const std::string& key,
                                  const std::string& def) const
{
    const ini::Document document = Load(file_);
    const ini::Value* value = Find(document, section, key);
    if (value == nullptr)
        return def;
    return ini::TextOf(*value).value_or(def);
}

void IniProfile::SetString(const std::string& section, const std::string& key,
                           const std::string& value)
{
    Set(section, key, value);
}

void IniProfile::Set(const std::string& section, const std::string& key, const std::string& value)
{
    ini::Document document = Load(file_);
    document[section][key] = ini::ValueOf(value);
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
    writeError_.clear();
    if (!WriteFileWhole(Utf8FromPath(file_), ini::Format(document, kEol), writeError_) &&
        writeError_.empty())
        writeError_ = "cannot write " + Utf8FromPath(file_);
}

} // namespace px
