// 文件 → 导入旧版数据库...: the classic library read by the reader process, the preview shown
// before anything is written, and a name that exists here left out.

#include "MainWindowFixture.h"
#include "classic/SmallLibrary.h"
#include "common/FileIo.h"
#include "mock/Programs.h"
#include "storage/ConfigFiles.h"
#include "storage/RegistrationTables.h"

#include <QAction>

namespace px {
namespace {

class ClassicImportWindowTest : public test::MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        classicReader_ = test::BuiltProgram(PX_PROGRAM_CLASSIC_READER);
    }

    // Runs the menu command on a library, answering the preview with ok.
    void Import(const std::string& path, bool ok)
    {
        MainWindow& w = Window();
        w.SetFileChooser([path](const QString& filter, bool save) {
            EXPECT_EQ(filter, "*.mdb");
            EXPECT_FALSE(save);
            return QString::fromStdString(path);
        });
        w.Hooks().confirmReport = [this, ok](const QString&, const QString& text) {
            asked_.push_back(text.toStdString());
            return ok;
        };
        w.Hooks().showReport = [this](const QString&, const QString& text) {
            shown_.push_back(text.toStdString());
        };
        w.Action(Command::ImportClassicDatabase)->trigger();
    }

    std::vector<std::string> asked_;
    std::vector<std::string> shown_;
};

TEST_F(ClassicImportWindowTest, ThePreviewComesFirstAndAnExistingNameIsLeftOut)
{
    ASSERT_TRUE(InsertConfigFile(db_, "甲店", FileType::PX));
    const std::string library = test::WriteSmallClassicLibrary(folder_.File("旧版.mdb"));
    const std::string before = test::ReadBytes(scratch_.Path());

    Import(library, false);
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_NE(asked_[0].find("乙店"), std::string::npos) << asked_[0];
    EXPECT_NE(asked_[0].find("甲店"), std::string::npos) << "the name taken is named";
    EXPECT_EQ(test::ReadBytes(scratch_.Path()), before) << "cancel writes nothing";

    Import(library, true);
    const auto imported = FindConfigFile(db_, "乙店");
    ASSERT_TRUE(imported.has_value());
    EXPECT_EQ(imported->deviceType, FileType::QX);
    EXPECT_EQ(LoadRows(db_, InfoMachineTable(), "乙店").rows,
              (std::vector<InfoMachineRow>{{3, "123", "前台", 1}}));
    EXPECT_EQ(ListConfigFiles(db_).size(), 2u) << "甲店 stays as it was, not doubled";
    EXPECT_NE(Window().Notice().toStdString().find("1 个配置文件"), std::string::npos);
}

TEST_F(ClassicImportWindowTest, AFileThatIsNoJetDatabaseIsSaidAndNothingWritten)
{
    const std::string path = folder_.File("not.mdb");
    std::string error;
    ASSERT_TRUE(WriteFileWhole(path, std::string(8192, 'x'), error)) << error;
    const std::string before = test::ReadBytes(scratch_.Path());
    Import(path, true);
    EXPECT_TRUE(asked_.empty());
    ASSERT_EQ(prompter_.Texts().size(), 1u);
    EXPECT_NE(prompter_.Texts()[0].find("无法导入旧版数据库"), std::string::npos);
    EXPECT_EQ(test::ReadBytes(scratch_.Path()), before);
}

} // namespace
} // namespace px
