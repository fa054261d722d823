#include "gui/main/InfoMachinePanel.h"

#include "gui/widgets/ReportTableView.h"
#include "registry/InfoMachines.h"

#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>

namespace px {

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

InfoMachinePanel::InfoMachinePanel(const MainControls& controls, WindowContext& context,
                                   QObject* parent)
    : QObject(parent), context_(context),
      list_(controls.Get<ReportTableView>(MainControl::InfoMachineList)),
      pager_(controls.Get<QLineEdit>(MainControl::PagerNumberEdit)),
      address_(controls.Get<QLineEdit>(MainControl::AddressEdit)),
      remark_(controls.Get<QLineEdit>(MainControl::InfoMachineRemarkEdit)),
      type_(controls.Get<QComboBox>(MainControl::ReceiverTypeCombo)),
      advance_(controls.Get<QCheckBox>(MainControl::AdvanceAddressCheck)),
      save_(controls.Get<QPushButton>(MainControl::SaveInfoMachineButton)),
      delete_(controls.Get<QPushButton>(MainControl::DeleteInfoMachineButton)),
      handheldNumber_(controls.Get<QLineEdit>(MainControl::HandheldNumberEdit))
{
    list_->Model()->SetColumns({{"传呼号", 20}, {"地址码", 50}, {"类型", 50}, {"备注", 90}});
    // The classic widths cut the titles off; and a long remark is cut off with a tooltip rather
    // than pushing the list wider than its group.
    list_->SetLastColumnFills(true);
    list_->FitColumns();
    // Receiver types in their fixed order; entry 0 at start.
    type_->addItems({"BX-2", "LW2/LW1", "数字", "字符", "LW3"});
    type_->setCurrentIndex(0);
    pager_->setText("1");
    connect(save_, &QPushButton::clicked, this, &InfoMachinePanel::Save);
    connect(delete_, &QPushButton::clicked, this, &InfoMachinePanel::Delete);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &InfoMachinePanel::Select);
}

InfoMachineView InfoMachinePanel::Reload(const std::string& fileName)
{
    ReportTableModel& rows = *list_->Model();
    rows.Clear();
    if (!context_.workspace.Open())
        return {};
    InfoMachineView view = LoadInfoMachineView(context_.workspace.Db(), fileName);
    for (const InfoMachineListRow& row : view.rows)
        rows.AddRow(
            {QString::number(row.deviceNo), Q(row.address), Q(row.typeName), Q(row.remark)});
    list_->FitColumns();
    return view;
}

void InfoMachinePanel::EnableEditing(bool on)
{
    save_->setEnabled(on);
    delete_->setEnabled(on);
}

void InfoMachinePanel::Save()
{
    Workspace& workspace = context_.workspace;
    if (!workspace.Open())
        return;
    InfoMachineFields fields;
    fields.pagerText = pager_->text().toStdString();
    fields.handheldText = handheldNumber_->text().toStdString();
    fields.address = address_->text().toStdString();
    fields.remark = remark_->text().toStdString();
    fields.typeIndex = type_->currentIndex();
    fields.advanceAddress = advance_->isChecked();
    const InfoMachineSaveResult result = SaveInfoMachine(
        workspace.Db(), workspace.FileName(), workspace.Type(), context_.hostModel(), fields);
    result.notices.ShowWith(context_.prompter());
    if (!result.fieldsChanged)
        return;
    emit changed();
    pager_->setText(QString::number(result.pagerNumber));
    address_->setText(Q(result.address));
}

void InfoMachinePanel::Delete()
{
    Workspace& workspace = context_.workspace;
    if (!workspace.Open())
        return;
    const int row = list_->SelectedRow();
    DeleteInfoMachine(workspace.Db(), workspace.FileName(),
                      row >= 0 ? list_->Model()->Text(row, 0).toStdString() : std::string());
    emit changed();
    pager_->setText("0");
    address_->clear();
    remark_->clear();
}

void InfoMachinePanel::Select()
{
    const int row = list_->SelectedRow();
    if (row < 0)
        return;
    const ReportTableModel& rows = *list_->Model();
    pager_->setText(QString::number(rows.Text(row, 0).toInt()));
    address_->setText(rows.Text(row, 1));
    remark_->setText(rows.Text(row, 3));
    if (const auto index = ReceiverTypeIndex(rows.Text(row, 2).toStdString()))
        type_->setCurrentIndex(*index);
}

} // namespace px
