#include "common/IniFile.h"

#include "common/FileIo.h"
#include "common/Utf8Path.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace px {

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool IsSection(const std::string& line, std::string* name)
{
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']')
        return false;
    if (name != nullptr)
        *name = Trim(t.substr(1, t.size() - 2));
    return true;
}

bool KeyOf(const std::string& line, std::string& key, std::string& value)
{
    const auto eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

} // namespace

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value)
{
    std::vector<std::string> lines = ReadLines(path);
    const std::string entry = key + "=" + value;
    std::string current;
    bool inSection = false;
    bool written = false;
    std::size_t sectionEnd = lines.size();
    bool sectionFound = false;
    for (std::size_t i = 0; i < lines.size() && !written; ++i) {
        std::string name;
        if (IsSection(lines[i], &name)) {
            if (inSection) {
                sectionEnd = i;
                break;
            }
            inSection = name == section;
            sectionFound = sectionFound || inSection;
            continue;
        }
        std::string k, v;
        if (inSection && KeyOf(lines[i], k, v) && k == key) {
            lines[i] = entry;
            written = true;
        }
    }
    if (!written) {
        if (sectionFound) {
            // Insert after the last non-blank line of the section.
            std::size_t at = sectionEnd;
            while (at > 0 && Trim(lines[at - 1]).empty())
                --at;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
        } else {
            lines.push_back("[" + section + "]");
            lines.push_back(entry);
        }
    }
    std::ostringstream text;
    for (const auto& line : lines)
        text << line << "\r\n";
    std::string error;
    return WriteFileWhole(path, text.str(), error);
}

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& def)
{
    bool inSection = false;
    for (const auto& line : ReadLines(path)) {
        std::string name;
        if (IsSection(line, &name)) {
            inSection = name == section;
            continue;
        }
        std::string k, v;
        if (inSection && KeyOf(line, k, v) && k == key)
            return v;
    }
    return def;
}

} // namespace px
