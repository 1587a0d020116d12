#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/dialogs.h"

namespace quillon::test {

// A Dialogs that answers from a script written before the action, and records every box and
// dialog it was shown. A question or file dialog the script did not foresee is recorded in
// `unexpected` and answered No / cancel.
class ScriptedDialogs : public Dialogs
{
public:
    using Dialogs::notice;

    // Scripting, in the order the boxes will come.
    ScriptedDialogs& thenAnswer(bool yes)
    {
        m_answers.push_back(yes);
        return *this;
    }
    ScriptedDialogs& thenChooseFile(std::string path)
    {
        m_files.emplace_back(std::move(path));
        return *this;
    }
    ScriptedDialogs& thenCancelFile()
    {
        m_files.emplace_back(std::nullopt);
        return *this;
    }

    void notice(const std::string& text, const std::string& detail) override
    {
        notices.push_back(text);
        details.push_back(detail);
    }
    bool askYesNo(const std::string& text) override
    {
        questions.push_back(text);
        if (m_answers.empty()) {
            unexpected.push_back("question: " + text);
            return false;
        }
        const bool yes = m_answers.front();
        m_answers.pop_front();
        return yes;
    }
    std::optional<std::string> openFile(const FileRequest& request) override
    {
        return nextFile("open", request);
    }
    std::optional<std::string> saveFile(const FileRequest& request) override
    {
        return nextFile("save", request);
    }
    void progressChanged(int value, bool visible) override
    {
        progress.push_back(visible ? value : -1);
    }
    void pause(std::chrono::milliseconds duration) override { pauses.push_back(duration); }

    // True when every scripted answer was used.
    [[nodiscard]] bool done() const { return m_answers.empty() && m_files.empty(); }

    std::vector<std::string> notices;
    std::vector<std::string> details;
    std::vector<std::string> questions;
    std::vector<FileRequest> fileRequests;
    std::vector<std::string> fileDialogKinds; // "open" or "save", one per file request
    std::vector<int> progress;                // values reported, -1 when hidden
    std::vector<std::chrono::milliseconds> pauses;
    std::vector<std::string> unexpected;

private:
    std::optional<std::string> nextFile(const char* kind, const FileRequest& request)
    {
        fileRequests.push_back(request);
        fileDialogKinds.emplace_back(kind);
        if (m_files.empty()) {
            unexpected.push_back(std::string(kind) + " dialog: " + request.title);
            return std::nullopt;
        }
        auto answer = m_files.front();
        m_files.pop_front();
        return answer;
    }

    std::deque<bool> m_answers;
    std::deque<std::optional<std::string>> m_files;
};

} // namespace quillon::test
