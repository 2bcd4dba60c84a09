#include "app/globals.h"

std::string g_diary_dir;
std::string g_program_dir;
std::string g_current_diary_book;
std::string g_current_sender_name;
std::string g_account_db_path;
Bytes g_attachment_image_list;
std::int32_t g_attachment_icon = 0;
std::string g_current_diary_path;
std::int32_t g_current_page_number = 0;
std::string g_page_title;
std::vector<std::string> g_import_sources;
bool g_import_from_web = false;
bool g_strip_html_on_import = false;
bool g_window_opacity_enabled = false;
std::int32_t g_last_address_row = 0;

void init_globals() {
    g_import_sources.clear();
}

void free_globals() {
    for (std::string* text :
         {&g_diary_dir, &g_program_dir, &g_current_diary_book, &g_current_sender_name,
          &g_account_db_path, &g_attachment_image_list, &g_current_diary_path, &g_page_title}) {
        std::string().swap(*text);
    }
    std::vector<std::string>().swap(g_import_sources);
}

void reset_globals_for_test() {
    free_globals();
    g_attachment_icon = 0;
    g_current_page_number = 0;
    g_import_from_web = false;
    g_strip_html_on_import = false;
    g_window_opacity_enabled = false;
    g_last_address_row = 0;
    init_globals();
}

std::string clock_ini_path() {
    return g_program_dir + "clock.ini";
}
