// The waiting desktop alerts, one first-in first-out queue per kind, and the bookkeeping of
// the one popup that is open: one popup at a time, the next waiting alert when it closes,
// errors first, then calls, then SMS, then updates.
//
// The open popup and the position for the next one are the manager's once-per-process
// values; the queue is given them to keep. Everything runs on one thread.
#pragma once
#include <cstddef>
#include <deque>

#include "alerts/AlertPopupHost.h"
#include "alerts/DesktopAlertItem.h"

class CAlertQueue {
public:
    CAlertQueue(IAlertPopupFactory& factory, IAlertPopup*& rpPopup, AlertPoint& rptLastPos);
    CAlertQueue(const CAlertQueue&) = delete;
    CAlertQueue& operator=(const CAlertQueue&) = delete;

    // Appends the alert to the back of its kind's queue, then ShowNext. An alert of no known
    // kind, or one that comes after Shutdown, is dropped.
    void AddAlert(const CDesktopAlertItem& item);
    // Opens the popup of the next waiting alert unless one is open. A popup that cannot be
    // made is forgotten at once and the alert after it is tried.
    void ShowNext();
    // The open popup has closed at ptLastPos: the next popup opens there.
    void OnPopupClosed(AlertPoint ptLastPos);
    // pPopup went without closing (its window was destroyed with its owner): if it is the
    // open one it is forgotten, and nothing opens in its place.
    void OnPopupGone(const IAlertPopup* pPopup);
    // At exit: the waiting alerts are dropped and the open popup is destroyed; from then on
    // nothing opens.
    void Shutdown();

    size_t GetWaitingCount() const;
    bool IsShutDown() const { return m_bShutDown; }

    // Indexed by AlertKind.
    std::deque<CDesktopAlertItem> m_Queues[kAlertKindCount];

private:
    std::deque<CDesktopAlertItem>* NextQueue();

    IAlertPopupFactory& m_factory;
    IAlertPopup*& m_rpPopup;
    AlertPoint& m_rptLastPos;
    // A popup is being made: it counts as open, so a nested ShowNext opens no second one.
    bool m_bOpening = false;
    bool m_bShutDown = false;
};
