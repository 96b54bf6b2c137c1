// The folder each kind of save dialog last wrote to, kept in the settings file (section "Dossiers"), so
// that the next dialog of that kind opens there instead of in the program's folder.
#pragma once

#include <string>

namespace quarex {

enum class SaveKind { Export, Html, Pdf };

// The kind of a save dialog from the extension it proposes (".htm": HTML; ".pdf": PDF; others: export).
SaveKind saveKindForExtension(const std::string& ext);
// The folder last used for a kind, or "" when none was recorded or it is gone.
std::string lastSaveFolder(SaveKind kind);
// Records the folder of a file just chosen for a kind.
void rememberSaveFolder(SaveKind kind, const std::string& file);

} // namespace quarex
