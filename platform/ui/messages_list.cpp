#include <QAbstractItemView>

#include "platform/ui/messages.h"

namespace dezu::ui::detail {

// LB_ITEMFROMPOINT: lParam holds x in its low and y in its high 16 bits, in
// the list's own (viewport) pixels. The answer is the row in its low word
// and 0 in its high word when a row lies under the point; otherwise the high
// word is 1 and the low word names the nearest row (0 in an empty list).
bool list_message(QWidget* target, unsigned message, std::intptr_t, std::intptr_t lparam,
                  std::intptr_t& answer) {
    if (message != LB_ITEMFROMPOINT) return false;
    auto* view = qobject_cast<QAbstractItemView*>(target);
    if (!view) return false;
    const int x = std::int16_t(lparam & 0xFFFF);
    const int y = std::int16_t((lparam >> 16) & 0xFFFF);
    const QModelIndex under = view->indexAt(QPoint(x, y));
    if (under.isValid()) {
        answer = under.row() & 0xFFFF;
        return true;
    }
    const int rows = view->model() ? view->model()->rowCount(view->rootIndex()) : 0;
    const int nearest = rows == 0 || y < 0 ? 0 : rows - 1;
    answer = (std::intptr_t(1) << 16) | (nearest & 0xFFFF);
    return true;
}

}  // namespace dezu::ui::detail
