// Pictures of the main window drawn at run time: the application picture and the small printer.
#pragma once

#include <QPixmap>

// The application picture (a disc under a magnifying glass), `size` pixels square.
QPixmap applicationPicture(int size);
// A small printer for the PrintTexte button.
QPixmap printerPicture(int size);
