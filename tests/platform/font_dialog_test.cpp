#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <utility>

#include "platform/ui/prompts.h"

namespace ui = dezu::ui;

namespace {

// Acts on the real dialog once it waits for the user.
class WhenShown {
public:
    explicit WhenShown(std::function<void(QDialog*)> act) : act_(std::move(act)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                poll_.stop();
                act_(dialog);
            }
        });
        poll_.start(10);
    }

private:
    std::function<void(QDialog*)> act_;
    QTimer poll_;
};

QDialogButtonBox* own_buttons(QDialog* dialog) {
    return dialog->findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly);
}

}  // namespace

TEST(FontDialog, OffersTheColourWithTheFontAndOpensWithTheLastChoice) {
    QFont previous(QStringLiteral("Noto Sans CJK SC"));
    previous.setPointSize(20);
    QString opened_colour;
    QFont opened_font;
    WhenShown choose([&](QDialog* dialog) {
        auto* colours = dialog->findChild<QComboBox*>();
        auto* fonts = dialog->findChild<QFontDialog*>();
        ASSERT_TRUE(colours && fonts && own_buttons(dialog));
        opened_colour = colours->currentText();
        opened_font = fonts->currentFont();
        colours->setCurrentIndex(colours->findText(QStringLiteral("蓝色")));
        own_buttons(dialog)->button(QDialogButtonBox::Ok)->click();
    });
    ui::DialogPrompts prompts;
    const auto chosen = prompts.font_dialog(nullptr, {previous, QColor(Qt::red)});
    EXPECT_EQ(opened_colour.toStdString(), "红色");
    EXPECT_EQ(opened_font.pointSize(), 20);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->color, QColor(Qt::blue));
    EXPECT_EQ(chosen->font.pointSize(), 20);

    WhenShown cancel([](QDialog* dialog) {
        ASSERT_TRUE(own_buttons(dialog));
        own_buttons(dialog)->button(QDialogButtonBox::Cancel)->click();
    });
    EXPECT_FALSE(prompts.font_dialog(nullptr, {previous, QColor(Qt::red)}));

    // Keys typed in the font part answer for the whole dialog.
    for (const auto& [key, accepted] : {std::pair{Qt::Key_Escape, false}, {Qt::Key_Return, true}}) {
        SCOPED_TRACE(key);
        WhenShown type([key = key](QDialog* dialog) {
            QTest::keyClick(dialog->findChild<QFontDialog*>(), key);
        });
        const auto answer = prompts.font_dialog(nullptr, {previous, QColor(Qt::green)});
        ASSERT_EQ(answer.has_value(), accepted);
        if (answer) {
            EXPECT_EQ(answer->color, QColor(Qt::green));
        }
    }
}
