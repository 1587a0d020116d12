#include "eds/generation_run.h"

#include <chrono>

#include "core/dialogs.h"
#include "core/session.h"

namespace quillon {

namespace {

// Long enough for each slot's step to be drawn and seen (two or three frames of a 60 Hz screen),
// short enough that the eight slots of a full station are through within a third of a second.
constexpr std::chrono::milliseconds StepPause{40};

} // namespace

GenerationRun::GenerationRun(Session& state, TemplateStore& store, Dialogs& dialogs,
                             const DateTime& instant, std::string path)
    : session(state), templates(store), now(instant), outputPath(std::move(path)),
      m_dialogs(dialogs)
{}

void GenerationRun::showProgress()
{
    if (session.view.progressVisible)
        return;
    session.view.progressVisible = true;
    m_dialogs.progressChanged(session.view.progressValue, true);
}

void GenerationRun::raiseProgress(bool pauseAfter)
{
    session.view.progressValue += 10;
    m_dialogs.progressChanged(session.view.progressValue, session.view.progressVisible);
    if (pauseAfter)
        m_dialogs.pause(StepPause);
}

void GenerationRun::resetProgress()
{
    session.view.progressValue = 0;
    session.view.progressVisible = false;
    m_dialogs.progressChanged(0, false);
}

} // namespace quillon
