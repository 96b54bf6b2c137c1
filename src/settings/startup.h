// Start-up of the library, shared by the window and quarex-scan.
#pragma once

#include "settings/app_paths.h"
#include "settings/scratch_files.h"

namespace quarex {

// Start-up initialisation of the library: settings file, scratch file (created empty), help file,
// current directory. Call it once before any other routine of LIB_INI.
void initialiseLibrary(const StartupOptions& options = {});

} // namespace quarex
