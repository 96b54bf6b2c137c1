// The launching platform of a freedesktop system: MIME types from Qt's database, default applications from
// the mimeapps.list files (then `xdg-mime`), Windows programs through the application associated with them
// (else Wine), processes started detached with QProcess, documents handed to `xdg-open` when we know no
// application for them.
#pragma once

#include "desktop/desktop_apps.h"
#include "desktop/launch.h"

#include <optional>
#include <string>
#include <vector>

namespace quarex {

class QtLaunchPlatform final : public LaunchPlatform {
public:
    struct Options {
        // Also ask the system's tools (xdg-mime, xdg-open) and look for Wine along the search path.
        bool systemFallbacks = true;
    };
    QtLaunchPlatform();
    explicit QtLaunchPlatform(Options options);

    std::string desktopAssociation(const std::string& document) override;
    std::vector<std::string> windowsProgramRunner() override;
    StartResult startDetached(const std::string& program, const std::vector<std::string>& arguments,
        const std::string& workingDirectory) override;
    int openWithDesktop(const std::string& document) override;

    // The MIME types of a file, most specific first: its own type (by name and contents), aliases, parents.
    static std::vector<std::string> mimeTypesOf(const std::string& path);
    // The application associated with a document, or nothing.
    std::optional<DesktopApplication> applicationFor(const std::string& document) const;

private:
    std::optional<DesktopApplication> askXdgMime(const XdgEnvironment& env, const std::string& mimeType) const;
    Options m_options;
};

// How long the status line says what was started.
inline constexpr int kLaunchNoticeMs = 30000;
// What the status line says of a started program: the file and what runs it (Wine named as such).
std::string sLaunchNotice(const std::string& program, const std::vector<std::string>& arguments);

// The MIME types under which the desktop files Windows programs.
const std::vector<std::string>& windowsProgramMimeTypes();

} // namespace quarex
