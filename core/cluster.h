#pragma once

#include <string>

#include "core/types.h"

namespace quillon {

struct Session;
class Dialogs;

inline constexpr const char* NoMoreFreeSlotsMessage = "No more free slots!";
inline constexpr const char* DigitalInputsExceededMessage = "Number of digital inputs exceeded!";
inline constexpr const char* DigitalOutputsExceededMessage = "Number of digital outputs exceeded!";
inline constexpr const char* AnalogInputsExceededMessage = "Number of analogue inputs exceeded!";
inline constexpr const char* AnalogOutputsExceededMessage = "Number of analogue outputs exceeded!";

// Option1 / Option2: fixes the protocol and its limits until the next reset.
void ChooseProtocol(Session& session, FieldbusProtocol protocol);

// Command1 / m_nproj: an empty cluster with the head at position 0. A head picture that cannot be
// read is reported and leaves the cluster as it was.
void NewConfiguration(Session& session, Dialogs& dialogs);

// List1 click: previews catalogue entry `index` and makes it the module that Add places. An entry
// without a record, or whose picture cannot be read, is reported and changes nothing.
void SelectCatalogueEntry(Session& session, Dialogs& dialogs, int index);

// Image2(position) click: selects or deselects a module position (1..7); the head cannot be
// selected. Selecting another position gives up a refill that Clear selected left pending.
void SelectSlot(Session& session, int position);

// Command7: refills the gap that Clear selected left while that position is still selected, or
// appends after the last module, under the four byte limits.
void AddModule(Session& session, Dialogs& dialogs);

// Command11: puts the module before the selected position, moving it and those behind it one
// place back; before a free position behind the last module it appends instead. Drops the
// selection whatever happens.
void InsertBeforeSelected(Session& session, Dialogs& dialogs);
// Command8: empties the selected position. A module behind it makes it a gap, which stays
// selected for a refill; otherwise the cluster ends at its last module and the selection goes.
void ClearSelected(Session& session);
// Command6, Command10; both drop the selection.
void ClearAll(Session& session);
void RemoveGaps(Session& session);

// grid click: explains the table in the hint box.
void GridHint(Session& session);

// The byte-limit message for the first of the four counts that would pass its limit, or nullptr.
[[nodiscard]] const char* exceededLimitMessage(const ByteCounts& used, const ModuleInfo& module,
                                               const IoLimits& limits);

// Writes UsedBytes into the four "used" boxes.
void showUsedBytes(Session& session);

// Writes ActiveLimits into the four "max" boxes.
void showActiveLimits(Session& session);

} // namespace quillon
