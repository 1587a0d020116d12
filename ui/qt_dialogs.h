#pragma once

#include <functional>

#include <QPointer>
#include <QString>
#include <QWidget>

#include "core/dialogs.h"

namespace quillon {

// The dialogs of the running program: message boxes titled "EDS-INFO" and the common file
// dialogs, all modal over the main window.
class QtDialogs : public Dialogs
{
public:
    using Dialogs::notice;

    // Boxes open over `parent` (may be set later; without one they are centred on the screen).
    explicit QtDialogs(QWidget* parent = nullptr);

    void setParentWidget(QWidget* parent) { m_parent = parent; }

    // Called with every progress report of a long operation, to repaint the progress bar.
    void setProgressHandler(std::function<void(int value, bool visible)> handler);

    void notice(const std::string& text, const std::string& detail) override;
    bool askYesNo(const std::string& text) override;
    std::optional<std::string> openFile(const FileRequest& request) override;
    std::optional<std::string> saveFile(const FileRequest& request) override;
    void progressChanged(int value, bool visible) override;
    // Waits while the windows keep repainting; clicks and keys wait until the operation is over.
    void pause(std::chrono::milliseconds duration) override;

private:
    std::optional<std::string> runFileDialog(const FileRequest& request, bool save);

    QPointer<QWidget> m_parent;
    std::function<void(int, bool)> m_progress;
};

inline constexpr const char* DialogTitle = "EDS-INFO";

// "EDS-File (*.eds)|*.eds" (description and pattern pairs) as a Qt name filter list
// "EDS-File (*.eds)"; a description without its pattern in brackets gets it appended.
[[nodiscard]] QString qtNameFilter(const std::string& filter);

// The extension a save dialog appends to a name typed without one: that of the filter's first
// pattern ("eds" for "EDS-File (*.eds)|*.eds"); "" when that pattern names no single extension.
[[nodiscard]] QString defaultSuffix(const std::string& filter);

} // namespace quillon
