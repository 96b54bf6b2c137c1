// Colour values: six hexadecimal digits (red, green, blue) and their components.
#pragma once

#include <string>
#include <string_view>

namespace quarex {

// True when the first character, upper-cased, is a hexadecimal digit; false for an empty text.
bool IsHexDigit(std::string_view sCar);
// The value of one hexadecimal digit (0 to 15), upper case or lower case; 0 for anything else.
int HexaToDecimal(std::string_view sCar);
// The colour of a text of at most six hexadecimal digits (padded on the left with "0") as
// red + 256 × green + 65536 × blue, components in the out-parameters; 0 and nothing changed when it is no colour.
long Hexa2RGB(std::string_view sHexa, int& iRouge, int& iVert, int& iBleu);
// The colour text of three components (each limited to 0..255): six upper-case hexadecimal digits.
std::string sRGB2Hexa(int iRouge, int iVert, int iBleu);

} // namespace quarex
