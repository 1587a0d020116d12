#pragma once

#include <atomic>
#include <filesystem>
#include <random>
#include <string>

namespace quillon::test {

// An empty directory of its own under the system's temporary directory, removed with everything
// in it when the object goes.
class ScratchDir
{
public:
    explicit ScratchDir(const std::string& prefix)
    {
        // Test programs run side by side: each takes a random name of its own.
        static const unsigned long long run =
            std::random_device{}() * 65536ull ^ std::random_device{}();
        static std::atomic<int> counter{0};
        m_path = std::filesystem::temp_directory_path() /
                 (prefix + "-" + std::to_string(run) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace quillon::test
