#pragma once

// The per-user profile kept in an INI file, shared by the window and pxctl. The file is laid
// out, escaped and ordered as QSettings lays out an INI file on Linux (sections, then keys, in
// sorted order; "@" and the characters that need it escaped; values with ',' ';' '=' or
// leading or trailing blanks quoted), so files written by earlier versions of the window read
// the same, and a QSettings reader sees what this one wrote.
//
// Every read looks at the file as it is; every change rewrites it at once through a temporary
// file, keeping every other entry, so two programs that use the same file never undo each
// other's changes.

#include "common/Profile.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace px {

class IniProfile final : public Profile
{
public:
    explicit IniProfile(std::filesystem::path file);

    const std::filesystem::path& File() const { return file_; }

    int GetInt(const std::string& section, const std::string& key, int def) const override;
    void SetInt(const std::string& section, const std::string& key, int value) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def) const override;
    void SetString(const std::string& section, const std::string& key,
                   const std::string& value) override;

    // Whether the last change could be written (a read-only folder, a full disk).
    bool LastWriteFailed() const { return !writeError_.empty(); }
    const std::string& WriteError() const { return writeError_; }

private:
    void Set(const std::string& section, const std::string& key, const std::string& value);

    std::filesystem::path file_;
    std::string writeError_;
};

namespace ini {

// One value as the file holds it: a text, or a list of texts (an unquoted ',' separates them).
struct Value
{
    std::vector<std::string> items;
    bool isList = false;
};

// Sections by name, keys by name, each sorted as they are written.
using Document = std::map<std::string, std::map<std::string, Value>>;

// The entries of an INI file's text; what cannot be read is skipped, as QSettings skips it.
Document Parse(std::string_view text);

// The file's text for the entries; lines end with eol.
std::string Format(const Document& document, std::string_view eol);

// The text of a stored value that its writer meant ("@@x" stands for "@x", a list reads as its
// items joined by ", "); nothing for an invalid value ("@Invalid()").
std::optional<std::string> TextOf(const Value& value);

// The stored form of a text.
Value ValueOf(const std::string& text);

} // namespace ini

} // namespace px
