#include "classic/JetHeader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

namespace px {

namespace {

constexpr std::string_view kJetSignature{"Standard Jet DB"};
constexpr std::size_t kSignatureAt = 4;
constexpr std::size_t kVersionAt = 0x14;
constexpr std::size_t kMaskedAt = 0x18;
constexpr std::size_t kCodePageAt = 0x3c;
constexpr std::size_t kPasswordAt = 0x42;
// Jet 4 masks its password once more with the creation date kept here.
constexpr std::size_t kCreationDateAt = 0x72;

struct Layout
{
    std::size_t pageSize;
    std::size_t maskedLength;
    std::size_t passwordLength;
};
constexpr Layout kJet3Layout{2048, 126, 20};
constexpr Layout kJet4Layout{4096, 128, 40};

// The password as it would be stored, unmasked: one byte per character in Jet 3, UTF-16LE in
// Jet 4, zeros after it.
std::vector<std::uint8_t> StoredPassword(std::string_view password, bool jet4, std::size_t length)
{
    std::vector<std::uint8_t> bytes(length, 0);
    const std::size_t width = jet4 ? 2 : 1;
    for (std::size_t i = 0; i < password.size() && (i + 1) * width <= length; ++i)
        bytes[i * width] = static_cast<std::uint8_t>(password[i]);
    return bytes;
}

} // namespace

void JetRc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> data)
{
    std::array<std::uint8_t, 256> state{};
    for (std::size_t i = 0; i < state.size(); ++i)
        state[i] = static_cast<std::uint8_t>(i);
    std::size_t j = 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
        j = (j + state[i] + key[i % key.size()]) & 0xff;
        std::swap(state[i], state[j]);
    }
    std::size_t a = 0;
    std::size_t b = 0;
    for (std::uint8_t& byte : data) {
        a = (a + 1) & 0xff;
        b = (b + state[a]) & 0xff;
        std::swap(state[a], state[b]);
        byte ^= state[(state[a] + state[b]) & 0xff];
    }
}

std::optional<JetHeader> ReadJetHeader(std::span<const std::uint8_t> firstPage,
                                       std::uintmax_t fileSize, JetHeaderProblem& problem,
                                       std::string& message)
{
    problem = JetHeaderProblem::NotJet;
    if (firstPage.size() < kSignatureAt + kJetSignature.size() + 1 || firstPage[0] != 0 ||
        firstPage[1] != 1 ||
        std::string_view(reinterpret_cast<const char*>(firstPage.data()) + kSignatureAt,
                         kJetSignature.size()) != kJetSignature) {
        message = "this is not a Jet (Access .mdb) database";
        return std::nullopt;
    }
    if (firstPage.size() <= kVersionAt || firstPage[kVersionAt] > 1) {
        message = "this Jet database is of a version this program does not read (only Access 97 "
                  "and Access 2000-2003 .mdb files)";
        return std::nullopt;
    }
    const bool jet4 = firstPage[kVersionAt] == 1;
    const Layout layout = jet4 ? kJet4Layout : kJet3Layout;
    if (fileSize < 2 * layout.pageSize || firstPage.size() < layout.pageSize) {
        problem = JetHeaderProblem::Truncated;
        message = "the database is cut short: " + std::to_string(fileSize) +
                  " bytes, less than its first two pages";
        return std::nullopt;
    }
    std::vector<std::uint8_t> header(
        firstPage.begin(),
        firstPage.begin() + static_cast<std::ptrdiff_t>(kMaskedAt + layout.maskedLength));
    constexpr std::array<std::uint8_t, 4> kHeaderKey{0xc7, 0xda, 0x39, 0x6b};
    JetRc4(kHeaderKey, std::span(header).subspan(kMaskedAt, layout.maskedLength));

    std::vector<std::uint8_t> password(
        header.begin() + static_cast<std::ptrdiff_t>(kPasswordAt),
        header.begin() + static_cast<std::ptrdiff_t>(kPasswordAt + layout.passwordLength));
    if (jet4) {
        double created = 0;
        std::memcpy(&created, header.data() + kCreationDateAt, sizeof created);
        // The mask is the date's whole days as a little-endian 32-bit number.
        const auto days = created > -2147483648.0 && created < 2147483648.0
                              ? static_cast<std::uint32_t>(static_cast<std::int32_t>(created))
                              : 0u;
        for (std::size_t i = 0; i < password.size(); ++i)
            password[i] ^= static_cast<std::uint8_t>(days >> (8 * (i % 4)));
    }
    JetHeader result;
    result.version = jet4 ? JetVersion::Jet4 : JetVersion::Jet3;
    result.pageSize = layout.pageSize;
    result.codePage =
        static_cast<std::uint16_t>(header[kCodePageAt] | header[kCodePageAt + 1] << 8);
    const bool none = std::all_of(password.begin(), password.end(), [](auto b) { return b == 0; });
    result.ownPassword =
        password == StoredPassword(kClassicDatabasePassword, jet4, layout.passwordLength);
    if (!none && !result.ownPassword) {
        problem = JetHeaderProblem::Password;
        message = "the database is protected by a password that is not the classic tool's own; "
                  "remove the password in Access (or the program that set it) and import again";
        return std::nullopt;
    }
    problem = JetHeaderProblem::None;
    return result;
}

} // namespace px
