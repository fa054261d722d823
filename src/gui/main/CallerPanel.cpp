#include "gui/main/CallerPanel.h"

#include "gui/main/FeatureCodeEdit.h"
#include "gui/main/MenuBuilder.h"
#include "gui/widgets/CallerGridDelegate.h"
#include "gui/widgets/CallerGridView.h"
#include "registry/Callers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace px {

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CallerPanel::CallerPanel(const MainControls& controls, WindowContext& context, QObject* parent)
    : QObject(parent), context_(context),
      grid_(controls.Get<CallerGridView>(MainControl::CallerGrid)),
      manual_(controls.Get<QCheckBox>(MainControl::ManualModeCheck)),
      manualCode_(controls.Get<QLineEdit>(MainControl::ManualCodeEdit)),
      plusOne_(controls.Get<QCheckBox>(MainControl::PlusOneCheck)),
      type_(controls.Get<QComboBox>(MainControl::CallerTypeCombo)),
      runFrom_(controls.Get<QLineEdit>(MainControl::RunFromEdit)),
      runTo_(controls.Get<QLineEdit>(MainControl::RunToEdit)),
      register_(controls.Get<QPushButton>(MainControl::RegisterCallersButton)),
      number_(controls.Get<QLineEdit>(MainControl::CallerNumberEdit)),
      name_(controls.Get<QLineEdit>(MainControl::CallerNameEdit)),
      gridMenu_(new QMenu("RMenu", grid_))
{
    grid_->GridModel()->Reset();
    runFrom_->setText("1");
    runTo_->setText("1");
    KeepFeatureCodeDigits(manualCode_);
    connect(manual_, &QCheckBox::clicked, this, &CallerPanel::ToggleManual);
    connect(register_, &QPushButton::clicked, this, &CallerPanel::Register);

    auto* delegate = new CallerGridDelegate(
        [this] {
            QStringList options;
            for (const std::string& number : numbers_)
                options << Q(number);
            return options;
        },
        grid_);
    grid_->setItemDelegate(delegate);
    connect(delegate, &CallerGridDelegate::editBegun, this,
            [this](int row, int) { rememberedCode_ = grid_->GridModel()->Text(row, 0); });
    connect(grid_->GridModel(), &CallerGridModel::cellEdited, this, &CallerPanel::OnEdited);

    gridMenu_->setObjectName("callerGridMenu");
    AddMenuEntries(gridMenu_, CallerGridContextMenu(), gridActions_);
    connect(gridActions_[Command::DeleteCallerKey], &QAction::triggered, this,
            &CallerPanel::DeleteKey);
    connect(gridActions_[Command::DeleteCallerKeys], &QAction::triggered, this,
            &CallerPanel::DeleteKeys);
    // Refresh has no action.
    grid_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex index = grid_->indexAt(pos);
        if (!index.isValid())
            return;
        rememberedCode_ = grid_->GridModel()->Text(index.row(), 0);
        gridMenu_->popup(grid_->viewport()->mapToGlobal(pos));
    });
}

QAction* CallerPanel::GridAction(Command command) const
{
    const auto it = gridActions_.find(command);
    return it != gridActions_.end() ? it->second : nullptr;
}

void CallerPanel::Reload(const std::string& fileName)
{
    CallerGridModel* model = grid_->GridModel();
    model->Reset();
    if (context_.workspace.Open())
        model->SetRows(LoadCallerGridView(context_.workspace.Db(), fileName));
}

void CallerPanel::LoadKeyNames()
{
    keyNames_ = px::LoadKeyNames(context_.workspace.Db());
}

void CallerPanel::LoadCallerTypes()
{
    if (!context_.workspace.Open())
        return;
    callerTypes_ = px::LoadCallerTypes(context_.workspace.Db());
    type_->clear();
    for (const CallerType& type : callerTypes_)
        type_->addItem(Q(type.name));
    type_->setCurrentIndex(0);
}

void CallerPanel::EnableRegistration(bool on)
{
    register_->setEnabled(on);
    manualCode_->clear();
    for (QWidget* control : {static_cast<QWidget*>(manualCode_), static_cast<QWidget*>(runFrom_),
                             static_cast<QWidget*>(runTo_), static_cast<QWidget*>(plusOne_)})
        control->setEnabled(false);
    manual_->setChecked(false);
    plusOne_->setChecked(false);
}

void CallerPanel::OnEdited(int row, int column, const QString& text)
{
    Workspace& workspace = context_.workspace;
    if (!workspace.Open())
        return;
    const CellEditResult result = UpdateCallerCell(workspace.Db(), workspace.FileName(),
                                                   rememberedCode_, column, text.toStdString());
    if (result.restore)
        grid_->GridModel()->SetText(row, column, *result.restore);
    if (!result.refusal.empty())
        context_.prompter().Message(result.refusal);
}

void CallerPanel::DeleteKey()
{
    Workspace& workspace = context_.workspace;
    if (workspace.Open() &&
        context_.prompter().AskOkCancel(DeleteCallerKeyQuestion(rememberedCode_), "提示") &&
        DeleteCallerKey(workspace.Db(), workspace.FileName(), rememberedCode_))
        emit changed();
}

void CallerPanel::DeleteKeys()
{
    Workspace& workspace = context_.workspace;
    if (workspace.Open() &&
        context_.prompter().AskOkCancel(DeleteCallerKeysQuestion(rememberedCode_), "提示") &&
        DeleteCallerKeys(workspace.Db(), workspace.FileName(), rememberedCode_))
        emit changed();
}

void CallerPanel::ToggleManual()
{
    const bool manual = manual_->isChecked();
    register_->setText(manual ? "手动登记呼叫器" : "自动登记呼叫器");
    for (QWidget* control : {static_cast<QWidget*>(manualCode_), static_cast<QWidget*>(runFrom_),
                             static_cast<QWidget*>(runTo_), static_cast<QWidget*>(plusOne_)})
        control->setEnabled(manual);
    if (!manual)
        plusOne_->setChecked(false);
}

void CallerPanel::Register()
{
    Workspace& workspace = context_.workspace;
    RegistrationRequest request;
    request.types = callerTypes_;
    request.typePosition = type_->currentIndex();
    request.manual = manual_->isChecked();
    request.manualCode = manualCode_->text().toStdString();
    request.runFrom = runFrom_->text().toStdString();
    request.runTo = runTo_->text().toStdString();
    request.plusOne = plusOne_->isChecked();
    request.callerNumber = number_->text().toStdString();
    request.callerName = name_->text().toStdString();
    request.keyNames = keyNames_;
    request.numberList = numbers_;
    request.fileName = workspace.FileName();
    request.fileType = workspace.Type();
    request.hostModel = context_.hostModel();
    context_.runHostCommand([&] {
        if (!workspace.Open())
            return;
        const RegistrationResult result =
            RegisterCallers(workspace.Db(), request.manual ? nullptr : &context_.exchange, request);
        result.notices.ShowWith(context_.prompter());
        for (const CallerGridRow& row : result.added)
            grid_->GridModel()->InsertTop(row);
        manualCode_->setText(Q(result.manualCode));
        if (result.focusCode)
            manualCode_->setFocus();
    });
}

} // namespace px
