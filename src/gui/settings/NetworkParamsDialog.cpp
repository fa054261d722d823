#include "gui/settings/NetworkParamsDialog.h"

#include "gui/widgets/TabOrder.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace px {

NetworkParamsDialog::NetworkParamsDialog(SettingsHost& host, Clock& clock, Prompter& prompter,
                                         QWidget* parent)
    : QDialog(parent), host_(host), clock_(clock), prompter_(prompter)
{
    setWindowTitle(QText("基站设置"));

    networkOff_ = WithId(new QRadioButton(QText("不使用网络功能")), 1035);
    networkOn_ = WithId(new QRadioButton(QText("开启网络功能")), 1036);
    roleHost_ = WithId(new QRadioButton(QText("网络主机")), 1033);
    roleSlave_ = WithId(new QRadioButton(QText("网络从机")), 1034);
    auto* networkGroup = new QButtonGroup(this);
    networkGroup->addButton(networkOff_);
    networkGroup->addButton(networkOn_);
    auto* roleGroup = new QButtonGroup(this);
    roleGroup->addButton(roleHost_);
    roleGroup->addButton(roleSlave_);

    // Tied in the order the fields are taken: the numbers, then the addresses, the MAC last.
    using N = NetworkParams;
    fields_.Radios({networkOff_, networkOn_}, &N::enabled);
    fields_.Radios({roleHost_, roleSlave_}, &N::role);
    id_ = fields_.Edit(new QLineEdit, 1094, &N::id);
    port_ = fields_.Edit(new QLineEdit, 1096, &N::port);
    reconnect_ = fields_.Edit(new QLineEdit, 1017, &N::reconnectSeconds);
    validity_ = fields_.Edit(new QLineEdit, 1018, &N::validityMinutes);
    hostPort_ = fields_.Edit(new QLineEdit, 1016, &N::hostPort);
    ip_ = fields_.Edit(new QLineEdit, 1090, &N::ip);
    mask_ = fields_.Edit(new QLineEdit, 1092, &N::mask);
    gateway_ = fields_.Edit(new QLineEdit, 1093, &N::gateway);
    hostIp_ = fields_.Edit(new QLineEdit, 1091, &N::hostIp);
    mac_ = fields_.Edit(new QLineEdit, 1015, &N::mac);
    randomMac_ = DialogButton("随机生成MAC地址", 4, this, &NetworkParamsDialog::OnRandomMac);

    auto* switches = new QHBoxLayout;
    switches->addWidget(networkOff_);
    switches->addWidget(networkOn_);
    switches->addWidget(roleHost_);
    switches->addWidget(roleSlave_);

    auto* own = new QGroupBox(QText("PX主机网络参数"));
    auto* ownForm = new QFormLayout(own);
    ownForm->addRow("ID", id_);
    ownForm->addRow(QText("IP地址"), ip_);
    ownForm->addRow(QText("端口"), port_);
    auto* macRow = new QHBoxLayout;
    macRow->addWidget(mac_);
    macRow->addWidget(randomMac_);
    ownForm->addRow(QText("MAC地址"), macRow);
    ownForm->addRow(QText("子网掩码"), mask_);
    ownForm->addRow(QText("网关"), gateway_);
    ownForm->addRow(QText("断网重连时间"), reconnect_);
    ownForm->addRow(QText("数据有效期"), validity_);

    auto* networkHost = new QGroupBox(QText("网络主机参数"));
    auto* hostForm = new QFormLayout(networkHost);
    hostForm->addRow(QText("IP地址"), hostIp_);
    hostForm->addRow(QText("端口"), hostPort_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(switches);
    layout->addWidget(own);
    layout->addWidget(networkHost);
    layout->addLayout(
        ButtonRow({DialogButton("设定网络参数", 1054, this, &NetworkParamsDialog::OnWrite),
                   DialogButton("回读网络参数", 1055, this, &NetworkParamsDialog::OnReadBack)}));

    connect(networkOff_, &QRadioButton::clicked, this, [this] { ApplyNetworkRule(false); });
    connect(networkOn_, &QRadioButton::clicked, this, [this] { ApplyNetworkRule(true); });
    connect(roleHost_, &QRadioButton::clicked, this,
            [this] { ApplyRoleRule(NetworkParams::kNetworkHost); });
    connect(roleSlave_, &QRadioButton::clicked, this,
            [this] { ApplyRoleRule(NetworkParams::kNetworkSlave); });
    OrderTabsByPlace(this);
}

void NetworkParamsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // restored from minimised, not opened
    fields_.Show(values_);
    for (QWidget* field : std::initializer_list<QWidget*>{
             id_, ip_, port_, mac_, randomMac_, mask_, gateway_, reconnect_, validity_, roleHost_,
             roleSlave_, hostIp_, hostPort_})
        field->setEnabled(true);
    hostIp_->setEnabled(false);
    hostPort_->setEnabled(false);
}

void NetworkParamsDialog::keyPressEvent(QKeyEvent* event)
{
    // The dialog has no default button; Enter still closes it, keeping what it shows.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void NetworkParamsDialog::ApplyNetworkRule(bool on)
{
    for (QWidget* field : std::initializer_list<QWidget*>{id_, ip_, port_, mac_, randomMac_, mask_,
                                                          gateway_, reconnect_, validity_, hostIp_,
                                                          hostPort_, roleHost_, roleSlave_})
        field->setEnabled(on);
}

void NetworkParamsDialog::ApplyRoleRule(int role)
{
    for (QWidget* field : std::initializer_list<QWidget*>{id_, ip_, port_, mac_, randomMac_, mask_,
                                                          gateway_, reconnect_, validity_})
        field->setEnabled(true);
    hostIp_->setEnabled(role != NetworkParams::kNetworkHost);
    hostPort_->setEnabled(role != NetworkParams::kNetworkHost);
}

bool NetworkParamsDialog::TakeControls()
{
    NetworkParams p = values_;
    if (!fields_.Take(prompter_, p))
        return false;
    p.mac = NormaliseMac(p.mac);
    const std::string prompt = CheckNetworkParams(p);
    if (!prompt.empty()) {
        prompter_.Message(prompt, {}, MessageIcon::Warning);
        mac_->setFocus();
        return false;
    }
    values_ = p;
    mac_->setText(QString::fromStdString(values_.mac));
    return true;
}

void NetworkParamsDialog::accept()
{
    if (TakeControls())
        QDialog::accept();
}

void NetworkParamsDialog::OnRandomMac()
{
    mac_->setText(QString::fromStdString(RandomMac(clock_.EpochSeconds())));
}

void NetworkParamsDialog::OnWrite()
{
    if (!TakeControls())
        return;
    host_.SendNetwork(BuildNetworkRecord(values_)).notices.ShowWith(prompter_);
}

void NetworkParamsDialog::OnReadBack()
{
    const Reading<Bytes> record = host_.ReadBackNetwork();
    record.notices.ShowWith(prompter_);
    if (!record.value)
        return;
    NetworkParams read = values_;
    if (!ApplyNetworkRecord(*record.value, read))
        return;
    if (!read.enabled) {
        values_.enabled = false;
        networkOff_->setChecked(true);
        ApplyNetworkRule(false);
        return;
    }
    values_ = read;
    fields_.Show(values_);
    ApplyNetworkRule(true);
    ApplyRoleRule(values_.role);
}

} // namespace px
