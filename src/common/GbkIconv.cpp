#include "common/GbkCodec.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace px::gbk {

namespace {

struct IconvCloser
{
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenIconv(const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    // iconv_open reports failure as (iconv_t)-1.
    if (cd == reinterpret_cast<iconv_t>(-1)) // NOLINT(performance-no-int-to-ptr)
        return nullptr;
    return IconvHandle(cd);
}

} // namespace

bool ConverterPresent()
{
    return OpenIconv("GBK", "UTF-8") != nullptr && OpenIconv("UTF-8", "GBK") != nullptr;
}

std::optional<GbkBytes> Encode(std::string_view utf8)
{
    IconvHandle cd = OpenIconv("GBK", "UTF-8");
    if (!cd)
        return std::nullopt;
    GbkBytes out(utf8.size() * 2 + 4);
    char* in = const_cast<char*>(utf8.data()); // iconv's signature; the input is only read
    std::size_t inLeft = utf8.size();
    char* outPtr = reinterpret_cast<char*>(out.data());
    std::size_t outLeft = out.size();
    if (iconv(static_cast<iconv_t>(cd.get()), &in, &inLeft, &outPtr, &outLeft) ==
        static_cast<std::size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

std::optional<std::string> Decode(const char* data, std::size_t size, bool strict)
{
    IconvHandle cd = OpenIconv("UTF-8", "GBK");
    if (!cd)
        return std::nullopt;
    std::string text;
    char* in = const_cast<char*>(data);
    std::size_t inLeft = size;
    while (inLeft > 0) {
        char buffer[1024];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc =
            iconv(static_cast<iconv_t>(cd.get()), &in, &inLeft, &outPtr, &outLeft);
        text.append(buffer, sizeof buffer - outLeft);
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            if (strict)
                return std::nullopt;
            // An invalid or cut-off sequence: a replacement character, then on after it.
            text += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    return text;
}

} // namespace px::gbk
