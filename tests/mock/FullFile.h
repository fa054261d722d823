#pragma once

#include "storage/Database.h"
#include "storage/Transaction.h"

#include <cstdio>
#include <string>

namespace px::test {

// A full PX configuration file: 500 information machines, 100 handheld callers and 1999
// caller keys (three keys per caller), in one transaction.
inline bool FillFullPxFile(Database& db, const std::string& name)
{
    Transaction transaction(db);
    bool ok = transaction.Began() &&
              db.Execute("insert into T_FileName (FileName,DeviceType) values (?,0)", {name});
    for (int pager = 0; ok && pager < 500; ++pager)
        ok = db.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                        "(?,?,?,?,?)",
                        {std::int64_t{pager}, std::to_string(100000 + pager),
                         "备注" + std::to_string(pager), name, std::int64_t{pager % 5}});
    for (int number = 1; ok && number <= 100; ++number) {
        char code[8];
        std::snprintf(code, sizeof code, "%04X", 0x1000 + number);
        ok = db.Execute(
            "insert into T_Device2 (DeviceNo,Address,Remark,FileName) values (?,?,?,?)",
            {std::int64_t{number}, std::string(code), "手持" + std::to_string(number), name});
    }
    for (int key = 0; ok && key < 1999; ++key) {
        char code[8];
        std::snprintf(code, sizeof code, "%05X%d", 0x10000 + key / 3, key % 3 + 1);
        ok = db.Execute(
            "insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,"
            "DeviceNo3,DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,"
            "FileName) values (?,?,?,?,?,-1,-1,-1,?,-1,?,-1,?,0,?)",
            {std::string(code), std::int64_t{key / 3 + 1}, std::to_string(key / 3 + 1) + "号桌",
             "呼叫服务", std::int64_t{key % 500}, std::int64_t{(key + 7) % 500},
             std::int64_t{(key + 9) % 500}, std::int64_t{key % 3}, name});
    }
    return ok && transaction.Commit();
}

} // namespace px::test
