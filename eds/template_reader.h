#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// Outcome of reading a template: fine, or why not (naming the file, for the message's detail).
struct ReadStatus
{
    bool ok = true;
    std::string error;

    explicit operator bool() const { return ok; }
    [[nodiscard]] static ReadStatus failure(std::string why) { return {false, std::move(why)}; }
};

// One template's text, read line by line from the start. A line ends at CR LF, a lone CR or a
// lone LF; the end of the text ends the last line. The text is held with every line end made
// CR LF (which keeps the same lines), so lines and sections can be found with plain searches;
// it is shared between readers, never copied.
class LineSource
{
public:
    // A template held in memory, for example a test's.
    explicit LineSource(std::string bytes, std::string name = "template");

    // The next line without its line end; false at the end of the text.
    [[nodiscard]] bool nextLine(std::string& line);

    // Like nextLine, for a handler that needs the line: a failure naming the file when it ends.
    [[nodiscard]] ReadStatus pullLine(std::string& line);

    // Goes past the next line that contains `marker`; false (and at the end) when none does.
    bool skipPastLineContaining(std::string_view marker);

    // Appends the lines up to the next one containing `marker` (or to the end), each with CR LF,
    // and goes past the marker line, which is not copied.
    void copyLinesUntil(std::string_view marker, std::string& section);

    [[nodiscard]] bool atEnd() const { return m_pos >= m_text->size(); }
    [[nodiscard]] const std::string& name() const { return m_name; }

    // The 1-based number of the line read last (0 before the first), for messages.
    [[nodiscard]] int lineNumber() const;

private:
    friend class TemplateStore;
    LineSource(std::shared_ptr<const std::string> crLfText, std::string name);

    std::shared_ptr<const std::string> m_text; // every line ended with CR LF
    std::string m_name;
    std::size_t m_pos = 0; // always at the start of a line
};

// `bytes` with every line end (CR LF, lone CR, lone LF, and the end of a last line without one)
// made CR LF; the lines themselves stay the same.
[[nodiscard]] std::string withCrLfLineEnds(std::string bytes);

// The resource templates of one generation run. A file is read from the resource directory
// (`resourcePath` + name, no separator added) the first time it is opened and served from memory
// afterwards, so each open starts at the top of the same text. Templates put in beforehand are
// served without touching the disk.
class TemplateStore
{
public:
    explicit TemplateStore(std::string resourcePath);

    // Serves `name` from `bytes` from now on.
    void put(const std::string& name, std::string bytes);

    // A fresh reader at the top of `name`; nullopt when the file cannot be read or is out of the
    // bounds of a template (1 MiB, 64 KiB a line, 100,000 lines).
    [[nodiscard]] std::optional<LineSource> open(const std::string& name);

    // Why `name` could not be opened, in words; "" when it was not refused.
    [[nodiscard]] std::string whyNotRead(const std::string& name) const;

    [[nodiscard]] const std::string& resourcePath() const { return m_resourcePath; }

private:
    std::string m_resourcePath;
    std::map<std::string, std::shared_ptr<const std::string>, std::less<>> m_files;
    std::map<std::string, std::string, std::less<>> m_failures;
};

// Called for every line of a section: may change the line, pull further lines from the source
// (those are not looked at for the end marker) and append lines of its own to the section;
// copySection then appends the line and CR LF. A failure ends the copy.
using LineHandler =
    std::function<ReadStatus(std::string& line, LineSource& source, std::string& section)>;

// Copies one section of a template into `section`, line by line through `handler` (none: lines
// unchanged), each line ended with CR LF. With a start marker, lines are skipped up to and
// including the first one containing it; a missing start marker gives an empty section. Then
// lines are copied up to the next one containing `endMarker`, which is dropped, or to the end of
// the text. Fails only when the handler fails.
[[nodiscard]] ReadStatus copySection(LineSource& source,
                                     std::optional<std::string_view> startMarker,
                                     std::string_view endMarker, const LineHandler& handler,
                                     std::string& section);

// The same over the template `fileName` opened from the store; a template that cannot be read is
// a failure.
[[nodiscard]] ReadStatus copySection(TemplateStore& store, const std::string& fileName,
                                     std::optional<std::string_view> startMarker,
                                     std::string_view endMarker, const LineHandler& handler,
                                     std::string& section);

// The failure for a template that cannot be read.
[[nodiscard]] ReadStatus missingTemplate(const TemplateStore& store, const std::string& fileName);

} // namespace quillon
