#include "platform/ui/translations.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <QTranslator>

#include "platform/ui/prompts.h"

namespace {

// A button's text without its keyboard mnemonic: "是(&Y)" -> "是".
QString bare(QString text) {
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)|&"));
    return text.remove(mnemonic);
}

}  // namespace

TEST(QtTranslations, QtsOwnYesNoButtonsReadInChinese) {
    ASSERT_TRUE(dezu::ui::install_chinese_qt_translations())
        << "qtbase_zh_CN.qm is not in Qt's translations folder";
    EXPECT_TRUE(dezu::ui::install_chinese_qt_translations()) << "asking twice is harmless";

    QStringList buttons;
    // Read the real box while it waits for the user, then answer No.
    std::function<void()> answer = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, answer);
            return;
        }
        for (QAbstractButton* b : box->buttons()) buttons << bare(b->text());
        box->button(QMessageBox::No)->click();
    };
    QTimer::singleShot(0, answer);
    dezu::ui::DialogPrompts prompts;
    EXPECT_EQ(prompts.message_box("是否关机", dezu::ui::MessageStyle::YesNo), dezu::ui::Button::No);
    buttons.sort();
    QStringList expected{QStringLiteral("是"), QStringLiteral("否")};
    expected.sort();
    EXPECT_EQ(buttons, expected);

    // The other tests of this program see Qt's own texts again.
    delete qApp->findChild<QTranslator*>(QStringLiteral("qtbase_zh_CN"));
}
