#pragma once

#include <array>
#include <string>

#include "eds/template_reader.h"

namespace quillon {

class GenerationRun;
class ObjectList;

// The templates that supply the second digital PDO and the generic analogue PDO.
inline constexpr const char* SecondDigitalPdoTemplate = "OVN_KD236.eds";
inline constexpr const char* AnaloguePdoTemplate = "OVN_KA224.eds";

enum class PdoDirection
{
    Receive,  // the cluster's outputs, objects 0x1400 / 0x1600 and up
    Transmit, // its inputs, objects 0x1800 / 0x1a00 and up
};

// Bytes per PDO, indices 1..10: 1 and 2 the digital PDOs, 3 to 6 the analogue ones (7 to 10
// only for totals beyond what becomes objects).
using PdoBytes = std::array<int, 11>;

// Splits one direction's digital and analogue bytes into PDOs of at most 8 bytes.
[[nodiscard]] PdoBytes splitPdoBytes(int digitalBytes, int analogueBytes);

// Line handler over an analogue PDO's communication section, stamped for PDO number k (3..6):
// COB-ID, name, object index and, from PDO 5 on, transmission type 0. The "[140X]" / "[180X]"
// line enters its object into `optionalObjects` when it is met.
[[nodiscard]] LineHandler analogueCommunicationHandler(int pdoNumber, PdoDirection direction,
                                                       ObjectList& optionalObjects);

// Line handler over a digital PDO's mapping section: `bytes` mapping entries, one per byte,
// mapping channels channelBase + 1 onwards; `firstEntryHeader` starts the 7-line entry template.
[[nodiscard]] LineHandler digitalMappingHandler(int bytes, int channelBase,
                                                std::string firstEntryHeader);

// Line handler over the analogue PDO mapping section for PDO number k: bytes / 2 entries of
// 16-bit channels, numbered on from channelBase.
[[nodiscard]] LineHandler analogueMappingHandler(int pdoNumber, PdoDirection direction, int bytes,
                                                 int channelBase);

// The receive PDOs: the head's communication section read on from `head` (left after its
// manufacturer-object section), then the generated objects, into `receiveText`.
[[nodiscard]] ReadStatus buildReceivePdos(GenerationRun& run, LineSource& head,
                                          ObjectList& optionalObjects, std::string& receiveText);

// The transmit PDOs with the two diagnostic PDOs, into their communication and mapping texts.
[[nodiscard]] ReadStatus buildTransmitPdos(GenerationRun& run, ObjectList& optionalObjects,
                                           std::string& communicationText,
                                           std::string& mappingText);

} // namespace quillon
