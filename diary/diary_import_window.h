#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/form.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QAbstractSpinBox;

namespace dezu::diary {

class DiarySession;

// Chooses what the editor's import brings into the shown page: one web page,
// a numbered series of them, or local files, and whether markup is removed.
class DiaryImportWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    explicit DiaryImportWindow(DiarySession& session);

    void on_closing() override { remember_html_filter_choice(); }

    void select_web_source();
    void select_file_source();
    void open_blank_browser_page();
    void browse_import_files();
    void step_wildcard_length(int direction);
    void build_import_source_list();
    void cancel_import();
    void remember_html_filter_choice();

private:
    DiarySession& session_;
    QRadioButton* web_ = nullptr;
    QLineEdit* address_ = nullptr;
    QPushButton* browser_ = nullptr;
    QLineEdit* first_ = nullptr;
    QLineEdit* last_ = nullptr;
    QAbstractSpinBox* width_ = nullptr;
    QLineEdit* files_ = nullptr;
    QPushButton* browse_files_ = nullptr;
    QCheckBox* strip_ = nullptr;
    // Set once 确定 has built a list; any other way out empties it.
    bool confirmed_ = false;
    // The files chosen last, whole, and the text the file box showed for
    // them: a name may hold the ";" that joins them there.
    std::vector<std::string> chosen_files_;
    QString chosen_text_;
};

// The paths of a file box's text, which joins them with ";". Where parts
// joined again with their ";" name an existing file, they are that one path
// (the longest such run from each part on); the rest are single paths. Empty
// parts are left out.
std::vector<std::string> split_import_paths(const std::string& text,
                                            const std::function<bool(const std::string&)>& exists);

// The addresses a pattern gives: "file(*)" replaced, everywhere, by each
// number from first to last, padded with "0" to width. A number typed with
// leading zeros starts at its value. A range past kMaxPatternAddresses is cut
// there rather than exhausting memory.
inline constexpr long long kMaxPatternAddresses = 10000;
std::vector<std::string> expand_address_pattern(const std::string& pattern,
                                                const std::string& first, const std::string& last,
                                                const std::string& width);

}  // namespace dezu::diary
