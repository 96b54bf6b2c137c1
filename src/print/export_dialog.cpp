#include "print/export_dialog.h"

#include "messages/messages.h"
#include "text/string_table.h"
#include "text/text.h"
#include "print/grid_export.h"

namespace quarex {

std::string ExportGridDialog(const Grid& grid, const BusyHooks& busy)
{
    const std::string option3 = "TXT";
    int choice = iChoixOptions(sLoadString(491), "CSV", "PRN", 0, &option3);
    if (choice < 0 || choice > 2) {
        if (busy.off)
            busy.off();
        return {};
    }
    const ExportForm& form = exportForm(choice);
    dialogue().restorePointer();
    std::string file
        = dialogue().saveFileName(sLoadString(form.titleId), form.filter, form.proposedName, form.extension);
    if (trim(file).empty())
        return {};
    if (busy.on)
        busy.on();
    bool written = GridExport(grid, file, form.separator, form.quote);
    if (busy.off)
        busy.off();
    return written ? file : std::string();
}

} // namespace quarex
