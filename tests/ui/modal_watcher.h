#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace quillon::test {

// Hands every modal window that opens while it lives to `act`, once, as soon as the window
// shows. It looks again every few milliseconds from whatever event loop runs, a dialog's own
// included, so it waits for a window however long a busy machine takes to show it; it stops
// looking when it goes.
class ModalWatcher : public QObject
{
public:
    explicit ModalWatcher(std::function<void(QWidget*)> act) : m_act(std::move(act)) { lookSoon(); }

private:
    void lookSoon()
    {
        QTimer::singleShot(5, this, [this] { look(); });
    }

    void look()
    {
        // The next look is set up first: acting may open another window and wait in its event
        // loop for an answer that only the next look gives.
        lookSoon();
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        for (const QPointer<QWidget>& seen : m_seen) {
            if (seen == modal)
                return;
        }
        m_seen.emplace_back(modal);
        m_act(modal);
    }

    std::function<void(QWidget*)> m_act;
    std::vector<QPointer<QWidget>> m_seen; // windows already handed over; null once deleted
};

} // namespace quillon::test
