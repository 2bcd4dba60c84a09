#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QScrollBar>

#include "platform/ui/messages.h"

using namespace dezu::ui;

namespace {

TEST(EditMessages, LineQueriesCountGbkBytesWithTheBreakBelongingToItsLine) {
    QPlainTextEdit edit;
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    edit.setPlainText(QString::fromUtf8("ab\n日本\n\nxyz"));
    EXPECT_EQ(send_message(&edit, EM_GETLINECOUNT, 0, 0), 4);

    const std::vector<std::pair<int, std::intptr_t>> starts = {
        {0, 0}, {1, 3}, {2, 8}, {3, 9}, {4, -1}};
    for (auto [line, start] : starts)
        EXPECT_EQ(send_message(&edit, EM_LINEINDEX, line, 0), start) << line;

    const std::vector<std::pair<std::intptr_t, std::intptr_t>> lengths = {
        {0, 2}, {2, 2}, {3, 4}, {7, 4}, {8, 0}, {9, 3}, {12, 3}, {100, 0}};
    for (auto [offset, length] : lengths)
        EXPECT_EQ(send_message(&edit, EM_LINELENGTH, offset, 0), length) << offset;

    edit.setPlainText("");
    EXPECT_EQ(send_message(&edit, EM_GETLINECOUNT, 0, 0), 1);
    EXPECT_EQ(send_message(&edit, EM_LINELENGTH, 0, 0), 0);
    // Not an edit box: not answered.
    QWidget other;
    EXPECT_EQ(send_message(&other, EM_GETLINECOUNT, 0, 0), 0);
}

TEST(EditMessages, LineScrollMovesTheViewDownAndStopsAtTheEnd) {
    QPlainTextEdit edit;
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    edit.resize(200, 100);
    QStringList lines;
    for (int i = 0; i < 40; ++i) lines << QString::number(i);
    edit.setPlainText(lines.join('\n'));
    edit.show();
    QScrollBar* bar = edit.verticalScrollBar();
    ASSERT_EQ(bar->value(), 0);
    EXPECT_EQ(send_message(&edit, EM_LINESCROLL, 0, 1), 1);
    EXPECT_EQ(bar->value(), 1);
    for (int i = 0; i < 60; ++i) send_message(&edit, EM_LINESCROLL, 0, 1);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_GT(bar->maximum(), 1);
}

}  // namespace
