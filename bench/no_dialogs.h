#pragma once

#include <optional>
#include <string>

#include "core/dialogs.h"

namespace quillon::bench {

// Nobody to ask and nothing to show: what a benchmark runs its operations with.
class NoDialogs : public Dialogs
{
public:
    using Dialogs::notice;
    void notice(const std::string&, const std::string&) override {}
    bool askYesNo(const std::string&) override { return false; }
    std::optional<std::string> openFile(const FileRequest&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const FileRequest&) override { return std::nullopt; }
};

} // namespace quillon::bench
