#include "html/lib_rgb.h"

#include "text/text.h"

#include <algorithm>

namespace quarex {

bool IsHexDigit(std::string_view sCar)
{
    if (sCar.empty())
        return false;
    constexpr std::string_view digits = "0123456789ABCDEF";
    return digits.find(upperAscii(sCar.front())) != std::string_view::npos;
}

int HexaToDecimal(std::string_view sCar)
{
    if (sCar.empty())
        return 0;
    char c = upperAscii(sCar.front());
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 55;
    return 0;
}

long Hexa2RGB(std::string_view sHexa, int& iRouge, int& iVert, int& iBleu)
{
    if (sHexa.empty() || sHexa == "0" || sHexa.size() > 6)
        return 0;
    for (std::size_t i = 0; i < sHexa.size(); ++i)
        if (!IsHexDigit(sHexa.substr(i, 1)))
            return 0;
    std::string text = std::string(6 - sHexa.size(), '0') + std::string(sHexa);
    auto component = [&](std::size_t at) {
        return 16 * HexaToDecimal(text.substr(at, 1)) + HexaToDecimal(text.substr(at + 1, 1));
    };
    iRouge = component(0);
    iVert = component(2);
    iBleu = component(4);
    return iRouge + 256L * iVert + 65536L * iBleu;
}

std::string sRGB2Hexa(int iRouge, int iVert, int iBleu)
{
    constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (int v : { iRouge, iVert, iBleu }) {
        v = std::clamp(v, 0, 255);
        out += digits[v / 16];
        out += digits[v % 16];
    }
    return out;
}

} // namespace quarex
