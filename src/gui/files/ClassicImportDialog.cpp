#include "gui/files/ClassicImportDialog.h"

#include "gui/widgets/TabOrder.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace px {

namespace {

enum Column
{
    kName,
    kModel,
    kFirstCount, // one column per registration table, in the order ForEachTable gives them
    kAction = kFirstCount + 3,
    kColumns,
};

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

QString Quoted(const std::string& text)
{
    return "“" + Q(text) + "”";
}

QString ModelText(int deviceType)
{
    return deviceType == 0   ? QString("PX")
           : deviceType == 1 ? QString("QX")
                             : QString::number(deviceType);
}

// What will happen to a file, as the window says it.
QString ActionText(const PlannedFile& file)
{
    switch (file.verdict) {
    case FileVerdict::Import:
        return "导入";
    case FileVerdict::Renamed:
        return "改名为" + Quoted(file.targetName) + "导入";
    case FileVerdict::NotChosen:
        return "不导入（未勾选）";
    case FileVerdict::NameExists:
        return "跳过：本机已有同名文件";
    case FileVerdict::ListedTwice:
        return "不能导入：旧版数据库中有两个同名文件";
    case FileVerdict::Unreadable:
        return "不能导入：文件名或型号无法读取";
    case FileVerdict::BadName:
        return "不能导入：文件名不可用";
    case FileVerdict::BadModel:
        return QString("不能导入：型号 %1 既不是PX也不是QX").arg(file.deviceType);
    case FileVerdict::RowsRefused:
        return QString("不能导入：%1 行有问题").arg(file.refused.size());
    }
    return {};
}

bool Refused(const PlannedFile& file)
{
    return file.action == PlannedAction::Refused;
}

// A row that keeps its file out, as the window says it: the table, the row's place and key,
// the column at fault by its title, and what is wrong; the reason word for word in its tooltip.
QString RefusalText(const PlannedRefusal& refusal, const PlannedFile& file)
{
    QString text;
    std::size_t t = 0;
    ForEachTable([&](const auto& table) {
        const std::size_t index = t++;
        if (refusal.table != table.databaseTable)
            return;
        QString column;
        for (const auto& c : table.columns)
            if (refusal.column == c.name)
                column = c.title;
        text = QString(table.rowsTitle) + "表";
        if (refusal.place > 0)
            text += QString(" 第%1行").arg(refusal.place);
        if (!refusal.key.empty())
            text += QString("（%1 %2）").arg(table.keyTitle, Q(refusal.key));
        switch (refusal.kind) {
        case RefusalKind::Unreadable:
            text += "：" + column + "无法读取";
            break;
        case RefusalKind::Rule:
            text += "：" + column + Quoted(refusal.value) + "不符合规则";
            break;
        case RefusalKind::Duplicate:
            text += QString("：%1重复").arg(table.keyTitle);
            break;
        case RefusalKind::Capacity:
            text += QString("：共 %1 行，").arg(file.rows[index]) + Q(refusal.reason);
            break;
        }
    });
    return text;
}

// The classic tables that are read but not imported, by what the window calls them.
QString GlobalTableTitle(const std::string& name)
{
    if (name == "T_CallType")
        return "呼叫器类型";
    if (name == "T_KeyName")
        return "信息内容";
    if (name == "T_Type")
        return "接收机类型";
    return Q(name);
}

QString RowsTitleOf(const std::string& databaseTable)
{
    QString title = Q(databaseTable);
    ForEachTable([&](const auto& table) {
        if (databaseTable == table.databaseTable)
            title = table.rowsTitle;
    });
    return title;
}

// The tables not imported and the rows of no file, one line each.
QString NotesText(const ClassicLibrary& library)
{
    QStringList globals;
    for (const ClassicGlobalTable& table : library.globals)
        if (table.present)
            globals << GlobalTableTitle(table.name) + QString("表 %1 行").arg(table.rows);
    QString text;
    if (!globals.isEmpty())
        text = globals.join("、") + "：不导入，保留本机的。";
    QStringList orphans;
    for (const ClassicOrphans& group : library.orphans)
        orphans << RowsTitleOf(group.table) + QString("表 %1 行").arg(group.rows) +
                       (group.why.empty() ? "（文件名" + Quoted(group.fileName) + "）"
                                          : QString("（文件名无法读取）"));
    if (!orphans.isEmpty())
        text += (text.isEmpty() ? "" : "\n") + QString("不属于任何配置文件的登记，不导入：") +
                orphans.join("、") + "。";
    return text;
}

QString SummaryText(const ClassicLibrary& library, const QString& source)
{
    const QString version =
        library.version == JetVersion::Jet3
            ? QString("Jet 3（Access 97），文字按代码页 %1 读取").arg(library.codePage)
            : QString("Jet 4（Access 2000-2003）");
    return "旧版数据库：" + source + "\n" + version +
           QString("，共 %1 个配置文件。").arg(library.files.size()) +
           "勾选要导入的文件；不能导入的文件下列出原因。";
}

} // namespace

ClassicImportDialog::ClassicImportDialog(Database& db, ClassicLibrary library,
                                         const QString& source, QWidget* parent)
    : QDialog(parent), db_(db), library_(std::move(library))
{
    setObjectName("classicImportDialog");
    setWindowTitle("导入旧版数据库");
    auto* box = new QVBoxLayout(this);
    auto* summary = new QLabel(SummaryText(library_, source), this);
    summary->setWordWrap(true);
    box->addWidget(summary);

    files_ = new QTreeWidget(this);
    files_->setObjectName("classicFileList");
    files_->setColumnCount(kColumns);
    QStringList titles{"配置文件", "型号"};
    ForEachTable([&](const auto& table) { titles << table.rowsTitle; });
    titles << "导入结果";
    files_->setHeaderLabels(titles);
    for (int c = kFirstCount; c < kAction; ++c)
        files_->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    files_->setRootIsDecorated(true);
    files_->setUniformRowHeights(true);
    box->addWidget(files_, 1);

    auto* conflict = new QGroupBox("本机已有同名文件时", this);
    auto* choices = new QHBoxLayout(conflict);
    skip_ = new QRadioButton("跳过，保留本机的文件", conflict);
    skip_->setObjectName("skipExistingButton");
    rename_ = new QRadioButton("改名导入（名称后加 (2)、(3)…）", conflict);
    rename_->setObjectName("renameExistingButton");
    skip_->setChecked(true);
    choices->addWidget(skip_);
    choices->addWidget(rename_);
    choices->addStretch();
    box->addWidget(conflict);

    auto* notes = new QLabel(NotesText(library_), this);
    notes->setObjectName("classicNotes");
    notes->setWordWrap(true);
    notes->setVisible(!notes->text().isEmpty());
    box->addWidget(notes);
    outcome_ = new QLabel(this);
    outcome_->setObjectName("classicOutcome");
    outcome_->setWordWrap(true);
    box->addWidget(outcome_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    import_ = new QPushButton(this);
    import_->setObjectName("importButton");
    import_->setDefault(true);
    cancel_ = new QPushButton("取消", this);
    cancel_->setObjectName("cancelButton");
    buttons->addWidget(import_);
    buttons->addWidget(cancel_);
    box->addLayout(buttons);

    FillFiles();
    connect(files_, &QTreeWidget::itemChanged, this, [this] {
        if (!filling_)
            Replan();
    });
    connect(skip_, &QRadioButton::toggled, this, [this] { Replan(); });
    connect(import_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    resize(880, 560);
    box->activate();
    OrderTabsByPlace(this);
}

void ClassicImportDialog::FillFiles()
{
    // Every file chosen at first: the plan then says which can come in.
    plan_ = PlanClassicImport(db_, library_, {std::nullopt, ConflictPolicy::Skip});
    filling_ = true;
    for (const PlannedFile& file : plan_.files) {
        auto* item = new QTreeWidgetItem(files_);
        // A name that cannot be read shows as such; its tooltip says where and why.
        const QString missing =
            file.verdict == FileVerdict::Unreadable ? "（无法读取）" : "（无名称）";
        item->setText(kName, file.name.empty() ? missing : Q(file.name));
        item->setText(kModel, ModelText(file.deviceType));
        for (std::size_t t = 0; t < file.rows.size(); ++t) {
            item->setText(kFirstCount + static_cast<int>(t), QString::number(file.rows[t]));
            item->setTextAlignment(kFirstCount + static_cast<int>(t),
                                   Qt::AlignRight | Qt::AlignVCenter);
        }
        // A file that cannot come in cannot be ticked.
        if (Refused(file)) {
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
            item->setCheckState(kName, Qt::Unchecked);
            item->setToolTip(kAction, Q(file.detail.empty() ? file.note : file.detail));
        } else {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(kName, Qt::Checked);
        }
        for (const PlannedRefusal& refusal : file.refused) {
            auto* row = new QTreeWidgetItem(item);
            row->setText(kName, RefusalText(refusal, file));
            row->setToolTip(kName, Q(refusal.reason));
            row->setFirstColumnSpanned(true);
        }
        item->setExpanded(Refused(file));
        items_.push_back(item);
    }
    filling_ = false;
    files_->header()->setStretchLastSection(true);
    files_->header()->setSectionResizeMode(kName, QHeaderView::Interactive);
    // The counts and the model a little apart, so that their numbers do not run together.
    for (int c = 0; c < kAction; ++c) {
        files_->resizeColumnToContents(c);
        if (c != kName)
            files_->setColumnWidth(c, files_->columnWidth(c) + 12);
    }
    files_->setColumnWidth(kName, std::max(files_->columnWidth(kName), 160));
    if (!items_.empty())
        files_->setCurrentItem(items_.front());
    ShowPlan();
}

void ClassicImportDialog::Replan()
{
    std::vector<std::string> chosen;
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->checkState(kName) == Qt::Checked)
            chosen.push_back(library_.files[i].name);
    plan_ = PlanClassicImport(
        db_, library_,
        {std::move(chosen), rename_->isChecked() ? ConflictPolicy::Rename : ConflictPolicy::Skip});
    ShowPlan();
}

void ClassicImportDialog::ShowPlan()
{
    filling_ = true;
    for (std::size_t i = 0; i < items_.size() && i < plan_.files.size(); ++i)
        items_[i]->setText(kAction, ActionText(plan_.files[i]));
    filling_ = false;
    const int count = plan_.FilesToImport();
    import_->setText(QString("导入 %1 个文件").arg(count));
    import_->setEnabled(plan_.outcome.Ok() && count > 0);
    // Our database unreadable is said here; no file to import shows on the button.
    const bool failed = !plan_.outcome.Ok() && plan_.outcome.status != ClassicStatus::Nothing;
    outcome_->setText(failed ? "无法导入：" + Q(plan_.outcome.message) : QString());
    outcome_->setVisible(failed);
}

} // namespace px
