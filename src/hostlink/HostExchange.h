#pragma once

#include "common/Clock.h"
#include "common/Notices.h"
#include "hostlink/Frames.h"
#include "hostlink/HostLink.h"
#include "hostlink/Ports.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace px {

// The exchanges every host command is made of: one frame with its answer, a command with its
// payload, and the multi-packet download and read-back through record files.
//
// Only one command talks to the host at a time. A command takes the exchange with Begin();
// while it holds it (and waits with events dispatched), another command that asks is refused
// (with kBusyMessage) instead of sharing the report buffers.
//
// What goes wrong on the way (no host, a failed write, a bad answer, a refused file) is kept as
// notices: the command that ran the exchange takes them into its outcome.
class HostExchange
{
public:
    // Result of a single exchange.
    enum Result : int
    {
        kFailed = 0,
        kOk = 1,
        kOther = 2, // command 0xB2 only: the host answered neither accepted nor refused
    };

    static constexpr std::size_t kMaxRecordBytes = 3'000'000;
    static constexpr int kAnswerTimeoutMs = 1000;
    static constexpr int kLongAnswerTimeoutMs = 5000; // initialise (0x60) and key codes (0xD4)
    static constexpr int kAcknowledgeTimeoutMs = 5000;
    static constexpr int kFirstPacketPauseMs = 2000;
    static constexpr int kPacketPauseMs = 10;
    static constexpr int kReadBackPacketTimeoutMs = 200;
    static constexpr int kResultPauseMs = 1000;
    static constexpr int kWriteAttempts = 5;

    static constexpr const char* kBusyMessage = "主机正在通信，请等当前操作结束后再试！";

    HostExchange(HostLink& link, Clock& clock, DataMonitor& monitor, ProgressSink& progress,
                 std::string dataFolder);

    // Held by a command for as long as it talks to the host.
    class Lock
    {
    public:
        explicit Lock(HostExchange* owner) : owner_(owner) {}
        Lock(Lock&& other) noexcept : owner_(std::exchange(other.owner_, nullptr)) {}
        Lock& operator=(Lock&& other) noexcept
        {
            if (this != &other) {
                Release();
                owner_ = std::exchange(other.owner_, nullptr);
            }
            return *this;
        }
        ~Lock() { Release(); }

    private:
        void Release()
        {
            if (owner_ != nullptr)
                owner_->active_ = false;
            owner_ = nullptr;
        }
        HostExchange* owner_;
    };

    // Takes the exchange for a command; nothing (with kBusyMessage kept) while another holds it.
    std::optional<Lock> Begin();
    bool IsBusy() const { return active_; }

    // Sends one frame; with wait, waits for the answer to its command (answers to other
    // commands are skipped). The answer stays in the receive buffer.
    int SingleExchange(std::span<const std::uint8_t> frame, bool wait);
    // A command with its payload: as one frame (at most 58 bytes) or in packets.
    bool SendCommand(std::uint8_t command, std::span<const std::uint8_t> payload,
                     std::string_view caption, bool multiPacket);
    // The bytes of a record file (a firmware image, a remembered record), in packets.
    bool Download(std::uint8_t command, const std::string& recordFile, std::string_view caption);
    // Bytes built for this command, in packets.
    bool Download(std::uint8_t command, std::span<const std::uint8_t> data,
                  std::string_view caption);
    bool ReadBack(std::uint8_t command, const std::string& recordFile, std::string_view caption);

    // The record file of the given name in the data folder.
    std::string RecordFilePath(std::string_view name) const;
    // Reads a record file whole; on failure logs "无法打开 " + path and returns nothing.
    std::optional<Bytes> ReadRecordFile(const std::string& path);
    static bool WriteRecordFile(const std::string& path, std::span<const std::uint8_t> bytes);

    // Set by the progress window's Cancel; read and cleared by the transfers.
    void RequestCancel(int value) { cancelRequest_ = value; }
    int CancelRequest() const { return cancelRequest_; }

    // The last report read; answer payload byte k is at offset 6 + k.
    const Report& Answer() const { return link_.ReceiveBuffer(); }
    std::span<const std::uint8_t> AnswerPayload() const;

    HostLink& Link() { return link_; }
    Clock& GetClock() { return clock_; }
    // What the link and the exchanges since the last call have to tell (taken, so told once).
    Notices TakeNotices();
    // A command's outcome: what the exchange has to tell, then the command's own text (when
    // there is one).
    Outcome Conclude(bool ok, std::string text = {});
    DataMonitor& Monitor() { return monitor_; }
    ProgressSink& Progress() { return progress_; }
    const std::string& DataFolder() const { return dataFolder_; }

    // Waits with events dispatched in between (the window never freezes). A host that needs
    // no pacing (HostLink::HostNeedsPacing) is not waited for.
    void Pause(int ms);

private:
    // A command started from inside another's wait is refused (with kBusyMessage kept).
    bool RefuseNested();
    int Exchange(std::span<const std::uint8_t> frame, bool wait);
    bool RunDownload(std::uint8_t command, std::span<const std::uint8_t> data,
                     std::string_view caption);
    bool RunReadBack(std::uint8_t command, const std::string& recordFile, std::string_view caption);
    // Ends a read-back (with a message) when a packet before the last carries less than a
    // whole slot.
    bool RefuseShortPacket(std::string_view caption, int number, int count, std::size_t dataBytes);
    // Shows the result text, waits, closes the progress window.
    void FinishTransfer(std::string_view caption, std::string_view result);
    void ShowPacketProgress(std::string_view caption, int count, int number);
    bool TakeCancel();

    HostLink& link_;
    Clock& clock_;
    DataMonitor& monitor_;
    ProgressSink& progress_;
    std::string dataFolder_;
    Notices notices_;
    int cancelRequest_ = 0;
    bool active_ = false;
};

} // namespace px
