#pragma once

// The simulated host: the device side of the protocol, faithful to the byte layouts of the
// frames, transfers, records and answers. It is the peer of the tests, the command line and
// the demonstration mode. Its checks are written from the byte layouts alone and share no code
// with the tool's own frame building, so a fault in one cannot hide in the other.

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

// What the host accepts of one command: its transfer, sizes and record content (SimHost.cpp).
struct SimCommandRule;

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
        Nak,         // every command refused: 0xA5 instead of 0x5A, nothing carried out
        FailWrites,  // the next N writes fail
        WrongAck,    // a download's acknowledgement names another command
        // An answer for another command comes before a read-back's first packet.
        WrongFirstReadBack,
        // Answers to single commands and acknowledgements announce L payload bytes.
        AnswerLength,
    };
    Kind kind = Kind::None;
    int packet = 0; // the number the kind takes: K, N or L
};

// "none", "silent", "unplug-at:K", ... as listed by SimFaultHelp(); nothing for any other text.
std::optional<SimFault> ParseSimFault(std::string_view text);
std::string FormatSimFault(const SimFault& fault);

struct SimFaultHelpLine
{
    std::string_view usage;   // "unplug-at:K"
    std::string_view meaning; // one line
};
// Every fault with what it does, in the order the help lists them.
std::span<const SimFaultHelpLine> SimFaultHelp();

// The most payload bytes one answer frame carries.
inline constexpr std::size_t kMaxSimAnswerPayload = 58;

// A key press as the host answers it to a 0xD4 request: the status byte, then the code's
// bytes. The code is hexadecimal digits in pairs; the status "55" (a caller's key), "5A" or
// "66" (a handheld caller). Nothing, with the reason, for anything else.
std::optional<Bytes> MakeKeyPress(const std::string& codeHex, const std::string& status,
                                  std::string& error);

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
    // Why the host last refused a report; empty when it never has.
    std::string lastRefusal;
};

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
    enum Change : unsigned
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

    SimHostState& Change();
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

// The document of a host's state (DIR/state.json), and reading one back. The reader refuses a
// document over the size or nesting limits before parsing it, and names the first field that
// is wrong without repeating a long value.
std::string FormatSimHostState(const SimHostState& state);
bool ParseSimHostState(std::string_view text, SimHostState& state, std::string& error);

// A simulated host kept in a folder and shared live between processes: DIR/state.json holds
// its state (model, plugged, version, tables in hexadecimal, queued presses, armed fault, last
// refusal, ...), DIR/capture.log gets every capture line appended as it happens.
//
// The folder is the single truth. Every change is a read-modify-write under an exclusive lock
// on DIR/state.lock; the state is read again (when its file changed) before each report and
// each search for the host; state.json is replaced by writing a temporary file and renaming
// it, so a reader sees the old state or the new one, never half of one.
class SimHostSession
{
public:
    // Loads DIR/state.json, or starts a new host of the given model when there is none.
    // On a malformed state file returns nothing and puts the reason into error.
    static std::unique_ptr<SimHostSession> Open(const std::string& dir, HostModel modelIfNew,
                                                std::string& error);
    ~SimHostSession();
    // The backend and the host's unplug handler point into the session.
    SimHostSession(const SimHostSession&) = delete;
    SimHostSession& operator=(const SimHostSession&) = delete;

    SimHidBackend& Backend() { return backend_; }
    const SimHost& Host() const { return host_; }

    // Reads the folder again when another process changed it, and plugs or unplugs the device
    // to match. False with the reason when the state file cannot be read (the last good state
    // stays).
    bool Refresh(std::string& error);
    // Changes the host's state: the folder is locked, read again, changed and written.
    bool Modify(const std::function<void(SimHostState&)>& change, std::string& error);
    bool Plug(std::string& error);
    bool Unplug(std::string& error);
    bool IsPlugged() const;
    // DIR/capture.log: every report exchanged, one line each.
    std::string CaptureLogPath() const;

    // Saves what is still pending (a refusal met during a download) and reports a failure to
    // save the folder since the last call.
    bool Flush(std::string& error);

    // Called with each capture line as it is appended to capture.log.
    void SetCaptureListener(std::function<void(const std::string&)> listener)
    {
        captureListener_ = std::move(listener);
    }

private:
    class Folder;
    class Peer final : public SimPeer
    {
    public:
        explicit Peer(SimHostSession& session) : session_(session) {}
        bool OnOutputReport(const Report& report) override;
        bool NextInputReport(std::array<std::uint8_t, kReportDataSize>& data) override;

    private:
        SimHostSession& session_;
    };

    SimHostSession(std::unique_ptr<Folder> folder, SimHostState state);

    // Writes the state; the caller holds the folder's lock.
    bool Save(std::string& error);
    // After each report: the capture lines go out, and the state is saved when it must be.
    void AfterReport();
    void SyncDevice();
    void NoteError(const std::string& error);

    std::unique_ptr<Folder> folder_;
    SimHidBackend backend_;
    SimHost host_;
    Peer peer_{*this};
    int deviceId_ = 0;
    HostModel deviceModel_ = HostModel::None;
    bool unreadable_ = false; // the last reading of state.json failed
    std::string saveError_;
    std::function<void(const std::string&)> captureListener_;
};

} // namespace px
