#pragma once

#include <string>

#include "core/clock.h"

namespace quillon {

struct Session;
class Dialogs;
class TemplateStore;

// What one generation run works on: the main window's state, the templates, the instant all
// header dates are taken from, the output path, and the progress bar.
class GenerationRun
{
public:
    GenerationRun(Session& state, TemplateStore& store, Dialogs& dialogs, const DateTime& instant,
                  std::string path);

    Session& session;
    TemplateStore& templates;
    const DateTime now;
    const std::string outputPath;

    // ProgressBar1: shown, raised by 10 (with a pause so the step can be seen), reset to 0 and
    // hidden. The window hears of every change.
    void showProgress();
    void raiseProgress(bool pauseAfter);
    void resetProgress();

private:
    Dialogs& m_dialogs;
};

} // namespace quillon
