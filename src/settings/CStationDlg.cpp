#include "settings/CStationDlg.h"

#include "settings/SettingsWidgets.h"

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

namespace {

QPushButton* Button(const char* text, int id)
{
    auto* button = WithId(new QPushButton(QString::fromUtf8(text)), id);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CStationDlg::CStationDlg(SettingsHost& host, Clock& clock, Prompter& prompter, QWidget* parent)
    : QDialog(parent), host_(host), clock_(clock), prompter_(prompter)
{
    setWindowTitle(QString::fromUtf8("基站设置"));

    networkOff_ = WithId(new QRadioButton(QString::fromUtf8("不使用网络功能")), 1035);
    networkOn_ = WithId(new QRadioButton(QString::fromUtf8("开启网络功能")), 1036);
    roleHost_ = WithId(new QRadioButton(QString::fromUtf8("网络主机")), 1033);
    roleSlave_ = WithId(new QRadioButton(QString::fromUtf8("网络从机")), 1034);
    auto* networkGroup = new QButtonGroup(this);
    networkGroup->addButton(networkOff_);
    networkGroup->addButton(networkOn_);
    auto* roleGroup = new QButtonGroup(this);
    roleGroup->addButton(roleHost_);
    roleGroup->addButton(roleSlave_);

    id_ = WithId(new QLineEdit, 1094);
    ip_ = WithId(new QLineEdit, 1090);
    port_ = WithId(new QLineEdit, 1096);
    mac_ = WithId(new QLineEdit, 1015);
    randomMac_ = Button("随机生成MAC地址", 4);
    mask_ = WithId(new QLineEdit, 1092);
    gateway_ = WithId(new QLineEdit, 1093);
    reconnect_ = WithId(new QLineEdit, 1017);
    validity_ = WithId(new QLineEdit, 1018);
    hostIp_ = WithId(new QLineEdit, 1091);
    hostPort_ = WithId(new QLineEdit, 1016);
    auto* write = Button("设定网络参数", 1054);
    auto* readBack = Button("回读网络参数", 1055);

    auto* switches = new QHBoxLayout;
    switches->addWidget(networkOff_);
    switches->addWidget(networkOn_);
    switches->addWidget(roleHost_);
    switches->addWidget(roleSlave_);

    auto* own = new QGroupBox(QString::fromUtf8("PX主机网络参数"));
    auto* ownForm = new QFormLayout(own);
    ownForm->addRow("ID", id_);
    ownForm->addRow(QString::fromUtf8("IP地址"), ip_);
    ownForm->addRow(QString::fromUtf8("端口"), port_);
    auto* macRow = new QHBoxLayout;
    macRow->addWidget(mac_);
    macRow->addWidget(randomMac_);
    ownForm->addRow(QString::fromUtf8("MAC地址"), macRow);
    ownForm->addRow(QString::fromUtf8("子网掩码"), mask_);
    ownForm->addRow(QString::fromUtf8("网关"), gateway_);
    ownForm->addRow(QString::fromUtf8("断网重连时间"), reconnect_);
    ownForm->addRow(QString::fromUtf8("数据有效期"), validity_);

    auto* networkHost = new QGroupBox(QString::fromUtf8("网络主机参数"));
    auto* hostForm = new QFormLayout(networkHost);
    hostForm->addRow(QString::fromUtf8("IP地址"), hostIp_);
    hostForm->addRow(QString::fromUtf8("端口"), hostPort_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(write);
    buttons->addWidget(readBack);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(switches);
    layout->addWidget(own);
    layout->addWidget(networkHost);
    layout->addLayout(buttons);

    connect(networkOff_, &QRadioButton::clicked, this, [this] { ApplyNetworkRule(false); });
    connect(networkOn_, &QRadioButton::clicked, this, [this] { ApplyNetworkRule(true); });
    connect(roleHost_, &QRadioButton::clicked, this,
            [this] { ApplyRoleRule(NetworkParams::kNetworkHost); });
    connect(roleSlave_, &QRadioButton::clicked, this,
            [this] { ApplyRoleRule(NetworkParams::kNetworkSlave); });
    connect(randomMac_, &QPushButton::clicked, this, &CStationDlg::OnRandomMac);
    connect(write, &QPushButton::clicked, this, &CStationDlg::OnWrite);
    connect(readBack, &QPushButton::clicked, this, &CStationDlg::OnReadBack);
}

void CStationDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // restored from minimised, not opened
    ShowValues();
    for (QWidget* field : std::initializer_list<QWidget*>{
             id_, ip_, port_, mac_, randomMac_, mask_, gateway_, reconnect_, validity_, roleHost_,
             roleSlave_, hostIp_, hostPort_})
        field->setEnabled(true);
    hostIp_->setEnabled(false);
    hostPort_->setEnabled(false);
}

void CStationDlg::keyPressEvent(QKeyEvent* event)
{
    // The dialog has no default button; Enter still closes it, keeping what it shows.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CStationDlg::ShowValues()
{
    networkOn_->setChecked(values_.enabled);
    networkOff_->setChecked(!values_.enabled);
    roleHost_->setChecked(values_.role == NetworkParams::kNetworkHost);
    roleSlave_->setChecked(values_.role != NetworkParams::kNetworkHost);
    id_->setText(QString::number(values_.id));
    ip_->setText(QString::fromStdString(FormatIp(values_.ip)));
    port_->setText(QString::number(values_.port));
    mac_->setText(QString::fromStdString(values_.mac));
    mask_->setText(QString::fromStdString(FormatIp(values_.mask)));
    gateway_->setText(QString::fromStdString(FormatIp(values_.gateway)));
    reconnect_->setText(QString::number(values_.reconnectSeconds));
    validity_->setText(QString::number(values_.validityMinutes));
    hostIp_->setText(QString::fromStdString(FormatIp(values_.hostIp)));
    hostPort_->setText(QString::number(values_.hostPort));
}

void CStationDlg::ApplyNetworkRule(bool on)
{
    for (QWidget* field : std::initializer_list<QWidget*>{id_, ip_, port_, mac_, randomMac_, mask_,
                                                          gateway_, reconnect_, validity_, hostIp_,
                                                          hostPort_, roleHost_, roleSlave_})
        field->setEnabled(on);
}

void CStationDlg::ApplyRoleRule(int role)
{
    for (QWidget* field : std::initializer_list<QWidget*>{id_, ip_, port_, mac_, randomMac_, mask_,
                                                          gateway_, reconnect_, validity_})
        field->setEnabled(true);
    hostIp_->setEnabled(role != NetworkParams::kNetworkHost);
    hostPort_->setEnabled(role != NetworkParams::kNetworkHost);
}

bool CStationDlg::TakeControls()
{
    NetworkParams p = values_;
    p.enabled = networkOn_->isChecked();
    p.role = roleSlave_->isChecked() ? NetworkParams::kNetworkSlave : NetworkParams::kNetworkHost;
    const bool numbers = TakeInteger(prompter_, id_, kNetworkIdRange, p.id) &&
                         TakeInteger(prompter_, port_, kPortRange, p.port) &&
                         TakeInteger(prompter_, reconnect_, kReconnectRange, p.reconnectSeconds) &&
                         TakeInteger(prompter_, validity_, kValidityRange, p.validityMinutes) &&
                         TakeInteger(prompter_, hostPort_, kPortRange, p.hostPort);
    if (!numbers)
        return false;
    const std::pair<QLineEdit*, IpAddress*> addresses[] = {
        {ip_, &p.ip}, {mask_, &p.mask}, {gateway_, &p.gateway}, {hostIp_, &p.hostIp}};
    for (const auto& [edit, address] : addresses) {
        const auto parsed = ParseIp(Utf8(edit->text()));
        if (!parsed) {
            prompter_.Message("请输入正确的IP地址！", {}, MessageIcon::Warning);
            edit->setFocus();
            return false;
        }
        *address = *parsed;
    }
    p.mac = NormaliseMac(Utf8(mac_->text()));
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

void CStationDlg::accept()
{
    if (TakeControls())
        QDialog::accept();
}

void CStationDlg::OnRandomMac()
{
    mac_->setText(QString::fromStdString(RandomMac(clock_.EpochSeconds())));
}

void CStationDlg::OnWrite()
{
    if (!TakeControls())
        return;
    host_.SendNetwork(BuildNetworkRecord(values_));
}

void CStationDlg::OnReadBack()
{
    const auto record = host_.ReadBackNetwork();
    if (!record)
        return;
    NetworkParams read = values_;
    if (!ApplyNetworkRecord(*record, read))
        return;
    if (!read.enabled) {
        values_.enabled = false;
        networkOff_->setChecked(true);
        ApplyNetworkRule(false);
        return;
    }
    values_ = read;
    ShowValues();
    ApplyNetworkRule(true);
    ApplyRoleRule(values_.role);
}

} // namespace px
