#include "transfer/TableDownload.h"
#include "transfer/Verify.h"

#include "hostlink/HostFixture.h"
#include "storage/ConfigFiles.h"
#include "storage/Schema.h"

namespace px {
namespace {

class VerifyTest : public test::HostFixture
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(EnsureDatabase(folder_.File("Database/DADE.db"), error)) << error;
        ASSERT_TRUE(db_.Open(connection_));
        ASSERT_TRUE(InsertConfigFile(db_, "f", 0));
        ASSERT_TRUE(db_.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                                "(3,'0000123','前台','f',4),(7,'2097151','','f',0)"));
        ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,"
                                "DeviceNo3,DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,"
                                "CodeType,FileName) values ('a1b2c1',1,'八号桌','结账',3,-1,-1,-1,-1,-1,-1,"
                                "-1,0,0,'f'),('A1B2C2',1,'八号桌','加水',3,7,-1,-1,-1,-1,-1,-1,1,0,'f')"));
        ASSERT_TRUE(db_.Execute("insert into T_Device2 (DeviceNo,Address,Remark,FileName) values (5,'1a2b','','f')"));
        ASSERT_EQ(DownloadInfoMachines(exchange_, connection_, "f"), DownloadOutcome::Sent);
        ASSERT_EQ(DownloadCallers(exchange_, connection_, "f"), DownloadOutcome::Sent);
        ASSERT_EQ(DownloadHandhelds(exchange_, connection_, "f"), DownloadOutcome::Sent);
    }

    std::vector<Difference> Verify()
    {
        std::string error;
        const auto differences = VerifyConfigFile(exchange_, db_, "f", error);
        EXPECT_TRUE(differences.has_value()) << error;
        return differences.value_or(std::vector<Difference>{});
    }

    std::string connection_ = MakeConnectionString(folder_.File("Database/DADE.db"));
    CADODatabase db_;
};

TEST_F(VerifyTest, RightAfterADownloadEverythingMatches)
{
    // Leading zeros, a lower-case code and the remark do not travel: no difference for them.
    EXPECT_TRUE(Verify().empty());
}

TEST_F(VerifyTest, AnEditedRowInTheFileIsReportedFieldByField)
{
    ASSERT_TRUE(db_.Execute("update T_Device3 set KeyName='取消', ZhuiHu=2 where CodeNo='A1B2C2'"));
    const auto differences = Verify();
    ASSERT_EQ(differences.size(), 2u);
    for (const Difference& d : differences) {
        EXPECT_EQ(d.table, "callers");
        EXPECT_EQ(d.key, "A1B2C2");
        EXPECT_EQ(d.kind, Difference::Kind::Different);
    }
    EXPECT_EQ(differences[0].fileValue, "取消");
    EXPECT_EQ(differences[0].hostValue, "加水");
}

TEST_F(VerifyTest, MissingAndExtraRows)
{
    ASSERT_TRUE(db_.Execute("insert into T_Device1 (DeviceNo,Address,FileName,TypeNo) values (9,'9','f',0)"));
    ASSERT_TRUE(db_.Execute("delete from T_Device2 where FileName='f'"));
    const auto differences = Verify();
    ASSERT_EQ(differences.size(), 2u);
    EXPECT_EQ(differences[0].table, "im");
    EXPECT_EQ(differences[0].key, "9");
    EXPECT_EQ(differences[0].kind, Difference::Kind::Missing);
    EXPECT_EQ(differences[1].table, "handhelds");
    EXPECT_EQ(differences[1].key, "5");
    EXPECT_EQ(differences[1].kind, Difference::Kind::Extra);
}

TEST_F(VerifyTest, AChangeInTheHostsStateIsReported)
{
    host_.State().tables[0x65][10] = 124; // pager 3's address on the host
    const auto differences = Verify();
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences[0].key, "3");
    EXPECT_EQ(differences[0].fileValue, "123");
    EXPECT_EQ(differences[0].hostValue, "124");
}

TEST_F(VerifyTest, NoHostOrNoFile)
{
    std::string error;
    EXPECT_FALSE(VerifyConfigFile(exchange_, db_, "nope", error).has_value());
    backend_.RemoveDevice(device_);
    EXPECT_FALSE(VerifyConfigFile(exchange_, db_, "f", error).has_value());
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace px
