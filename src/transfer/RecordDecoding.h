#pragma once

// Turning the tables a read-back leaves in a record file into the rows the read-back browser
// shows, and those rows back into the field values an import writes.

#include "hostlink/Ports.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace px {

// Which table a read-back brought: the browser's mode, numbered as the opener passes it.
enum class BrowserMode
{
    InfoMachines = 0, // 30-byte records, "RDevice.txt"
    Callers = 1,      // 100-byte records, "RCall.txt"
    Handhelds = 2,    // 6-byte records, "RSCCall.txt"
};

// One shown row: the cell texts in column order, UTF-8.
using BrowserRow = std::vector<std::string>;

struct BrowserColumn
{
    std::string title;
    std::optional<Rgb> background; // none: the list's own background
};

std::size_t RecordSize(BrowserMode mode);
// The record file's name in the data folder, without a folder ("RCall.txt").
const char* RecordFileName(BrowserMode mode);
const char* BrowserTitle(BrowserMode mode);
// What the table's rows are, as a notice names them ("呼叫器").
const char* TableTitle(BrowserMode mode);
// What the browser says when the read-back left no file.
const char* MissingFileMessage(BrowserMode mode);
std::vector<BrowserColumn> BrowserColumns(BrowserMode mode);

BrowserRow DecodeInfoMachineRecord(std::span<const std::uint8_t, 30> record);
BrowserRow DecodeCallerRecord(std::span<const std::uint8_t, 100> record);
// Nothing for a slot the host holds empty (code 0000 or FFFF).
std::optional<BrowserRow> DecodeHandheldRecord(std::span<const std::uint8_t, 6> record);

// Every whole record of the bytes, in order; a trailing part record is ignored.
std::vector<BrowserRow> DecodeRecords(BrowserMode mode, std::span<const std::uint8_t> bytes);

// The rows of a record file; nothing when the file cannot be read or the system cannot
// convert the texts of its rows.
std::optional<std::vector<BrowserRow>> ReadRecordFile(BrowserMode mode, const std::string& path);

// What an import writes for one shown row. Every function below answers nothing for a row
// that is not one the browser shows (too few cells, a number cell that is not a number).

struct InfoMachineImport // T_Device1
{
    int deviceNo = 0;
    std::string address;
    int typeNo = 0;
};

struct CallerImport // T_Device3
{
    std::string codeNo;
    int callNo = 0;
    std::string callName;
    std::string keyName;
    std::array<int, 8> deviceNo{-1, -1, -1, -1, -1, -1, -1, -1}; // DeviceNo1..8; -1 for none
    int zhuiHu = 0;
    int codeType = 0;
};

struct HandheldImport // T_Device2
{
    int deviceNo = 0;
    std::string address;
};

std::optional<InfoMachineImport> InfoMachineFromRow(const BrowserRow& row);
std::optional<CallerImport> CallerFromRow(const BrowserRow& row);
std::optional<HandheldImport> HandheldFromRow(const BrowserRow& row);

// The receiver type a shown type text stands for: 0 for any text it does not know.
int TypeNoFromText(const std::string& text);
// The stored escalation code of a shown escalation text: 2 for any text it does not know.
int ZhuiHuFromText(const std::string& text);

} // namespace px
