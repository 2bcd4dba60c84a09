#include "app/choose_files.h"

std::string choose_files(QWidget* owner, const std::string& title, const std::string& filter,
                         const std::string& initial_folder) {
    std::string joined;
    for (const std::string& file :
         dezu::ui::default_prompts().choose_files(owner, title, filter, initial_folder)) {
        if (!joined.empty()) joined += ';';
        joined += file;
    }
    return joined;
}
