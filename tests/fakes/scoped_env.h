#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillon::test {

// Sets environment variables for one test and puts them back when it goes.
class ScopedEnvironment
{
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const std::string& name, const std::string& value) { set(name, value); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
            assign(it->first, it->second);
    }

    void set(const std::string& name, const std::optional<std::string>& value)
    {
        const char* old = std::getenv(name.c_str());
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        assign(name, value);
    }
    void unset(const std::string& name) { set(name, std::nullopt); }

private:
    static void assign(const std::string& name, const std::optional<std::string>& value)
    {
#ifdef _WIN32
        // An empty value removes the variable on Windows.
        _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
        value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
#endif
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

using ScopedEnv = ScopedEnvironment;

} // namespace quillon::test
