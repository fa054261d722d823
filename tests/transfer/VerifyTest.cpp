#include "transfer/Verify.h"

#include "hostlink/HostFixture.h"
#include "mock/ScratchDatabase.h"
#include "storage/ConfigFiles.h"
#include "transfer/ReadBack.h"
#include "transfer/TableDownload.h"

#include <algorithm>

namespace px {
namespace {

class VerifyTest : public test::HostFixture
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch_.Create());
        ASSERT_TRUE(InsertConfigFile(db_, "f", FileType::PX));
        ASSERT_TRUE(
            db_.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                        "(3,'0000123','前台','f',4),(7,'2097151','','f',0)"));
        ASSERT_TRUE(
            db_.Execute("insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,"
                        "DeviceNo3,DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,"
                        "CodeType,FileName) values ('a1b2c1',1,'八号桌','结账',3,-1,-1,-1,-1,-1,-1,"
                        "-1,0,0,'f'),('A1B2C2',1,'八号桌','加水',3,7,-1,-1,-1,-1,-1,-1,1,0,'f')"));
        ASSERT_TRUE(db_.Execute(
            "insert into T_Device2 (DeviceNo,Address,Remark,FileName) values (5,'1a2b','','f')"));
        ASSERT_EQ(DownloadTable(exchange_, db_, TableKind::InfoMachines, "f").outcome,
                  DownloadOutcome::Sent);
        ASSERT_EQ(DownloadTable(exchange_, db_, TableKind::Callers, "f").outcome,
                  DownloadOutcome::Sent);
        ASSERT_EQ(DownloadTable(exchange_, db_, TableKind::Handhelds, "f").outcome,
                  DownloadOutcome::Sent);
    }

    std::vector<Difference> Verify()
    {
        const Reading<std::vector<Difference>> differences = VerifyConfigFile(exchange_, db_, "f");
        EXPECT_TRUE(differences.value.has_value())
            << ::testing::PrintToString(differences.notices.Texts());
        return differences.value.value_or(std::vector<Difference>{});
    }

    test::ScratchDatabase scratch_{folder_};
    Database& db_ = scratch_.Db();
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
    ASSERT_TRUE(db_.Execute(
        "insert into T_Device1 (DeviceNo,Address,FileName,TypeNo) values (9,'9','f',0)"));
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

// Each case changes the file or the host after a good download; verify must not say "match".
struct FalseMatchCase
{
    const char* what;
    const char* fileChange; // SQL run on the database, or nullptr
    void (*hostChange)(SimHostState& state);
    std::string table;
    std::string key;
    Difference::Kind kind;
};

void NoHostChange(SimHostState&) {}

void DoublePagerThree(SimHostState& state)
{
    Bytes& table = state.tables[0x65];
    table.insert(table.end(), table.begin(), table.begin() + 30);
}

const FalseMatchCase kFalseMatchCases[] = {
    {"a caller name GBK cannot hold",
     "update T_Device3 set CallName='八号\xF0\x9F\x98\x80' where CodeNo='a1b2c1'", NoHostChange,
     "callers", "a1b2c1", Difference::Kind::CannotSend},
    {"the host holds a pager twice", nullptr, DoublePagerThree, "im", "3",
     Difference::Kind::DuplicateOnHost},
    {"an address past 24 bits wraps to the same bytes",
     "update T_Device1 set Address='16777339' where DeviceNo=3", NoHostChange, "im", "3",
     Difference::Kind::CannotSend},
    {"an address past 21 bits", "update T_Device1 set Address='2097152' where DeviceNo=7",
     NoHostChange, "im", "7", Difference::Kind::CannotSend},
    {"an address that is not a number", "update T_Device1 set Address='12ab' where DeviceNo=3",
     NoHostChange, "im", "3", Difference::Kind::CannotSend},
    {"a handheld code that is not hexadecimal",
     "update T_Device2 set Address='zz2b' where DeviceNo=5", NoHostChange, "handhelds", "5",
     Difference::Kind::CannotSend},
    {"a handheld number past one byte", "update T_Device2 set DeviceNo=261 where DeviceNo=5",
     NoHostChange, "handhelds", "261", Difference::Kind::CannotSend},
    {"a caller number past 65535", "update T_Device3 set CallNo=65537 where CodeNo='A1B2C2'",
     NoHostChange, "callers", "A1B2C2", Difference::Kind::CannotSend},
    {"an escalation past 2", "update T_Device3 set ZhuiHu=258 where CodeNo='A1B2C2'", NoHostChange,
     "callers", "A1B2C2", Difference::Kind::CannotSend},
    {"the same code twice in the file, once in lower case",
     "insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,DeviceNo3,"
     "DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,FileName) select "
     "'a1b2c2',CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,DeviceNo3,DeviceNo4,DeviceNo5,"
     "DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,FileName from T_Device3 where CodeNo='A1B2C2'",
     NoHostChange, "callers", "A1B2C2", Difference::Kind::DuplicateInFile},
    {"a pager twice in the file",
     "insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
     "(3,'0000123','','f',4)",
     NoHostChange, "im", "3", Difference::Kind::DuplicateInFile},
    {"a receiver type the record cannot carry", "update T_Device1 set TypeNo=9 where DeviceNo=7",
     NoHostChange, "im", "7", Difference::Kind::CannotSend},
};

TEST_F(VerifyTest, EveryWayTheHostCanDifferIsReported)
{
    for (const FalseMatchCase& c : kFalseMatchCases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(db_.Execute("begin"));
        if (c.fileChange != nullptr) {
            ASSERT_TRUE(db_.Execute(c.fileChange)) << db_.GetErrorDescription();
        }
        const SimHostState saved = host_.State();
        c.hostChange(host_.State());

        const auto differences = Verify();
        const bool found =
            std::any_of(differences.begin(), differences.end(), [&](const Difference& d) {
                return d.table == c.table && d.key == c.key && d.kind == c.kind;
            });
        EXPECT_TRUE(found) << differences.size() << " differences, none of the expected kind";

        host_.State() = saved;
        ASSERT_TRUE(db_.Execute("rollback"));
    }
    EXPECT_TRUE(Verify().empty()) << "every case was undone";
}

TEST_F(VerifyTest, ARowTheDownloadRefusesIsNeverLeftOutAfterAFailedDownload)
{
    // The host holds the first key only; the second cannot be sent, so the download of the
    // whole table is refused and the host keeps what it had.
    ASSERT_TRUE(db_.Execute("delete from T_Device3 where CodeNo='A1B2C2'"));
    ASSERT_EQ(DownloadTable(exchange_, db_, TableKind::Callers, "f").outcome,
              DownloadOutcome::Sent);
    ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,ZhuiHu,CodeType,"
                            "FileName) values ('A1B2C3',1,'\xF0\x9F\x98\x80','',0,0,'f')"));
    const Bytes before = host_.State().tables.at(0x66);
    const DownloadReport refused = DownloadTable(exchange_, db_, TableKind::Callers, "f");
    EXPECT_EQ(refused.outcome, DownloadOutcome::Failed);
    EXPECT_EQ(host_.State().tables.at(0x66), before) << "nothing of the table was sent";
    ASSERT_FALSE(refused.notices.Empty());
    EXPECT_NE(refused.notices.Texts().front().find("A1B2C3"), std::string::npos) << "names the row";

    const auto differences = Verify();
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences[0].kind, Difference::Kind::CannotSend);
    EXPECT_EQ(differences[0].key, "A1B2C3");
    EXPECT_FALSE(differences[0].fileValue.empty()) << "the reason";
}

TEST_F(VerifyTest, NoHostOrNoFile)
{
    const Reading<std::vector<Difference>> noFile = VerifyConfigFile(exchange_, db_, "nope");
    EXPECT_FALSE(noFile.value.has_value());
    ASSERT_EQ(noFile.notices.Texts().size(), 1u);
    EXPECT_NE(noFile.notices.Texts()[0].find("nope"), std::string::npos);
    backend_.RemoveDevice(device_);
    const Reading<std::vector<Difference>> noHost = VerifyConfigFile(exchange_, db_, "f");
    EXPECT_FALSE(noHost.value.has_value());
    EXPECT_EQ(noHost.notices.Texts(), (std::vector<std::string>{kNoHostMessage}));
}

} // namespace
} // namespace px
