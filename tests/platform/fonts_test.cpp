#include "platform/ui/fonts.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <ostream>

namespace ui = dezu::ui;

struct FaceCase {
    const char* form_face;
    const char* expected_first;
};

// Names each discovered test by its form face, not by the bytes of the case.
void PrintTo(const FaceCase& c, std::ostream* out) {
    *out << c.form_face;
}

class FormFaceTest : public testing::TestWithParam<FaceCase> {};

// One test per face, so a machine without one face still checks the others.
TEST_P(FormFaceTest, ResolvesToTheInstalledChineseFace) {
    const FaceCase& c = GetParam();
    if (!QFontDatabase::families().contains(QString::fromUtf8(c.expected_first)))
        GTEST_SKIP() << c.expected_first << " is not installed";
    const QFont font = ui::ui_font(c.form_face, 12);
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_EQ(ui::faces_for(c.form_face).front().toStdString(), c.expected_first);
    EXPECT_EQ(QFontInfo(font).family().toStdString(), c.expected_first);
}

INSTANTIATE_TEST_SUITE_P(FontsTest, FormFaceTest,
                         testing::Values(FaceCase{"宋体", "Noto Serif CJK SC"},
                                         FaceCase{"楷体_GB2312", "AR PL UKai CN"},
                                         FaceCase{"华文新魏", "AR PL UKai CN"}));

TEST(FontsTest, OtherNamesAreUsedAsTheyAre) {
    EXPECT_EQ(ui::faces_for("No Such Face"), QStringList{"No Such Face"});
    const QString installed = QFontDatabase::families().value(0);
    ASSERT_FALSE(installed.isEmpty());
    EXPECT_EQ(ui::faces_for(installed.toStdString()).front(), installed);
    EXPECT_TRUE(ui::ui_font("宋体", 20, true).bold());
}
