#include "core/view_model.h"

namespace quillon {

bool ViewModel::isEnabled(const std::string& control) const
{
    const auto it = m_controls.find(control);
    return it == m_controls.end() || it->second.enabled;
}

bool ViewModel::isVisible(const std::string& control) const
{
    const auto it = m_controls.find(control);
    return it == m_controls.end() || it->second.visible;
}

const std::string& ViewModel::text(const std::string& control) const
{
    static const std::string empty;
    const auto it = m_texts.find(control);
    return it == m_texts.end() ? empty : it->second;
}

} // namespace quillon
