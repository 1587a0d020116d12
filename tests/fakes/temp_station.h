#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/file_path.h"
#include "core/session.h"
#include "tests/fakes/scratch_dir.h"

namespace quillon::test {

// A throw-away program directory: a settings file, a Resources folder with the pictures it names,
// and empty Projects and EDSFiles folders. Removed again when the object goes.
class TempStation
{
public:
    TempStation()
    {
        std::filesystem::create_directories(m_dir / "Resources");
        std::filesystem::create_directories(m_dir / "Projects");
        std::filesystem::create_directories(m_dir / "EDSFiles");
        writeResource("HB612.wmf", "picture");
    }

    [[nodiscard]] std::string dir() const { return m_dir.string(); }
    // Ends with the platform's separator, as the program builds its default folders.
    [[nodiscard]] std::string resources() const
    {
        return (m_dir / "Resources").string() + PathSeparator;
    }
    [[nodiscard]] std::string iniPath() const { return (m_dir / "Quillon.ini").string(); }

    void writeIni(std::string_view bytes) const { writeFile(iniPath(), bytes); }
    void writeResource(const std::string& name, std::string_view bytes) const
    {
        writeFile(resources() + name, bytes);
    }
    static void writeFile(const std::string& path, std::string_view bytes)
    {
        std::ofstream out(toFsPath(path), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    // A session pointed at this directory, not yet started.
    [[nodiscard]] Session session() const
    {
        Session s;
        s.programDir = dir();
        s.iniPath = iniPath();
        s.clock = [] { return DateTime{2009, 6, 30, 21, 5, 9}; };
        return s;
    }

private:
    ScratchDir m_scratch{"quillon-test"};
    const std::filesystem::path& m_dir = m_scratch.path();
};

} // namespace quillon::test
