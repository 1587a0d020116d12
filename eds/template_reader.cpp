#include "eds/template_reader.h"

#include <algorithm>
#include <cstring>

#include "core/file_access.h"
#include "core/file_path.h"
#include "eds/eds_text.h"

namespace quillon {

namespace {

// True when every line of `text` already ends in CR LF: every CR is followed by an LF and every
// LF follows a CR. Every template is checked once per run, so the scan jumps from line end to
// line end with memchr instead of looking at each byte.
bool hasCrLfLineEnds(std::string_view text)
{
    const std::size_t size = text.size();
    if (size == 0)
        return true;
    if (size < 2 || text[size - 2] != '\r' || text[size - 1] != '\n')
        return false;
    const char* data = text.data();
    const char* end = data + size;
    for (const char* lf = data; (lf = static_cast<const char*>(std::memchr(lf, '\n', end - lf)));
         ++lf) {
        if (lf == data || lf[-1] != '\r')
            return false;
    }
    for (const char* cr = data; (cr = static_cast<const char*>(std::memchr(cr, '\r', end - cr)));
         ++cr) {
        if (cr + 1 == end || cr[1] != '\n')
            return false;
    }
    return true;
}

// A marker is looked for within lines, so one holding a line end is never found.
bool canStandInALine(std::string_view marker)
{
    return marker.find_first_of("\r\n") == std::string_view::npos;
}

} // namespace

std::string withCrLfLineEnds(std::string bytes)
{
    if (hasCrLfLineEnds(bytes))
        return bytes;
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 16 + 2);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string::npos) {
            text.append(bytes, pos, std::string::npos);
            text += "\r\n";
            break;
        }
        text.append(bytes, pos, end - pos);
        text += "\r\n";
        if (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n')
            ++end;
        pos = end + 1;
    }
    return text;
}

LineSource::LineSource(std::shared_ptr<const std::string> crLfText, std::string name)
    : m_text(std::move(crLfText)), m_name(std::move(name))
{}

LineSource::LineSource(std::string bytes, std::string name)
    : LineSource(std::make_shared<const std::string>(withCrLfLineEnds(std::move(bytes))),
                 std::move(name))
{}

bool LineSource::nextLine(std::string& line)
{
    const std::string& text = *m_text;
    if (m_pos >= text.size())
        return false;
    const std::size_t lf = text.find('\n', m_pos);
    line.assign(text, m_pos, lf - 1 - m_pos);
    m_pos = lf + 1;
    return true;
}

ReadStatus LineSource::pullLine(std::string& line)
{
    if (nextLine(line))
        return {};
    return ReadStatus::failure(m_name + " ends after line " + std::to_string(lineNumber()) +
                               " where more lines were expected");
}

bool LineSource::skipPastLineContaining(std::string_view marker)
{
    const std::string& text = *m_text;
    const std::size_t at = canStandInALine(marker) ? text.find(marker, m_pos) : std::string::npos;
    if (at == std::string::npos) {
        m_pos = text.size();
        return false;
    }
    m_pos = text.find('\n', at + marker.size()) + 1;
    return true;
}

void LineSource::copyLinesUntil(std::string_view marker, std::string& section)
{
    const std::string& text = *m_text;
    const std::size_t at = canStandInALine(marker) ? text.find(marker, m_pos) : std::string::npos;
    if (at == std::string::npos) {
        section.append(text, m_pos, std::string::npos);
        m_pos = text.size();
        return;
    }
    // The marker's line starts after the last line end before it (or where we stand).
    const std::size_t before = text.rfind('\n', at);
    const std::size_t lineStart =
        before == std::string::npos || before + 1 < m_pos ? m_pos : before + 1;
    section.append(text, m_pos, lineStart - m_pos);
    m_pos = text.find('\n', at + marker.size()) + 1;
}

int LineSource::lineNumber() const
{
    const auto end = m_text->begin() + static_cast<std::ptrdiff_t>(m_pos);
    return static_cast<int>(std::count(m_text->begin(), end, '\n'));
}

TemplateStore::TemplateStore(std::string resourcePath) : m_resourcePath(std::move(resourcePath))
{}

void TemplateStore::put(const std::string& name, std::string bytes)
{
    m_files[name] = std::make_shared<const std::string>(withCrLfLineEnds(std::move(bytes)));
}

std::optional<LineSource> TemplateStore::open(const std::string& name)
{
    auto found = m_files.find(name);
    if (found == m_files.end()) {
        std::string whyNot;
        auto bytes = readTextFile(pathInFolder(m_resourcePath, name), TemplateMaxBytes, &whyNot);
        if (!bytes) {
            m_failures[name] = std::move(whyNot);
            return std::nullopt;
        }
        found =
            m_files
                .emplace(name,
                         std::make_shared<const std::string>(withCrLfLineEnds(std::move(*bytes))))
                .first;
    }
    return LineSource(found->second, name);
}

std::string TemplateStore::whyNotRead(const std::string& name) const
{
    const auto found = m_failures.find(name);
    return found == m_failures.end() ? std::string() : found->second;
}

ReadStatus missingTemplate(const TemplateStore& store, const std::string& fileName)
{
    const std::string why = store.whyNotRead(fileName);
    return ReadStatus::failure("cannot read the template " + store.resourcePath() + fileName +
                               (why.empty() ? "" : ": " + why));
}

ReadStatus copySection(LineSource& source, std::optional<std::string_view> startMarker,
                       std::string_view endMarker, const LineHandler& handler, std::string& section)
{
    if (startMarker && !source.skipPastLineContaining(*startMarker))
        return {};
    if (!handler) {
        source.copyLinesUntil(endMarker, section);
        return {};
    }
    std::string line;
    while (source.nextLine(line)) {
        if (contains(line, endMarker))
            break;
        if (auto status = handler(line, source, section); !status)
            return status;
        section += line;
        section += "\r\n";
    }
    return {};
}

ReadStatus copySection(TemplateStore& store, const std::string& fileName,
                       std::optional<std::string_view> startMarker, std::string_view endMarker,
                       const LineHandler& handler, std::string& section)
{
    auto source = store.open(fileName);
    if (!source)
        return missingTemplate(store, fileName);
    return copySection(*source, startMarker, endMarker, handler, section);
}

} // namespace quillon
