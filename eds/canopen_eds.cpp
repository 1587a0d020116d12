#include "eds/canopen_eds.h"

#include "core/file_path.h"
#include "core/session.h"
#include "eds/canopen_pdo.h"
#include "eds/eds_text.h"
#include "eds/generation_run.h"
#include "eds/object_list.h"

namespace quillon {

int announcedPdoCount(int base, int digitalBytes, int analogueBytes)
{
    int count = base;
    if (digitalBytes > 8)
        ++count;
    if (analogueBytes > 24)
        count += 4;
    else if (analogueBytes > 16)
        count += 3;
    else if (analogueBytes > 8)
        count += 2;
    else if (analogueBytes > 0)
        count += 1;
    return count;
}

void renameSlotParameterLine(std::string& line, int slotIndex)
{
    const std::string index = std::to_string(slotIndex);
    if (contains(line, "[260X]"))
        line = "[260" + index + "]";
    if (const auto p = positionOf(line, "[260Xsub"); p != 0)
        line = "[260" + index + line.substr(p - 1 + 5);
    if (contains(line, "DeviceParameter SlotX")) {
        line.pop_back();
        line += std::to_string(slotIndex + 1);
    }
}

namespace {

// The rewrites of header 1. The optional-object list found there is read into `optionalObjects`
// and cut out, leaving an empty line; it is written again, extended, after the header.
class HeaderRewriter
{
public:
    HeaderRewriter(const GenerationRun& run, ObjectList& optionalObjects)
        : m_run(run), m_optionalObjects(optionalObjects), m_date(formatMmDdYyyy(run.now)),
          m_time(formatHhMmAmPm(run.now))
    {}

    ReadStatus operator()(std::string& line, LineSource& source, std::string&) const
    {
        const Session& session = m_run.session;
        const ByteCounts& used = session.UsedBytes;
        if (contains(line, "CreatedBy="))
            line = "CreatedBy=" + generatedByText();
        if (contains(line, "ModifiedBy="))
            line = "ModifiedBy=" + generatedByText();
        if (contains(line, "CreationDate="))
            line = "CreationDate=" + m_date;
        if (contains(line, "CreationTime="))
            line = "CreationTime= " + m_time;
        if (const auto p = positionOf(line, "ModificationDate="); p != 0)
            overwriteInPlace(line, p, "ModificationDate=" + m_date);
        if (contains(line, "ModificationTime="))
            line = "ModificationTime=" + m_time;
        if (contains(line, "FileName="))
            line = "FileName=" + pathToFileText(m_run.outputPath);
        if (const auto p = positionOf(line, "ProdName ="); p != 0)
            line = productNameLine(line, p, session.ClusterSlots, session.UsedCount);
        if (contains(line, "NrOfTXPDO="))
            line = "NrOfTXPDO=" +
                   std::to_string(announcedPdoCount(3, used[DigitalIn], used[AnalogIn]));
        if (contains(line, "NrOfRXPDO="))
            line = "NrOfRXPDO=" +
                   std::to_string(announcedPdoCount(1, used[DigitalOut], used[AnalogOut]));
        if (contains(line, "[OptionalObjects]")) {
            if (auto status = m_optionalObjects.readFrom(source); !status)
                return status;
            line.clear();
        }
        return {};
    }

private:
    const GenerationRun& m_run;
    ObjectList& m_optionalObjects;
    std::string m_date;
    std::string m_time;
};

// Reads the head's manufacturer-object section from `head` and keeps only its list; the file
// stays positioned after the section for the receive PDOs that follow it.
ReadStatus readManufacturerObjects(LineSource& head, ObjectList& manufacturerObjects)
{
    if (!head.skipPastLineContaining("[START_CANOPEN_MANU_OBJ]"))
        return {};
    std::string line;
    while (head.nextLine(line)) {
        if (contains(line, "[END_CANOPEN_MANU_OBJ]"))
            break;
        if (contains(line, "[ManufacturerObjects]")) {
            if (auto status = manufacturerObjects.readFrom(head); !status)
                return status;
        }
    }
    return {};
}

} // namespace

ReadStatus buildCanOpenText(GenerationRun& run, std::string& output)
{
    Session& session = run.session;
    TemplateStore& store = run.templates;
    const std::string head = session.ClusterSlots[0].ResourceFile;
    output.clear();

    // Both lists start empty; the head's header and manufacturer section fill them.
    ObjectList optionalObjects(OptionalObjectCapacity, "optional-object");
    ObjectList manufacturerObjects(ManufacturerObjectCapacity, "manufacturer-object");

    std::string header1;
    if (auto status = copySection(store, head, "[START_CANOPEN_HEADER1]", "[END_CANOPEN_HEADER1]",
                                  HeaderRewriter(run, optionalObjects), header1);
        !status)
        return status;

    std::string header2;
    if (auto status = copySection(store, head, "[START_CANOPEN_HEADER2]", "[END_CANOPEN_HEADER2]",
                                  {}, header2);
        !status)
        return status;

    std::string receiveText;
    {
        auto headSource = store.open(head);
        if (!headSource)
            return missingTemplate(store, head);
        if (auto status = readManufacturerObjects(*headSource, manufacturerObjects); !status)
            return status;
        if (auto status = buildReceivePdos(run, *headSource, optionalObjects, receiveText); !status)
            return status;
    }
    std::string transmitCommunication;
    std::string transmitMapping;
    if (auto status =
            buildTransmitPdos(run, optionalObjects, transmitCommunication, transmitMapping);
        !status)
        return status;

    run.showProgress();
    const int usedCount = std::min(session.UsedCount, ClusterSize);
    for (int k = 0; k < usedCount; ++k)
        session.SlotText[static_cast<std::size_t>(k)].clear();
    for (int k = 0; k < usedCount; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        const ModuleInfo& module = session.ClusterSlots[slot];
        session.ModelName[slot] = modelNameOf(module.ResourceFile);
        const LineHandler rename = [k](std::string& line, LineSource&, std::string&) {
            renameSlotParameterLine(line, k);
            return ReadStatus{};
        };
        if (auto status = copySection(store, module.ResourceFile, "[START_CANOPEN_PARAMETERS]",
                                      "[END_CANOPEN_PARAMETERS]", rename, session.SlotText[slot]);
            !status)
            return status;
        run.raiseProgress(true);
        if (auto status = manufacturerObjects.add("0x260" + std::to_string(k)); !status)
            return status;
    }

    const auto lastSlot = static_cast<std::size_t>(usedCount - 1);
    if (auto status = copySection(store, head, "[START_FAILSAFE]", "[END_FAILSAFE]", {},
                                  session.SlotText[lastSlot]);
        !status)
        return status;
    for (const char* index : {"0x3000", "0x4000"}) {
        if (auto status = manufacturerObjects.add(index); !status)
            return status;
    }

    std::string parameterText;
    for (int k = 0; k < usedCount; ++k)
        parameterText += session.SlotText[static_cast<std::size_t>(k)];
    run.resetProgress();

    output.reserve(header1.size() + header2.size() + receiveText.size() +
                   transmitCommunication.size() + transmitMapping.size() + parameterText.size() +
                   4096);
    output += header1;
    output += optionalObjects.text("[OptionalObjects]");
    output += header2;
    output += receiveText;
    output += transmitCommunication;
    output += transmitMapping;
    output += manufacturerObjects.text("[ManufacturerObjects]");
    output += parameterText;
    return {};
}

} // namespace quillon
