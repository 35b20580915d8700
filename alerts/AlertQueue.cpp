#include "alerts/AlertQueue.h"

#include <utility>

namespace {
// The order in which the waiting alerts are shown.
constexpr AlertKind kShowOrder[] = {AlertError, AlertIncomingCall, AlertSms, AlertUpdate};
}  // namespace

CAlertQueue::CAlertQueue(IAlertPopupFactory& factory, IAlertPopup*& rpPopup, AlertPoint& rptLastPos)
    : m_factory(factory), m_rpPopup(rpPopup), m_rptLastPos(rptLastPos)
{
}

void CAlertQueue::AddAlert(const CDesktopAlertItem& item)
{
    // The kind indexes the queues: anything else would write outside them.
    if (m_bShutDown || item.m_nKind < 0 || item.m_nKind >= kAlertKindCount)
        return;
    m_Queues[item.m_nKind].push_back(item);
    ShowNext();
}

std::deque<CDesktopAlertItem>* CAlertQueue::NextQueue()
{
    for (AlertKind nKind : kShowOrder) {
        if (!m_Queues[nKind].empty())
            return &m_Queues[nKind];
    }
    return nullptr;
}

void CAlertQueue::ShowNext()
{
    while (!m_bShutDown && !m_bOpening && m_rpPopup == nullptr) {
        std::deque<CDesktopAlertItem>* pQueue = NextQueue();
        if (pQueue == nullptr)
            return;
        const CDesktopAlertItem item = std::move(pQueue->front());
        pQueue->pop_front();

        m_bOpening = true;
        IAlertPopup* pPopup = m_factory.ShowAlert(item, m_rptLastPos);
        m_bOpening = false;
        // Null: the popup could not be made; the loop goes on with the next alert.
        m_rpPopup = pPopup;
    }
}

void CAlertQueue::OnPopupClosed(AlertPoint ptLastPos)
{
    m_rptLastPos = ptLastPos;
    m_rpPopup = nullptr;
    ShowNext();
}

void CAlertQueue::OnPopupGone(const IAlertPopup* pPopup)
{
    if (pPopup != nullptr && pPopup == m_rpPopup)
        m_rpPopup = nullptr;
}

void CAlertQueue::Shutdown()
{
    m_bShutDown = true;
    for (auto& queue : m_Queues)
        queue.clear();
    if (IAlertPopup* pPopup = std::exchange(m_rpPopup, nullptr))
        pPopup->DestroyPopup();
}

size_t CAlertQueue::GetWaitingCount() const
{
    size_t nCount = 0;
    for (const auto& queue : m_Queues)
        nCount += queue.size();
    return nCount;
}
