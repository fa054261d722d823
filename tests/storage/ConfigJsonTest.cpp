#include "storage/ConfigJson.h"

#include "mock/DatabaseFixture.h"
#include "storage/ConfigFiles.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
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
        ASSERT_TRUE(
            db_.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                        "(7,'0000123','O''Brien''); DROP TABLE T_Device1;--','店''一',4),"
                        "(0,'55',NULL,'店''一',2)"));
        ASSERT_TRUE(db_.Execute("insert into T_Device2 (DeviceNo,Address,Remark,FileName) values "
                                "(5,'1a2b',NULL,'店''一')"));
        ASSERT_TRUE(db_.Execute(
            "insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,DeviceNo3,"
            "DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,FileName) values "
            "('A1B2C1',65535,'八号桌','结账',12,-1,3,4,5,6,7,499,2,0,'店''一'),"
            "('0123456789AB',NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,0,1,'店''一'"
            ")"));
    }

    std::string Export(const std::string& name)
    {
        std::string error;
        const auto document = ExportConfigFile(db_, name, error);
        EXPECT_TRUE(document.has_value()) << error;
        return document.value_or("");
    }
};

TEST_F(ConfigJsonTest, ExportThenImportIsExactForEveryColumn)
{
    const std::string document = Export("店'一");
    std::string error;
    std::string name;
    ASSERT_EQ(ImportConfigFile(db_, document, "副本", false, error, &name),
              JsonImportResult::Imported)
        << error;
    EXPECT_EQ(name, "副本");
    EXPECT_EQ(FindConfigFile(db_, "副本")->deviceType, FileType::QX);
    // The copy exports to the same document but for its name.
    auto original = nlohmann::json::parse(document);
    auto copy = nlohmann::json::parse(Export("副本"));
    EXPECT_EQ(copy["name"], "副本");
    copy["name"] = original["name"];
    EXPECT_EQ(copy, original);
    EXPECT_TRUE(original["infoMachines"][1]["Remark"].is_null()) << "a null stays null";
    EXPECT_EQ(original["callers"][0]["CallNo"], 65535);
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
        {[](auto& d) { d["infoMachines"][0]["DeviceNo"] = 0; }, "infoMachines[1].DeviceNo"},
        {[](auto& d) { d["infoMachines"][0]["Address"] = "16777339"; }, "infoMachines[0].Address"},
        {[](auto& d) { d["infoMachines"][0]["Address"] = "2097152"; }, "infoMachines[0].Address"},
        {[](auto& d) { d["infoMachines"][0]["Address"] = "12ab"; }, "infoMachines[0].Address"},
        {[](auto& d) { d["infoMachines"][0]["Address"] = nullptr; }, "infoMachines[0].Address"},
        {[](auto& d) { d["infoMachines"][0]["TypeNo"] = 18446744073709551615ull; },
         "infoMachines[0].TypeNo"},
        {[](auto& d) { d["infoMachines"][0]["TypeNo"] = -1; }, "infoMachines[0].TypeNo"},
        {[](auto& d) { d["infoMachines"][0]["Remark"] = std::string("a\0b", 3); },
         "infoMachines[0].Remark"},
        {[](auto& d) { d["callers"][0]["CallNo"] = 65536; }, "callers[0].CallNo"},
        {[](auto& d) { d["callers"][0]["CallName"] = "八号\xF0\x9F\x98\x80"; },
         "callers[0].CallName"},
        {[](auto& d) { d["callers"][0]["ZhuiHu"] = 5; }, "callers[0].ZhuiHu"},
        {[](auto& d) { d["callers"][0]["DeviceNo8"] = 500; }, "callers[0].DeviceNo8"},
        {[](auto& d) { d["callers"][1]["CodeNo"] = "a1b2c1"; }, "callers[1].CodeNo"},
        {[](auto& d) { d["handhelds"][0]["DeviceNo"] = 0; }, "handhelds[0].DeviceNo"},
        {[](auto& d) { d["handhelds"][0]["DeviceNo"] = 100; }, "handhelds[0].DeviceNo"},
        {[](auto& d) { d["handhelds"][0]["Address"] = "zz2b"; }, "handhelds[0].Address"},
        {[](auto& d) { d["handhelds"][0]["Address"] = "ffff"; }, "handhelds[0].Address"},
        {[](auto& d) { d["handhelds"].push_back(d["handhelds"][0]); }, "handhelds[1].DeviceNo"},
        {[](auto& d) {
             d["callers"][0]["CallName"] = nlohmann::json::array({nlohmann::json::array()});
         },
         "the document is nested"},
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
        EXPECT_EQ(ImportConfigFile(db_, document.dump(), "new", false, error),
                  JsonImportResult::Invalid)
            << c.named;
        EXPECT_EQ(error.rfind(c.named, 0), 0u) << error;
        EXPECT_FALSE(FindConfigFile(db_, "new").has_value());
    }
    std::string error;
    EXPECT_EQ(ImportConfigFile(db_, "{not json", "new", false, error), JsonImportResult::Invalid);
    EXPECT_EQ(ImportConfigFile(db_, valid.dump(), std::string("a\0b", 3), false, error),
              JsonImportResult::Invalid);
    EXPECT_EQ(error.rfind("name", 0), 0u) << error;
    EXPECT_EQ(Count("select * from T_Device1 where FileName='new'"), 0);
}

TEST_F(ConfigJsonTest, TablesMustFitTheModel)
{
    auto document = nlohmann::json::parse(Export("店'一")); // a QX file
    struct Case
    {
        const char* table;
        int qxLimit;
        int pxLimit;
    };
    for (const Case c :
         {Case{"infoMachines", 20, 500}, Case{"handhelds", 10, 100}, Case{"callers", 200, 1999}}) {
        auto full = document;
        auto& rows = full[c.table];
        const auto sample = rows[0];
        rows = nlohmann::json::array();
        for (int i = 0; i <= c.pxLimit; ++i) {
            auto row = sample;
            if (std::string(c.table) == "callers") {
                char code[9];
                std::snprintf(code, sizeof code, "%06X", i);
                row["CodeNo"] = code;
            } else {
                row["DeviceNo"] = std::string(c.table) == "handhelds" ? 1 + i % 99 : i % 500;
            }
            rows.push_back(row);
        }
        std::string error;
        for (const char* model : {"px", "qx"}) { // the larger first: rows are cut down
            full["model"] = model;
            const int limit = std::string(model) == "qx" ? c.qxLimit : c.pxLimit;
            rows.erase(rows.begin() + limit + 1, rows.end());
            EXPECT_EQ(ImportConfigFile(db_, full.dump(), "new", false, error),
                      JsonImportResult::Invalid)
                << c.table << " " << model;
            EXPECT_NE(error.find("more than the " + std::to_string(limit)), std::string::npos)
                << error;
        }
        EXPECT_FALSE(FindConfigFile(db_, "new").has_value());
    }
}

TEST_F(ConfigJsonTest, AHugelyNestedDocumentIsRefusedWithAShortMessage)
{
    std::string text = R"({"format": )" + std::string(200000, '[') + std::string(200000, ']') + "}";
    std::string error;
    EXPECT_EQ(ImportConfigFile(db_, text, "new", false, error), JsonImportResult::Invalid);
    EXPECT_LT(error.size(), 200u);
    EXPECT_FALSE(FindConfigFile(db_, "new").has_value());
}

TEST_F(ConfigJsonTest, ADatabaseValueTheFormatCannotCarryStopsTheExport)
{
    struct Case
    {
        const char* change;
        const char* named;
    };
    const Case cases[] = {
        {"update T_Device1 set Remark=cast(x'41FF42' as text) where DeviceNo=7",
         "infoMachines[0].Remark"},
        {"update T_Device3 set CallNo='many' where CodeNo='A1B2C1'", "callers[0].CallNo"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(db_.Execute("begin"));
        ASSERT_TRUE(db_.Execute(c.change)) << db_.GetErrorDescription();
        std::string error;
        EXPECT_FALSE(ExportConfigFile(db_, "店'一", error).has_value()) << c.named;
        EXPECT_EQ(error.rfind(c.named, 0), 0u) << error;
        ASSERT_TRUE(db_.Execute("rollback"));
    }
}

TEST_F(ConfigJsonTest, DocumentFilesAreReadWithinTheLimitAndWrittenWhole)
{
    std::string error;
    const std::string path = folder_.File("site.json");
    ASSERT_TRUE(WriteConfigJsonFile(path, Export("店'一"), error)) << error;
    EXPECT_TRUE(ReadConfigJsonFile(path, error).has_value()) << error;
    EXPECT_FALSE(test::Exists(path + ".part"));

    // A folder that does not exist: nothing written, nothing left behind.
    const std::string nowhere = folder_.File("missing/site.json");
    EXPECT_FALSE(WriteConfigJsonFile(nowhere, "{}", error));
    EXPECT_FALSE(test::Exists(nowhere + ".part"));
    EXPECT_FALSE(ReadConfigJsonFile(nowhere, error).has_value());
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;

    // A sparse file past the limit is refused from its size.
    const std::string big = folder_.File("big.json");
    std::filesystem::resize_file((std::ofstream(PathFromUtf8(big)), PathFromUtf8(big)),
                                 kMaxConfigJsonBytes + 1);
    EXPECT_FALSE(ReadConfigJsonFile(big, error).has_value());
    EXPECT_NE(error.find("more than"), std::string::npos) << error;
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
    ASSERT_EQ(ImportConfigFile(db_, document.dump(), "", true, error), JsonImportResult::Imported)
        << error;
    EXPECT_EQ(FindConfigFile(db_, "target")->deviceType, FileType::QX);
    EXPECT_EQ(Count("select * from T_Device1 where FileName='target'"), 2);
    EXPECT_EQ(Count("select * from T_Device1 where FileName='target' and DeviceNo=7"), 1);
    EXPECT_EQ(Count("select * from T_Device3 where FileName='target'"), 2);
}

TEST_F(ConfigJsonTest, AFailureInTheMiddleWritesNothing)
{
    const std::string document = Export("店'一");
    ASSERT_TRUE(
        db_.Execute("create trigger refuse before insert on T_Device3 when NEW.FileName='new' "
                    "begin select raise(abort, 'refused'); end"));
    std::string error;
    EXPECT_EQ(ImportConfigFile(db_, document, "new", false, error), JsonImportResult::Failed);
    EXPECT_FALSE(FindConfigFile(db_, "new").has_value());
    EXPECT_EQ(Count("select * from T_Device1 where FileName='new'"), 0);
    EXPECT_EQ(ExportConfigFile(db_, "none", error), std::nullopt);
    EXPECT_NE(error.find("不存在"), std::string::npos);
}

} // namespace
} // namespace px
