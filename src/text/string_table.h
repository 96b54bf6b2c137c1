// The numbered texts of the program (captions, help lines, messages), from resources/strings.txt.
#pragma once

#include <string>

namespace quarex {

// The text of a string id, or "" when the id is unknown.
const std::string& sLoadString(int id);
// True when the table holds the id.
bool hasString(int id);

} // namespace quarex
