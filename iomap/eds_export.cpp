#include "iomap/eds_export.h"

#include "core/dialogs.h"
#include "core/file_access.h"
#include "core/session.h"
#include "core/system.h"

namespace quillon {

namespace {

bool isSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

std::string fileNameOf(const std::string& path)
{
    std::size_t start = path.size();
    while (start > 0 && !isSeparator(path[start - 1]))
        --start;
    return path.substr(start);
}

// Copies `source` over `destination` in one step: the destination is either the old file or the
// whole new one, never half of it. Reports a failure by naming both files.
bool copyReplacing(const std::string& source, const std::string& destination, Dialogs& dialogs)
{
    const std::string message =
        "Export failed: \"" + source + "\" could not be copied to \"" + destination + "\".";
    // The icon and the EDS are both far below the bound of an EDS file.
    std::string whyNot;
    const auto bytes = readFileBytes(source, EdsFileMaxBytes, &whyNot);
    if (!bytes) {
        dialogs.notice(message, source + ": " + whyNot);
        return false;
    }
    if (!writeFileAtomically(destination, *bytes, &whyNot)) {
        dialogs.notice(message, destination + ": " + whyNot);
        return false;
    }
    return true;
}

} // namespace

std::string exportedEdsName(const std::string& edsPath, const std::string& edsDirectory)
{
    // The name is cut at the length of the EDS directory, which keeps the directory's closing
    // separator in front of the file name.
    if (!edsDirectory.empty() && edsPath.size() > edsDirectory.size()) {
        const std::string cut = edsPath.substr(edsDirectory.size() - 1);
        bool onlyFileName = isSeparator(cut.front());
        for (std::size_t i = 1; i < cut.size() && onlyFileName; ++i)
            onlyFileName = !isSeparator(cut[i]);
        if (onlyFileName)
            return cut;
    }
    // Anywhere else the cut means nothing; the file keeps its own name.
    return std::string(1, PathSeparator) + fileNameOf(edsPath);
}

void ShowEds(Session& s, Dialogs& dialogs, System& system)
{
    s.ProjectName = s.view.text("Text9");
    if (!system.openInTextEditor(s.ProjectName, s.programDir))
        dialogs.notice(NoTextViewerMessage + s.ProjectName + ".");
}

ExportResult ExportEds(Session& s, Dialogs& dialogs, System& system)
{
    s.SyconEdsPath = system.readRegistryString(
        s.Protocol == FieldbusProtocol::DeviceNet ? DeviceNetEdsPathValue : CanOpenEdsPathValue);
    s.ProjectName = s.view.text("Text9");

    if (s.ProjectName == "*** New Project ***" || s.ProjectName == "none") {
        dialogs.notice(NoValidEdsMessage);
        return ExportResult::NoEds;
    }
    if (s.SyconEdsPath.empty()) {
        dialogs.notice(SyconPathMissingMessage);
        return ExportResult::NoFolder;
    }
    if (!dialogs.askYesNo(ExportQuestion))
        return ExportResult::Declined;

    if (!copyReplacing(s.gstrResourcePath + ExportIconFile,
                       s.SyconEdsPath + PathSeparator + ExportIconFile, dialogs))
        return ExportResult::CopyFailed;

    const std::string exportedName = exportedEdsName(s.ProjectName, s.gstrEDSFilePath);
    if (!copyReplacing(s.ProjectName, s.SyconEdsPath + exportedName, dialogs))
        return ExportResult::CopyFailed;

    dialogs.notice("EDS-File ..." + exportedName + " and Icon-File...\\" + ExportIconFile +
                   " exported to " + s.SyconEdsPath);
    return ExportResult::Exported;
}

} // namespace quillon
