#include "gui/registry/CallerTypesDialog.h"

#include "registry/CallerTypes.h"
#include "gui/widgets/ReportTableView.h"

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

CallerTypesDialog::CallerTypesDialog(Database& db, Prompter& prompter, Clock& clock,
                   EventPump& pump, QWidget* parent)
    : QDialog(parent),
      database_(db),
      prompter_(prompter),
      clock_(clock),
      pump_(pump),
      list_(new ReportTableView(this)),
      name_(new QLineEdit(this)),
      keyCount_(new QComboBox(this)),
      add_(new QPushButton(Q("添加"), this)),
      delete_(new QPushButton(Q("删除"), this)),
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
    AddOrUpdateCallerType(database_, prompter_, name_->text().toStdString(), keys);
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
    if (closing_)
        return;
    closing_ = true;
    const std::int64_t end = clock_.NowMs() + kClosePauseMs;
    while (clock_.NowMs() < end && pump_.PumpMessages())
        clock_.SleepMs(10);
    QDialog::done(QDialog::Accepted);
}

} // namespace px
