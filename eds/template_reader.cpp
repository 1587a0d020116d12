#include "eds/template_reader.h"

#include "core/item_reader.h"
#include "eds/eds_text.h"

namespace quillon {

LineSource::LineSource(std::shared_ptr<const std::string> bytes, std::string name)
    : m_bytes(std::move(bytes)), m_name(std::move(name))
{}

LineSource::LineSource(std::string bytes, std::string name)
    : LineSource(std::make_shared<const std::string>(std::move(bytes)), std::move(name))
{}

bool LineSource::nextLine(std::string& line)
{
    const std::string& text = *m_bytes;
    if (m_pos >= text.size())
        return false;
    std::size_t end = m_pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n')
        ++end;
    line.assign(text, m_pos, end - m_pos);
    if (end < text.size()) {
        // CR LF, a lone CR or a lone LF ends the line.
        if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        ++end;
    }
    m_pos = end;
    ++m_linesRead;
    return true;
}

ReadStatus LineSource::pullLine(std::string& line)
{
    if (nextLine(line))
        return {};
    return ReadStatus::failure(m_name + " ends after line " + std::to_string(m_linesRead) +
                               " where more lines were expected");
}

TemplateStore::TemplateStore(std::string resourcePath) : m_resourcePath(std::move(resourcePath))
{}

void TemplateStore::put(const std::string& name, std::string bytes)
{
    m_files[name] = std::make_shared<const std::string>(std::move(bytes));
}

std::optional<LineSource> TemplateStore::open(const std::string& name)
{
    auto found = m_files.find(name);
    if (found == m_files.end()) {
        auto bytes = readFileBytes(m_resourcePath + name);
        if (!bytes)
            return std::nullopt;
        found = m_files.emplace(name, std::make_shared<const std::string>(std::move(*bytes))).first;
    }
    return LineSource(found->second, name);
}

ReadStatus missingTemplate(const TemplateStore& store, const std::string& fileName)
{
    return ReadStatus::failure("cannot read the template " + store.resourcePath() + fileName);
}

bool skipToMarker(LineSource& source, std::string_view marker, std::string& line)
{
    while (source.nextLine(line)) {
        if (contains(line, marker))
            return true;
    }
    return false;
}

ReadStatus copySection(LineSource& source, std::optional<std::string_view> startMarker,
                       std::string_view endMarker, const LineHandler& handler, std::string& section)
{
    std::string line;
    if (startMarker && !skipToMarker(source, *startMarker, line))
        return {};
    while (source.nextLine(line)) {
        if (contains(line, endMarker))
            break;
        if (handler) {
            if (auto status = handler(line, source, section); !status)
                return status;
        }
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
