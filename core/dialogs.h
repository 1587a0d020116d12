#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace quillon {

// What a file dialog is asked to show. The filter uses the "Text (*.ext)|*.ext" form.
struct FileRequest
{
    std::string title;
    std::string directory;
    std::string fileName;
    std::string filter;
};

// Everything an operation asks of the person at the screen. All boxes carry the title "EDS-INFO".
// The windows implement it with Qt; the tests with a scripted fake. No operation talks to the
// person in any other way.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A notice or refusal (exclamation icon, OK). The detail, when not empty, says more, for
    // example which file and line failed.
    virtual void notice(const std::string& text, const std::string& detail) = 0;
    void notice(const std::string& text) { notice(text, std::string()); }

    // A question with Yes and No; only Yes counts.
    virtual bool askYesNo(const std::string& text) = 0;

    // File dialogs return the chosen full path, or nullopt when the person cancelled.
    virtual std::optional<std::string> openFile(const FileRequest& request) = 0;
    virtual std::optional<std::string> saveFile(const FileRequest& request) = 0;

    // Long operations report here so a window can repaint its progress bar; the default does
    // nothing, which is what the command line and the tests want.
    virtual void progressChanged(int value, bool visible)
    {
        (void)value;
        (void)visible;
    }
    // A short pause that lets a step of a long operation be seen.
    virtual void pause(std::chrono::milliseconds duration) { (void)duration; }
};

} // namespace quillon
