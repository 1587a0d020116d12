#include "eds/devicenet_eds.h"

#include "core/session.h"
#include "core/startup.h"
#include "eds/eds_text.h"
#include "eds/generation_run.h"

namespace quillon {

void renumberDeviceNetLine(std::string& line, int& paramCounter, int slotIndex)
{
    if (const auto p = positionOf(line, "ParamXXX"); p != 0) {
        overwriteInPlace(line, p, "Param" + std::to_string(paramCounter) + " ");
        ++paramCounter;
    }
    if (const auto p = positionOf(line, "EnumXXX"); p != 0)
        overwriteInPlace(line, p, "Enum" + std::to_string(paramCounter - 1) + " ");
    if (const auto p = positionOf(line, "slot"); p != 0) {
        overwriteInPlace(line, p, twoDigits(slotIndex));
        line.erase(p + 1, 2);
    }
}

int countDeviceNetParameters(std::string_view templateText)
{
    LineSource source{std::string(templateText)};
    std::string line;
    int count = 0;
    while (source.nextLine(line) && !contains(line, DeviceNetEndMarker)) {
        if (contains(line, "ParamXXX"))
            ++count;
    }
    return count;
}

namespace {

// The rewrites of the head's DeviceNet part, all dates and times from the run's one instant.
class HeadRewriter
{
public:
    HeadRewriter(const GenerationRun& run, int lastParameter)
        : m_session(run.session), m_date(formatMmDdYyyy(run.now)), m_time(formatHhMmSs(run.now)),
          m_lastParameter(lastParameter)
    {}

    ReadStatus operator()(std::string& line, LineSource& source, std::string& section) const
    {
        if (contains(line, ProgramName)) {
            line = std::string("$ ") + ProgramName +
                   " Generated Electronic Data Sheet, Version: " + ProgramVersion +
                   ", Build: " + ProgramBuild;
        }
        if (const auto p = positionOf(line, "CreateDate ="); p != 0)
            overwriteInPlace(line, p, "CreateDate = " + m_date);
        if (const auto p = positionOf(line, "CreateTime ="); p != 0)
            overwriteInPlace(line, p, "CreateTime = " + m_time);
        if (const auto p = positionOf(line, "ModDate ="); p != 0)
            overwriteInPlace(line, p, "ModDate = " + m_date);
        if (const auto p = positionOf(line, "ModTime ="); p != 0)
            overwriteInPlace(line, p, "ModTime = " + m_time);
        if (const auto p = positionOf(line, "ProdName ="); p != 0)
            line = productNameLine(line, p, m_session.ClusterSlots, m_session.UsedCount);
        if (const auto p = positionOf(line, "MaxInst = "); p != 0)
            overwriteInPlace(line, p, "MaxInst = " + std::to_string(m_lastParameter) + ";");

        // The size values stand on the line after their keys.
        const ByteCounts& used = m_session.UsedBytes;
        if (contains(line, "Input1 =")) {
            section += line;
            section += "\r\n";
            if (auto status = source.pullLine(line); !status)
                return status;
            if (const auto p = positionOf(line, "18"); p != 0) {
                const int inputSize = used[AnalogIn] + used[DigitalIn] + 16;
                overwriteInPlace(line, p, std::to_string(inputSize) + ",");
            }
        }
        if (contains(line, "Output1 =")) {
            section += line;
            section += "\r\n";
            if (auto status = source.pullLine(line); !status)
                return status;
            if (const auto p = positionOf(line, "1"); p != 0) {
                const int outputSize = used[DigitalOut] + used[AnalogOut];
                overwriteInPlace(line, p, std::to_string(outputSize) + ",");
            }
        }
        return {};
    }

private:
    const Session& m_session;
    std::string m_date;
    std::string m_time;
    int m_lastParameter;
};

} // namespace

ReadStatus buildDeviceNetText(GenerationRun& run, std::string& output)
{
    Session& session = run.session;
    output.clear();
    run.raiseProgress(false);
    session.ModelName[0] = modelNameOf(session.ClusterSlots[0].ResourceFile);

    // The modules first, so that MaxInst in the head can carry the final count.
    int paramCounter = FirstModuleParameter;
    for (int k = 1; k < session.UsedCount && k < ClusterSize; ++k) {
        const ModuleInfo& module = session.ClusterSlots[static_cast<std::size_t>(k)];
        std::string& slotText = session.SlotText[static_cast<std::size_t>(k)];
        session.ModelName[static_cast<std::size_t>(k)] = modelNameOf(module.ResourceFile);
        slotText.clear();
        const LineHandler renumber = [&paramCounter, k, &module](std::string& line, LineSource&,
                                                                 std::string&) -> ReadStatus {
            renumberDeviceNetLine(line, paramCounter, k);
            if (paramCounter > LastParameterCounter)
                return ReadStatus::failure(module.ResourceFile +
                                           ": the parameter counter passes 32767");
            return {};
        };
        if (auto status = copySection(run.templates, module.ResourceFile, std::nullopt,
                                      DeviceNetEndMarker, renumber, slotText);
            !status)
            return status;
        run.raiseProgress(true);
    }

    session.SlotText[0].clear();
    const HeadRewriter rewriteHead(run, paramCounter - 1);
    if (auto status =
            copySection(run.templates, DeviceNetHeadTemplate, std::nullopt, DeviceNetEndMarker,
                        LineHandler(rewriteHead), session.SlotText[0]);
        !status)
        return status;

    for (int k = 0; k < session.UsedCount && k < ClusterSize; ++k)
        output += session.SlotText[static_cast<std::size_t>(k)];
    run.resetProgress();
    return {};
}

} // namespace quillon
