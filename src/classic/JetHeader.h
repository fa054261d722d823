#pragma once

// The first page of a Jet database (.mdb of Access 97 = Jet 3, Access 2000 and later = Jet 4),
// read by this program itself before any library opens the file: a file that is not a Jet
// database, is shorter than two pages, or carries a database password other than the classic
// tool's own is refused here.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace px {

enum class JetVersion
{
    Jet3, // 2 KiB pages, text in the code page of the header
    Jet4, // 4 KiB pages, text in UTF-16LE
};

// The database password the classic tool opened its file with. A file that carries it (or none)
// is the tool's own; any other password is the owner's, and is not ours to get round.
inline constexpr const char* kClassicDatabasePassword = "73914";

struct JetHeader
{
    JetVersion version = JetVersion::Jet4;
    std::size_t pageSize = 4096;
    std::uint16_t codePage = 0; // the Windows code page of Jet 3 text
    bool ownPassword = false;   // protected with the classic tool's password
};

enum class JetHeaderProblem
{
    None,
    NotJet,    // no Jet signature, or a version this program does not read
    Truncated, // shorter than two pages
    Password,  // protected with another database password
};

// The header of a file's first bytes (at least its first page, and the file's whole size).
// Nothing, with the problem and a message, when the file cannot be read as ours.
std::optional<JetHeader> ReadJetHeader(std::span<const std::uint8_t> firstPage,
                                       std::uintmax_t fileSize, JetHeaderProblem& problem,
                                       std::string& message);

// The RC4 stream cipher, with which Jet masks part of its header page.
void JetRc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

} // namespace px
