#include "transfer/RecordDecoding.h"

#include "common/Gbk.h"
#include "common/Utf8Path.h"
#include "transfer/TableDownload.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace px {

namespace {

// A read-back returns the records the downloads wrote.
constexpr std::size_t kInfoMachineSize = kInfoMachineRecordSize;
constexpr std::size_t kCallerSize = kCallerRecordSize;
constexpr std::size_t kHandheldSize = kHandheldRecordSize;

constexpr std::array<const char*, 5> kTypeNames = {"BX-2", "LW2/LW1", "num", "en", "LW3"};
constexpr std::array<const char*, 3> kEscalationTexts = {"不追呼", "追呼", "删除追呼"};

constexpr Rgb kYellow{254, 252, 201};
constexpr Rgb kGreen{210, 254, 205};
constexpr Rgb kCyan{209, 255, 254};
constexpr Rgb kPink{253, 226, 214};

std::string Hex(std::span<const std::uint8_t> bytes)
{
    std::string text;
    for (const std::uint8_t byte : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", byte);
        text += pair;
    }
    return text;
}

// A text field runs up to its 0xFF fill. A NUL ends it too: it cannot be part of a GBK text and
// would not survive the database. A name cut at the field's end inside a two-byte character
// leaves half of it, which no text can hold, so that half is dropped.
std::string FieldText(std::span<const std::uint8_t> field)
{
    std::size_t end = 0;
    while (end < field.size() && field[end] != 0xFF && field[end] != 0x00)
        ++end;
    const GbkBytes whole(field.begin(), field.begin() + static_cast<std::ptrdiff_t>(end));
    // Callers of the decoders make sure the system can convert (ReadRecordFile refuses to
    // decode otherwise), so an empty text here never stands for a real name.
    return FromGbk(CutGbk(whole, whole.size())).value_or(std::string());
}

std::string DeviceText(std::uint8_t low, std::uint8_t high)
{
    if (low == 0xFF && high == 0xFF)
        return {};
    return std::to_string(low + high * 256);
}

std::optional<int> Number(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

} // namespace

std::size_t RecordSize(BrowserMode mode)
{
    switch (mode) {
    case BrowserMode::InfoMachines:
        return kInfoMachineSize;
    case BrowserMode::Callers:
        return kCallerSize;
    case BrowserMode::Handhelds:
        return kHandheldSize;
    }
    return kInfoMachineSize;
}

const char* RecordFileName(BrowserMode mode)
{
    switch (mode) {
    case BrowserMode::InfoMachines:
        return "RDevice.txt";
    case BrowserMode::Callers:
        return "RCall.txt";
    case BrowserMode::Handhelds:
        return "RSCCall.txt";
    }
    return "";
}

const char* TableTitle(BrowserMode mode)
{
    switch (mode) {
    case BrowserMode::InfoMachines:
        return "信息机";
    case BrowserMode::Callers:
        return "呼叫器";
    case BrowserMode::Handhelds:
        return "手持呼叫器";
    }
    return "";
}

const char* BrowserTitle(BrowserMode mode)
{
    switch (mode) {
    case BrowserMode::InfoMachines:
        return "回读数据浏览------信息机参数";
    case BrowserMode::Callers:
        return "回读数据浏览------呼叫器参数";
    case BrowserMode::Handhelds:
        return "回读数据浏览------手持呼叫器参数";
    }
    return "回读数据浏览";
}

const char* MissingFileMessage(BrowserMode mode)
{
    // The three texts differ in more than the file name; users know them as they are.
    switch (mode) {
    case BrowserMode::InfoMachines:
        return "无法找到回读RDevice.txt文件！";
    case BrowserMode::Callers:
        return "无法找到回读文件RCall.txt文件！";
    case BrowserMode::Handhelds:
        return "无法找到回读文件RSCCall.txt文件！";
    }
    return "";
}

std::vector<BrowserColumn> BrowserColumns(BrowserMode mode)
{
    switch (mode) {
    case BrowserMode::InfoMachines:
        return {{"设备编号", kYellow}, {"设备地址", kGreen}, {"设备类型", std::nullopt}};
    case BrowserMode::Callers:
        return {{"机器类型", kYellow}, {"特征码", kGreen},    {"呼叫器号", kCyan},
                {"中文名称", kYellow}, {"信息内容", kYellow}, {"信息机1", kGreen},
                {"信息机2", kGreen},   {"信息机3", kGreen},   {"信息机4", kGreen},
                {"中级主管1", kCyan},  {"中级主管2", kCyan},  {"高级主管1", kPink},
                {"高级主管2", kPink},  {"追呼类型", kYellow}};
    case BrowserMode::Handhelds:
        return {{"设备编号", std::nullopt}, {"设备地址", std::nullopt}};
    }
    return {};
}

BrowserRow DecodeInfoMachineRecord(std::span<const std::uint8_t, 30> r)
{
    const int pager = r[0] * 256 + r[1];
    const long address = (static_cast<long>(r[8]) << 16) | (r[9] << 8) | r[10];
    const int type = r[3] & 0x07;
    // Our own downloads carry codes 0 to 4 only; show any other code as its number rather than
    // pretend it is a known receiver.
    std::string typeText = type < static_cast<int>(kTypeNames.size())
                               ? kTypeNames[static_cast<std::size_t>(type)]
                               : std::to_string(type);
    return {std::to_string(pager), std::to_string(address), std::move(typeText)};
}

BrowserRow DecodeCallerRecord(std::span<const std::uint8_t, 100> r)
{
    const bool shortCode = r[0] == 0x55;
    BrowserRow row;
    row.reserve(14);
    row.push_back(shortCode ? "0" : "1");
    row.push_back(Hex(r.subspan(1, shortCode ? 3 : 6)));
    row.push_back(std::to_string(r[8] + r[9] * 256));
    row.push_back(FieldText(r.subspan(10, 10)));
    row.push_back(FieldText(r.subspan(20, 48)));
    for (std::size_t k = 0; k < 8; ++k)
        row.push_back(DeviceText(r[68 + 2 * k], r[69 + 2 * k]));
    row.push_back(kEscalationTexts[r[84] < 2 ? r[84] : 2]);
    return row;
}

std::optional<BrowserRow> DecodeHandheldRecord(std::span<const std::uint8_t, 6> r)
{
    if ((r[1] == 0x00 && r[2] == 0x00) || (r[1] == 0xFF && r[2] == 0xFF))
        return std::nullopt;
    return BrowserRow{std::to_string(r[0]), Hex(r.subspan(1, 2))};
}

std::vector<BrowserRow> DecodeRecords(BrowserMode mode, std::span<const std::uint8_t> bytes)
{
    const std::size_t size = RecordSize(mode);
    std::vector<BrowserRow> rows;
    for (std::size_t at = 0; at + size <= bytes.size(); at += size) {
        const auto record = bytes.subspan(at, size);
        switch (mode) {
        case BrowserMode::InfoMachines:
            rows.push_back(DecodeInfoMachineRecord(record.first<kInfoMachineSize>()));
            break;
        case BrowserMode::Callers:
            rows.push_back(DecodeCallerRecord(record.first<kCallerSize>()));
            break;
        case BrowserMode::Handhelds:
            if (auto row = DecodeHandheldRecord(record.first<kHandheldSize>()))
                rows.push_back(std::move(*row));
            break;
        }
    }
    return rows;
}

std::optional<std::vector<BrowserRow>> ReadRecordFile(BrowserMode mode, const std::string& path)
{
    if (!GbkAvailable())
        return std::nullopt;
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    if (!file)
        return std::nullopt;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    if (file.bad())
        return std::nullopt;
    return DecodeRecords(mode, bytes);
}

int TypeNoFromText(const std::string& text)
{
    // "BX-2" is code 0 like any unknown text, so the search starts at 1.
    for (std::size_t i = 1; i < kTypeNames.size(); ++i) {
        if (text == kTypeNames[i])
            return static_cast<int>(i);
    }
    return 0;
}

int ZhuiHuFromText(const std::string& text)
{
    if (text == kEscalationTexts[0])
        return 0;
    if (text == kEscalationTexts[1])
        return 1;
    return 2;
}

std::optional<InfoMachineImport> InfoMachineFromRow(const BrowserRow& row)
{
    if (row.size() < 3)
        return std::nullopt;
    const std::optional<int> deviceNo = Number(row[0]);
    if (!deviceNo)
        return std::nullopt;
    return InfoMachineImport{*deviceNo, row[1], TypeNoFromText(row[2])};
}

std::optional<CallerImport> CallerFromRow(const BrowserRow& row)
{
    if (row.size() < 14)
        return std::nullopt;
    const std::optional<int> codeType = Number(row[0]);
    const std::optional<int> callNo = Number(row[2]);
    if (!codeType || !callNo)
        return std::nullopt;
    CallerImport caller;
    caller.codeType = *codeType;
    caller.codeNo = row[1];
    caller.callNo = *callNo;
    caller.callName = row[3];
    caller.keyName = row[4];
    for (std::size_t k = 0; k < caller.deviceNo.size(); ++k) {
        const std::string& cell = row[5 + k];
        if (cell.empty())
            continue; // stays -1: no information machine
        const std::optional<int> device = Number(cell);
        if (!device)
            return std::nullopt;
        caller.deviceNo[k] = *device;
    }
    caller.zhuiHu = ZhuiHuFromText(row[13]);
    return caller;
}

std::optional<HandheldImport> HandheldFromRow(const BrowserRow& row)
{
    if (row.size() < 2)
        return std::nullopt;
    const std::optional<int> deviceNo = Number(row[0]);
    if (!deviceNo)
        return std::nullopt;
    return HandheldImport{*deviceNo, row[1]};
}

} // namespace px
