#include "PageNavigator.h"

#include <algorithm>

namespace vambrel {

void PageNavigator::reset(int pageCount) {
    m_count = std::max(0, pageCount);
    m_current = m_count > 0 ? 1 : 0;
}

bool PageNavigator::navigate(int nav) {
    if (m_count == 0)
        return false;
    int page = m_current;
    switch (nav) {
    case Previous:
        page = std::max(1, m_current - 1);
        break;
    case Next:
        page = std::min(m_count, m_current + 1);
        break;
    case First:
        page = 1;
        break;
    case Last:
        page = m_count;
        break;
    default:
        break;
    }
    if (page == m_current)
        return false;
    m_current = page;
    return true;
}

bool PageNavigator::go(int page) {
    if (page < 1 || page > m_count || page == m_current)
        return false;
    m_current = page;
    return true;
}

QString PageNavigator::label() const {
    if (m_count == 0)
        return {};
    return QString::number(m_current) + QStringLiteral(" sur ") + QString::number(m_count);
}

} // namespace vambrel
