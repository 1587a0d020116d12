#include "ui/qt_dialogs.h"

#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include "core/program_location.h"
#include "ui/latin1.h"

namespace quillon {

QtDialogs::QtDialogs(QWidget* parent) : m_parent(parent)
{}

void QtDialogs::setProgressHandler(std::function<void(int, bool)> handler)
{
    m_progress = std::move(handler);
}

void QtDialogs::notice(const std::string& text, const std::string& detail)
{
    QMessageBox box(QMessageBox::Warning, toQString(DialogTitle), toDisplayText(text),
                    QMessageBox::Ok, m_parent);
    if (!detail.empty()) {
        box.setDetailedText(toDisplayText(detail));
    }
    box.exec();
}

bool QtDialogs::askYesNo(const std::string& text)
{
    QMessageBox box(QMessageBox::Question, toQString(DialogTitle), toDisplayText(text),
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtDialogs::openFile(const FileRequest& request)
{
    return runFileDialog(request, false);
}

std::optional<std::string> QtDialogs::saveFile(const FileRequest& request)
{
    return runFileDialog(request, true);
}

std::optional<std::string> QtDialogs::runFileDialog(const FileRequest& request, bool save)
{
    QFileDialog dialog(m_parent, toQString(request.title));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // No command asks before replacing a file, and saving an edited EDS always replaces one.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, save);
    if (!request.filter.empty()) {
        dialog.setNameFilters(qtNameFilter(request.filter).split(QStringLiteral(";;")));
        if (save) {
            // "station" typed into the save dialog for projects is saved as station.edp.
            dialog.setDefaultSuffix(defaultSuffix(request.filter));
        }
    }
    if (!request.directory.empty()) {
        // The default folders of an installed program are made when first needed.
        (void)ensureFolder(request.directory);
        dialog.setDirectory(pathToQString(request.directory));
    }
    if (!request.fileName.empty()) {
        dialog.selectFile(pathToQString(request.fileName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    // The core joins directories and names with the platform's own separator.
    return toPathBytes(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
}

void QtDialogs::progressChanged(int value, bool visible)
{
    if (m_progress) {
        m_progress(value, visible);
    }
}

void QtDialogs::pause(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

QString defaultSuffix(const std::string& filter)
{
    // The first pattern of the first pair: "EDS-File (*.eds)|*.eds" gives "eds".
    const QStringList parts = toQString(filter).split(QLatin1Char('|'));
    if (parts.size() < 2) {
        return {};
    }
    const QString pattern = parts.at(1).section(QLatin1Char(';'), 0, 0).trimmed();
    const QString suffix = pattern.mid(2);
    if (!pattern.startsWith(QStringLiteral("*.")) || suffix.isEmpty() ||
        suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')) ||
        suffix.contains(QLatin1Char('.'))) {
        return {};
    }
    return suffix;
}

QString qtNameFilter(const std::string& filter)
{
    const QStringList parts = toQString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts.at(i).trimmed();
        const QString pattern = i + 1 < parts.size() ? parts.at(i + 1).trimmed() : QString();
        if (description.isEmpty() && pattern.isEmpty()) {
            continue;
        }
        if (!pattern.isEmpty() &&
            !description.contains(QLatin1Char('(') + pattern + QLatin1Char(')'))) {
            // Qt reads the patterns from the brackets, separated by blanks instead of ';'.
            QString qtPattern = pattern;
            qtPattern.replace(QLatin1Char(';'), QLatin1Char(' '));
            description = (description.isEmpty() ? qtPattern : description) + QStringLiteral(" (") +
                          qtPattern + QLatin1Char(')');
        }
        filters << description;
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace quillon
