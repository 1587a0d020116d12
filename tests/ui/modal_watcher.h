#pragma once

#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace quillon::test {

// Answers each modal window that opens while it lives with the next step, as soon as it shows; a
// window no step is left for is rejected. It looks every few milliseconds from whatever event loop
// runs, a dialog's own included, so it waits however long a busy machine takes.
class ModalWatcher : public QObject
{
public:
    using Step = std::function<void(QWidget* modal)>;

    explicit ModalWatcher(std::vector<Step> steps = {}) : m_steps(steps.begin(), steps.end())
    {
        lookSoon();
    }

    void then(Step step) { m_steps.push_back(std::move(step)); }
    [[nodiscard]] bool done() const { return m_steps.empty(); }
    [[nodiscard]] const QStringList& titles() const { return m_titles; }

private:
    void lookSoon()
    {
        QTimer::singleShot(5, this, [this] { look(); });
    }

    void look()
    {
        // First: a step may open another window whose answer only the next look gives.
        lookSoon();
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || m_seen.contains(modal))
            return;
        m_seen.append(modal);
        m_titles << modal->windowTitle();
        if (m_steps.empty()) {
            QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
            return;
        }
        const Step step = std::move(m_steps.front());
        m_steps.pop_front();
        step(modal);
    }

    std::deque<Step> m_steps;
    QList<QPointer<QWidget>> m_seen; // windows already answered; null once deleted
    QStringList m_titles;
};

// Types `name` into a file dialog as a user does and accepts it once the dialog has taken it
// (QFileDialog::selectFile leaves the box alone while it has the focus).
inline ModalWatcher::Step chooseFile(const QString& name)
{
    return [name](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        auto* box = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY2(dialog && box, qPrintable(modal->windowTitle()));
        box->setFocus();
        box->setText(name);
        QVERIFY(QTest::qWaitFor(
            [&] {
                const QStringList chosen = dialog->selectedFiles();
                return !chosen.isEmpty() && QFileInfo(chosen.front()).fileName().startsWith(name);
            },
            20000));
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    };
}

// Presses a message box's button, keeping what the box said in `said` when given.
inline ModalWatcher::Step press(QMessageBox::StandardButton button, QString* said = nullptr)
{
    return [button, said](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY2(box, qPrintable(modal->windowTitle()));
        if (said)
            *said = box->windowTitle() + '|' + box->text() + '|' + box->detailedText();
        QMetaObject::invokeMethod(box->button(button), "click", Qt::QueuedConnection);
    };
}

} // namespace quillon::test
