#include "gui/main/HandheldPanel.h"

#include "common/Random.h"
#include "gui/main/FeatureCodeEdit.h"
#include "gui/widgets/ReportTableView.h"
#include "registry/Handhelds.h"

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>

namespace px {

HandheldPanel::HandheldPanel(const MainControls& controls, WindowContext& context, QObject* parent)
    : QObject(parent), context_(context),
      list_(controls.Get<ReportTableView>(MainControl::HandheldList)),
      number_(controls.Get<QLineEdit>(MainControl::HandheldNumberEdit)),
      code_(controls.Get<QLineEdit>(MainControl::HandheldCodeEdit)),
      remark_(controls.Get<QLineEdit>(MainControl::HandheldRemarkEdit)),
      madeUp_(controls.Get<QCheckBox>(MainControl::MadeUpCodeCheck)),
      save_(controls.Get<QPushButton>(MainControl::SaveHandheldButton)),
      delete_(controls.Get<QPushButton>(MainControl::DeleteHandheldButton)),
      pagerNumber_(controls.Get<QLineEdit>(MainControl::PagerNumberEdit))
{
    list_->Model()->SetColumns({{"编号", 80}, {"地址码", 60}, {"备注", 70}});
    // The classic widths need a scroll bar even on an empty list; and a long remark is cut off
    // with a tooltip rather than pushing the list wider than its group.
    list_->SetLastColumnFills(true);
    list_->FitColumns();
    number_->setText("1");
    connect(save_, &QPushButton::clicked, this, &HandheldPanel::Save);
    connect(delete_, &QPushButton::clicked, this, &HandheldPanel::Delete);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HandheldPanel::Select);
    connect(madeUp_, &QCheckBox::clicked, this, &HandheldPanel::PutMadeUpCode);
    KeepFeatureCodeDigits(code_);
}

std::uint32_t HandheldPanel::TimeSeed() const
{
    return static_cast<std::uint32_t>(context_.services.clock.EpochSeconds());
}

void HandheldPanel::PutMadeUpCode()
{
    Lcg random(TimeSeed());
    code_->setText(QString::fromStdString(RandomFeatureCode(random)));
}

void HandheldPanel::Reload(const std::string& fileName)
{
    ReportTableModel& rows = *list_->Model();
    rows.Clear();
    if (!context_.workspace.Open())
        return;
    for (const HandheldListRow& row : LoadHandheldView(context_.workspace.Db(), fileName))
        rows.AddRow({QString::number(row.deviceNo), QString::fromStdString(row.address),
                     QString::fromStdString(row.remark)});
    list_->FitColumns();
}

void HandheldPanel::EnableEditing(bool on)
{
    save_->setEnabled(on);
    delete_->setEnabled(on);
}

void HandheldPanel::Save()
{
    HandheldFields fields;
    fields.pagerText = pagerNumber_->text().toStdString();
    fields.numberText = number_->text().toStdString();
    fields.featureCode = code_->text().toStdString();
    fields.remark = remark_->text().toStdString();
    fields.madeUpCode = madeUp_->isChecked();
    context_.runHostCommand([&] {
        Workspace& workspace = context_.workspace;
        if (!workspace.Open())
            return;
        Lcg random(TimeSeed());
        const HandheldSaveResult result =
            SaveHandheld(workspace.Db(), &context_.exchange, random, workspace.FileName(),
                         workspace.Type(), context_.hostModel(), fields);
        result.notices.ShowWith(context_.prompter());
        if (result.stored || result.fieldsChanged)
            emit changed();
        if (result.fieldsChanged) {
            number_->setText(QString::number(result.number));
            code_->setText(QString::fromStdString(result.featureCode));
        }
    });
}

void HandheldPanel::Delete()
{
    Workspace& workspace = context_.workspace;
    if (!workspace.Open())
        return;
    const int row = list_->SelectedRow();
    DeleteHandheld(workspace.Db(), workspace.FileName(),
                   row >= 0 ? list_->Model()->Text(row, 0).toStdString() : std::string());
    emit changed();
    number_->setText("0");
    code_->clear();
    remark_->clear();
}

void HandheldPanel::Select()
{
    const int row = list_->SelectedRow();
    if (row < 0)
        return;
    const ReportTableModel& rows = *list_->Model();
    number_->setText(QString::number(rows.Text(row, 0).toInt()));
    code_->setText(rows.Text(row, 1));
    remark_->setText(rows.Text(row, 2));
}

} // namespace px
