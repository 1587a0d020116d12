#include "eds/generate.h"

#include <fstream>

#include "core/dialogs.h"
#include "core/item_reader.h"
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

const char* byteKindName(int kind)
{
    static constexpr const char* Names[] = {"digital input", "digital output", "analogue input",
                                            "analogue output"};
    return Names[kind];
}

// The range checks that need no template: the number of positions, and for CANopen byte totals
// that the PDO objects can carry.
std::optional<std::string> checkClusterShape(const Session& session, FieldbusProtocol protocol)
{
    if (session.UsedCount < 1 || session.UsedCount > MaxPositions) {
        return "EDS-File creation not possible! The cluster holds " +
               std::to_string(session.UsedCount) +
               " positions; an EDS describes at most 8 (the head and seven modules).";
    }
    if (protocol == FieldbusProtocol::DeviceNet)
        return std::nullopt;
    for (int kind = 0; kind < ByteKindCount; ++kind) {
        const int bytes = session.UsedBytes[static_cast<std::size_t>(kind)];
        const bool analogue = kind == AnalogIn || kind == AnalogOut;
        const int limit = analogue ? MaxAnaloguePdoBytes : MaxDigitalPdoBytes;
        if (bytes < 0) {
            return "EDS-File creation not possible! The cluster's " +
                   std::string(byteKindName(kind)) + " byte count is negative (" +
                   std::to_string(bytes) + ").";
        }
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
        if (const auto bytes = readFileBytes(session.gstrResourcePath + file))
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
// file stays empty, and the reason is shown once the user has chosen a file.
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

    // Created now and written in one piece at the end, so a failure leaves it empty.
    std::ofstream output(outputPath, std::ios::binary | std::ios::trunc);
    if (!output) {
        failGeneration(session, dialogs, phase, "cannot create the file " + outputPath);
        return false;
    }

    const EdsBuildResult built = buildEdsText(session, protocol, outputPath, now, dialogs);
    if (!built.ok) {
        output.close();
        failGeneration(session, dialogs, phase, built.error);
        return false;
    }
    output.write(built.text.data(), static_cast<std::streamsize>(built.text.size()));
    output.write("\r\n", 2);
    output.close();
    if (!output) {
        // Leave no partial EDS behind.
        std::ofstream(outputPath, std::ios::binary | std::ios::trunc).close();
        failGeneration(session, dialogs, phase, "cannot write the file " + outputPath);
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
