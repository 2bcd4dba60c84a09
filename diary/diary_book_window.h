#pragma once

#include "platform/ui/form.h"

class QComboBox;
namespace dezu::ui {
class Prompts;
}

namespace dezu::diary {

class DiarySession;

// Lists the diary books, and creates, deletes and opens them.
class DiaryBookWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    DiaryBookWindow(DiarySession& session, dezu::ui::Prompts& prompts);

    void on_created() override { load_diary_book_list(); }

    void load_diary_book_list();
    void select_diary_book();
    void create_diary_book();
    void delete_diary_book();
    void open_diary_book();

    QComboBox* book_list() const { return books_; }

private:
    DiarySession& session_;
    dezu::ui::Prompts& prompts_;
    QComboBox* books_ = nullptr;
};

}  // namespace dezu::diary
