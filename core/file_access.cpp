#include "core/file_access.h"

#include <random>

#include "core/item_reader.h"

namespace quillon {

namespace {

std::vector<std::string>& plannedSuffixes()
{
    static std::vector<std::string> suffixes;
    return suffixes;
}

} // namespace

void setTemporarySuffixesForTests(std::vector<std::string> suffixes)
{
    plannedSuffixes() = std::move(suffixes);
}

std::string nextTemporarySuffix()
{
    auto& planned = plannedSuffixes();
    if (!planned.empty()) {
        std::string suffix = std::move(planned.front());
        planned.erase(planned.begin());
        return suffix;
    }
    static constexpr char Letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device entropy;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Letters - 2);
    std::string suffix;
    for (int i = 0; i < 6; ++i)
        suffix += Letters[pick(entropy)];
    return suffix;
}

std::string sizeInWords(std::size_t bytes)
{
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= (1u << 10) && bytes % (1u << 10) == 0)
        return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::optional<std::string> readTextFile(const std::string& path, std::size_t maxBytes,
                                        std::string* whyNot)
{
    auto bytes = readFileBytes(path, maxBytes, whyNot);
    if (!bytes)
        return std::nullopt;
    if (auto outOfBounds = checkTextBounds(*bytes)) {
        if (whyNot)
            *whyNot = std::move(*outOfBounds);
        return std::nullopt;
    }
    return bytes;
}

} // namespace quillon
