#include "eds/generate.h"

#include <utility>

#include "core/dialogs.h"
#include "core/file_access.h"
#include "core/file_path.h"
#include "core/session.h"
#include "eds/canopen_eds.h"
#include "eds/devicenet_eds.h"
#include "eds/generation_run.h"
#include "eds/template_reader.h"

namespace quillon {

namespace {

constexpr int MaxPositions = 8;         // the head and seven modules
constexpr int MaxDigitalPdoBytes = 16;  // two digital PDOs of 8 bytes
constexpr int MaxAnaloguePdoBytes = 32; // four analogue PDOs of 8 bytes
// The DeviceNet I/O sizes ("Input1", "Output1") this station writes. The settings' limits keep a
// real station far below it (16 + 32 + 64 input bytes); beyond it the numbers only come from a
// broken project file.
constexpr int MaxDeviceNetConnectionBytes = 255;
constexpr int DeviceNetInputOverhead = 16; // the head's status bytes in front of the inputs

const char* byteKindName(int kind)
{
    static constexpr const char* Names[] = {"digital input", "digital output", "analogue input",
                                            "analogue output"};
    return Names[kind];
}

// The range checks that need no template: the number of positions, the byte counts of every
// module (a negative count would hide in the totals), and the byte totals that the protocol's
// I/O objects can carry.
std::optional<std::string> checkClusterShape(const Session& session, FieldbusProtocol protocol)
{
    if (session.UsedCount < 1 || session.UsedCount > MaxPositions) {
        return "EDS-File creation not possible! The cluster holds " +
               std::to_string(session.UsedCount) +
               " positions; an EDS describes at most 8 (the head and seven modules).";
    }
    for (int k = 0; k < session.UsedCount; ++k) {
        const ModuleInfo& module = session.ClusterSlots[static_cast<std::size_t>(k)];
        if (module.isFree())
            continue;
        const ByteCounts counts = module.bytes();
        for (int kind = 0; kind < ByteKindCount; ++kind) {
            const int bytes = counts[static_cast<std::size_t>(kind)];
            if (bytes < 0) {
                return "EDS-File creation not possible! The module in slot " +
                       std::to_string(k + 1) + " has a negative " + byteKindName(kind) +
                       " byte count (" + std::to_string(bytes) + ").";
            }
        }
    }
    for (int kind = 0; kind < ByteKindCount; ++kind) {
        const int bytes = session.UsedBytes[static_cast<std::size_t>(kind)];
        if (bytes < 0) {
            return "EDS-File creation not possible! The cluster's " +
                   std::string(byteKindName(kind)) + " byte count is negative (" +
                   std::to_string(bytes) + ").";
        }
    }
    if (protocol == FieldbusProtocol::DeviceNet) {
        const ByteCounts& used = session.UsedBytes;
        const int input = DeviceNetInputOverhead + used[DigitalIn] + used[AnalogIn];
        const int output = used[DigitalOut] + used[AnalogOut];
        for (const auto& [size, name] : {std::pair{input, "input"}, std::pair{output, "output"}}) {
            if (size > MaxDeviceNetConnectionBytes) {
                return "EDS-File creation not possible! The DeviceNet " + std::string(name) +
                       " size would be " + std::to_string(size) + " bytes; this station writes " +
                       "at most " + std::to_string(MaxDeviceNetConnectionBytes) + ".";
            }
        }
        return std::nullopt;
    }
    for (int kind = 0; kind < ByteKindCount; ++kind) {
        const int bytes = session.UsedBytes[static_cast<std::size_t>(kind)];
        const bool analogue = kind == AnalogIn || kind == AnalogOut;
        const int limit = analogue ? MaxAnaloguePdoBytes : MaxDigitalPdoBytes;
        if (bytes > limit) {
            return "EDS-File creation not possible! The CANopen PDOs carry at most " +
                   std::to_string(limit) + " " + byteKindName(kind) + " bytes; the cluster has " +
                   std::to_string(bytes) + ".";
        }
        if (analogue && bytes % 2 != 0) {
            return "EDS-File creation not possible! Analogue values take 2 bytes each, but the "
                   "cluster has " +
                   std::to_string(bytes) + " " + byteKindName(kind) + " bytes.";
        }
    }
    return std::nullopt;
}

void clearSlotTexts(Session& session)
{
    for (int k = 0; k < session.UsedCount && k < ClusterSize; ++k)
        session.SlotText[static_cast<std::size_t>(k)].clear();
}

} // namespace

std::optional<std::string> checkGeneratorRange(const Session& session, FieldbusProtocol protocol)
{
    if (auto refusal = checkClusterShape(session, protocol))
        return refusal;
    if (protocol != FieldbusProtocol::DeviceNet)
        return std::nullopt;
    long long parameterCounter = FirstModuleParameter;
    for (int k = 1; k < session.UsedCount; ++k) {
        const auto& file = session.ClusterSlots[static_cast<std::size_t>(k)].ResourceFile;
        if (const auto bytes =
                readTextFile(pathInFolder(session.gstrResourcePath, file), TemplateMaxBytes))
            parameterCounter += countDeviceNetParameters(*bytes);
    }
    if (parameterCounter > LastParameterCounter) {
        return "EDS-File creation not possible! The module templates hold " +
               std::to_string(parameterCounter - FirstModuleParameter) +
               " DeviceNet parameters; the parameter numbers would pass 32767.";
    }
    return std::nullopt;
}

EdsBuildResult buildEdsText(Session& session, FieldbusProtocol protocol,
                            const std::string& outputPath, const DateTime& now, Dialogs& progress,
                            TemplateStore& templates)
{
    EdsBuildResult result;
    if (auto refusal = checkClusterShape(session, protocol)) {
        result.error = std::move(*refusal);
        return result;
    }
    GenerationRun run(session, templates, progress, now, outputPath);
    const ReadStatus status = protocol == FieldbusProtocol::DeviceNet
                                  ? buildDeviceNetText(run, result.text)
                                  : buildCanOpenText(run, result.text);
    result.ok = status.ok;
    if (!status) {
        result.text.clear();
        result.error = status.error;
    } else if (result.text.size() + 2 > EdsFileMaxBytes) {
        // Only absurd templates get here; an EDS the editor would refuse is not written.
        result.ok = false;
        result.text.clear();
        result.error = "the EDS would be larger than " + sizeInWords(EdsFileMaxBytes);
    }
    return result;
}

EdsBuildResult buildEdsText(Session& session, FieldbusProtocol protocol,
                            const std::string& outputPath, const DateTime& now, Dialogs& progress)
{
    TemplateStore templates(session.gstrResourcePath);
    return buildEdsText(session, protocol, outputPath, now, progress, templates);
}

namespace {

// Leaves a failed generation: nothing half-done stays in the buffers or on screen, the output
// file stays as it was, and the reason is shown once the user has chosen a file.
void failGeneration(Session& session, Dialogs& dialogs, int phase, const std::string& detail)
{
    clearSlotTexts(session);
    session.view.progressValue = 0;
    session.view.progressVisible = false;
    dialogs.progressChanged(0, false);
    if (phase == 2)
        dialogs.notice(EdsCreationFailedMessage, detail);
}

} // namespace

bool GenerateEds(Session& session, Dialogs& dialogs)
{
    const FieldbusProtocol protocol = session.Protocol == FieldbusProtocol::DeviceNet
                                          ? FieldbusProtocol::DeviceNet
                                          : FieldbusProtocol::CanOpen;
    const bool canOpen = protocol == FieldbusProtocol::CanOpen;

    // Refused before anything changes or any file is created.
    if (auto refusal = checkGeneratorRange(session, protocol)) {
        dialogs.notice(*refusal);
        return false;
    }

    // The parameter editor would show an EDS about to be replaced.
    session.EditorLoaded = false;
    session.view.editorExists = false;
    session.view.editorVisible = false;

    int phase = 1;
    session.ConfigurationOpen = true;

    FileRequest request;
    request.title = session.view.edsdiag.title.empty() ? std::string(EdsDialogTitle)
                                                       : session.view.edsdiag.title;
    request.directory = session.gstrEDSFilePath;
    request.fileName = session.view.edsdiag.fileName;
    request.filter = EdsDialogFilter;
    const auto chosen = dialogs.saveFile(request);
    if (!chosen) {
        failGeneration(session, dialogs, phase, {});
        return false;
    }
    const std::string outputPath = *chosen;
    session.view.edsdiag.fileName = outputPath;
    session.view.setText("Text9", outputPath);
    session.ProjectName = session.view.text("Text9");
    if (canOpen)
        session.gstrActEDS = outputPath;
    phase = 2;

    const DateTime now = session.clock();
    session.view.progressVisible = true;
    dialogs.progressChanged(session.view.progressValue, true);

    // Written in one piece at the end, through a temporary file: a failed generation leaves
    // the file that was there before as it was.
    const EdsBuildResult built = buildEdsText(session, protocol, outputPath, now, dialogs);
    if (!built.ok) {
        failGeneration(session, dialogs, phase, built.error);
        return false;
    }
    std::string whyNot;
    if (!writeFileAtomically(outputPath, built.text + "\r\n", &whyNot)) {
        failGeneration(session, dialogs, phase,
                       "cannot write the file " + outputPath + ": " + whyNot);
        return false;
    }

    clearSlotTexts(session);
    ViewModel& view = session.view;
    for (const char* control :
         {"Command5", "Command9", "Command4", "Command13", "Command2", "m_shEDS", "m_creMapList"})
        view.enable(control, true);
    if (canOpen) {
        view.enable("Command15", true);
        dialogs.notice(SetModuleParametersNotice);
    }
    view.enable("Command16", false);

    const DateTime finished = session.clock();
    view.setText("Text1", "EDS - File successfully created: " + formatYyyyMmDd(finished) + ", " +
                              formatHhMmSs(finished) + "\r\nNow export EDS file to SYCON.net");
    return true;
}

} // namespace quillon
