#pragma once

// The simulated host: the device side of the protocol, faithful to the byte layouts of the
// frames, transfers and answers. It is the peer of the tests, the command line and the
// demonstration mode. Its checks are written from the byte layouts alone and share no code
// with the tool's own frame building.

#include "hostlink/HostLink.h"
#include "sim/SimHidBackend.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace px {

using Bytes = std::vector<std::uint8_t>;

struct SimFault
{
    enum class Kind
    {
        None,
        Silent,      // no answer at all, to anything
        BadChecksum, // every answer carries a wrong checksum
        StaleAnswer, // before every answer to a single command, one to another command
        UnplugAt,    // unplugged when download packet K arrives or read-back packet K is due
        ShortPacket, // read-back packet K carries fewer data bytes than it should
        LongPacket,  // read-back packet K announces L above 58
        SilentAfter, // read-back packets after K are never sent; downloads are not acknowledged
    };
    Kind kind = Kind::None;
    int packet = 0; // K, for the kinds that take one
};

// "none", "silent", "bad-checksum", "stale-answer", "unplug-at:K", "short-packet:K",
// "long-packet:K", "silent-after:K".
std::optional<SimFault> ParseSimFault(std::string_view text);
std::string FormatSimFault(const SimFault& fault);

struct SimHostState
{
    HostModel model = HostModel::PX;
    bool plugged = true;
    std::string version = "PX V1.0.1"; // bytes of the version answer, at most 15 are sent
    // What each download left, by download command (0x63..0x6C; 0x6A from its single frame).
    std::map<std::uint8_t, Bytes> tables;
    // Answers queued for command 0xD4, each the status byte then the code bytes.
    std::deque<Bytes> presses;
    std::uint8_t b2Result = 0x5A; // first answer byte to a 0xB2 message
    SimFault fault;
    // Received payloads of the single commands, newest last (0xB1/0xB2 messages, 0x62 clock).
    std::vector<Bytes> messages;
    Bytes lastClock;
    int initialiseCount = 0;
    int preambleCount = 0;
};

// The read-back command that returns what a download command stored (0x65 -> 0x84, ...).
std::optional<std::uint8_t> ReadBackCommandFor(std::uint8_t downloadCommand);
// The download command whose table a read-back command returns (0x84 -> 0x65, ...).
std::optional<std::uint8_t> DownloadCommandFor(std::uint8_t readBackCommand);

class SimHost final : public SimPeer
{
public:
    explicit SimHost(SimHostState state = {});

    void OnOutputReport(const Report& report) override;
    bool NextInputReport(std::array<std::uint8_t, kReportDataSize>& data) override;

    SimHostState& State() { return state_; }
    const SimHostState& State() const { return state_; }

    // Every report that crossed the link, oldest first: "Write:" + 65 bytes as %02X for
    // reports sent to the host, "Read :" + 65 bytes for reports it sent.
    const std::vector<std::string>& Capture() const { return capture_; }
    // Returns the capture lines not taken before and forgets them.
    std::vector<std::string> TakeCapture();
    // Why reports were refused (bad header, checksum, packet numbering, ...), oldest first.
    const std::vector<std::string>& Rejections() const { return rejections_; }

    // Called when an unplug-at fault fires; the owner unplugs the device.
    void SetUnplugHandler(std::function<void()> handler) { unplug_ = std::move(handler); }

private:
    struct Transfer
    {
        std::uint8_t command = 0;
        int count = 0;    // N
        int received = 0; // packets taken so far
        Bytes data;
        bool broken = false;
    };
    struct Outgoing
    {
        std::array<std::uint8_t, kReportDataSize> data{};
        bool unplug = false; // instead of a report: the plug is pulled when this one is due
    };

    void OnSingleCommand(std::uint8_t command, std::span<const std::uint8_t> payload);
    void OnDownloadPacket(std::uint8_t command, std::span<const std::uint8_t> payload);
    void OnReadBackRequest(std::uint8_t command);
    std::array<std::uint8_t, kReportDataSize> MakeAnswer(std::uint8_t command,
                                                         const Bytes& payload) const;
    void AnswerSingle(std::uint8_t command, const Bytes& payload);
    void Queue(const std::array<std::uint8_t, kReportDataSize>& data);
    void Reject(std::string reason);
    void BreakTransfer(std::string reason);
    void PullPlug();

    SimHostState state_;
    std::optional<Transfer> transfer_;
    std::deque<Outgoing> outgoing_;
    std::vector<std::string> capture_;
    std::size_t captureTaken_ = 0;
    std::vector<std::string> rejections_;
    std::function<void()> unplug_;
};

// A simulated host kept in a folder between runs: DIR/state.json holds its state (model,
// plugged, version, tables in hexadecimal, queued presses, armed fault, ...), DIR/capture.log
// gets the capture lines appended.
class SimHostSession
{
public:
    // Loads DIR/state.json, or starts a new host of the given model when there is none.
    // On a malformed state file returns nothing and puts the reason into error.
    static std::unique_ptr<SimHostSession> Open(const std::string& dir, HostModel modelIfNew,
                                                std::string& error);
    // The backend and the host's unplug handler point into the session.
    SimHostSession(const SimHostSession&) = delete;
    SimHostSession& operator=(const SimHostSession&) = delete;

    SimHidBackend& Backend() { return backend_; }
    SimHost& Host() { return host_; }
    void Plug();
    void Unplug();
    bool IsPlugged() const;

    // Writes state.json and appends the new capture lines to capture.log.
    bool Save(std::string& error);

private:
    SimHostSession(std::string dir, SimHostState state);

    std::string dir_;
    SimHidBackend backend_;
    SimHost host_;
    int deviceId_ = 0;
};

} // namespace px
