#pragma once

#include <string>
#include <vector>

namespace quillon {

struct CliContext;

// quillon-cli params show FILE.eds [--format text|tsv]
// quillon-cli params set FILE.eds [--value SLOT.PARAM=VALUE]... [--output FILE.eds]
//
// Both open the EDS as "Load existing EDS and edit Parameters" does: the slots from the file and
// the catalogue, the defaults set once, the current values from the file. `show` prints one line
// per parameter; `set` enters each value as the user would in the editor and saves as "Save EDS
// File" does, to --output or back to FILE.eds. `args` are the words after "params". Returns 0, 1
// when an entry is out of bounds (nothing written) or the file cannot be written, 2 for wrong
// usage or input that cannot be read or is no CANopen EDS of the catalogue's modules.
int runParamsCommand(CliContext& context, const std::vector<std::string>& args);

// The usage lines, for --help.
extern const char* const ParamsSynopsis;

} // namespace quillon
