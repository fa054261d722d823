#include "gui/files/ConfigFileDialog.h"

#include "gui/widgets/TabOrder.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <array>

namespace px {

namespace {

constexpr double kScale = 1.5; // dialog units of the 8 point template font
constexpr int kTypeRole = Qt::UserRole + 1;

QRect Place(int x, int y, int w, int h)
{
    const auto s = [](int v) { return static_cast<int>(v * kScale + 0.5); };
    return QRect(s(x), s(y), s(w), s(h));
}

QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

struct ModeTexts
{
    const char* title;
    const char* button;
};

ModeTexts TextsFor(FileDialogMode mode)
{
    static constexpr std::array<ModeTexts, 5> kTexts = {{
        {"新建文件", "新建"},
        {"打开文件", "打开"},
        {"删除文件", "删除"},
        {"另存为文件", "另存为"},
        {"选择覆盖文件名或新建", "覆盖"},
    }};
    return kTexts[static_cast<std::size_t>(mode)];
}

} // namespace

ConfigFileDialog::ConfigFileDialog(Database& db, Prompter& prompter, FileDialogMode mode,
                                   QWidget* parent, HostModel hostModel)
    : QDialog(parent), database_(db), prompter_(prompter), mode_(mode), hostModel_(hostModel),
      name_(new QLineEdit(this)), px_(new QRadioButton(Q("PX主机"), this)),
      qx_(new QRadioButton(Q("QX主机"), this)), confirm_(new QPushButton(Q("新建"), this)),
      list_(new QListWidget(this))
{
    setObjectName("ConfigFileDialog");
    setWindowTitle(Q("新建文件"));
    setMinimumSize(Place(0, 0, 416, 142).size());
    resize(minimumSize());
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto* nameGroup = new QGroupBox(this);
    nameGroup->setGeometry(Place(3, 7, 332, 32));
    auto* label = new QLabel(Q("文件名:"), this);
    label->setGeometry(Place(9, 20, 28, 8).adjusted(0, -2, 20, 4));
    name_->setObjectName("id1010");
    name_->setGeometry(Place(42, 18, 128, 12));
    px_->setObjectName("id1033");
    px_->setGeometry(Place(203, 19, 41, 10).adjusted(0, 0, 20, 0));
    qx_->setObjectName("id1034");
    qx_->setGeometry(Place(269, 19, 41, 10).adjusted(0, 0, 20, 0));
    auto* group = new QButtonGroup(this);
    group->addButton(px_, 0);
    group->addButton(qx_, 1);
    px_->setChecked(true);
    confirm_->setObjectName("id1");
    confirm_->setGeometry(Place(352, 16, 50, 16));
    confirm_->setDefault(true);
    auto* cancel = new QPushButton(Q("取消"), this);
    cancel->setObjectName("id2");
    cancel->setGeometry(Place(352, 40, 50, 16));
    cancel->setAutoDefault(false);
    auto* listGroup = new QGroupBox(Q("已存在文件"), this);
    listGroup->setGeometry(Place(4, 44, 332, 93));
    list_->setObjectName("id1000");
    list_->setGeometry(Place(9, 56, 322, 79));
    list_->setViewMode(QListView::IconMode);
    list_->setFlow(QListView::LeftToRight);
    list_->setWrapping(true);
    list_->setMovement(QListView::Static);
    list_->setResizeMode(QListView::Adjust);
    list_->setSpacing(4);

    following_ = {{nameGroup, nameGroup->geometry(), true, false, false},
                  {listGroup, listGroup->geometry(), true, true, false},
                  {list_, list_->geometry(), true, true, false},
                  {confirm_, confirm_->geometry(), false, false, true},
                  {cancel, cancel->geometry(), false, false, true}};
    OrderTabsByPlace(this);

    for (const ConfigFile& file : ListConfigFiles(database_)) {
        auto* item = new QListWidgetItem(QString::fromStdString(file.name), list_);
        item->setData(kTypeRole, StoredFileType(file.deviceType));
    }
    if (mode != FileDialogMode::New) {
        const ModeTexts texts = TextsFor(mode);
        setWindowTitle(Q(texts.title));
        confirm_->setText(Q(texts.button));
    }

    connect(confirm_, &QPushButton::clicked, this, &ConfigFileDialog::OnConfirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemSelectionChanged, this, &ConfigFileDialog::OnItemChanged);
    // Deleting an item from inside its own double-click notification is not safe: act after it.
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
        QMetaObject::invokeMethod(this, &ConfigFileDialog::OnConfirm, Qt::QueuedConnection);
    });
}

std::string ConfigFileDialog::FileName() const
{
    return name_->text().toStdString();
}

FileType ConfigFileDialog::DeviceType() const
{
    return qx_->isChecked() ? FileType::QX : FileType::PX;
}

std::vector<std::string> ConfigFileDialog::ListedNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < list_->count(); ++i)
        names.push_back(list_->item(i)->text().toStdString());
    return names;
}

void ConfigFileDialog::OnItemChanged()
{
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return;
    name_->setText(selected.first()->text());
    (selected.first()->data(kTypeRole).toInt() == StoredFileType(FileType::QX) ? qx_ : px_)
        ->setChecked(true);
}

void ConfigFileDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const QSize extra = (size() - minimumSize()).expandedTo(QSize(0, 0));
    for (const Placed& p : following_) {
        QRect place = p.place;
        if (p.widens)
            place.setWidth(place.width() + extra.width());
        if (p.grows)
            place.setHeight(place.height() + extra.height());
        if (p.moves)
            place.translate(extra.width(), 0);
        p.widget->setGeometry(place);
    }
}

void ConfigFileDialog::OnConfirm()
{
    const std::string name = FileName();
    FileOutcome outcome;
    switch (mode_) {
    case FileDialogMode::New:
        outcome = CheckNewFileName(name, ListedNames());
        if (outcome.Done())
            outcome = CreateConfigFile(database_, name, DeviceType(), hostModel_);
        break;
    case FileDialogMode::SaveAs:
        // The copy's name is written together with its rows (CopyConfigFile), so no moment
        // exists in which an empty copy holds the name.
        outcome = CheckNewFileName(name, ListedNames());
        break;
    case FileDialogMode::Open:
        outcome = CheckFileToOpen(name, ListedNames());
        break;
    case FileDialogMode::Delete:
        outcome = DeleteConfigFileNamed(database_, name);
        break;
    case FileDialogMode::Import:
        // Any name: an existing file is overwritten, a new one is made.
        outcome = CheckNewFileName(name, {});
        break;
    }
    if (!outcome.message.empty())
        prompter_.Message(outcome.message);
    if (!outcome.Done()) {
        if (outcome.status == FileOutcome::Status::NameTaken)
            name_->clear();
        name_->setFocus();
        return;
    }
    if (mode_ == FileDialogMode::Delete) {
        const auto found = list_->findItems(QString::fromStdString(name), Qt::MatchExactly);
        if (!found.isEmpty())
            delete found.first();
        return;
    }
    accept();
}

} // namespace px
