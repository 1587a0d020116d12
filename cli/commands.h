#pragma once

#include <string>
#include <vector>

#include "core/view_model.h"

namespace quillon {

struct CliContext;

// The subcommands of quillon-cli. Each gets the arguments after its name and returns the exit
// status; cli_app.cpp lists them.
int runIomapCommand(CliContext& context, const std::vector<std::string>& args);
int runGenerateCommand(CliContext& context, const std::vector<std::string>& args);
int runCheckCommand(CliContext& context, const std::vector<std::string>& args);
int runExportCommand(CliContext& context, const std::vector<std::string>& args);
int runCatalogueCommand(CliContext& context, const std::vector<std::string>& args);

extern const char* const IomapSynopsis;
extern const char* const GenerateSynopsis;
extern const char* const CheckSynopsis;
extern const char* const ExportSynopsis;
extern const char* const CatalogueSynopsis;

// The grid as lines of tab-separated cell texts, rows 0 to 9.
[[nodiscard]] std::string gridAsTsv(const IoGrid& grid);

// The grid as a table for people: columns padded to their widest text, no trailing blanks.
[[nodiscard]] std::string gridAsText(const IoGrid& grid);

} // namespace quillon
