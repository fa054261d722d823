#pragma once

// The simulated host: the device side of the protocol, faithful to the byte layouts of the
// frames, transfers, records and answers. It is the peer of the tests, the command line and
// the demonstration mode. Its checks are written from the byte layouts alone and share no code
// with the tool's own frame building, so a fault in one cannot hide in the other.

#include "hostlink/HostLink.h"
#include "sim/SimHidBackend.h"
#include "sim/SimHostState.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace px {

// What the host accepts of one command: its transfer, sizes and record content.
struct SimCommandRule;

// The read-back command that returns what a download command stored (0x65 -> 0x84, ...).
std::optional<std::uint8_t> ReadBackCommandFor(std::uint8_t downloadCommand);
// The download command whose table a read-back command returns (0x84 -> 0x65, ...).
std::optional<std::uint8_t> DownloadCommandFor(std::uint8_t readBackCommand);

class SimHost final : public SimPeer
{
public:
    explicit SimHost(SimHostState state = {});

    // False when the write itself fails (fault fail-writes); a refused report is still written.
    bool OnOutputReport(const Report& report) override;
    bool NextInputReport(std::array<std::uint8_t, kReportDataSize>& data) override;
    bool NeedsPacing() const override { return state_.paced; }

    SimHostState& State() { return state_; }
    const SimHostState& State() const { return state_; }
    // Takes a state read elsewhere (another process changed the folder). A transfer in progress
    // and answers not yet read stay, unless the new state is unplugged; a refusal not yet saved
    // is kept.
    void ReplaceState(SimHostState state);

    // Every report that crossed the link, oldest first: "Write:" + 65 bytes as %02X for
    // reports sent to the host, "Read :" + 65 bytes for reports it sent, and a line
    // "Refused: <why>" after each report it refused.
    const std::vector<std::string>& Capture() const { return capture_; }
    // Returns the capture lines not taken before and forgets them.
    std::vector<std::string> TakeCapture();
    // Why reports were refused, oldest first.
    const std::vector<std::string>& Rejections() const { return rejections_; }

    // What the host changed of its own state since the owner last saved it: kStateChanged must
    // be saved at once; kRefused (only lastRefusal) may wait until a download ends.
    enum PendingChange : unsigned
    {
        kNoChange = 0,
        kStateChanged = 1,
        kRefused = 2,
    };
    unsigned PendingChanges() const { return changes_; }
    void ChangesSaved() { changes_ = kNoChange; }
    // A download is under way (its packets are kept in memory until the last one).
    bool InTransfer() const { return transfer_.has_value(); }

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

    // The state, to be changed now: marks it to be saved.
    SimHostState& StateToChange();
    void OnSingleCommand(std::uint8_t command, std::span<const std::uint8_t> payload);
    void OnNetworkFrame(const SimCommandRule& rule, std::span<const std::uint8_t> payload);
    void OnDownloadPacket(const SimCommandRule& rule, std::span<const std::uint8_t> payload);
    void FinishDownload(const SimCommandRule& rule);
    void OnReadBackRequest(std::uint8_t command);
    std::array<std::uint8_t, kReportDataSize> MakeAnswer(std::uint8_t command,
                                                         const Bytes& payload) const;
    // The answer to a single command or the acknowledgement of a download, as the armed
    // fault shapes it.
    std::array<std::uint8_t, kReportDataSize> MakeReply(std::uint8_t command,
                                                        const Bytes& payload) const;
    void AnswerSingle(std::uint8_t command, const Bytes& payload);
    void AnswerKeyRequest();
    void Queue(const std::array<std::uint8_t, kReportDataSize>& data);
    void Reject(std::string reason);
    void BreakTransfer(std::string reason);
    void PullPlug();

    SimHostState state_;
    std::optional<Transfer> transfer_;
    std::deque<Outgoing> outgoing_;
    // A key code request (0xD4) came while no press was queued: a press queued before the
    // next request is its answer.
    bool keyRequestWaiting_ = false;
    std::vector<std::string> capture_;
    std::size_t captureTaken_ = 0;
    std::vector<std::string> rejections_;
    unsigned changes_ = kNoChange;
    std::function<void()> unplug_;
};

} // namespace px
