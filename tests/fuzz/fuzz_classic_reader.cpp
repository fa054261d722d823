// What this program makes of a classic Jet database without the library: the header check and
// the reader process's output, which the importer must not trust. The first byte chooses
// which; the properties: nothing crashes, a header accepted is one of the two versions with its
// page size, and a dump accepted keeps within the limits asked for and decodes without fault.

#include "FuzzOracle.h"
#include "classic/ClassicLibrary.h"
#include "classic/JetHeader.h"

#include <cstdint>
#include <string>
#include <vector>

using px::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    if (data[0] % 2 == 0) {
        px::JetHeaderProblem problem = px::JetHeaderProblem::None;
        std::string message;
        const auto header = px::ReadJetHeader(rest, rest.size(), problem, message);
        Check(header.has_value() == (problem == px::JetHeaderProblem::None), "problem said");
        if (header)
            Check(header->pageSize == (header->version == px::JetVersion::Jet3 ? 2048u : 4096u) &&
                      rest.size() >= 2 * header->pageSize,
                  "accepted header is whole");
        else
            Check(!message.empty(), "a refusal says why");
        return 0;
    }
    const std::string text(rest.begin(), rest.end());
    const std::vector<std::pair<std::string, std::uint64_t>> structureLimits{
        {"T_FileName", 3}, {"T_Device1", 0}, {"T_Device2", 0}, {"T_Device3", 0},
        {"T_CallType", 0}, {"T_KeyName", 0}, {"T_Type", 0}};
    std::string error;
    const auto dump = px::ParseClassicDump(text, structureLimits, error);
    if (!dump) {
        Check(!error.empty(), "a refused dump says why");
        return 0;
    }
    for (const px::DumpedTable& table : dump->tables) {
        for (const auto& row : table.rows)
            Check(row.size() == table.columns.size(), "rows fit their columns");
        Check(table.rows.size() <= table.rowCount, "no more rows than counted");
    }
    // The same text as the registrations pass, decoded in both code pages.
    const auto registrations = px::ParseClassicDump(
        text, {{"T_Device1", 1500}, {"T_Device2", 300}, {"T_Device3", 6000}}, error);
    for (const std::uint16_t codePage : {std::uint16_t{936}, std::uint16_t{1252}}) {
        px::JetHeader header;
        header.version = codePage == 936 ? px::JetVersion::Jet3 : px::JetVersion::Jet4;
        px::ClassicLibrary library;
        const auto outcome = px::LibraryFromDump(*dump, registrations.value_or(px::ClassicDump{}),
                                                 header, {{}, codePage}, library);
        Check(outcome.Ok() || !outcome.message.empty(), "a refusal says why");
    }
    return 0;
}
