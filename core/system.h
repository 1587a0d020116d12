#pragma once

#include <memory>
#include <string>

namespace quillon {

// Services of the operating system that differ between Windows and the rest.
class System
{
public:
    virtual ~System() = default;

    // The value at a full registry path such as "HKEY_LOCAL_MACHINE\SOFTWARE\...\CoEDSPath",
    // or "" on any failure.
    virtual std::string readRegistryString(const std::string& fullValuePath) = 0;

    // Starts the text viewer on the given command-line text without waiting for it.
    virtual void openInTextEditor(const std::string& parameters,
                                  const std::string& workingDirectory) = 0;
};

// The implementation for the platform this program was built for.
std::unique_ptr<System> makePlatformSystem();

} // namespace quillon
