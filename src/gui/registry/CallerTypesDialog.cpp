#include "gui/registry/CallerTypesDialog.h"

#include "gui/widgets/ReportTableView.h"
#include "gui/widgets/TabOrder.h"
#include "registry/CallerTypes.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

namespace {

QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

CallerTypesDialog::CallerTypesDialog(Database& db, Prompter& prompter, QWidget* parent)
    : QDialog(parent), database_(db), prompter_(prompter), list_(new ReportTableView(this)),
      name_(new QLineEdit(this)), keyCount_(new QComboBox(this)),
      add_(new QPushButton(Q("添加"), this)), delete_(new QPushButton(Q("删除"), this)),
      exit_(new QPushButton(Q("退出"), this))
{
    setObjectName("CallerTypesDialog");
    setWindowTitle(Q("呼叫器类型表"));
    list_->setObjectName("id1000");
    list_->Model()->SetColumns(
        {{Q("呼叫器类型名称"), 120}, {Q("键值个数"), 70}, {Q("键值类型"), 70}});
    list_->setMinimumSize(300, 220);
    name_->setObjectName("id1010");
    keyCount_->setObjectName("id1018");
    for (int n = 1; n <= 5; ++n)
        keyCount_->addItem(QString::number(n));
    add_->setObjectName("id1");
    add_->setDefault(true);
    delete_->setObjectName("id3");
    delete_->setAutoDefault(false);
    exit_->setObjectName("id2");
    exit_->setAutoDefault(false);

    auto* form = new QGridLayout;
    form->addWidget(new QLabel(Q("呼叫器类型:"), this), 0, 0);
    form->addWidget(name_, 0, 1, 1, 5);
    form->addWidget(new QLabel(Q("键值选择:"), this), 1, 0);
    for (int k = 0; k < 5; ++k) {
        auto* key = new QPushButton(QString::number(k + 1), this);
        key->setObjectName(QString("id%1").arg(1011 + k));
        key->setCheckable(true);
        key->setAutoDefault(false);
        key->setFocusPolicy(Qt::StrongFocus); // Space toggles the focused key
        // A chosen key must be unmistakable at a glance, not a shade darker.
        key->setStyleSheet("QPushButton { border: 1px solid rgb(150, 150, 150); border-radius: 3px;"
                           " background: rgb(245, 245, 245); min-height: 22px; }"
                           "QPushButton:checked { background: rgb(10, 100, 120); color: white;"
                           " font-weight: bold; border: 2px solid rgb(5, 60, 75); }"
                           "QPushButton:focus { border: 2px solid rgb(60, 130, 220); }"
                           "QPushButton:checked:focus { border: 2px solid rgb(60, 130, 220); }");
        key->setFixedWidth(32);
        keys_[static_cast<std::size_t>(k)] = key;
        form->addWidget(key, 1, 1 + k);
    }
    form->addWidget(new QLabel(Q("键值个数:"), this), 2, 0);
    form->addWidget(keyCount_, 2, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(add_);
    buttons->addWidget(delete_);
    buttons->addWidget(exit_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(add_, &QPushButton::clicked, this, &CallerTypesDialog::OnAdd);
    connect(delete_, &QPushButton::clicked, this, &CallerTypesDialog::OnDelete);
    connect(exit_, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CallerTypesDialog::OnSelected);

    Load();
    OrderTabsByPlace(this);
}

void CallerTypesDialog::Load()
{
    ReportTableModel& rows = *list_->Model();
    rows.Clear();
    for (const CallerTypeRow& row : ListCallerTypesByName(database_))
        rows.AddRow({QString::fromStdString(row.name), QString::number(row.keyCount),
                     QString::number(row.keySelection)});
}

void CallerTypesDialog::OnSelected()
{
    const int row = list_->SelectedRow();
    if (row < 0)
        return;
    const ReportTableModel& rows = *list_->Model();
    name_->setText(rows.Text(row, 0));
    keyCount_->setCurrentIndex(rows.Text(row, 1).toInt() - 1);
    const unsigned selection = rows.Text(row, 2).toUInt();
    for (std::size_t k = 0; k < keys_.size(); ++k)
        keys_[k]->setChecked((selection >> k) & 1u);
}

void CallerTypesDialog::OnAdd()
{
    std::array<bool, 5> keys{};
    for (std::size_t k = 0; k < keys.size(); ++k)
        keys[k] = keys_[k]->isChecked();
    // The count follows the ticked keys, whatever the drop-down showed.
    keyCount_->setCurrentIndex(KeyCount(keys) - 1);
    const std::string name = name_->text().toStdString();
    const CallerTypeAdded added = AddCallerType(database_, name, keys);
    if (added == CallerTypeAdded::NameTaken &&
        prompter_.AskOkCancel(kUpdateCallerTypeQuestion, "提示"))
        UpdateCallerType(database_, name, keys);
    if (const auto failure = database_.TakeFailure())
        prompter_.Message(DescribeDatabaseFailure(*failure, database_.Path()));
    Load();
}

void CallerTypesDialog::OnDelete()
{
    const int row = list_->SelectedRow();
    if (row < 0)
        return;
    if (DeleteCallerType(database_, list_->Model()->Text(row, 0).toStdString()))
        Load();
}

void CallerTypesDialog::done(int /*result*/)
{
    // Every way out ends with OK, so the caller reloads its types. The classic dialog waited
    // 1.5 s first, for its database engine's delayed writes; every statement here is
    // committed when it runs, so it closes at once.
    QDialog::done(QDialog::Accepted);
}

} // namespace px
