#include "storage/ConfigFiles.h"
#include "storage/ConfigJson.h"

#include "mock/DatabaseFixture.h"

#include <nlohmann/json.hpp>

namespace px {
namespace {

class ConfigJsonTest : public test::DatabaseFixture
{
protected:
    void SetUp() override
    {
        DatabaseFixture::SetUp();
        AddFile("店'一", 1);
        ASSERT_TRUE(db_.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                                "(7,'0000123','O''Brien''); DROP TABLE T_Device1;--','店''一',4),"
                                "(0,NULL,'钟','店''一',2)"));
        ASSERT_TRUE(db_.Execute("insert into T_Device2 (DeviceNo,Address,Remark,FileName) values "
                                "(5,'1a2b',NULL,'店''一')"));
        ASSERT_TRUE(db_.Execute(
            "insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,DeviceNo3,"
            "DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,FileName) values "
            "('A1B2C1',70000,'八号桌','结账',12,-1,3,4,5,6,7,499,2,0,'店''一'),"
            "('0123456789AB',NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,0,1,'店''一')"));
    }

    std::string Export(const std::string& name)
    {
        const auto document = ExportConfigFile(db_, name);
        EXPECT_TRUE(document.has_value());
        return document.value_or("");
    }
};

TEST_F(ConfigJsonTest, ExportThenImportIsExactForEveryColumn)
{
    const std::string document = Export("店'一");
    std::string error;
    std::string name;
    ASSERT_EQ(ImportConfigFile(db_, document, "副本", false, error, &name), JsonImportResult::Imported) << error;
    EXPECT_EQ(name, "副本");
    EXPECT_EQ(FindConfigFile(db_, "副本")->deviceType, 1);
    // The copy exports to the same document but for its name.
    auto original = nlohmann::json::parse(document);
    auto copy = nlohmann::json::parse(Export("副本"));
    EXPECT_EQ(copy["name"], "副本");
    copy["name"] = original["name"];
    EXPECT_EQ(copy, original);
    EXPECT_TRUE(original["infoMachines"][1]["Address"].is_null()) << "a null stays null";
    EXPECT_EQ(original["callers"][0]["CallNo"], 70000);
    EXPECT_EQ(original["infoMachines"][0]["Remark"], "O'Brien'); DROP TABLE T_Device1;--");
}

TEST_F(ConfigJsonTest, AnInvalidDocumentIsRefusedNamingTheFieldAndWritesNothing)
{
    const auto valid = nlohmann::json::parse(Export("店'一"));
    struct Case
    {
        std::function<void(nlohmann::json&)> change;
        const char* named;
    };
    const std::vector<Case> cases = {
        {[](auto& d) { d["format"] = 2; }, "format"},
        {[](auto& d) { d.erase("format"); }, "format"},
        {[](auto& d) { d["model"] = "zx"; }, "model"},
        {[](auto& d) { d.erase("handhelds"); }, "handhelds"},
        {[](auto& d) { d["infoMachines"][0]["DeviceNo"] = 500; }, "infoMachines[0].DeviceNo"},
        {[](auto& d) { d["infoMachines"][1].erase("Remark"); }, "infoMachines[1].Remark"},
        {[](auto& d) { d["callers"][0]["CallNo"] = "many"; }, "callers[0].CallNo"},
        {[](auto& d) { d["callers"][1]["CodeNo"] = "12345"; }, "callers[1].CodeNo"},
        {[](auto& d) { d["callers"][0]["Colour"] = 1; }, "callers[0].Colour"},
        {[](auto& d) { d["handhelds"][0]["Address"] = 12; }, "handhelds[0].Address"},
    };
    for (const Case& c : cases) {
        auto document = valid;
        c.change(document);
        std::string error;
        EXPECT_EQ(ImportConfigFile(db_, document.dump(), "new", false, error), JsonImportResult::Invalid)
            << c.named;
        EXPECT_EQ(error.rfind(c.named, 0), 0u) << error;
        EXPECT_FALSE(FindConfigFile(db_, "new").has_value());
    }
    std::string error;
    EXPECT_EQ(ImportConfigFile(db_, "{not json", "new", false, error), JsonImportResult::Invalid);
    EXPECT_EQ(Count("select * from T_Device1 where FileName='new'"), 0);
}

TEST_F(ConfigJsonTest, AnExistingNameIsReplacedOnlyWhenAllowed)
{
    auto document = nlohmann::json::parse(Export("店'一"));
    AddFile("target", 0);
    AddMachine("target", 1);
    AddMachine("target", 2);
    document["name"] = "target";
    std::string error;
    EXPECT_EQ(ImportConfigFile(db_, document.dump(), "", false, error), JsonImportResult::Exists);
    EXPECT_EQ(Count("select * from T_Device1 where FileName='target'"), 2);
    ASSERT_EQ(ImportConfigFile(db_, document.dump(), "", true, error), JsonImportResult::Imported) << error;
    EXPECT_EQ(FindConfigFile(db_, "target")->deviceType, 1);
    EXPECT_EQ(Count("select * from T_Device1 where FileName='target'"), 2);
    EXPECT_EQ(Count("select * from T_Device1 where FileName='target' and DeviceNo=7"), 1);
    EXPECT_EQ(Count("select * from T_Device3 where FileName='target'"), 2);
}

TEST_F(ConfigJsonTest, AFailureInTheMiddleWritesNothing)
{
    const std::string document = Export("店'一");
    ASSERT_TRUE(db_.Execute("create trigger refuse before insert on T_Device3 when NEW.FileName='new' "
                            "begin select raise(abort, 'refused'); end"));
    std::string error;
    EXPECT_EQ(ImportConfigFile(db_, document, "new", false, error), JsonImportResult::Failed);
    EXPECT_FALSE(FindConfigFile(db_, "new").has_value());
    EXPECT_EQ(Count("select * from T_Device1 where FileName='new'"), 0);
    EXPECT_EQ(ExportConfigFile(db_, "none"), std::nullopt);
}

} // namespace
} // namespace px
