#pragma once

#include <cstdint>
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

    // Starts the text viewer on the given command-line text without waiting for it to be closed.
    // False when no viewer could be started.
    [[nodiscard]] virtual bool openInTextEditor(const std::string& parameters,
                                                const std::string& workingDirectory) = 0;

    // The window that owns what the system opens (the main window's native handle); 0 for none.
    void setOwnerWindow(std::uintptr_t nativeHandle) { m_ownerWindow = nativeHandle; }
    [[nodiscard]] std::uintptr_t ownerWindow() const { return m_ownerWindow; }

private:
    std::uintptr_t m_ownerWindow = 0;
};

// The implementation for the platform this program was built for.
std::unique_ptr<System> makePlatformSystem();

} // namespace quillon
