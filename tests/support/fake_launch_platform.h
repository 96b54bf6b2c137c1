// A launching platform for tests: associations given by the test, starts and opens recorded, nothing run.
#pragma once

#include "desktop/launch.h"

#include <map>
#include <string>
#include <vector>

namespace quarex::test {

class FakeLaunchPlatform final : public LaunchPlatform {
public:
    struct Start {
        std::string program;
        std::vector<std::string> arguments;
        std::string workingDirectory;
    };
    std::map<std::string, std::string> associations; // document -> command
    std::vector<std::string> runner;
    std::vector<Start> starts;
    std::vector<std::string> opened;
    int openResult = 42;
    bool startFails = false;

    std::string desktopAssociation(const std::string& document) override
    {
        auto it = associations.find(document);
        return it == associations.end() ? std::string() : it->second;
    }
    std::vector<std::string> windowsProgramRunner() override { return runner; }
    StartResult startDetached(const std::string& program, const std::vector<std::string>& arguments,
        const std::string& workingDirectory) override
    {
        if (startFails)
            return { false, 0, "refusé par le système" };
        starts.push_back({ program, arguments, workingDirectory });
        return { true, 4242, "" };
    }
    int openWithDesktop(const std::string& document) override
    {
        opened.push_back(document);
        return openResult;
    }
};

// Installs a launching platform for the life of a test.
class ScopedLaunchPlatform {
public:
    explicit ScopedLaunchPlatform(LaunchPlatform& p) { setLaunchPlatform(&p); }
    ~ScopedLaunchPlatform() { setLaunchPlatform(nullptr); }
    ScopedLaunchPlatform(const ScopedLaunchPlatform&) = delete;
    ScopedLaunchPlatform& operator=(const ScopedLaunchPlatform&) = delete;
};

} // namespace quarex::test
