// The simulated host's state as a JSON document (DIR/state.json).

#include "common/BoundedJson.h"
#include "common/Hex.h"
#include "sim/SimHost.h"
#include "sim/SimHostState.h"

#include <limits>
#include <set>

namespace px {

namespace {

using nlohmann::json;

constexpr int kStateFormat = 1;
constexpr std::size_t kMaxAnswerPayload = kMaxSimAnswerPayload;
constexpr std::size_t kMaxTableSize = std::size_t{0xFFFF} * 54; // what N, two bytes, can count
constexpr std::size_t kMaxReasonLength = 1000;
constexpr long long kMaxCount = std::numeric_limits<int>::max();

// The largest tables a download can leave (three of 3.5 MB, a 3 MB image) come to about
// 27 MB of hexadecimal text; the deepest value is a string inside a list inside the document.
constexpr JsonLimits kStateLimits{std::size_t{64} * 1024 * 1024, 4};

std::optional<Bytes> FromHex(std::string_view text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    Bytes bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t at = 0; at < text.size(); at += 2) {
        const int high = HexDigitValue(text[at]);
        const int low = HexDigitValue(text[at + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return bytes;
}

// Reads the document into state; on the first thing wrong, says what it is and returns false.
class StateReader
{
public:
    StateReader(const json& doc, SimHostState& state) : doc_(doc), state_(state) {}

    bool Read()
    {
        if (!doc_.is_object())
            return Fail("the file does not hold a JSON object");
        static const std::set<std::string> kKeys = {
            "format",    "model",           "plugged",       "paced",      "version",
            "tables",    "presses",         "b2Result",      "fault",      "messages",
            "lastClock", "initialiseCount", "preambleCount", "lastRefusal"};
        for (const auto& item : doc_.items()) {
            if (!kKeys.contains(item.key()))
                return Fail("unknown key " + JsonSnippet(json(item.key())));
        }

        if (!doc_.contains("format"))
            return Fail("\"format\" is missing");
        if (!doc_["format"].is_number_integer() || doc_["format"].get<long long>() != kStateFormat)
            return Fail("\"format\" is " + JsonSnippet(doc_["format"]) +
                        ", only format 1 is known");
        if (!doc_.contains("model"))
            return Fail("\"model\" is missing");
        const json& model = doc_["model"];
        if (model == "px")
            state_.model = HostModel::PX;
        else if (model == "qx")
            state_.model = HostModel::QX;
        else
            return Fail("\"model\" is " + JsonSnippet(model) + " instead of \"px\" or \"qx\"");

        return ReadBool("plugged", state_.plugged) && ReadBool("paced", state_.paced) &&
               ReadText("version", std::string::npos, state_.version) &&
               ReadText("lastRefusal", kMaxReasonLength, state_.lastRefusal) && ReadTables() &&
               ReadPresses() && ReadMessages() && ReadFault() &&
               ReadHex("lastClock", state_.lastClock) &&
               ReadInteger("b2Result", 0, 0xFF,
                           [&](int v) { state_.b2Result = static_cast<std::uint8_t>(v); }) &&
               ReadInteger("initialiseCount", 0, kMaxCount,
                           [&](int v) { state_.initialiseCount = v; }) &&
               ReadInteger("preambleCount", 0, kMaxCount, [&](int v) { state_.preambleCount = v; });
    }

    const std::string& Error() const { return error_; }

private:
    bool Fail(std::string error)
    {
        error_ = std::move(error);
        return false;
    }

    bool ReadBool(const std::string& key, bool& value)
    {
        if (!doc_.contains(key))
            return true;
        if (!doc_[key].is_boolean())
            return Fail("\"" + key + "\" is not true or false");
        value = doc_[key].get<bool>();
        return true;
    }

    bool ReadText(const std::string& key, std::size_t maxLength, std::string& text)
    {
        if (!doc_.contains(key))
            return true;
        if (!doc_[key].is_string())
            return Fail("\"" + key + "\" is not a string");
        if (doc_[key].get_ref<const std::string&>().size() > maxLength)
            return Fail("\"" + key + "\" is longer than " + std::to_string(maxLength) + " bytes");
        text = doc_[key].get<std::string>();
        return true;
    }

    bool ParseHex(const json& value, const std::string& where, Bytes& bytes)
    {
        if (!value.is_string())
            return Fail(where + " is not a string of hexadecimal bytes");
        std::optional<Bytes> parsed = FromHex(value.get_ref<const std::string&>());
        if (!parsed)
            return Fail(where + " is not an even number of hexadecimal digits");
        bytes = std::move(*parsed);
        return true;
    }

    bool ReadHex(const std::string& key, Bytes& bytes)
    {
        return !doc_.contains(key) || ParseHex(doc_[key], "\"" + key + "\"", bytes);
    }

    bool ReadHexList(const std::string& key, std::size_t maxSize, auto&& add)
    {
        if (!doc_.contains(key))
            return true;
        if (!doc_[key].is_array())
            return Fail("\"" + key + "\" is not a list");
        for (std::size_t at = 0; at < doc_[key].size(); ++at) {
            const std::string where = "\"" + key + "\" entry " + std::to_string(at + 1);
            Bytes bytes;
            if (!ParseHex(doc_[key][at], where, bytes))
                return false;
            if (bytes.size() > maxSize)
                return Fail(where + " has " + std::to_string(bytes.size()) + " bytes, more than " +
                            std::to_string(maxSize));
            add(std::move(bytes));
        }
        return true;
    }

    bool ReadTables()
    {
        if (!doc_.contains("tables"))
            return true;
        if (!doc_["tables"].is_object())
            return Fail("\"tables\" is not an object");
        for (const auto& item : doc_["tables"].items()) {
            const std::string where = "\"tables\" key " + JsonSnippet(json(item.key()));
            const std::optional<Bytes> command = FromHex(item.key());
            if (!command || command->size() != 1 ||
                (!ReadBackCommandFor(command->front()) && command->front() != 0x64))
                return Fail(where + " is not a download command (63 to 6C)");
            Bytes bytes;
            if (!ParseHex(item.value(), where, bytes))
                return false;
            if (bytes.size() > kMaxTableSize)
                return Fail(where + " holds more bytes than a read-back can count");
            state_.tables[command->front()] = std::move(bytes);
        }
        return true;
    }

    bool ReadPresses()
    {
        state_.presses.clear();
        return ReadHexList("presses", kMaxAnswerPayload,
                           [&](Bytes bytes) { state_.presses.push_back(std::move(bytes)); });
    }

    bool ReadMessages()
    {
        state_.messages.clear();
        return ReadHexList("messages", kMaxAnswerPayload,
                           [&](Bytes bytes) { state_.messages.push_back(std::move(bytes)); });
    }

    bool ReadFault()
    {
        if (!doc_.contains("fault"))
            return true;
        const json& value = doc_["fault"];
        const std::optional<SimFault> fault =
            value.is_string() ? ParseSimFault(value.get<std::string>()) : std::nullopt;
        if (!fault)
            return Fail("\"fault\" is " + JsonSnippet(value) + ", not a known fault");
        state_.fault = *fault;
        return true;
    }

    bool ReadInteger(const std::string& key, long long low, long long high, auto&& set)
    {
        if (!doc_.contains(key))
            return true;
        const json& value = doc_[key];
        if (!value.is_number_integer() || value.get<long long>() < low ||
            value.get<long long>() > high)
            return Fail("\"" + key + "\" is " + JsonSnippet(value) + ", not a whole number from " +
                        std::to_string(low) + " to " + std::to_string(high));
        set(static_cast<int>(value.get<long long>()));
        return true;
    }

    const json& doc_;
    SimHostState& state_;
    std::string error_;
};

} // namespace

std::string FormatSimHostState(const SimHostState& state)
{
    json tables = json::object();
    for (const auto& [command, bytes] : state.tables)
        tables[HexString(std::array<std::uint8_t, 1>{command})] = HexString(bytes);
    json presses = json::array();
    for (const Bytes& press : state.presses)
        presses.push_back(HexString(press));
    json messages = json::array();
    for (const Bytes& message : state.messages)
        messages.push_back(HexString(message));

    const json doc{
        {"format", kStateFormat},
        {"model", state.model == HostModel::QX ? "qx" : "px"},
        {"plugged", state.plugged},
        {"paced", state.paced},
        {"version", state.version},
        {"tables", std::move(tables)},
        {"presses", std::move(presses)},
        {"b2Result", state.b2Result},
        {"fault", FormatSimFault(state.fault)},
        {"messages", std::move(messages)},
        {"lastClock", HexString(state.lastClock)},
        {"initialiseCount", state.initialiseCount},
        {"preambleCount", state.preambleCount},
        {"lastRefusal", state.lastRefusal},
    };
    // A version text that is not UTF-8 must not stop the save; JSON cannot hold it as it is.
    return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool ParseSimHostState(std::string_view text, SimHostState& state, std::string& error)
{
    const std::optional<json> doc = ParseBoundedJson(text, kStateLimits, error);
    if (!doc)
        return false;
    SimHostState read;
    StateReader reader(*doc, read);
    if (!reader.Read()) {
        error = reader.Error();
        return false;
    }
    state = std::move(read);
    return true;
}

} // namespace px
