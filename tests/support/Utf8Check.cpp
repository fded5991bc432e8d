#include "tests/support/Utf8Check.h"

#include <iconv.h>

namespace oq::test {

bool ConvertsFromUtf8(const std::string& text)
{
    const iconv_t convert = iconv_open("UTF-32LE", "UTF-8");
    if (convert == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string in = text;
    // UTF-32 takes four bytes a character, and no character fewer than one.
    std::string out(in.size() * 4 + 4, '\0');
    char* from = in.data();
    char* to = out.data();
    std::size_t left = in.size();
    std::size_t room = out.size();
    const std::size_t result = iconv(convert, &from, &left, &to, &room);
    iconv_close(convert);
    return result != static_cast<std::size_t>(-1) && left == 0;
}

} // namespace oq::test
