#include "gui/main/FileCommands.h"

#include "classic/ClassicImport.h"
#include "common/FileIo.h"
#include "gui/files/ConfigFileDialog.h"
#include "gui/paperwork/SiteSheetPreview.h"
#include "paperwork/HostFacts.h"
#include "registry/CallerSheet.h"
#include "registry/RegistryViews.h"
#include "storage/ConfigFiles.h"
#include "storage/ConfigJson.h"
#include "transfer/Verify.h"

#include <QDate>
#include <QWidget>
#include <chrono>
#include <future>

namespace px {

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// What a caller list import will do, as the user reads it before saying OK.
QString PreviewText(const SheetPreview& preview)
{
    QString text = "编码：" + QString(EncodingName(preview.encoding)) + "\n";
    for (const std::string& name : preview.ignoredColumns)
        text += "忽略的列：" + Q(name) + "\n";
    text += QString("新增 %1 行，修改 %2 行，不变 %3 行，拒绝 %4 行\n\n")
                .arg(preview.Count(SheetAction::Add))
                .arg(preview.Count(SheetAction::Change))
                .arg(preview.Count(SheetAction::Unchanged))
                .arg(preview.Count(SheetAction::Refuse));
    for (const SheetRow& row : preview.rows) {
        static const char* const kActions[] = {"新增", "修改", "不变", "拒绝"};
        text += QString("第%1行  %2  %3")
                    .arg(row.line)
                    .arg(Q(row.code))
                    .arg(kActions[static_cast<int>(row.action)]);
        if (row.action == SheetAction::Refuse)
            text += "：" + Q(row.reason);
        for (std::size_t i = 0; i < row.changed.size(); ++i)
            text += (i == 0 ? "：" : "、") + Q(row.changed[i]);
        text += '\n';
    }
    return text;
}

} // namespace

FileCommands::FileCommands(WindowContext& context, QObject* parent)
    : QObject(parent), context_(context)
{}

bool FileCommands::Tell(const FileOutcome& outcome)
{
    if (!outcome.message.empty())
        context_.prompter().Message(outcome.message);
    return outcome.Done();
}

void FileCommands::NewFile()
{
    Workspace& workspace = context_.workspace;
    if (!workspace.Open())
        return;
    // The dialog makes the file, or says why it cannot.
    ConfigFileDialog dialog(workspace.Db(), context_.prompter(), FileDialogMode::New,
                            context_.window, context_.hostModel());
    if (context_.hooks.runFileDialog(dialog) != QDialog::Accepted)
        return;
    emit fileChosen(dialog.FileName(), dialog.DeviceType());
}

void FileCommands::OpenFile()
{
    Workspace& workspace = context_.workspace;
    if (!workspace.Open())
        return;
    ConfigFileDialog dialog(workspace.Db(), context_.prompter(), FileDialogMode::Open,
                            context_.window);
    if (context_.hooks.runFileDialog(dialog) != QDialog::Accepted)
        return;
    // The type made current is the radio buttons' as they stood when the file was chosen.
    const std::string name = dialog.FileName();
    if (Tell(CheckOpenFile(context_.hostModel(), name, dialog.DeviceType(), workspace.FileName())))
        emit fileChosen(name, dialog.DeviceType());
}

void FileCommands::DeleteFiles()
{
    Workspace& workspace = context_.workspace;
    if (!workspace.Open())
        return;
    // Deleting the current file leaves the window showing what it has loaded.
    ConfigFileDialog dialog(workspace.Db(), context_.prompter(), FileDialogMode::Delete,
                            context_.window);
    context_.hooks.runFileDialog(dialog);
}

void FileCommands::SaveFileAs()
{
    Workspace& workspace = context_.workspace;
    if (!Tell(RequireCurrentFile(workspace.FileName())) || !workspace.Open())
        return;
    ConfigFileDialog dialog(workspace.Db(), context_.prompter(), FileDialogMode::SaveAs,
                            context_.window);
    if (context_.hooks.runFileDialog(dialog) != QDialog::Accepted)
        return;
    Tell(CopyConfigFile(workspace.Db(), dialog.FileName(), dialog.DeviceType(),
                        workspace.FileName(), workspace.Type()));
}

void FileCommands::ExportJson()
{
    Workspace& workspace = context_.workspace;
    Prompter& prompter = context_.prompter();
    if (!Tell(RequireCurrentFile(workspace.FileName())) || !workspace.Open())
        return;
    const QString path = context_.hooks.chooseFile("*.json", true);
    if (path.isEmpty())
        return;
    std::string error;
    const auto document = ExportConfigFile(workspace.Db(), workspace.FileName(), error);
    if (!document) {
        prompter.Message("无法导出 " + workspace.FileName() + "：\n" + error);
        return;
    }
    if (!WriteConfigJsonFile(path.toStdString(), *document, error)) {
        prompter.Message("无法写入文件 " + path.toStdString());
        return;
    }
    prompter.Message("已导出 " + workspace.FileName() + " 到 " + path.toStdString());
}

void FileCommands::ImportJson()
{
    Workspace& workspace = context_.workspace;
    Prompter& prompter = context_.prompter();
    const QString path = context_.hooks.chooseFile("*.json", false);
    if (path.isEmpty() || !workspace.Open())
        return;
    std::string error;
    const auto text = ReadConfigJsonFile(path.toStdString(), error);
    if (!text) {
        prompter.Message("无法读取文件 " + path.toStdString() + "：\n" + error);
        return;
    }
    std::string name;
    JsonImportResult result = ImportConfigFile(workspace.Db(), *text, "", false, error, &name);
    if (result == JsonImportResult::Exists &&
        prompter.AskOkCancel(error + "，确定要覆盖吗？", "提示"))
        result = ImportConfigFile(workspace.Db(), *text, "", true, error, &name);
    switch (result) {
    case JsonImportResult::Imported:
        context_.notify(Q("已导入配置文件 " + name));
        break;
    case JsonImportResult::Invalid:
        prompter.Message("文件内容有误，没有导入任何数据：\n" + error);
        break;
    case JsonImportResult::Failed:
        prompter.Message("导入失败，没有导入任何数据：\n" + error);
        break;
    case JsonImportResult::Exists:
        break;
    }
}

void FileCommands::VerifyWithHost()
{
    Workspace& workspace = context_.workspace;
    if (!Tell(RequireCurrentFile(workspace.FileName())) || !workspace.Open())
        return;
    std::optional<std::vector<Difference>> differences;
    context_.runHostCommand([&] {
        Reading<std::vector<Difference>> verified =
            VerifyConfigFile(context_.exchange, workspace.Db(), workspace.FileName());
        verified.notices.ShowWith(context_.prompter());
        differences = std::move(verified.value);
    });
    if (!differences)
        return;
    QString text;
    if (differences->empty())
        text = Q("主机中的数据与文件 " + workspace.FileName() + " 一致。");
    for (const Difference& d : *differences) {
        text += Q(d.table + " " + d.key + ": " + KindName(d.kind));
        if (d.kind == Difference::Kind::Different)
            text +=
                Q(" " + d.field + ": 文件 \"" + d.fileValue + "\", 主机 \"" + d.hostValue + "\"");
        else if (d.kind == Difference::Kind::CannotSend)
            text += Q(": " + d.fileValue);
        text += '\n';
    }
    context_.hooks.showReport(Q("与主机核对: " + workspace.FileName()), text);
}

void FileCommands::ImportCallerSheet()
{
    Workspace& workspace = context_.workspace;
    Prompter& prompter = context_.prompter();
    if (!Tell(RequireCurrentFile(workspace.FileName())) || !workspace.Open())
        return;
    const QString path = context_.hooks.chooseFile("*.csv", false);
    if (path.isEmpty())
        return;
    std::string error;
    const auto bytes = ReadFileUpTo(path.toStdString(), kMaxSheetBytes, error);
    const SheetTarget target{workspace.FileName(), workspace.Type(), context_.hostModel(),
                             LoadKeyNames(workspace.Db())};
    const auto preview =
        bytes ? PreviewCallerSheet(workspace.Db(), target, *bytes, error) : std::nullopt;
    if (!preview) {
        prompter.Message("无法导入呼叫器表格，没有写入任何数据：\n" + error);
        return;
    }
    const QString title = Q("从表格导入呼叫器: " + workspace.FileName());
    if (!preview->AllAccepted()) {
        context_.hooks.showReport(title, "有行被拒绝，没有写入任何数据。请修改表格后再导入。\n\n" +
                                             PreviewText(*preview));
        return;
    }
    if (!context_.hooks.confirmReport(title, PreviewText(*preview)))
        return;
    if (!ApplyCallerSheet(workspace.Db(), workspace.FileName(), *preview, error)) {
        prompter.Message("导入失败，没有写入任何数据：\n" + error);
        return;
    }
    emit callersChanged();
    context_.notify(QString("已导入 %1 条呼叫器记录到文件 %2（新增 %3，修改 %4，未变 %5）")
                        .arg(preview->rows.size())
                        .arg(Q(workspace.FileName()))
                        .arg(preview->Count(SheetAction::Add))
                        .arg(preview->Count(SheetAction::Change))
                        .arg(preview->Count(SheetAction::Unchanged)));
}

void FileCommands::ExportCallerSheet()
{
    Workspace& workspace = context_.workspace;
    Prompter& prompter = context_.prompter();
    if (!Tell(RequireCurrentFile(workspace.FileName())) || !workspace.Open())
        return;
    const QString path = context_.hooks.chooseFile("*.csv", true);
    if (path.isEmpty())
        return;
    // GBK is what spreadsheet programs in a Chinese locale open without asking; a list GBK
    // cannot hold goes out as UTF-8.
    std::string error;
    auto sheet =
        px::ExportCallerSheet(workspace.Db(), workspace.FileName(), TextEncoding::Gbk, error);
    if (!sheet)
        sheet = px::ExportCallerSheet(workspace.Db(), workspace.FileName(),
                                      TextEncoding::Utf8WithBom, error);
    if (!sheet || !WriteFileWhole(path.toStdString(), *sheet, error)) {
        prompter.Message("无法导出呼叫器表格：\n" + error);
        return;
    }
    prompter.Message("已导出呼叫器到 " + path.toStdString());
}

void FileCommands::PrintSiteSheet()
{
    Workspace& workspace = context_.workspace;
    Prompter& prompter = context_.prompter();
    if (!Tell(RequireCurrentFile(workspace.FileName())) || !workspace.Open())
        return;
    std::string error;
    auto sheet = LoadSiteSheet(workspace.Db(), workspace.FileName(),
                               QDate::currentDate().toString("yyyy-MM-dd").toStdString(), error);
    if (!sheet) {
        prompter.Message(error);
        return;
    }
    // The host's version and settings when one is connected now.
    if (context_.link.IsConnected() || context_.link.GetHostModel() != HostModel::None)
        context_.runHostCommand([&] {
            Reading<HostFacts> facts = ReadHostFacts(context_.exchange, context_.services.profile);
            facts.notices.ShowWith(prompter);
            sheet->host = std::move(facts.value);
        });
    context_.hooks.previewSheet(*sheet);
}

void FileCommands::ImportClassicDatabase()
{
    Workspace& workspace = context_.workspace;
    Prompter& prompter = context_.prompter();
    if (readingClassic_ || !workspace.Open())
        return;
    const QString path = context_.hooks.chooseFile("*.mdb", false);
    if (path.isEmpty())
        return;
    // The reader runs in a process of its own; the window keeps answering while it reads.
    const ClassicReadOptions options{context_.services.classicReaderProgram, std::nullopt};
    ClassicLibrary library;
    readingClassic_ = true;
    auto reading = std::async(std::launch::async, [&] {
        return ReadClassicLibrary(path.toStdString(), options, library);
    });
    // Until it ends, whatever else happens: the reading uses what this frame holds.
    while (reading.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        context_.services.pump.PumpMessages();
    readingClassic_ = false;
    if (const ClassicOutcome read = reading.get(); !read.Ok()) {
        prompter.Message("无法导入旧版数据库，没有写入任何数据：\n" + read.message);
        return;
    }
    ClassicImportOptions importOptions;
    importOptions.onConflict = ConflictPolicy::Skip;
    const ClassicPlan plan = PlanClassicImport(workspace.Db(), std::move(library), importOptions);
    std::string preview;
    for (const std::string& line : DescribeClassicPlan(plan))
        preview += line + "\n";
    const QString title = Q("导入旧版数据库: " + path.toStdString());
    if (!plan.outcome.Ok() || plan.FilesToImport() == 0) {
        context_.hooks.showReport(
            title, Q((plan.outcome.Ok() ? std::string("没有可以导入的文件。")
                                        : plan.outcome.message + "\n没有写入任何数据。") +
                     "\n\n" + preview));
        return;
    }
    if (!context_.hooks.confirmReport(title, Q(preview)))
        return;
    const ClassicOutcome applied = ApplyClassicImport(workspace.Db(), plan);
    if (!applied.Ok()) {
        prompter.Message("导入失败，没有写入任何数据：\n" + applied.message);
        return;
    }
    context_.notify(QString("已从旧版数据库导入 %1 个配置文件").arg(plan.FilesToImport()));
}

} // namespace px
