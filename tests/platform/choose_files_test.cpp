#include <gtest/gtest.h>

#include <QFileDialog>
#include <QListView>
#include <algorithm>

#include "platform/ui/prompts.h"
#include "support/program_dir.h"
#include "support/scripted_prompts.h"

namespace ui = dezu::ui;

namespace {

std::vector<std::pair<std::string, std::vector<std::string>>> pairs(
    const std::vector<ui::FileFilter>& filters) {
    std::vector<std::pair<std::string, std::vector<std::string>>> out;
    for (const auto& f : filters) out.push_back({f.description, f.patterns});
    return out;
}

using Pairs = std::vector<std::pair<std::string, std::vector<std::string>>>;

}  // namespace

class ChooseFilesTest : public ProgramDirTest {
protected:
    ScriptedPrompts prompts;
};

TEST_F(ChooseFilesTest, HandsOnTheChosenPathsInTheDialogsOrder) {
    struct Case {
        const char* what;
        std::vector<std::string> chosen;  // empty: cancelled
    } cases[] = {
        {"one file", {"/home/u/pics/a.jpg"}},
        {"three files", {"/home/u/pics/c.jpg", "/home/u/pics/a.jpg", "/home/u/pics/b.bmp"}},
        {"in the root folder", {"/x.bmp", "/y.bmp"}},
        {"names with blanks, Chinese and \";\"", {"/壁纸/春 天.jpg", "/壁纸/夏;天.jpg"}},
        {"cancelled", {}},
    };
    for (const auto& c : cases) {
        prompts.then_files(c.chosen);
        EXPECT_EQ(prompts.choose_files(nullptr, "请选择要加入的壁纸",
                                       "JPG,BMP,ICO|*.JPG;*.BMP;*.ICO", ""),
                  c.chosen)
            << c.what;
    }
}

TEST_F(ChooseFilesTest, AsksForSeveralExistingFilesWithTheCallersFilters) {
    const std::string media =
        "音频文件|*.mp3;*.wma;*.wav|MIDI|*.mid;*.rmi|视频文件|*.avi;*.mpg;*.wmv|播放列表|*.m3u|"
        "所有文件|*.*";
    prompts.then_cancel();
    (void)prompts.choose_files(nullptr, "请选择要播放的媒体", media, dir());
    ASSERT_EQ(prompts.asked().size(), 1u);
    const ui::Prompt& asked = prompts.asked().front();
    EXPECT_EQ(asked.kind, ui::Prompt::Kind::OpenFiles);
    EXPECT_TRUE(asked.multiple);
    EXPECT_EQ(asked.title, "请选择要播放的媒体");
    EXPECT_EQ(asked.initial, dir());
    // In the caller's order: the dialog selects the first.
    EXPECT_EQ(pairs(asked.filters), (Pairs{{"音频文件", {"*.mp3", "*.wma", "*.wav"}},
                                           {"MIDI", {"*.mid", "*.rmi"}},
                                           {"视频文件", {"*.avi", "*.mpg", "*.wmv"}},
                                           {"播放列表", {"*.m3u"}},
                                           {"所有文件", {"*.*"}}}));
}

TEST_F(ChooseFilesTest, FilterTextBecomesPairs) {
    struct Case {
        std::string text;
        Pairs filters;
    } cases[] = {
        {"*.txt,*.htm|*.txt;*.htm", {{"*.txt,*.htm", {"*.txt", "*.htm"}}}},
        {"A|*.a|B|*.b", {{"A", {"*.a"}}, {"B", {"*.b"}}}},
        {"", {}},
        {"A|*.a|B", {{"A", {"*.a"}}}},   // a description left without patterns
        {"A||B|*.b", {{"B", {"*.b"}}}},  // a pair without patterns
        {"A|*.a;;*.b;", {{"A", {"*.a", "*.b"}}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pairs(ui::parse_file_filter(c.text)), c.filters) << c.text;
}

TEST_F(ChooseFilesTest, PatternsMatchWithoutRegardToCaseInTheDialog) {
    for (const char* name : {"a.jpg", "B.JPG", "c.Jpg", "d.png", "e.jpeg", "f.bmp"})
        write_file(name, "x");
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(ui::dialog_name_filters(ui::parse_file_filter("JPG,BMP|*.JPG;*.BMP")));
    dialog.setDirectory(QString::fromStdString(dir()));
    dialog.show();

    auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    ASSERT_NE(view, nullptr);
    auto shown = [view] {
        std::vector<std::string> names;
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
            names.push_back(
                view->model()->index(row, 0, view->rootIndex()).data().toString().toStdString());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> matching{"B.JPG", "a.jpg", "c.Jpg", "f.bmp"};
    // The dialog reads the folder on a thread of its own and filters as rows arrive.
    wait_until([&] { return shown() == matching; }, 5000);
    EXPECT_EQ(shown(), matching);
}
