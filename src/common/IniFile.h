#pragma once

#include <string>

namespace px {

// Writes one key of a private profile (INI) file in UTF-8, creating the file when needed and
// keeping every other section and key as it was. Returns false when the file cannot be written.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

// Reads one key; def when the file, section or key is missing.
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& def = {});

} // namespace px
