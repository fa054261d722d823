#pragma once

// The simulated host of a folder, shown to the kernel as a real USB HID device: output reports
// that programs write to its hidraw node go to the same host that `--host sim:DIR` reaches
// (same state.json, capture.log and faults), and its answers come back as input reports. The
// kernel device follows the folder's plug: `pxctl sim unplug` removes it, `sim plug` makes it
// anew, so a program that watches for hotplug sees a real one.

#include "sim/SimHostSession.h"
#include "sim/uhid/UhidDevice.h"

#include <functional>
#include <memory>
#include <string>

namespace px {

class UhidHost
{
public:
    // One input report per millisecond at most, as a full-speed interrupt endpoint sends
    // them: the kernel keeps only 64 unread reports per reader, so a read-back of thousands of
    // packets must not arrive at once.
    static constexpr int kAnswerIntervalMs = 1;
    // How often the folder is looked at while nothing is being answered (plug, key presses).
    static constexpr int kIdleIntervalMs = 50;

    using Note = std::function<void(const std::string&)>;

    // The session and the device must outlive this object. Notes are one-line descriptions
    // of what happens to the device (plugged in, unplugged, a request refused).
    UhidHost(SimHostSession& session, UhidDevice& device, Note note = {});
    ~UhidHost();
    UhidHost(const UhidHost&) = delete;
    UhidHost& operator=(const UhidHost&) = delete;

    // Brings the kernel device in line with the host: made while it is plugged in, removed
    // while it is not, and made anew after an unplug and plug (or a change of model) that
    // came between two looks.
    bool Sync(std::string& error);
    // Handles every event the kernel has for the device.
    bool OnReadable(std::string& error);
    // Looks at the folder again and sends the next answer the host has, if any.
    bool Tick(std::string& error);
    // Milliseconds until the next tick is due: short while answers may be waiting.
    int TickIntervalMs() const { return answering_ ? kAnswerIntervalMs : kIdleIntervalMs; }

    // Pulls the plug or plugs in through the folder, as `pxctl sim unplug|plug` does, so
    // every process that shares the folder agrees.
    bool Unplug(std::string& error);
    bool Plug(std::string& error);
    // The plug is pulled when the n-th output report from now arrives; that report is lost,
    // as it would be on a real unplug. 0 never.
    void UnplugAfter(int reports) { unplugAfter_ = reports; }

private:
    bool OnOutput(const std::vector<std::uint8_t>& data, std::string& error);
    // looked: whether the host looked at the folder (it does not once it is gone).
    bool SendNextAnswer(std::string& error, bool* looked = nullptr);
    void Say(const std::string& text) const;

    SimHostSession& session_;
    UhidDevice& device_;
    Note note_;
    std::unique_ptr<HidDevice> host_; // the host as the simulated backend opens it
    int removals_ = 0;                // unplugs seen by the simulated backend
    int removalsAtCreate_ = 0;
    bool answering_ = false;
    int unplugAfter_ = 0;
    std::string lastFolderError_;
};

} // namespace px
