#pragma once

#include <map>
#include <string>
#include <utility>

namespace px {

// The per-user application profile: integers and texts by section and key.
class Profile
{
public:
    virtual ~Profile() = default;

    virtual int GetInt(const std::string& section, const std::string& key, int def) const = 0;
    virtual void SetInt(const std::string& section, const std::string& key, int value) = 0;
    virtual std::string GetString(const std::string& section, const std::string& key,
                                  const std::string& def) const = 0;
    virtual void SetString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
};

// A profile held in memory; used by tests and by runs that must leave no trace.
class MemoryProfile final : public Profile
{
public:
    int GetInt(const std::string& section, const std::string& key, int def) const override;
    void SetInt(const std::string& section, const std::string& key, int value) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def) const override;
    void SetString(const std::string& section, const std::string& key,
                   const std::string& value) override;

private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

} // namespace px
