#include "paperwork/HostFacts.h"

#include "settings/MachineParams.h"
#include "settings/Maintenance.h"
#include "settings/SettingsHost.h"

namespace px {

namespace {

std::string OnOff(int value)
{
    return value != 0 ? "开" : "关";
}

template <std::size_t N> std::string NameAt(const std::array<const char*, N>& names, int index)
{
    return index >= 0 && index < static_cast<int>(N) ? names[static_cast<std::size_t>(index)]
                                                     : std::to_string(index);
}

} // namespace

Reading<HostFacts> ReadHostFacts(HostExchange& exchange, const Profile& profile)
{
    if (!exchange.Link().FindHost() || !exchange.SendCommand(kCmdVersion, {}, "", false))
        return {std::nullopt, exchange.TakeNotices()};
    const auto version = VersionText(exchange.AnswerPayload());
    if (!version)
        return {std::nullopt, exchange.TakeNotices()};
    Reading<HostFacts> reading{HostFacts{*version, {}}, exchange.TakeNotices()};
    HostFacts& facts = *reading.value;
    ExchangeSettingsHost host(exchange);
    const MachineParams remembered = LoadMachineParams(profile);
    const Reading<Bytes> machine = host.ReadBackParams(ParamReadBack::MachineParameters);
    reading.notices.Append(machine.notices);
    if (machine.value) {
        if (const auto p = DecodeMachineRecord(*machine.value, remembered)) {
            facts.settings = {
                {"房号开关", OnOff(p->room)},
                {"监控方式", NameAt(kMonitoringNames, p->monitoring)},
                {"监控接收机", std::to_string(p->receiver)},
                {"追呼", OnOff(p->escalation)},
                {"信息机追呼间隔（秒）", std::to_string(p->interval1)},
                {"信息机追呼次数", std::to_string(p->count1)},
                {"主管追呼间隔（秒）", std::to_string(p->interval2)},
                {"主管追呼次数", std::to_string(p->count2)},
                {"发射模式", NameAt(kTransmitModeNames, p->mode)},
            };
        }
    }
    const Reading<Bytes> frequencies = host.ReadBackParams(ParamReadBack::Frequencies);
    reading.notices.Append(frequencies.notices);
    if (frequencies.value) {
        if (const auto f = DecodeFrequencyRecord(*frequencies.value)) {
            facts.settings.emplace_back("发射频率（kHz）", std::to_string(f->tx));
            facts.settings.emplace_back("接收频率（kHz）", std::to_string(f->rx));
        }
    }
    return reading;
}

} // namespace px
