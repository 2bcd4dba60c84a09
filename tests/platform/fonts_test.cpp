#include "platform/ui/fonts.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>

namespace ui = dezu::ui;

TEST(FontsTest, FormFacesResolveToInstalledChineseFaces) {
    const QStringList installed = QFontDatabase::families();
    struct Case {
        const char* form_face;
        const char* expected_first;
    } cases[] = {
        {"宋体", "Noto Serif CJK SC"},
        {"楷体_GB2312", "AR PL UKai CN"},
        {"华文新魏", "AR PL UKai CN"},
    };
    for (const auto& c : cases) {
        if (!installed.contains(QString::fromUtf8(c.expected_first)))
            GTEST_SKIP() << c.expected_first << " is not installed";
        const QFont font = ui::ui_font(c.form_face, 12);
        EXPECT_EQ(font.pixelSize(), 12);
        EXPECT_EQ(ui::faces_for(c.form_face).front().toStdString(), c.expected_first)
            << c.form_face;
        EXPECT_EQ(QFontInfo(font).family().toStdString(), c.expected_first) << c.form_face;
    }
}

TEST(FontsTest, OtherNamesAreUsedAsTheyAre) {
    EXPECT_EQ(ui::faces_for("No Such Face"), QStringList{"No Such Face"});
    const QString installed = QFontDatabase::families().value(0);
    ASSERT_FALSE(installed.isEmpty());
    EXPECT_EQ(ui::faces_for(installed.toStdString()).front(), installed);
    EXPECT_TRUE(ui::ui_font("宋体", 20, true).bold());
}
