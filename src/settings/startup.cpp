#include "settings/startup.h"

namespace quarex {

void initialiseLibrary(const StartupOptions& options)
{
    initialisePaths(options);
    createScratchFile();
}

} // namespace quarex
