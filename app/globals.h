#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The program-wide state that the windows share, in one place. Texts are
// UTF-8; byte data holds whole files (pictures, image lists). The arrays are
// std::vectors, so entry number n of a list is element n - 1.

using Bytes = std::string;

extern std::string g_diary_dir;
extern std::string g_program_dir;  // always ends in "/"
extern std::string g_current_diary_book;
extern std::string g_current_sender_name;
extern std::string g_account_db_path;
extern Bytes g_attachment_image_list;
extern std::int32_t g_attachment_icon;
extern std::string g_current_diary_path;
extern std::int32_t g_current_page_number;
extern std::string g_page_title;
extern std::vector<std::string> g_import_sources;
extern bool g_import_from_web;
extern bool g_strip_html_on_import;
extern bool g_window_opacity_enabled;
extern std::int32_t g_last_address_row;

void init_globals();

// Frees the texts, byte data and arrays; runs at process exit.
void free_globals();

// Every global back to its initial value (tests).
void reset_globals_for_test();

// The settings file: g_program_dir + "clock.ini". Every window names it so,
// whatever spelling it grew up with, so that all of them share one file.
std::string clock_ini_path();
