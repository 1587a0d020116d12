#include "core/settings.h"

#include <algorithm>

#include "core/file_access.h"
#include "core/file_name.h"
#include "core/file_path.h"
#include "core/item_reader.h"

namespace quillon {

namespace {

// A real settings file is a few kilobytes; anything far larger is not one.
constexpr std::size_t MaxSettingsBytes = 1u << 20;

class SettingsParser
{
public:
    SettingsParser(const std::string& bytes, const std::string& fileName,
                   const DefaultFolders& defaults)
        : m_reader(bytes), m_fileName(fileName), m_defaults(defaults)
    {}

    SettingsResult run()
    {
        while (!m_reader.atEnd()) {
            const int lineNo = m_reader.lineNumber();
            auto line = m_reader.readLine();
            if (!line)
                break;
            if (!dispatch(*line, lineNo))
                return std::move(m_result);
        }
        m_result.ok = true;
        return std::move(m_result);
    }

private:
    bool fail(int line, const std::string& why)
    {
        m_result.ok = false;
        m_result.error.detail = m_fileName + ", line " + std::to_string(line) + ": " + why;
        return false;
    }

    bool failRead(const char* what)
    {
        return fail(m_reader.lastReadLine(), std::string(what) + ": " + m_reader.lastError());
    }

    bool readPath(std::string& target, const std::string& defaultFolder)
    {
        auto value = m_reader.readLine();
        if (!value)
            return failRead("directory line missing");
        // The line is 8-bit text, as a Windows editor saves it; the folder name is not.
        target = value->empty() ? defaultFolder : fileTextToPath(*value);
        return true;
    }

    bool readLimits(IoLimits& limits)
    {
        for (int& limit : limits) {
            auto v = m_reader.readInt16();
            if (!v)
                return failRead("byte limit");
            limit = *v;
        }
        return true;
    }

    // A catalogue module's files are joined to the resource folder and must stay inside it.
    bool checkName(const char* what, const std::string& name, int line)
    {
        if (const auto why = whyNotPlainFileName(name)) {
            return fail(line, std::string(what) + " name " + quotedName(name) +
                                  " is no plain file name in the resource folder: it " + *why);
        }
        return true;
    }

    bool readModuleNames()
    {
        for (;;) {
            auto name = m_reader.readLine();
            if (!name)
                return failRead("module list not ended by [ModulInfo]");
            if (*name == "[ModulInfo]")
                return readModuleRecords();
            m_result.settings.moduleNames.push_back(std::move(*name));
        }
    }

    bool readModuleRecords()
    {
        Settings& s = m_result.settings;
        int n = 0;
        for (;;) {
            const int lineNo = m_reader.lineNumber();
            auto picture = m_reader.readText();
            if (!picture)
                return failRead("module record list not ended by [End]");
            if (*picture == "[End]")
                return true;
            if (n >= CatalogueCapacity)
                return fail(lineNo, "more than 61 module records");
            if (!checkName("picture file", *picture, m_reader.lastReadLine()))
                return false;
            ModuleInfo& m = s.catalogue[static_cast<std::size_t>(n)];
            m.PictureFile = std::move(*picture);
            int* counts[] = {&m.DigitalInBytes, &m.DigitalOutBytes, &m.AnalogInBytes,
                             &m.AnalogOutBytes};
            for (int* count : counts) {
                auto v = m_reader.readInt16();
                if (!v)
                    return failRead("module byte count");
                *count = *v;
            }
            auto resource = m_reader.readText();
            if (!resource)
                return failRead("module resource file");
            if (!checkName("resource file", *resource, m_reader.lastReadLine()))
                return false;
            m.ResourceFile = std::move(*resource);
            auto params = m_reader.readInt16();
            if (!params)
                return failRead("module parameter count");
            m.ParameterCount = *params;
            ++n;
            s.catalogueRecordCount = std::max(s.catalogueRecordCount, n);
        }
    }

    bool dispatch(const std::string& line, int lineNo)
    {
        (void)lineNo;
        Settings& s = m_result.settings;
        if (line == "[Projectpath]")
            return readPath(s.projectPath, m_defaults.projects);
        if (line == "[Resourcepath]")
            return readPath(s.resourcePath, m_defaults.resources);
        if (line == "[EDSFilepath]")
            return readPath(s.edsFilePath, m_defaults.edsFiles);
        if (line == "[MaxDIDOAIAO]")
            return readLimits(s.deviceNetLimits);
        if (line == "[CANMaxDIDOAIAO]")
            return readLimits(s.canOpenLimits);
        if (line == "[Modules]")
            return readModuleNames();
        if (line == "[ModulInfo]")
            return readModuleRecords();
        return true;
    }

    ItemReader m_reader;
    std::string m_fileName;
    DefaultFolders m_defaults;
    SettingsResult m_result;
};

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

SettingsResult parseSettings(const std::string& bytes, const std::string& fileName,
                             const DefaultFolders& defaults)
{
    return SettingsParser(bytes, fileName, defaults).run();
}

SettingsResult parseSettings(const std::string& bytes, const std::string& fileName,
                             const std::string& programDir)
{
    return parseSettings(bytes, fileName, portableFolders(programDir));
}

SettingsResult readSettingsFile(const std::string& path, const std::string& programDir)
{
    return readSettingsFile(path, portableFolders(programDir));
}

SettingsResult readSettingsFile(const std::string& path, const DefaultFolders& defaults)
{
    std::string whyNot;
    auto bytes = readTextFile(path, MaxSettingsBytes, &whyNot);
    if (!bytes) {
        SettingsResult result;
        result.error.detail = path + ": cannot be read: " + whyNot;
        return result;
    }
    return parseSettings(*bytes, baseName(path), defaults);
}

} // namespace quillon
