#include "ui/print_commands_qt.h"

#include "ui/busy_qt.h"
#include "print/export_dialog.h"
#include "ui/preview_engine_qt.h"
#include "print/prt_preview.h"

#include <QString>

#include <memory>

namespace quarex {

void printTable(const Grid& grid, const std::string& title)
{
    BusyOn();
    {
        QtPreviewEngine engine;
        previewTable(engine, grid, title);
    }
    BusyOff();
}

std::string withCrLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\r\n";
        } else if (ch == '\n') {
            out += "\r\n";
        } else if (text.compare(i, 3, "\xE2\x80\xA9") == 0) {
            out += "\r\n";
            i += 2;
        } else {
            out += ch;
        }
    }
    return out;
}

void printText(const std::string& text)
{
    BusyOn();
    {
        QtPreviewEngine engine;
        previewText(engine, withCrLf(text));
    }
    BusyOff();
}

void printText(const QString& text) { printText(text.toStdString()); }

void ExportGridDialog(const Grid& grid)
{
    // The file is written in one go: the bar only shows that the program works (and the window is
    // painted again where the save dialog was).
    std::unique_ptr<BusyProgress> progress;
    BusyHooks busy { [&progress] { progress = std::make_unique<BusyProgress>(); },
        [&progress] {
            progress.reset();
            BusyOff();
        } };
    ExportGridDialog(grid, busy);
}

} // namespace quarex
