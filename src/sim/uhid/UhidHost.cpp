#include "sim/uhid/UhidHost.h"

#include <algorithm>
#include <cstdio>

namespace px {

namespace {

std::string UsbIds(const HidDeviceInfo& info)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", info.vendorId, info.productId);
    return text;
}

} // namespace

UhidHost::UhidHost(SimHostSession& session, UhidDevice& device, Note note)
    : session_(session), device_(device), note_(std::move(note))
{
    session_.Backend().SetDeviceListener([this](bool added) {
        if (!added)
            ++removals_;
    });
}

UhidHost::~UhidHost()
{
    session_.Backend().SetDeviceListener({});
}

void UhidHost::Say(const std::string& text) const
{
    if (note_)
        note_(text);
}

bool UhidHost::Sync(std::string& error)
{
    const bool replugged = removals_ != removalsAtCreate_;
    if (device_.IsCreated() && (!session_.IsPlugged() || replugged)) {
        host_.reset();
        answering_ = false;
        if (!device_.Destroy(error))
            return false;
        Say("unplugged");
    }
    if (device_.IsCreated() || !session_.IsPlugged())
        return true;

    // The simulated backend lists the host as a hidapi enumeration would.
    for (const HidDeviceInfo& info : session_.Backend().Enumerate()) {
        const HostModel model = IdentifyHost(info.vendorId, info.productId);
        if (model == HostModel::None)
            continue;
        OpenError openError = OpenError::None;
        host_ = session_.Backend().Open(info.path, openError);
        if (!host_)
            continue;
        const UhidDeviceInfo description{
            model == HostModel::QX ? "QX host (simulated)" : "PX host (simulated)", 0x03,
            info.vendorId, info.productId, HostReportDescriptor()};
        removalsAtCreate_ = removals_;
        if (!device_.Create(description, error)) {
            host_.reset();
            return false;
        }
        Say("plugged in: " + description.name + ", USB " + UsbIds(info));
        return true;
    }
    return true;
}

bool UhidHost::OnReadable(std::string& error)
{
    while (auto event = device_.ReadEvent(error)) {
        switch (event->kind) {
        case UhidDevice::Event::Kind::Output:
            if (!OnOutput(event->data, error))
                return false;
            break;
        case UhidDevice::Event::Kind::RefusedRequest:
            Say("a feature or report request was refused: the host answers none");
            break;
        default:
            break;
        }
    }
    return error.empty();
}

bool UhidHost::OnOutput(const std::vector<std::uint8_t>& data, std::string& error)
{
    if (unplugAfter_ > 0 && --unplugAfter_ == 0) {
        Say("pulling the plug as asked (--unplug-after)");
        return Unplug(error);
    }
    if (!host_)
        return true;
    if (data.size() > kReportSize) {
        Say("an output report of " + std::to_string(data.size()) + " bytes, longer than " +
            std::to_string(kReportSize) + ", was dropped");
        return true;
    }
    // The report id comes first, as the program wrote it; a shorter report is padded.
    Report report{};
    std::copy(data.begin(), data.end(), report.begin());
    // A write a real device fails never reaches it, so a failed write (fault fail-writes, or
    // an unplug from another process) just loses the report here.
    host_->Write(report);
    answering_ = true;
    // The first answer goes at once; the rest at the endpoint's pace.
    return SendNextAnswer(error) && Sync(error);
}

bool UhidHost::SendNextAnswer(std::string& error, bool* looked)
{
    answering_ = false;
    if (looked != nullptr)
        *looked = false;
    if (!host_ || !device_.IsCreated())
        return true;
    std::array<std::uint8_t, kReportDataSize> data{};
    const int n = host_->Read(data, 0);
    if (looked != nullptr)
        *looked = n >= 0; // a host that is gone does not look at the folder
    if (n <= 0)
        return true; // nothing to send, or the host is gone: Sync sees to that
    answering_ = true;
    return device_.SendInput(std::span(data).first(static_cast<std::size_t>(n)), error);
}

bool UhidHost::Tick(std::string& error)
{
    // Reading from the host looks at the folder first.
    bool looked = false;
    if (!SendNextAnswer(error, &looked))
        return false;
    if (!looked) {
        std::string folderError;
        if (!session_.Refresh(folderError) && folderError != lastFolderError_)
            Say("simulated host: " + folderError);
        lastFolderError_ = folderError;
    }
    // A refusal met inside a download is saved when it ends, not packet by packet.
    if (!answering_ && !session_.Host().InTransfer()) {
        std::string saveError;
        if (!session_.Flush(saveError))
            Say("simulated host: " + saveError);
    }
    return Sync(error);
}

bool UhidHost::Unplug(std::string& error)
{
    std::string folderError;
    if (!session_.Unplug(folderError))
        Say("simulated host: " + folderError);
    return Sync(error);
}

bool UhidHost::Plug(std::string& error)
{
    std::string folderError;
    if (!session_.Plug(folderError))
        Say("simulated host: " + folderError);
    return Sync(error);
}

} // namespace px
