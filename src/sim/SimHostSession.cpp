#include "sim/SimHost.h"

#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace px {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kStateFormat = 1;
constexpr const char* kStateFile = "state.json";
constexpr const char* kCaptureFile = "capture.log";
constexpr std::size_t kMaxAnswerPayload = 58;
constexpr std::size_t kMaxTableSize = 0xFFFF * 54; // what N, two bytes, can count
constexpr long long kMaxCount = std::numeric_limits<int>::max();

std::string ToHex(const Bytes& bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<Bytes> FromHex(std::string_view text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    Bytes bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t at = 0; at < text.size(); at += 2) {
        const int high = HexDigit(text[at]);
        const int low = HexDigit(text[at + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return bytes;
}

std::uint16_t ProductIdFor(HostModel model)
{
    return model == HostModel::QX ? kQxProductId : kPxProductId;
}

json StateToJson(const SimHostState& state)
{
    json tables = json::object();
    for (const auto& [command, bytes] : state.tables)
        tables[ToHex(Bytes{command})] = ToHex(bytes);
    json presses = json::array();
    for (const Bytes& press : state.presses)
        presses.push_back(ToHex(press));
    json messages = json::array();
    for (const Bytes& message : state.messages)
        messages.push_back(ToHex(message));

    return json{
        {"format", kStateFormat},
        {"model", state.model == HostModel::QX ? "qx" : "px"},
        {"plugged", state.plugged},
        {"version", state.version},
        {"tables", std::move(tables)},
        {"presses", std::move(presses)},
        {"b2Result", state.b2Result},
        {"fault", FormatSimFault(state.fault)},
        {"messages", std::move(messages)},
        {"lastClock", ToHex(state.lastClock)},
        {"initialiseCount", state.initialiseCount},
        {"preambleCount", state.preambleCount},
    };
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
            "format",   "model", "plugged",  "version",   "tables",          "presses",
            "b2Result", "fault", "messages", "lastClock", "initialiseCount", "preambleCount"};
        for (const auto& item : doc_.items()) {
            if (!kKeys.contains(item.key()))
                return Fail("unknown key \"" + item.key() + "\"");
        }

        if (!doc_.contains("format"))
            return Fail("\"format\" is missing");
        if (!doc_["format"].is_number_integer() || doc_["format"].get<long long>() != kStateFormat)
            return Fail("\"format\" is " + doc_["format"].dump() + ", only format 1 is known");
        if (!doc_.contains("model"))
            return Fail("\"model\" is missing");
        const json& model = doc_["model"];
        if (model == "px")
            state_.model = HostModel::PX;
        else if (model == "qx")
            state_.model = HostModel::QX;
        else
            return Fail("\"model\" is " + model.dump() + " instead of \"px\" or \"qx\"");

        if (doc_.contains("plugged")) {
            if (!doc_["plugged"].is_boolean())
                return Fail("\"plugged\" is not true or false");
            state_.plugged = doc_["plugged"].get<bool>();
        }
        if (doc_.contains("version")) {
            if (!doc_["version"].is_string())
                return Fail("\"version\" is not a string");
            state_.version = doc_["version"].get<std::string>();
        }
        return ReadTables() && ReadPresses() && ReadMessages() && ReadFault() &&
               ReadHex("lastClock", state_.lastClock) &&
               ReadInteger("b2Result", 0, 0xFF, [&](int v) { state_.b2Result = v; }) &&
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

    bool ParseHex(const json& value, const std::string& where, Bytes& bytes)
    {
        if (!value.is_string())
            return Fail(where + " is not a string of hexadecimal bytes");
        std::optional<Bytes> parsed = FromHex(value.get<std::string>());
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
            const std::string where = "\"tables\" key \"" + item.key() + "\"";
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
            return Fail("\"fault\" is " + value.dump() + ", not a known fault");
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
            return Fail("\"" + key + "\" is " + value.dump() + ", not a whole number from " +
                        std::to_string(low) + " to " + std::to_string(high));
        set(static_cast<int>(value.get<long long>()));
        return true;
    }

    const json& doc_;
    SimHostState& state_;
    std::string error_;
};

bool LoadState(const fs::path& path, SimHostState& state, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path.string();
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    json doc;
    try {
        doc = json::parse(text.str());
    } catch (const json::exception& e) {
        // The parser's message gives the line and column of the fault.
        error = path.string() + ": not valid JSON (" + e.what() + ")";
        return false;
    }
    StateReader reader(doc, state);
    if (!reader.Read()) {
        error = path.string() + ": " + reader.Error();
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<SimHostSession> SimHostSession::Open(const std::string& dir, HostModel modelIfNew,
                                                     std::string& error)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir, ec)) {
        error = "cannot make the folder " + dir + (ec ? ": " + ec.message() : std::string());
        return nullptr;
    }

    SimHostState state;
    const fs::path statePath = fs::path(dir) / kStateFile;
    if (fs::exists(statePath, ec)) {
        if (!LoadState(statePath, state, error))
            return nullptr;
    } else {
        state.model = modelIfNew == HostModel::QX ? HostModel::QX : HostModel::PX;
    }
    // The constructor is private, so make_unique cannot reach it.
    return std::unique_ptr<SimHostSession>(new SimHostSession(dir, std::move(state)));
}

SimHostSession::SimHostSession(std::string dir, SimHostState state)
    : dir_(std::move(dir)), host_(std::move(state))
{
    host_.SetUnplugHandler([this] { backend_.RemoveDevice(deviceId_); });
    if (host_.State().plugged)
        Plug();
}

void SimHostSession::Plug()
{
    if (!IsPlugged())
        deviceId_ = backend_.AddDevice(kHostVendorId, ProductIdFor(host_.State().model), &host_);
    host_.State().plugged = true;
}

void SimHostSession::Unplug()
{
    backend_.RemoveDevice(deviceId_);
    host_.State().plugged = false;
}

bool SimHostSession::IsPlugged() const
{
    return deviceId_ != 0 && backend_.IsPresent(deviceId_);
}

bool SimHostSession::Save(std::string& error)
{
    const fs::path folder(dir_);
    const fs::path statePath = folder / kStateFile;
    const fs::path tempPath = folder / (std::string(kStateFile) + ".tmp");
    // A version text that is not UTF-8 must not stop the save; JSON cannot hold it as it is.
    const std::string text =
        StateToJson(host_.State()).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    {
        std::ofstream out(tempPath, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(tempPath, ignored);
            error = "cannot write " + tempPath.string();
            return false;
        }
    }
    // Renaming over the old file means a reader sees either the old state or the new one.
    std::error_code ec;
    fs::rename(tempPath, statePath, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(tempPath, ignored);
        error = "cannot replace " + statePath.string() + ": " + ec.message();
        return false;
    }

    const std::vector<std::string> lines = host_.TakeCapture();
    if (lines.empty())
        return true;
    const fs::path capturePath = folder / kCaptureFile;
    std::ofstream log(capturePath, std::ios::binary | std::ios::app);
    for (const std::string& line : lines)
        log << line << '\n';
    log.close();
    if (!log) {
        error = "cannot append to " + capturePath.string();
        return false;
    }
    return true;
}

} // namespace px
