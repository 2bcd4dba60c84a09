#include <gtest/gtest.h>

#include <QListWidget>

#include "platform/ui/messages.h"

namespace ui = dezu::ui;

namespace {

std::intptr_t item_from_point(QListWidget& list, int x, int y) {
    return ui::send_message(&list, ui::LB_ITEMFROMPOINT, 0,
                            std::intptr_t(x & 0xFFFF) | (std::intptr_t(y & 0xFFFF) << 16));
}

TEST(ListMessages, ItemFromPointNamesTheRowOrFlagsThePointAsOutside) {
    QListWidget list;
    list.resize(200, 300);
    for (int i = 0; i < 4; ++i) list.addItem(QStringLiteral("row %1").arg(i));
    list.show();
    const QRect second = list.visualItemRect(list.item(1));
    const QRect last = list.visualItemRect(list.item(3));
    EXPECT_EQ(item_from_point(list, second.center().x(), second.center().y()), 1);
    EXPECT_EQ(item_from_point(list, 5, last.center().y()), 3);
    // Below the last row: none under the point; the nearest is the last.
    EXPECT_EQ(item_from_point(list, 5, last.bottom() + 30), (1 << 16) | 3);
    list.clear();
    EXPECT_EQ(item_from_point(list, 5, 5), 1 << 16);
    // Other controls do not answer it.
    QWidget plain;
    EXPECT_EQ(ui::send_message(&plain, ui::LB_ITEMFROMPOINT, 0, 0), 0);
}

}  // namespace
