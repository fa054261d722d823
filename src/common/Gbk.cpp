#include "common/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace px {

namespace {

struct IconvCloser
{
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenIconv(const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return IconvHandle(cd);
}

} // namespace

std::optional<GbkBytes> ToGbk(std::string_view utf8)
{
    IconvHandle cd = OpenIconv("GBK", "UTF-8");
    if (!cd)
        return std::nullopt;
    GbkBytes out(utf8.size() * 2 + 4);
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* outPtr = reinterpret_cast<char*>(out.data());
    std::size_t outLeft = out.size();
    if (iconv(static_cast<iconv_t>(cd.get()), &in, &inLeft, &outPtr, &outLeft) ==
        static_cast<std::size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

std::string FromGbk(const std::uint8_t* data, std::size_t size)
{
    IconvHandle cd = OpenIconv("UTF-8", "GBK");
    std::string text;
    if (!cd)
        return text;
    char* in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(data));
    std::size_t inLeft = size;
    while (inLeft > 0) {
        char buffer[256];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc =
            iconv(static_cast<iconv_t>(cd.get()), &in, &inLeft, &outPtr, &outLeft);
        text.append(buffer, sizeof buffer - outLeft);
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // An invalid or cut-off sequence: show a replacement character, go on after it.
            text += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    return text;
}

GbkBytes CutGbk(const GbkBytes& bytes, std::size_t maxBytes)
{
    std::size_t end = 0;
    while (end < bytes.size()) {
        const std::size_t width = bytes[end] >= 0x81 && bytes[end] <= 0xFE ? 2 : 1;
        if (end + width > maxBytes || end + width > bytes.size())
            break;
        end += width;
    }
    return GbkBytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

} // namespace px
